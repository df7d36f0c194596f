// Saves that replace a file whole or not at all: what the folder holds while
// a save runs, after it, and after one that fails.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "disk_calls.h"
#include "files/atomic_file.h"

namespace {

namespace fs = std::filesystem;

class AtomicFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = fs::temp_directory_path() / "atomic-file-XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::string Path(const std::string& name) const { return folder_ + "/" + name; }
    size_t Entries() const { return size_t(std::distance(fs::directory_iterator(folder_), {})); }

    std::string folder_;
};

std::string Contents(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

mode_t Mode(const std::string& path)
{
    struct stat status {};
    stat(path.c_str(), &status);
    return status.st_mode & 07777;
}

TEST_F(AtomicFileTest, TheTargetChangesOnlyWhenTheSaveIsCommittedAndKeepsItsPermissions)
{
    const std::string target = Path("voice.wav");
    WriteFile(target, "old");
    ASSERT_EQ(chmod(target.c_str(), 0640), 0);

    files::AtomicFile file;
    ASSERT_TRUE(file.Create(target));
    ASSERT_TRUE(file.Write("new contents", 12));
    ASSERT_EQ(std::fflush(file.stream()), 0);
    EXPECT_EQ(Contents(target), "old");
    EXPECT_EQ(Entries(), 2u) << "the new file is written beside the target";

    ASSERT_TRUE(file.Commit());
    EXPECT_EQ(Contents(target), "new contents");
    EXPECT_EQ(Mode(target), 0640u);
    EXPECT_EQ(Entries(), 1u);
}

TEST_F(AtomicFileTest, ASaveThatIsDroppedOrFailsLeavesTheTargetAsItWas)
{
    const std::string target = Path("settings.ini");
    WriteFile(target, "kept");
    {
        files::AtomicFile dropped;
        ASSERT_TRUE(dropped.Create(target));
        ASSERT_TRUE(dropped.Write("lost", 4));
    }
    EXPECT_EQ(Contents(target), "kept");
    EXPECT_EQ(Entries(), 1u);

    // A folder that takes the target's name while the file is written: the
    // rename fails.
    const std::string late = Path("taken late");
    files::AtomicFile refused;
    ASSERT_TRUE(refused.Create(late));
    ASSERT_TRUE(refused.Write("x", 1));
    fs::create_directories(late + "/inside");
    EXPECT_FALSE(refused.Commit());
    EXPECT_NE(refused.errorNumber(), 0);
    EXPECT_TRUE(fs::is_directory(late + "/inside"));
    EXPECT_EQ(Entries(), 2u);

    // Only files are replaced: a folder or a pipe is refused at once.
    ASSERT_EQ(mkfifo(Path("pipe").c_str(), 0600), 0);
    int error = 0;
    EXPECT_FALSE(files::SaveWholeFile(late, "x", 1, &error));
    EXPECT_EQ(error, EISDIR);
    EXPECT_FALSE(files::SaveWholeFile(Path("pipe"), "x", 1, &error));
    EXPECT_EQ(error, EINVAL);
    EXPECT_TRUE(fs::is_fifo(Path("pipe")));
    EXPECT_EQ(Entries(), 3u);

    EXPECT_FALSE(files::SaveWholeFile(Path("missing/file.mp3"), "x", 1, &error));
    EXPECT_EQ(error, ENOENT);
}

TEST_F(AtomicFileTest, ALinkStaysALinkAndTheFileItNamesIsReplaced)
{
    const std::string real = Path("real.ra");
    const std::string link = Path("link.ra");
    WriteFile(real, "old");
    fs::create_symlink(real, link);
    ASSERT_TRUE(files::SaveWholeFile(link, "new", 3));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(Contents(real), "new");

    fs::create_symlink(Path("nowhere"), Path("dangling.ra"));
    EXPECT_FALSE(files::SaveWholeFile(Path("dangling.ra"), "x", 1));
    EXPECT_FALSE(fs::exists(Path("nowhere")));
}

TEST_F(AtomicFileTest, ASaveIsOnTheDiskBeforeItIsReported)
{
    const std::string folder = std::filesystem::canonical(folder_);
    disktest::DiskCalls().clear();
    ASSERT_TRUE(files::SaveWholeFile(folder + "/durable.wav", "abc", 3));
    // The bytes reach the disk under the temporary name, then the name
    // changes, then the folder that holds the new name reaches the disk.
    const std::vector<std::string>& calls = disktest::DiskCalls();
    ASSERT_EQ(calls.size(), 3u);
    const std::string temporary = calls[0].substr(std::string("fsync ").size());
    EXPECT_THAT(temporary, ::testing::StartsWith(folder + "/.durable.wav."));
    EXPECT_EQ(calls[1], "rename " + temporary + " -> " + folder + "/durable.wav");
    EXPECT_EQ(calls[2], "fsync " + folder);
}

TEST_F(AtomicFileTest, ANameAsLongAsTheFolderTakesCanBeSaved)
{
    // 255 bytes on the usual file systems, in two-byte characters.
    const size_t limit = size_t(pathconf(folder_.c_str(), _PC_NAME_MAX));
    std::string name;
    while (name.size() + 2 <= limit - 4)
        name += "\xC3\xA9";  // é
    name.resize(limit - 4, 'x');
    name += ".wav";
    ASSERT_EQ(name.size(), limit);

    files::AtomicFile file;
    ASSERT_TRUE(file.Create(Path(name))) << std::strerror(file.errorNumber());
    // The temporary name fits too, and is cut where a character begins.
    for (const auto& entry : fs::directory_iterator(folder_)) {
        const std::string temporary = entry.path().filename();
        EXPECT_LE(temporary.size(), limit);
        EXPECT_EQ(temporary.substr(0, 3), ".\xC3\xA9");
        EXPECT_NE(uint8_t(temporary[temporary.find('.', 1) - 1]), 0xC3);
    }
    ASSERT_TRUE(file.Write("long", 4) && file.Commit());
    EXPECT_EQ(Contents(Path(name)), "long");
}

}  // namespace
