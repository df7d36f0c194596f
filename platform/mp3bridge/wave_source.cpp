#include "wave_source.h"

#include <algorithm>

namespace mp3 {

namespace {

constexpr riff::FourCC kWave = riff::MakeFourCC("WAVE");
constexpr riff::FourCC kFmt = riff::MakeFourCC("fmt ");
constexpr riff::FourCC kData = riff::MakeFourCC("data");

// "RIFF" size "WAVE", "fmt " size and the 16 bytes of the PCM format, "data" size.
constexpr uint64_t kSmallestWaveHeader = 44;
constexpr uint32_t kPcmFormatBytes = 16;
constexpr uint32_t kExtensibleFormatBytes = 40;

uint16_t Le16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t Le32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

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
    if (!reader_.descendRiff(wave, kWave))
        return WaveStatus::NotWave;
    riff::Chunk fmt;
    if (!reader_.descendTo(fmt, wave, kFmt) || !ReadFormat(fmt))
        return WaveStatus::NoFormat;
    // Chunks may come in any order: look for the data from the start again.
    riff::Chunk data;
    if (!reader_.seek(wave.dataOffset) || !reader_.descendTo(data, wave, kData))
        return WaveStatus::NoData;
    const uint64_t bytes = data.end - data.dataOffset;
    dataBytes_ = dataLeft_ = bytes - bytes % format_.blockAlign;
    return WaveStatus::Ok;
}

bool WaveSource::ReadFormat(const riff::Chunk& fmt)
{
    uint8_t bytes[kExtensibleFormatBytes] = {};
    const uint64_t available = fmt.end - fmt.dataOffset;
    if (available < kPcmFormatBytes)
        return false;
    const size_t wanted = size_t(std::min<uint64_t>(available, sizeof bytes));
    if (reader_.read(bytes, wanted) != wanted)
        return false;
    format_.formatTag = Le16(bytes);
    format_.channels = Le16(bytes + 2);
    format_.sampleRate = Le32(bytes + 4);
    format_.blockAlign = Le16(bytes + 12);
    format_.bitsPerSample = Le16(bytes + 14);
    // The sub-format GUID begins with the plain format tag.
    if (format_.formatTag == kWaveFormatExtensible && wanted >= kExtensibleFormatBytes)
        format_.formatTag = Le16(bytes + 24);
    return format_.channels > 0 && format_.sampleRate > 0 && format_.blockAlign > 0 &&
           reader_.ascend(fmt);
}

size_t WaveSource::Read(void* destination, size_t bytes)
{
    const size_t wanted = size_t(std::min<uint64_t>(bytes, dataLeft_));
    const size_t got = reader_.read(destination, wanted);
    dataLeft_ -= got;
    return got;
}

}  // namespace mp3
