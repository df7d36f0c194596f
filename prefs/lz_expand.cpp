#include "lz_expand.h"

#include <algorithm>

namespace prefs {

namespace {

uint32_t ReadLittleEndian32(std::span<const uint8_t> bytes)
{
    return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
           static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

class SzddDecoder {
public:
    SzddDecoder(std::span<const uint8_t> stream, size_t expandedLength)
        : stream_(stream), expandedLength_(expandedLength)
    {
        ring_.fill(kSzddRingFill);
        // Never trust the header for the allocation: a back-reference yields
        // at most 18 bytes for 2 bytes and 1/8 flag byte of input.
        output_.reserve(std::min(expandedLength, stream.size() * 9 + kSzddMaxMatch));
    }

    std::optional<std::vector<uint8_t>> Run()
    {
        bool streamLeft = true;
        while (streamLeft && output_.size() < expandedLength_ && read_ < stream_.size()) {
            const uint8_t flags = stream_[read_++];
            for (int bit = 0; streamLeft && bit < 8 && output_.size() < expandedLength_; ++bit) {
                const bool literal = (flags >> bit) & 1;
                streamLeft = literal ? CopyLiteral() : CopyBackReference();
            }
        }
        if (output_.size() != expandedLength_)
            return std::nullopt;
        return std::move(output_);
    }

private:
    bool CopyLiteral()
    {
        if (read_ >= stream_.size())
            return false;
        Emit(stream_[read_++]);
        return true;
    }

    bool CopyBackReference()
    {
        if (stream_.size() - read_ < 2)
            return false;
        const uint8_t low = stream_[read_++];
        const uint8_t high = stream_[read_++];
        size_t from = low | (static_cast<size_t>(high & 0xF0) << 4);
        const size_t length = (high & 0x0F) + kSzddMinMatch;
        // Byte by byte: the source may overlap what this copy writes.
        for (size_t i = 0; i < length && output_.size() < expandedLength_; ++i) {
            Emit(ring_[from]);
            from = (from + 1) % kSzddRingSize;
        }
        return true;
    }

    void Emit(uint8_t byte)
    {
        output_.push_back(byte);
        ring_[position_] = byte;
        position_ = (position_ + 1) % kSzddRingSize;
    }

    std::span<const uint8_t> stream_;
    size_t expandedLength_;
    size_t read_ = 0;
    std::array<uint8_t, kSzddRingSize> ring_;
    size_t position_ = kSzddRingStart;
    std::vector<uint8_t> output_;
};

}  // namespace

bool IsSzddCompressed(std::span<const uint8_t> file)
{
    return file.size() >= kSzddHeaderSize && std::equal(kSzddSignature.begin(), kSzddSignature.end(), file.begin());
}

std::optional<std::vector<uint8_t>> LzExpand(std::span<const uint8_t> file)
{
    if (!IsSzddCompressed(file))
        return std::vector<uint8_t>(file.begin(), file.end());
    if (file[8] != kSzddMethod)
        return std::nullopt;
    const uint32_t expandedLength = ReadLittleEndian32(file.subspan(10, 4));
    return SzddDecoder(file.subspan(kSzddHeaderSize), expandedLength).Run();
}

}  // namespace prefs
