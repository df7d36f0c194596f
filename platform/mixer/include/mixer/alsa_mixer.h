// The ALSA mixer backend: one mixer per ALSA control device, seen through
// ALSA's simple mixer.
//
// The system's backend has mixer 0 on the "default" control device (the sound
// server's mixer on a desktop) and one mixer per sound card ("hw:N") after it.
// The wave devices come from ALSA's device list: "default" first, then each
// card's own default device, each leading to its mixer.
//
// How a mixer's elements become lines and controls is in alsa_layout.h.
// Volume controls present bounds 0..65535 on every card, mapped linearly onto
// the element's own range; a value above the element's range (PulseAudio
// allows more than 100 %) reads as 65535.
#pragma once

#include "mixer/mixer_backend.h"

namespace platform {

std::shared_ptr<MixerBackend> CreateAlsaMixerBackend();

// Mixers on the given control devices (mixer i on controlDevices[i]) and the
// given wave devices, for tests and tools.
struct AlsaMixerSetup {
    std::vector<std::string> controlDevices;
    std::vector<WaveDeviceDescription> waveOut;
    std::vector<WaveDeviceDescription> waveIn;
};
std::shared_ptr<MixerBackend> CreateAlsaMixerBackend(AlsaMixerSetup setup);

}  // namespace platform
