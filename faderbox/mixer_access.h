// Finding lines and controls on a mixer, and reading and writing control
// values, always through the mixer identifier.
#pragma once

#include "state.h"

#include <vector>

namespace faderbox {

// The destination line of that component type.
bool GetDestination(uint32_t mixer, uint32_t componentType, platform::MixerLine& line);
// Source line `source` of a destination.
bool GetSource(uint32_t mixer, const platform::MixerLine& destination, uint32_t source, platform::MixerLine& line);
// The line's control of that type.
bool GetLineControl(uint32_t mixer, uint32_t lineId, uint32_t controlType, platform::MixerControl& control);
bool GetControlById(uint32_t mixer, uint32_t controlId, platform::MixerControl& control);

// The control of that type on the destination line, or kNone.
uint32_t FindDestinationControl(uint32_t mixer, uint32_t destinationType, uint32_t controlType);
// The control of that type on the first source line of that type under the
// destination, or kNone.
uint32_t FindSourceControl(uint32_t mixer, uint32_t destinationType, uint32_t sourceType, uint32_t controlType);
// The wave-in destination's control of that type (MUX, MIXER).
bool GetRecordControl(uint32_t mixer, uint32_t controlType, platform::MixerControl& control);

// The bounds of the speakers destination's VOLUME control: the scale of every
// volume of this mixer.
bool ReadVolumeRange(uint32_t mixer, uint32_t& minimum, uint32_t& maximum);

// Values of a single-item control, `channels` of them.
bool ReadChannels(uint32_t mixer, uint32_t control, uint32_t channels, uint32_t* values);
bool WriteChannels(uint32_t mixer, uint32_t control, uint32_t channels, const uint32_t* values);
bool ReadFirstChannel(uint32_t mixer, uint32_t control, uint32_t& value);
bool WriteAllChannels(uint32_t mixer, uint32_t control, uint32_t value);

// Item values of a MUX or MIXER control, one channel.
bool ReadItems(uint32_t mixer, const platform::MixerControl& control, std::vector<uint32_t>& items);
bool WriteItems(uint32_t mixer, const platform::MixerControl& control, const std::vector<uint32_t>& items);

void CloseHandle(platform::MixerHandle& handle);

}  // namespace faderbox
