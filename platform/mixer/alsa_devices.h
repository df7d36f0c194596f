// The system's ALSA devices: mixer 0 on "default", one mixer per card after
// it; wave devices from ALSA's device list, "default" first, then each card's
// own default device.
#pragma once

#include "mixer/alsa_mixer.h"

namespace platform {

AlsaMixerSetup SystemAlsaSetup();

}  // namespace platform
