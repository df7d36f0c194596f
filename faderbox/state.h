// The library's one process-wide state: what the Select calls found.
#pragma once

#include "mixer/mixer.h"

#include <cstdint>

namespace faderbox {

constexpr uint32_t kNone = 0xFFFFFFFF;  // no device, line or control

struct OutputSide {
    int32_t device = -1;
    uint32_t mixer = kNone;
    uint32_t speakersMute = kNone;
    uint32_t speakersVolume = kNone;
    uint32_t waveOutVolume = kNone;
    uint32_t waveOutMute = kNone;
    uint32_t rangeMinimum = 0;
    uint32_t rangeMaximum = 0;
    platform::MixerHandle handle = nullptr;  // only routes notifications
};

struct InputSide {
    int32_t device = -1;
    uint32_t mixer = kNone;
    uint32_t recordVolume = kNone;
    uint32_t recordMute = kNone;
    uint32_t recordSelector = kNone;  // MUX, or failing that MIXER
    uint32_t sourceVolume = kNone;
    uint32_t recordMinimum = 0;
    uint32_t recordMaximum = 0;
    uint32_t sourceMinimum = 0;
    uint32_t sourceMaximum = 0;
    platform::MixerHandle handle = nullptr;
};

struct State {
    OutputSide output;
    InputSide input;
    platform::WindowHandle callbackWindow = 0;
};

State& TheState();

}  // namespace faderbox
