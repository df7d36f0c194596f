#include "wave_stream_reader.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace realconv {

namespace {

constexpr riff::FourCC kWave = riff::MakeFourCC("WAVE");
constexpr riff::FourCC kFormat = riff::MakeFourCC("fmt ");
constexpr riff::FourCC kData = riff::MakeFourCC("data");

constexpr uint16_t kFormatPcm = 1;
constexpr uint16_t kFormatExtensible = 0xFFFE;
constexpr size_t kPcmFormatBytes = 16;        // up to and including the bits per sample
constexpr size_t kExtensibleFormatBytes = 40;  // with the sub-format identifier
// The sub-format identifier of extensible PCM after its leading format code.
constexpr uint8_t kPcmSubFormatTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                           0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

uint16_t Le16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t Le32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

uint32_t SamplesToMs(uint64_t samples, uint32_t rate) { return uint32_t(samples * 1000 / rate); }

}  // namespace

const char* Describe(WaveReadStatus status)
{
    switch (status) {
    case WaveReadStatus::Ok: return "no error";
    case WaveReadStatus::NoPath: return "no file name was given";
    case WaveReadStatus::CannotOpen: return "the file cannot be opened as a wave file";
    case WaveReadStatus::NotOpen: return "no wave file is open";
    case WaveReadStatus::NoFormat: return "the wave file has no usable format chunk";
    case WaveReadStatus::NotPcm: return "the wave file holds compressed sound";
    case WaveReadStatus::BadFormat: return "the wave file's format is invalid";
    case WaveReadStatus::NoData: return "the wave file holds no sound";
    case WaveReadStatus::TooLong: return "the wave file is too long";
    case WaveReadStatus::NoInfo: return "the sound was read before its format was known";
    case WaveReadStatus::BadBlockSize: return "the block size does not fit the sound";
    case WaveReadStatus::ReadFailed: return "reading the wave file failed";
    }
    return "unknown error";
}

WaveReadStatus WaveStreamReader::open(const std::string& path)
{
    close();
    if (path.empty())
        return WaveReadStatus::NoPath;
    if (!file_.open(path) || !file_.descendRiff(riff_, kWave)) {
        file_.close();
        return WaveReadStatus::CannotOpen;
    }
    return WaveReadStatus::Ok;
}

void WaveStreamReader::close()
{
    destroy();
    file_.close();
}

void WaveStreamReader::destroy()
{
    block_.clear();
    block_.shrink_to_fit();
    haveInfo_ = false;
    position_ = 0;
}

WaveReadStatus WaveStreamReader::readFormat(const riff::Chunk& format)
{
    uint8_t bytes[kExtensibleFormatBytes] = {};
    const size_t available = size_t(std::min<uint64_t>(format.end - format.dataOffset, sizeof bytes));
    if (available < kPcmFormatBytes || file_.read(bytes, available) != available)
        return WaveReadStatus::NoFormat;

    const uint16_t tag = Le16(bytes);
    const bool extensiblePcm = tag == kFormatExtensible && available >= kExtensibleFormatBytes &&
                               Le16(bytes + 24) == kFormatPcm &&
                               std::memcmp(bytes + 26, kPcmSubFormatTail, sizeof kPcmSubFormatTail) == 0;
    if (tag != kFormatPcm && !extensiblePcm)
        return WaveReadStatus::NotPcm;

    channels_ = Le16(bytes + 2);
    sampleRate_ = Le32(bytes + 4);
    bitsPerSample_ = Le16(bytes + 14);
    if (channels_ == 0 || sampleRate_ == 0 || bitsPerSample_ == 0 || bitsPerSample_ % 8 != 0 || bitsPerSample_ > 32)
        return WaveReadStatus::BadFormat;
    bytesPerFrame_ = uint32_t(channels_) * bitsPerSample_ / 8;
    return WaveReadStatus::Ok;
}

WaveReadStatus WaveStreamReader::getInfo(uint32_t& durationMs, uint32_t& totalSamples)
{
    haveInfo_ = false;
    if (!file_.isOpen())
        return WaveReadStatus::NotOpen;

    riff::Chunk format;
    if (!file_.seek(riff_.dataOffset) || !file_.descendTo(format, riff_, kFormat))
        return WaveReadStatus::NoFormat;
    if (const WaveReadStatus status = readFormat(format); status != WaveReadStatus::Ok)
        return status;

    // The data chunk may come before or after the format chunk.
    riff::Chunk data;
    if (!file_.seek(riff_.dataOffset) || !file_.descendTo(data, riff_, kData))
        return WaveReadStatus::NoData;
    const uint64_t frames = (data.end - data.dataOffset) / bytesPerFrame_;
    if (frames == 0)
        return WaveReadStatus::NoData;
    if (frames > std::numeric_limits<uint32_t>::max() ||
        frames * 1000 / sampleRate_ > std::numeric_limits<uint32_t>::max())
        return WaveReadStatus::TooLong;

    dataOffset_ = data.dataOffset;
    totalSamples_ = uint32_t(frames);
    durationMs_ = SamplesToMs(frames, sampleRate_);
    position_ = 0;
    haveInfo_ = true;
    durationMs = durationMs_;
    totalSamples = totalSamples_;
    return WaveReadStatus::Ok;
}

bool WaveStreamReader::getFormat(int* channels, int* sampleRate, int* bitsPerSample) const
{
    if (!channels || !sampleRate || !bitsPerSample)
        return false;
    *channels = channels_;
    *sampleRate = int(std::min<uint32_t>(sampleRate_, std::numeric_limits<int>::max()));
    *bitsPerSample = bitsPerSample_;
    return true;
}

WaveReadStatus WaveStreamReader::startReading(MediaSample& sample, uint32_t blockBytes)
{
    if (!haveInfo_)
        return WaveReadStatus::NoInfo;
    if (blockBytes < bytesPerFrame_ || blockBytes > kMaxBlockBytes)
        return WaveReadStatus::BadBlockSize;
    block_.assign(blockBytes, 0);
    position_ = 0;
    return readNext(sample);
}

WaveReadStatus WaveStreamReader::readNext(MediaSample& sample) { return read(sample, false); }

WaveReadStatus WaveStreamReader::readLast(MediaSample& sample) { return read(sample, true); }

WaveReadStatus WaveStreamReader::read(MediaSample& sample, bool last)
{
    if (!haveInfo_ || block_.empty())
        return WaveReadStatus::NoInfo;
    const uint32_t blockFrames = uint32_t(block_.size()) / bytesPerFrame_;
    const uint32_t frames = std::min(blockFrames, totalSamples_ - position_);
    const size_t bytes = size_t(frames) * bytesPerFrame_;
    // The frames were counted from the bytes present, so a short read means
    // the file failed or shrank: stop rather than hand out a block of zeros
    // that never reaches the end.
    if (!file_.seek(dataOffset_ + uint64_t(position_) * bytesPerFrame_) || file_.read(block_.data(), bytes) != bytes)
        return WaveReadStatus::ReadFailed;
    std::fill(block_.begin() + std::ptrdiff_t(bytes), block_.end(), uint8_t(0));

    const uint32_t timeMs = SamplesToMs(position_, sampleRate_);
    position_ += frames;
    const bool end = last || position_ >= totalSamples_;
    sample.setBlock(block_.data(), uint32_t(block_.size()), uint32_t(bytes), timeMs, end ? kSampleEndOfStream : 0);
    return WaveReadStatus::Ok;
}

}  // namespace realconv
