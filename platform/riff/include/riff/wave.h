// The WAVE form of RIFF: its chunk ids and its "fmt " chunk, decoded and
// encoded. Every wave-file reader and writer of the program and its
// libraries (voice files, the recording, both MP3 routes, the RealAudio
// reader) uses these, so a format header means the same everywhere.
//
// Decoding never trusts the chunk: fields the chunk is too short to hold read
// as zero, and each reader then decides what it accepts.
#pragma once

#include <cstddef>
#include <cstdint>

#include "riff/riff.h"

namespace riff {

constexpr FourCC kWave = MakeFourCC("WAVE");
constexpr FourCC kFmt = MakeFourCC("fmt ");
constexpr FourCC kData = MakeFourCC("data");

constexpr uint16_t kWaveFormatPcm = 1;
constexpr uint16_t kWaveFormatIeeeFloat = 3;
constexpr uint16_t kWaveFormatExtensible = 0xFFFE;

// The format header's sizes: the PCM fields up to the bits per sample; with
// the extra-size field; the extensible header with its sub-format.
constexpr size_t kPcmFormatBytes = 16;
constexpr size_t kFormatWithExtraSizeBytes = 18;
constexpr size_t kExtensibleFormatBytes = 40;

struct WaveFormat {
    uint16_t formatTag = 0;  // as stored: kWaveFormatExtensible for an extensible header
    uint16_t channels = 0;
    uint32_t samplesPerSecond = 0;
    uint32_t avgBytesPerSecond = 0;
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;
    // Of an extensible header: the format tag that begins the sub-format
    // identifier, and whether the rest of it is the standard one (then the
    // sub-format is that plain format, PCM or float).
    uint16_t subFormatTag = 0;
    bool standardSubFormat = false;
};

// Integer PCM: block align = channels × (bits ÷ 8), bytes per second =
// samples per second × block align.
WaveFormat PcmFormat(uint16_t channels, uint32_t samplesPerSecond, uint16_t bitsPerSample);

// Decodes the first size bytes of a "fmt " chunk.
WaveFormat DecodeFormat(const uint8_t* bytes, size_t size);

// Reads the "fmt " chunk the reader stands in (at its data), at most
// maxBytes of it, and decodes what it read. False when the chunk holds fewer
// than minBytes or the read comes up short. The reader is left after the
// bytes read; ascend to leave the chunk.
bool ReadFormatChunk(Reader& reader, const Chunk& fmt, WaveFormat& format, size_t minBytes, size_t maxBytes);

// Writes a "fmt " chunk with the format's fields: the 16 PCM bytes, followed
// by a zero extra size when withExtraSize (18 bytes in all).
bool WriteFormatChunk(Writer& writer, const WaveFormat& format, bool withExtraSize);

}  // namespace riff
