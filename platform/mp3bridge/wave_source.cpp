#include "wave_source.h"

#include <algorithm>

#include "riff/wave.h"

namespace mp3 {

namespace {

// "RIFF" size "WAVE", "fmt " size and the 16 bytes of the PCM format, "data" size.
constexpr uint64_t kSmallestWaveHeader = 44;

}  // namespace

WaveStatus WaveSource::Open(const std::string& path)
{
    format_ = WaveFormat();
    dataBytes_ = dataLeft_ = 0;
    if (!reader_.open(path))
        return WaveStatus::CannotOpen;
    if (reader_.fileSize() < kSmallestWaveHeader)
        return WaveStatus::TooShort;
    riff::Chunk wave;
    if (!reader_.descendRiff(wave, riff::kWave))
        return WaveStatus::NotWave;
    riff::Chunk fmt;
    if (!reader_.descendTo(fmt, wave, riff::kFmt) || !ReadFormat(fmt))
        return WaveStatus::NoFormat;
    // Chunks may come in any order: look for the data from the start again.
    riff::Chunk data;
    if (!reader_.seek(wave.dataOffset) || !reader_.descendTo(data, wave, riff::kData))
        return WaveStatus::NoData;
    const uint64_t bytes = data.end - data.dataOffset;
    dataBytes_ = dataLeft_ = bytes - bytes % format_.blockAlign;
    return WaveStatus::Ok;
}

bool WaveSource::ReadFormat(const riff::Chunk& fmt)
{
    riff::WaveFormat header;
    if (!riff::ReadFormatChunk(reader_, fmt, header, riff::kPcmFormatBytes, riff::kExtensibleFormatBytes))
        return false;
    // The sub-format identifier begins with the plain format tag.
    const bool extensible = header.formatTag == riff::kWaveFormatExtensible && header.subFormatTag != 0;
    format_.formatTag = extensible ? header.subFormatTag : header.formatTag;
    format_.channels = header.channels;
    format_.sampleRate = header.samplesPerSecond;
    format_.blockAlign = header.blockAlign;
    format_.bitsPerSample = header.bitsPerSample;
    return format_.channels > 0 && format_.sampleRate > 0 && format_.blockAlign > 0 && reader_.ascend(fmt);
}

size_t WaveSource::Read(void* destination, size_t bytes)
{
    const size_t wanted = size_t(std::min<uint64_t>(bytes, dataLeft_));
    const size_t got = reader_.read(destination, wanted);
    dataLeft_ -= got;
    return got;
}

}  // namespace mp3
