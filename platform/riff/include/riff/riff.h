// RIFF file reading and writing: descend into a chunk, ascend out of it, find
// a chunk by its id, and create chunks whose sizes are patched on ascending.
// Every number in a RIFF file is little-endian; ReadLe16 ... WriteLe32 are
// the one place that says how. (The WAVE form's chunks are in wave.h.)
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

inline uint16_t ReadLe16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
inline uint32_t ReadLe32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline void WriteLe16(uint8_t* p, uint16_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
inline void WriteLe32(uint8_t* p, uint32_t v)
{
    WriteLe16(p, uint16_t(v));
    WriteLe16(p + 2, uint16_t(v >> 16));
}

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
    // Writes into a file that someone else opened and closes (the stream of
    // a files::AtomicFile), from its current position.
    bool attach(std::FILE* stream);
    // Starts a chunk at the current position; RIFF and LIST chunks get the form type.
    bool createChunk(Chunk& chunk, FourCC id, FourCC formType = 0);
    bool write(const void* source, size_t n);
    // Patches the chunk's size and writes the pad byte of an odd-sized chunk.
    bool ascend(Chunk& chunk);
    // Flushes, and closes a file that create opened; false when any write
    // failed on the way.
    bool close();
    bool ok() const { return ok_; }

private:
    std::FILE* file_ = nullptr;
    bool ownsFile_ = false;
    bool ok_ = true;
};

}  // namespace riff
