#include "riff/riff.h"

#include <algorithm>
#include <cstring>

namespace riff {

namespace {

bool IsContainer(FourCC id) { return id == kRiff || id == kList; }

}  // namespace

Reader::~Reader() { close(); }

bool Reader::open(const std::string& path)
{
    close();
    file_ = std::fopen(path.c_str(), "rb");
    if (!file_)
        return false;
    if (fseeko(file_, 0, SEEK_END) != 0) {
        close();
        return false;
    }
    const off_t size = ftello(file_);
    if (size < 0 || fseeko(file_, 0, SEEK_SET) != 0) {
        close();
        return false;
    }
    fileSize_ = uint64_t(size);
    return true;
}

void Reader::close()
{
    if (file_)
        std::fclose(file_);
    file_ = nullptr;
    fileSize_ = 0;
}

size_t Reader::read(void* destination, size_t n)
{
    if (!file_)
        return 0;
    return std::fread(destination, 1, n, file_);
}

uint64_t Reader::tell() const
{
    if (!file_)
        return 0;
    const off_t at = ftello(file_);
    return at < 0 ? 0 : uint64_t(at);
}

bool Reader::seek(uint64_t offset)
{
    return file_ && offset <= fileSize_ && fseeko(file_, off_t(offset), SEEK_SET) == 0;
}

bool Reader::readHeader(Chunk& chunk, uint64_t limit)
{
    const uint64_t at = tell();
    if (at + 8 > limit)
        return false;
    uint8_t header[8];
    if (read(header, 8) != 8)
        return false;
    chunk.id = ReadLe32(header);
    chunk.size = ReadLe32(header + 4);
    chunk.formType = 0;
    chunk.dataOffset = at + 8;
    chunk.end = std::min<uint64_t>(chunk.dataOffset + chunk.size, limit);
    if (IsContainer(chunk.id)) {
        uint8_t form[4];
        if (chunk.dataOffset + 4 > chunk.end || read(form, 4) != 4)
            return false;
        chunk.formType = ReadLe32(form);
        chunk.dataOffset += 4;
    }
    return true;
}

bool Reader::descendRiff(Chunk& chunk, FourCC formType)
{
    Chunk found;
    if (!readHeader(found, fileSize_) || found.id != kRiff || found.formType != formType)
        return false;
    chunk = found;
    return true;
}

bool Reader::descendAny(Chunk& chunk, const Chunk& parent)
{
    return readHeader(chunk, parent.end);
}

bool Reader::descendTo(Chunk& chunk, const Chunk& parent, FourCC id)
{
    Chunk candidate;
    while (readHeader(candidate, parent.end)) {
        if (candidate.id == id) {
            chunk = candidate;
            return true;
        }
        if (!ascend(candidate))
            return false;
    }
    return false;
}

bool Reader::ascend(const Chunk& chunk)
{
    // The header's size decides where the next chunk starts (plus the pad byte
    // of an odd size), even when that lies past the end of the file.
    const uint64_t headerEnd = chunk.dataOffset - (IsContainer(chunk.id) ? 4 : 0);
    const uint64_t next = headerEnd + uint64_t(chunk.size) + (chunk.size & 1u);
    if (next > fileSize_)
        return seek(fileSize_);
    return seek(next);
}

Writer::~Writer()
{
    if (file_ && ownsFile_)
        std::fclose(file_);
}

bool Writer::create(const std::string& path)
{
    if (file_ && ownsFile_)
        std::fclose(file_);
    file_ = std::fopen(path.c_str(), "wb");
    ownsFile_ = true;
    ok_ = file_ != nullptr;
    return ok_;
}

bool Writer::attach(std::FILE* stream)
{
    if (file_ && ownsFile_)
        std::fclose(file_);
    file_ = stream;
    ownsFile_ = false;
    ok_ = file_ != nullptr;
    return ok_;
}

bool Writer::write(const void* source, size_t n)
{
    if (!file_ || !ok_)
        return false;
    if (n != 0 && std::fwrite(source, 1, n, file_) != n)
        ok_ = false;
    return ok_;
}

bool Writer::createChunk(Chunk& chunk, FourCC id, FourCC formType)
{
    if (!file_ || !ok_)
        return false;
    const off_t at = ftello(file_);
    if (at < 0)
        return ok_ = false;
    uint8_t header[12];
    WriteLe32(header, id);
    WriteLe32(header + 4, 0);
    WriteLe32(header + 8, formType);
    const size_t headerSize = IsContainer(id) ? 12 : 8;
    chunk.id = id;
    chunk.formType = IsContainer(id) ? formType : 0;
    chunk.size = 0;
    chunk.dataOffset = uint64_t(at) + headerSize;
    chunk.end = chunk.dataOffset;
    return write(header, headerSize);
}

bool Writer::ascend(Chunk& chunk)
{
    if (!file_ || !ok_)
        return false;
    const off_t at = ftello(file_);
    if (at < 0)
        return ok_ = false;
    const uint64_t headerEnd = chunk.dataOffset - (IsContainer(chunk.id) ? 4 : 0);
    const uint64_t size = uint64_t(at) - headerEnd;
    if (size > 0xFFFFFFFFu)
        return ok_ = false;
    chunk.size = uint32_t(size);
    chunk.end = uint64_t(at);
    if (chunk.size & 1u) {
        const uint8_t pad = 0;
        if (!write(&pad, 1))
            return false;
    }
    const off_t resume = ftello(file_);
    uint8_t sizeField[4];
    WriteLe32(sizeField, chunk.size);
    if (fseeko(file_, off_t(headerEnd - 4), SEEK_SET) != 0 || std::fwrite(sizeField, 1, 4, file_) != 4 ||
        fseeko(file_, resume, SEEK_SET) != 0)
        ok_ = false;
    return ok_;
}

bool Writer::close()
{
    if (!file_)
        return false;
    if (std::fflush(file_) != 0)
        ok_ = false;
    if (ownsFile_ && std::fclose(file_) != 0)
        ok_ = false;
    file_ = nullptr;
    return ok_;
}

}  // namespace riff
