// An output file that appears under its name only when it is complete. It is
// written to a new temporary file in the target's folder (a short name, so a
// target name of any allowed length works), and Commit flushes it to the
// disk, renames it over the target and flushes the folder; a file that is
// never committed is removed, and whatever was at the target stays as it was.
#pragma once

#include <cstdint>
#include <string>

#include "av_handles.h"

namespace media {

class PendingOutput {
public:
    PendingOutput() = default;
    ~PendingOutput();
    PendingOutput(const PendingOutput&) = delete;
    PendingOutput& operator=(const PendingOutput&) = delete;

    // MEDIA_OK or MEDIA_CANNOT_CREATE.
    int32_t Create(const std::string& destination);
    // Where a muxer writes (and seeks, to patch headers at the end).
    AVIOContext* io() const { return io_; }
    // MEDIA_OK, or what went wrong with the writes so far or with the commit.
    int32_t Commit();
    // The result for a write that failed: the disk is full, or another failure.
    int32_t WriteFailure() const;

private:
    static int Write(void* self, uint8_t* bytes, int count);
    static int64_t Seek(void* self, int64_t offset, int whence);
    void Discard();

    std::string destination_;
    std::string temporary_;
    int fd_ = -1;
    int errorNumber_ = 0;
    AVIOContext* io_ = nullptr;
};

}  // namespace media
