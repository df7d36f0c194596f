// An output file that appears under its real name only when it is complete.
// It is written beside the destination under a unique temporary name and
// renamed over the destination on Commit; a file that is never committed
// (a failed or stopped conversion) is removed, and whatever was at the
// destination before stays as it was.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

namespace mp3 {

class PendingFile {
public:
    PendingFile() = default;
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    bool Create(const std::string& destination);
    // False when the bytes could not all be written; errorNumber() says why.
    bool Write(const void* bytes, size_t count);
    // Flushes, closes and renames; false (and nothing at the destination
    // changed) when any of it fails.
    bool Commit();
    // Removes the temporary file.
    void Discard();

    int errorNumber() const { return errorNumber_; }

private:
    std::FILE* file_ = nullptr;
    std::string destination_;
    std::string temporary_;
    int errorNumber_ = 0;
};

}  // namespace mp3
