// The header of one MPEG audio frame: enough to tell the bit rate and the
// sample rate an encoder really produced.
#pragma once

#include <cstddef>
#include <cstdint>

namespace mp3 {

// Layer III bit rates in kbit/s by the header's index, for MPEG-1 and for
// MPEG-2 / 2.5 (index 0 is "free", 15 is not allowed).
inline constexpr int kLayer3BitratesMpeg1[16] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
inline constexpr int kLayer3BitratesMpeg2[16] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0};
// Sample rates by index for MPEG-1; MPEG-2 halves them, MPEG-2.5 quarters.
inline constexpr int kSampleRatesMpeg1[3] = {44100, 48000, 32000};

struct MpegFrameHeader {
    int bitrateKbit = 0;
    int sampleRate = 0;
    int frameBytes = 0;
};

// Parses a Layer III header at p; false when the bytes are not one.
bool ParseMpegFrameHeader(const uint8_t* p, size_t available, MpegFrameHeader& header);

}  // namespace mp3
