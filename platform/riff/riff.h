// RIFF file reading and writing: descend into a chunk, ascend out of it, find
// a chunk by its id, and create chunks whose sizes are patched on ascending.
//
// Sizes are checked against the file: a chunk that claims more bytes than its
// parent (or the file) holds is reported with its claimed size, but reads stop
// at the real end of the data, so a damaged header can never make a caller read
// or allocate beyond what is there.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace riff {

using FourCC = uint32_t;

// 'RIFF', 'WAVE', "fmt " ... as the little-endian value they have on disk.
constexpr FourCC MakeFourCC(const char (&s)[5])
{
    return uint32_t(uint8_t(s[0])) | uint32_t(uint8_t(s[1])) << 8 | uint32_t(uint8_t(s[2])) << 16 |
           uint32_t(uint8_t(s[3])) << 24;
}

constexpr FourCC kRiff = MakeFourCC("RIFF");
constexpr FourCC kList = MakeFourCC("LIST");

struct Chunk {
    FourCC id = 0;
    uint32_t size = 0;      // as stored in the header
    FourCC formType = 0;    // for RIFF and LIST chunks
    uint64_t dataOffset = 0;  // first byte after the header (after the form type for RIFF/LIST)
    uint64_t end = 0;         // where the data really ends: dataOffset + size, limited by the parent
};

class Reader {
public:
    Reader() = default;
    ~Reader();
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    bool open(const std::string& path);
    void close();
    bool isOpen() const { return file_ != nullptr; }
    uint64_t fileSize() const { return fileSize_; }

    // Finds the RIFF chunk of the given form type at the current position.
    bool descendRiff(Chunk& chunk, FourCC formType);
    // Searches forward from the current position, inside parent, for a chunk
    // with the given id and stops at the start of its data.
    bool descendTo(Chunk& chunk, const Chunk& parent, FourCC id);
    // Reads the header of the chunk at the current position, whatever its id.
    bool descendAny(Chunk& chunk, const Chunk& parent);
    // Moves past the chunk and its pad byte.
    bool ascend(const Chunk& chunk);

    // Reads up to n bytes, never past the end of the file; returns the count read.
    size_t read(void* destination, size_t n);
    uint64_t tell() const;
    bool seek(uint64_t offset);

private:
    bool readHeader(Chunk& chunk, uint64_t limit);

    std::FILE* file_ = nullptr;
    uint64_t fileSize_ = 0;
};

class Writer {
public:
    Writer() = default;
    ~Writer();
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;

    // Creates or truncates the file.
    bool create(const std::string& path);
    // Starts a chunk at the current position; RIFF and LIST chunks get the form type.
    bool createChunk(Chunk& chunk, FourCC id, FourCC formType = 0);
    bool write(const void* source, size_t n);
    // Patches the chunk's size and writes the pad byte of an odd-sized chunk.
    bool ascend(Chunk& chunk);
    // Flushes and closes; false when any write failed on the way.
    bool close();
    bool ok() const { return ok_; }

private:
    std::FILE* file_ = nullptr;
    bool ok_ = true;
};

}  // namespace riff
