#include "mpeg_frame.h"

namespace mp3 {

bool ParseMpegFrameHeader(const uint8_t* p, size_t available, MpegFrameHeader& header)
{
    if (available < 4 || p[0] != 0xFF || (p[1] & 0xE0) != 0xE0)
        return false;
    const int versionBits = (p[1] >> 3) & 3;  // 0: 2.5, 2: 2, 3: 1
    const int layerBits = (p[1] >> 1) & 3;    // 1: Layer III
    const int bitrateIndex = p[2] >> 4;
    const int rateIndex = (p[2] >> 2) & 3;
    const int padding = (p[2] >> 1) & 1;
    if (versionBits == 1 || layerBits != 1 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3)
        return false;
    const bool mpeg1 = versionBits == 3;
    const int divisor = versionBits == 3 ? 1 : versionBits == 2 ? 2 : 4;
    header.bitrateKbit = (mpeg1 ? kLayer3BitratesMpeg1 : kLayer3BitratesMpeg2)[bitrateIndex];
    header.sampleRate = kSampleRatesMpeg1[rateIndex] / divisor;
    // 1152 samples per frame in MPEG-1, 576 otherwise: 144 or 72 bytes per kbit/kHz.
    header.frameBytes = (mpeg1 ? 144000 : 72000) * header.bitrateKbit / header.sampleRate + padding;
    return true;
}

}  // namespace mp3
