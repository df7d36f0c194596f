#include "files/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <random>

namespace files {

namespace {

// Temporary names are tried until one is free; a clash is rare enough that
// running out means something else is wrong.
constexpr int kNameAttempts = 16;
constexpr size_t kRandomLetters = 6;
constexpr char kTemporarySuffix[] = ".part";
constexpr size_t kWriteBufferBytes = 1 << 16;

struct SplitPath {
    std::string folder;  // "." for a bare file name
    std::string name;
};

SplitPath Split(const std::string& path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return {".", path};
    return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

// The file a save must replace: the target itself, or the file its
// symbolic link names. Empty, with errno set, when a link leads nowhere.
std::string ResolveTarget(const std::string& target)
{
    struct stat status;
    if (lstat(target.c_str(), &status) != 0 || !S_ISLNK(status.st_mode))
        return target;
    char resolved[PATH_MAX];
    if (!realpath(target.c_str(), resolved))
        return {};
    return resolved;
}

std::string RandomLetters()
{
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    static thread_local std::mt19937_64 random{std::random_device{}()};
    std::string letters(kRandomLetters, 'x');
    for (char& letter : letters)
        letter = kLetters[random() % (sizeof kLetters - 1)];
    return letters;
}

// fsync of a file or folder; file systems that cannot sync (EINVAL) have
// nothing to push.
bool Sync(int fd) { return ::fsync(fd) == 0 || errno == EINVAL; }

// The longest file name the folder takes (255 bytes on the usual file
// systems).
size_t NameLimit(const std::string& folder)
{
    const long limit = pathconf(folder.c_str(), _PC_NAME_MAX);
    return limit > 0 ? size_t(limit) : size_t(NAME_MAX);
}

// The first bytes of name, at most limit of them, cut where a character
// begins (UTF-8), so the temporary name stays readable.
std::string Prefix(const std::string& name, size_t limit)
{
    if (name.size() <= limit)
        return name;
    size_t cut = limit;
    while (cut > 0 && (uint8_t(name[cut]) & 0xC0) == 0x80)
        --cut;
    return name.substr(0, cut);
}

// ".name.XXXXXX.part" in the target's folder; with a long name, as much of
// it as the folder's name limit leaves room for, so that every name the
// file system takes can be saved.
std::string TemporaryNameBeside(const SplitPath& target)
{
    const std::string decoration = "." + RandomLetters() + kTemporarySuffix;
    const size_t limit = NameLimit(target.folder);
    const size_t room = limit > decoration.size() + 1 ? limit - decoration.size() - 1 : 0;
    return target.folder + "/." + Prefix(target.name, room) + decoration;
}

}  // namespace

AtomicFile::~AtomicFile() { Discard(); }

void AtomicFile::Remember(int errorNumber) { errorNumber_ = errorNumber != 0 ? errorNumber : EIO; }

bool AtomicFile::Create(const std::string& target)
{
    Discard();
    errorNumber_ = 0;
    target_ = ResolveTarget(target);
    const SplitPath parts = Split(target_);
    if (target_.empty() || parts.name.empty()) {
        Remember(target_.empty() ? errno : EISDIR);
        return false;
    }
    // Only a file is replaced: never a folder, a device or a pipe.
    struct stat existing;
    const bool exists = stat(target_.c_str(), &existing) == 0;
    if (exists && !S_ISREG(existing.st_mode)) {
        Remember(S_ISDIR(existing.st_mode) ? EISDIR : EINVAL);
        return false;
    }
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const std::string name = TemporaryNameBeside(parts);
        // 0666: the umask decides, as for any new file the user saves.
        const int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            Remember(errno);
            if (errno == EEXIST)
                continue;
            return false;
        }
        // A replaced file keeps its permissions.
        if (exists)
            fchmod(fd, existing.st_mode & 07777);
        stream_ = ::fdopen(fd, "w+b");
        if (!stream_) {
            Remember(errno);
            ::close(fd);
            ::unlink(name.c_str());
            return false;
        }
        std::setvbuf(stream_, nullptr, _IOFBF, kWriteBufferBytes);
        temporary_ = name;
        return true;
    }
    return false;
}

bool AtomicFile::Write(const void* bytes, size_t count)
{
    if (!stream_)
        return false;
    if (count != 0 && std::fwrite(bytes, 1, count, stream_) != count) {
        Remember(errno);
        return false;
    }
    return true;
}

bool AtomicFile::Commit()
{
    if (!stream_)
        return false;
    bool ok = std::fflush(stream_) == 0 && Sync(fileno(stream_));
    if (!ok)
        Remember(errno);
    else if (std::ferror(stream_)) {
        ok = false;
        Remember(errorNumber_);
    }
    const bool closed = std::fclose(stream_) == 0;
    stream_ = nullptr;
    if (ok && !closed) {
        ok = false;
        Remember(errno);
    }
    if (ok && std::rename(temporary_.c_str(), target_.c_str()) != 0) {
        ok = false;
        Remember(errno);
    }
    if (!ok) {
        Discard();
        return false;
    }
    temporary_.clear();
    if (!SyncFolderOf(target_)) {
        Remember(errno);
        return false;
    }
    return true;
}

void AtomicFile::Discard()
{
    if (stream_)
        std::fclose(stream_);
    stream_ = nullptr;
    if (!temporary_.empty())
        ::unlink(temporary_.c_str());
    temporary_.clear();
}

bool SyncToDisk(std::FILE* stream) { return stream && std::fflush(stream) == 0 && Sync(fileno(stream)); }

bool SyncFolderOf(const std::string& path)
{
    const int fd = ::open(Split(path).folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = Sync(fd);
    const int error = errno;
    ::close(fd);
    errno = error;
    return synced;
}

bool SaveWholeFile(const std::string& target, const void* bytes, size_t count, int* errorNumber)
{
    AtomicFile file;
    const bool saved = file.Create(target) && file.Write(bytes, count) && file.Commit();
    if (!saved && errorNumber)
        *errorNumber = file.errorNumber();
    return saved;
}

}  // namespace files
