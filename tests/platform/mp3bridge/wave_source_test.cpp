// The wave reader both MP3 routes use: the samples are exactly the data
// chunk's, wherever it lies, and damaged files are told apart.
#include <gtest/gtest.h>

#include <fstream>

#include "mp3_test_support.h"
#include "wave_source.h"

namespace {

using mp3::WaveSource;
using mp3::WaveStatus;

TEST(WaveSource, ReadsExactlyTheDataChunkWhateverSurroundsIt)
{
    mp3test::ScratchFolder folder;
    const std::vector<int16_t> samples = mp3test::MakeVoice(22050, 0.2);
    mp3test::WaveLayout layout;
    layout.fmtBytes = 18;  // the data starts at byte 46, not 44
    layout.chunkBefore.assign(31, 0x55);  // odd size: a pad byte follows
    layout.chunkAfter.assign(514, 0x7F);
    mp3test::WriteWave(folder.File("voice.wav"), samples, 22050, 1, layout);

    WaveSource wave;
    ASSERT_EQ(wave.Open(folder.File("voice.wav")), WaveStatus::Ok);
    EXPECT_TRUE(wave.format().IsPcm16());
    EXPECT_EQ(wave.format().sampleRate, 22050u);
    EXPECT_EQ(wave.dataBytes(), samples.size() * 2);
    std::vector<int16_t> read(samples.size() + 100);
    EXPECT_EQ(wave.Read(read.data(), read.size() * 2), samples.size() * 2);
    read.resize(samples.size());
    EXPECT_EQ(read, samples);
}

TEST(WaveSource, DataChunkLongerThanTheFileIsCutToWholeFrames)
{
    mp3test::ScratchFolder folder;
    const std::string path = folder.File("cut.wav");
    mp3test::WriteWave(path, mp3test::MakeVoice(22050, 0.1, 2), 22050, 2);
    // Cut the file in the middle of a stereo frame.
    std::filesystem::resize_file(path, std::filesystem::file_size(path) - 3);
    WaveSource wave;
    ASSERT_EQ(wave.Open(path), WaveStatus::Ok);
    EXPECT_EQ(wave.dataBytes() % 4, 0u);
    EXPECT_EQ(wave.dataBytes(), std::filesystem::file_size(path) - 46 - 1);
}

TEST(WaveSource, TellsDamagedFilesApart)
{
    mp3test::ScratchFolder folder;
    const std::string good = folder.File("good.wav");
    mp3test::WriteWave(good, mp3test::MakeVoice(22050, 0.1), 22050, 1);
    std::ifstream in(good, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());

    struct Case {
        const char* name;
        std::string content;
        WaveStatus expected;
    };
    std::string notWave = bytes;
    notWave.replace(8, 4, "AVI ");
    std::string noFormat = bytes;
    noFormat.replace(12, 4, "junk");
    std::string noData = bytes;
    noData.replace(38, 4, "dat_");
    const Case cases[] = {
        {"short.wav", bytes.substr(0, 40), WaveStatus::TooShort},
        {"notwave.wav", notWave, WaveStatus::NotWave},
        {"noformat.wav", noFormat, WaveStatus::NoFormat},
        {"nodata.wav", noData, WaveStatus::NoData},
    };
    for (const Case& c : cases) {
        std::ofstream(folder.File(c.name), std::ios::binary) << c.content;
        WaveSource wave;
        EXPECT_EQ(wave.Open(folder.File(c.name)), c.expected) << c.name;
    }
    WaveSource wave;
    EXPECT_EQ(wave.Open(folder.File("missing.wav")), WaveStatus::CannotOpen);
}

}  // namespace
