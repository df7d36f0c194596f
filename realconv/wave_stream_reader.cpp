#include "wave_stream_reader.h"

#include <algorithm>
#include <limits>

#include "riff/wave.h"

namespace realconv {

namespace {

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
    if (!file_.open(path) || !file_.descendRiff(riff_, riff::kWave)) {
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

WaveReadStatus WaveStreamReader::readFormat(const riff::Chunk& chunk)
{
    riff::WaveFormat format;
    if (!riff::ReadFormatChunk(file_, chunk, format, riff::kPcmFormatBytes, riff::kExtensibleFormatBytes))
        return WaveReadStatus::NoFormat;

    const bool extensiblePcm = format.formatTag == riff::kWaveFormatExtensible &&
                               format.subFormatTag == riff::kWaveFormatPcm && format.standardSubFormat;
    if (format.formatTag != riff::kWaveFormatPcm && !extensiblePcm)
        return WaveReadStatus::NotPcm;

    channels_ = format.channels;
    sampleRate_ = format.samplesPerSecond;
    bitsPerSample_ = format.bitsPerSample;
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
    if (!file_.seek(riff_.dataOffset) || !file_.descendTo(format, riff_, riff::kFmt))
        return WaveReadStatus::NoFormat;
    if (const WaveReadStatus status = readFormat(format); status != WaveReadStatus::Ok)
        return status;

    // The data chunk may come before or after the format chunk.
    riff::Chunk data;
    if (!file_.seek(riff_.dataOffset) || !file_.descendTo(data, riff_, riff::kData))
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
