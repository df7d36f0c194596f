// Saving a file whole or not at all.
//
// Every save of the program (voice files, WAVE, MP3 and RealAudio exports,
// the settings file) goes through AtomicFile: the bytes are written to a new
// temporary file in the target's folder, which takes the target's name only
// when every byte has been written. A failed or stopped save removes its
// temporary file and leaves whatever was at the target as it was; nobody
// ever sees a half-written file under the target's name. A save that
// reports success is on the disk: the file is flushed (fsync) before the
// rename and its folder after it, so a power cut right after "saved" finds
// either the old file or the whole new one, never an empty one.
//
// Rules:
// - The temporary file is hidden (its name starts with a dot), unique
//   (created with O_EXCL), and lies in the target's folder, so the rename is
//   atomic (one file system). Its name stays within the folder's name limit
//   (a long target name is shortened in it), so every name the file system
//   takes can be saved.
// - Only a regular file is replaced: a target that is a folder, a device or
//   a pipe is refused. A target that is a symbolic link stays a link: the
//   file it points to is replaced. A link that points nowhere cannot be
//   saved through.
// - The saved file keeps the permissions of the file it replaces; a new file
//   gets those of any new file (0666 less the umask).
//
// No Qt, no exceptions: the caller decides what a failure means to the user;
// errorNumber() says why it failed (an errno value).
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

namespace files {

class AtomicFile {
public:
    AtomicFile() = default;
    // Discards a file that was not committed.
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Starts a file that will replace target (or appear there). False, with
    // errorNumber(), when no temporary file can be made in target's folder.
    bool Create(const std::string& target);

    // The temporary file, open for buffered writing and seeking (a writer
    // that patches a header at the end seeks back with fseeko). Null before
    // Create and after Commit or Discard. Every failed write on it makes
    // Commit fail.
    std::FILE* stream() const { return stream_; }
    // Writes all the bytes; false (with errorNumber()) when they did not all
    // go out.
    bool Write(const void* bytes, size_t count);

    // Flushes the file to the disk, closes it, gives it the target's name and
    // flushes the folder. False when any of it failed (or any earlier write
    // did); the target is then left as it was, unless only the folder's
    // flush failed (the new file is in place but may not survive a power cut).
    bool Commit();
    // Removes the temporary file; the target stays as it was.
    void Discard();

    int errorNumber() const { return errorNumber_; }
    // The path that Commit replaces: the target, or the file its link names.
    const std::string& target() const { return target_; }

private:
    void Remember(int errorNumber);

    std::FILE* stream_ = nullptr;
    std::string target_;
    std::string temporary_;
    int errorNumber_ = 0;
};

// Saves count bytes as the whole content of target, through an AtomicFile.
// False, with *errorNumber when given, when the target could not be saved.
bool SaveWholeFile(const std::string& target, const void* bytes, size_t count, int* errorNumber = nullptr);

// For files written in place (the recording): pushes what was written to
// the stream down to the disk (fflush, then fsync). A file system that
// cannot sync this kind of file counts as done.
bool SyncToDisk(std::FILE* stream);
// Pushes the entries of path's folder down to the disk, so that a file
// created or renamed there is still there after a power cut.
bool SyncFolderOf(const std::string& path);

}  // namespace files
