// The header of one MPEG audio frame: enough to tell the bit rate and the
// sample rate an encoder really produced.
#pragma once

#include <cstddef>
#include <cstdint>

namespace mp3 {

struct MpegFrameHeader {
    int bitrateKbit = 0;
    int sampleRate = 0;
    int frameBytes = 0;
};

// Parses a Layer III header at p; false when the bytes are not one.
bool ParseMpegFrameHeader(const uint8_t* p, size_t available, MpegFrameHeader& header);

}  // namespace mp3
