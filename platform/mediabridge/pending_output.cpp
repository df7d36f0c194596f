#include "pending_output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>

extern "C" {
#include <libavutil/mem.h>
}

namespace media {

namespace {

constexpr int kIoBufferBytes = 1 << 16;
constexpr char kTemporaryName[] = "/.warblecast-XXXXXX.part";
constexpr int kTemporarySuffixLength = 5;  // ".part"

std::string FolderOf(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The process's umask, read without changing it (umask() would change it for
// every thread for a moment).
mode_t CurrentUmask()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("Umask:", 0) == 0)
            return mode_t(std::strtoul(line.c_str() + 6, nullptr, 8));
    return 022;
}

bool IsDiskFull(int errorNumber) { return errorNumber == ENOSPC || errorNumber == EDQUOT; }

void SyncFolder(const std::string& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

}  // namespace

PendingOutput::~PendingOutput() { Discard(); }

int32_t PendingOutput::Create(const std::string& destination)
{
    Discard();
    destination_ = destination;
    std::string pattern = FolderOf(destination) + kTemporaryName;
    fd_ = ::mkostemps(pattern.data(), kTemporarySuffixLength, O_CLOEXEC);
    if (fd_ < 0) {
        errorNumber_ = errno;
        return MEDIA_CANNOT_CREATE;
    }
    temporary_ = pattern;
    auto* buffer = static_cast<uint8_t*>(Required(av_malloc(kIoBufferBytes)));
    io_ = avio_alloc_context(buffer, kIoBufferBytes, 1, this, nullptr, Write, Seek);
    if (!io_) {
        av_free(buffer);
        throw OutOfMemory{};
    }
    return MEDIA_OK;
}

int PendingOutput::Write(void* self, uint8_t* bytes, int count)
{
    auto* output = static_cast<PendingOutput*>(self);
    int done = 0;
    while (done < count) {
        const ssize_t wrote = ::write(output->fd_, bytes + done, size_t(count - done));
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0) {
            output->errorNumber_ = wrote < 0 ? errno : ENOSPC;
            return AVERROR(output->errorNumber_);
        }
        done += int(wrote);
    }
    return count;
}

int64_t PendingOutput::Seek(void* self, int64_t offset, int whence)
{
    auto* output = static_cast<PendingOutput*>(self);
    if (whence == AVSEEK_SIZE) {
        struct stat about;
        return ::fstat(output->fd_, &about) == 0 ? int64_t(about.st_size) : AVERROR(errno);
    }
    const off_t at = ::lseek(output->fd_, off_t(offset), whence & ~AVSEEK_FORCE);
    return at < 0 ? AVERROR(errno) : int64_t(at);
}

int32_t PendingOutput::WriteFailure() const { return IsDiskFull(errorNumber_) ? MEDIA_DISK_FULL : MEDIA_WRITE_FAILED; }

int32_t PendingOutput::Commit()
{
    avio_flush(io_);
    if (io_->error < 0 || errorNumber_ != 0)
        return WriteFailure();
    // The file as any file the user saves: 0666 less the umask.
    const bool synced = ::fchmod(fd_, 0666 & ~CurrentUmask()) == 0 && ::fsync(fd_) == 0;
    if (!synced)
        errorNumber_ = errno;
    const bool closed = ::close(fd_) == 0;
    if (synced && !closed)
        errorNumber_ = errno;
    fd_ = -1;
    if (!synced || !closed)
        return WriteFailure();
    if (std::rename(temporary_.c_str(), destination_.c_str()) != 0) {
        errorNumber_ = errno;
        return WriteFailure();
    }
    temporary_.clear();
    SyncFolder(FolderOf(destination_));
    return MEDIA_OK;
}

void PendingOutput::Discard()
{
    if (io_) {
        av_freep(&io_->buffer);
        avio_context_free(&io_);
    }
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    if (!temporary_.empty())
        ::unlink(temporary_.c_str());
    temporary_.clear();
    errorNumber_ = 0;
}

}  // namespace media
