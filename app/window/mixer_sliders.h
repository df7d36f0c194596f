// The arithmetic between the window's mixer controls and the mixer: volume
// sliders whose top is loud, and the record-source button that steps through
// the sources. Pure functions, no Qt.
#pragma once

#include <cstdint>
#include <optional>

namespace mixer_sliders {

// The mixer's full scale as the window sees it, whatever the control's own
// range: 65535 is the loudest.
inline constexpr uint32_t kFullScale = 65535;

// The mixer volume for a slider value (Max - Position, so 0 at the bottom):
// value / max of the full scale, rounded half to even. With max 255 every
// step is exactly 257.
uint32_t VolumeFromSliderValue(int value, int max);

// The slider position that shows a mixer volume: Max + Min - Round(volume *
// Max / 65535). Volumes above the full scale give positions above the top,
// which the slider clamps.
int SliderPositionFromVolume(uint32_t volume, int min, int max);

// The record source after current, wrapping at count, on unsigned 32-bit
// values as the window keeps them (a negative code held as a large value
// steps like any other). None when there is no source to step to: a count
// of 0, or a failed count (negative as a signed number).
std::optional<uint32_t> NextRecordSource(uint32_t current, uint32_t count);

}  // namespace mixer_sliders
