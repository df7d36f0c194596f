// One block of input sound on its way from the wave reader to the encoder.
#pragma once

#include <cstdint>
#include <vector>

namespace realconv {

// Sample flags.
constexpr uint32_t kSampleEndOfStream = 2;

class MediaSample {
public:
    // Takes a copy of the block. The block always has the size the encoder
    // asked for; only its first validBytes hold sound, the rest is zeros.
    void setBlock(const uint8_t* data, uint32_t blockBytes, uint32_t validBytes, uint32_t timeMs, uint32_t flags)
    {
        data_.assign(data, data + blockBytes);
        validBytes_ = validBytes < blockBytes ? validBytes : blockBytes;
        timeMs_ = timeMs;
        flags_ = flags;
    }

    const std::vector<uint8_t>& block() const { return data_; }
    uint32_t validBytes() const { return validBytes_; }
    uint32_t timeMs() const { return timeMs_; }
    uint32_t flags() const { return flags_; }
    bool endOfStream() const { return (flags_ & kSampleEndOfStream) != 0; }

private:
    std::vector<uint8_t> data_;
    uint32_t validBytes_ = 0;
    uint32_t timeMs_ = 0;
    uint32_t flags_ = 0;
};

}  // namespace realconv
