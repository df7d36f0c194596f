// Reads the format and the sample data of a RIFF WAVE file: the "fmt " chunk
// wherever it is, and exactly the bytes of the "data" chunk, whatever other
// chunks come before or after it.
#pragma once

#include <cstdint>
#include <string>

#include "riff/riff.h"
#include "riff/wave.h"

namespace mp3 {

using riff::kWaveFormatIeeeFloat;
using riff::kWaveFormatPcm;

struct WaveFormat {
    uint16_t formatTag = 0;  // for WAVE_FORMAT_EXTENSIBLE, the sub-format's tag
    uint16_t channels = 0;
    uint32_t sampleRate = 0;
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;

    bool IsPcm16() const { return formatTag == kWaveFormatPcm && bitsPerSample == 16 && blockAlign == 2 * channels; }
};

enum class WaveStatus {
    Ok,
    CannotOpen,   // no such file, or no permission
    TooShort,     // fewer bytes than the smallest wave header
    NotWave,      // no "RIFF" ... "WAVE" at the start
    NoFormat,     // no usable "fmt " chunk
    NoData,       // no "data" chunk
};

class WaveSource {
public:
    WaveStatus Open(const std::string& path);

    const WaveFormat& format() const { return format_; }
    // Bytes of whole sample frames in the data chunk, limited to what the
    // file really holds.
    uint64_t dataBytes() const { return dataBytes_; }
    // Reads on from the start of the data, never past its end.
    size_t Read(void* destination, size_t bytes);

private:
    bool ReadFormat(const riff::Chunk& fmt);

    riff::Reader reader_;
    WaveFormat format_;
    uint64_t dataBytes_ = 0;
    uint64_t dataLeft_ = 0;
};

}  // namespace mp3
