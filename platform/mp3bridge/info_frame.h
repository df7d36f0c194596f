// The Info tag frame that starts a constant-bit-rate MP3 file: a silent MPEG
// frame holding the Xing "Info" header (frame count, byte count, seek table)
// and the LAME extension with the encoder's delay and padding. With it a
// decoder takes off the samples the encoder added before and after the
// sound, so the decoded length equals the source's to the sample (gapless).
//
// The frame has the stream's version, sample rate and channel mode, no CRC,
// and the smallest bit rate from the stream's own upwards whose frame holds
// the tag. All its numbers are big-endian; the tag's own CRC-16 covers the
// frame up to that CRC.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace mp3 {

struct InfoTag {
    // The sound's frames.
    int sampleRate = 0;
    int channels = 0;
    int bitrateKbit = 0;
    uint32_t frames = 0;        // the sound's frames, not this one
    uint32_t streamBytes = 0;   // this frame and the sound's frames
    uint16_t soundCrc = 0;      // Crc16 over the sound's frames
    int encoderDelay = 0;       // samples the encoder put before the sound
    int encoderPadding = 0;     // samples it added after the sound
    std::string encoder;        // nine characters at most, e.g. "LAME3.100"
};

// The Info frame's size in bytes for a stream of this sample rate, channel
// count and bit rate; 0 when no MPEG Layer III stream has these.
size_t InfoFrameSize(int sampleRate, int channels, int bitrateKbit);

// The whole frame, InfoFrameSize bytes; empty when the stream is not one
// InfoFrameSize knows.
std::vector<uint8_t> BuildInfoFrame(const InfoTag& tag);

// CRC-16 with the polynomial 0x8005, bit-reversed (0xA001), as the LAME
// extension uses it; start with 0 and feed the bytes in order.
uint16_t Crc16(uint16_t crc, const uint8_t* bytes, size_t count);

}  // namespace mp3
