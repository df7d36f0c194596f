#include "riff/wave.h"

#include <algorithm>
#include <cstring>

namespace riff {

namespace {

// The standard sub-format identifier after its leading format tag
// (xxxxxxxx-0000-0010-8000-00AA00389B71).
constexpr uint8_t kStandardSubFormatTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                                0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
constexpr size_t kSubFormatOffset = 24;

}  // namespace

WaveFormat PcmFormat(uint16_t channels, uint32_t samplesPerSecond, uint16_t bitsPerSample)
{
    WaveFormat format;
    format.formatTag = kWaveFormatPcm;
    format.channels = channels;
    format.samplesPerSecond = samplesPerSecond;
    format.blockAlign = uint16_t(channels * (bitsPerSample / 8));
    format.avgBytesPerSecond = samplesPerSecond * format.blockAlign;
    format.bitsPerSample = bitsPerSample;
    return format;
}

WaveFormat DecodeFormat(const uint8_t* bytes, size_t size)
{
    uint8_t header[kExtensibleFormatBytes] = {};
    std::memcpy(header, bytes, std::min(size, sizeof header));
    WaveFormat format;
    format.formatTag = ReadLe16(header);
    format.channels = ReadLe16(header + 2);
    format.samplesPerSecond = ReadLe32(header + 4);
    format.avgBytesPerSecond = ReadLe32(header + 8);
    format.blockAlign = ReadLe16(header + 12);
    format.bitsPerSample = ReadLe16(header + 14);
    if (format.formatTag == kWaveFormatExtensible && size >= kExtensibleFormatBytes) {
        format.subFormatTag = ReadLe16(header + kSubFormatOffset);
        format.standardSubFormat = std::memcmp(header + kSubFormatOffset + 2, kStandardSubFormatTail,
                                               sizeof kStandardSubFormatTail) == 0;
    }
    return format;
}

bool ReadFormatChunk(Reader& reader, const Chunk& fmt, WaveFormat& format, size_t minBytes, size_t maxBytes)
{
    uint8_t bytes[kExtensibleFormatBytes] = {};
    const size_t wanted = size_t(std::min<uint64_t>({fmt.end - fmt.dataOffset, maxBytes, sizeof bytes}));
    if (wanted < minBytes || reader.read(bytes, wanted) != wanted)
        return false;
    format = DecodeFormat(bytes, wanted);
    return true;
}

bool WriteFormatChunk(Writer& writer, const WaveFormat& format, bool withExtraSize)
{
    uint8_t bytes[kFormatWithExtraSizeBytes] = {};
    WriteLe16(bytes, format.formatTag);
    WriteLe16(bytes + 2, format.channels);
    WriteLe32(bytes + 4, format.samplesPerSecond);
    WriteLe32(bytes + 8, format.avgBytesPerSecond);
    WriteLe16(bytes + 12, format.blockAlign);
    WriteLe16(bytes + 14, format.bitsPerSample);
    Chunk chunk;
    return writer.createChunk(chunk, kFmt) &&
           writer.write(bytes, withExtraSize ? kFormatWithExtraSizeBytes : kPcmFormatBytes) && writer.ascend(chunk);
}

}  // namespace riff
