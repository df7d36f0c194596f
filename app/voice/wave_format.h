// The one sample format the program works in, and the header of a wave file.
#pragma once

#include <cstdint>

namespace voice {

struct WaveFormat {
    uint16_t formatTag = 1;  // PCM
    uint16_t channels = 1;
    uint32_t samplesPerSecond = 22050;
    uint32_t avgBytesPerSecond = 44100;
    uint16_t blockAlign = 2;
    uint16_t bitsPerSample = 16;
    uint16_t extraSize = 0;
};

// 16-bit signed mono PCM at 22050 samples per second: every buffer, recording,
// playback and written voice file uses it (the speed effects only relabel the rate).
constexpr WaveFormat VoiceFormat{};

constexpr uint16_t kWaveFormatPcm = 1;
constexpr int32_t kVoiceBytesPerSecond = 44100;

}  // namespace voice
