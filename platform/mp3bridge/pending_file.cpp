#include "pending_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <random>

namespace mp3 {

namespace {

constexpr int kNameAttempts = 16;
constexpr size_t kWriteBufferBytes = 1 << 16;

std::string TemporaryNameBeside(const std::string& destination)
{
    static thread_local std::mt19937_64 random{std::random_device{}()};
    char suffix[24];
    std::snprintf(suffix, sizeof suffix, ".%012llx.part", static_cast<unsigned long long>(random() & 0xFFFFFFFFFFFFull));
    return destination + suffix;
}

}  // namespace

PendingFile::~PendingFile() { Discard(); }

bool PendingFile::Create(const std::string& destination)
{
    Discard();
    destination_ = destination;
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const std::string name = TemporaryNameBeside(destination);
        // O_EXCL: never reuse a file that someone else owns; 0666 lets the
        // umask decide the permissions, as for any file the user saves.
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            errorNumber_ = errno;
            if (errno == EEXIST)
                continue;
            return false;
        }
        file_ = ::fdopen(fd, "wb");
        if (!file_) {
            errorNumber_ = errno;
            ::close(fd);
            ::unlink(name.c_str());
            return false;
        }
        std::setvbuf(file_, nullptr, _IOFBF, kWriteBufferBytes);
        temporary_ = name;
        return true;
    }
    return false;
}

bool PendingFile::Write(const void* bytes, size_t count)
{
    if (!file_)
        return false;
    if (count != 0 && std::fwrite(bytes, 1, count, file_) != count) {
        errorNumber_ = errno;
        return false;
    }
    return true;
}

bool PendingFile::Commit()
{
    if (!file_)
        return false;
    const bool flushed = std::fflush(file_) == 0;
    if (!flushed)
        errorNumber_ = errno;
    const bool closed = std::fclose(file_) == 0;
    if (flushed && !closed)
        errorNumber_ = errno;
    file_ = nullptr;
    if (!flushed || !closed || std::rename(temporary_.c_str(), destination_.c_str()) != 0) {
        if (flushed && closed)
            errorNumber_ = errno;
        Discard();
        return false;
    }
    temporary_.clear();
    return true;
}

void PendingFile::Discard()
{
    if (file_)
        std::fclose(file_);
    file_ = nullptr;
    if (!temporary_.empty())
        ::unlink(temporary_.c_str());
    temporary_.clear();
}

}  // namespace mp3
