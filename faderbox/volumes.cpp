// Volumes and levels of the output (the wave-out source line) and of the
// input (the selected record source's line).
#include "faderbox/faderbox.h"
#include "mixer_access.h"

#include <algorithm>

using namespace platform;
using namespace faderbox;

namespace {

constexpr int32_t kTopLevel = 99;

// 0..99 over the range, relative to the maximum alone.
int32_t LevelFromValue(uint32_t value, uint32_t minimum, uint32_t maximum)
{
    if (value <= minimum)
        return 0;
    if (value >= maximum)
        return kTopLevel;
    return int32_t(std::min<uint64_t>(uint64_t(value) * 100 / maximum + 1, kTopLevel));
}

uint32_t ValueFromLevel(int32_t level, uint32_t minimum, uint32_t maximum)
{
    if (level <= 0)
        return minimum;
    if (level >= kTopLevel)
        return maximum;
    return uint32_t(uint64_t(level) * maximum / 100);
}

// The volume control one side of the library works on.
struct Volume {
    bool deviceSelected;
    uint32_t mixer;
    uint32_t control;
    uint32_t minimum;
    uint32_t maximum;
};

Volume OutputVolume()
{
    const OutputSide& output = TheState().output;
    return {output.device != -1, output.mixer, output.waveOutVolume, output.rangeMinimum, output.rangeMaximum};
}

Volume InputVolume()
{
    const InputSide& input = TheState().input;
    return {input.device != -1, input.mixer, input.sourceVolume, input.sourceMinimum, input.sourceMaximum};
}

// -1 without a device, -2 without the control, 0 when it can be used.
int32_t Availability(const Volume& volume)
{
    if (!volume.deviceSelected)
        return -1;
    return volume.control == kNone ? -2 : 0;
}

// Reads one or two channels; both slots of `values` are written, the second
// with 0 when one channel was read.
int32_t GetSetting(const Volume& volume, int32_t channels, uint32_t* values)
{
    if (const int32_t unavailable = Availability(volume))
        return unavailable;
    if (!values || channels < 1 || channels > 2)
        return -1;
    uint32_t read[2] = {0, 0};
    if (!ReadChannels(volume.mixer, volume.control, uint32_t(channels), read))
        return -1;
    values[0] = read[0];
    values[1] = read[1];
    return 0;
}

int32_t SetSetting(const Volume& volume, int32_t channels, const uint32_t* values)
{
    if (const int32_t unavailable = Availability(volume))
        return unavailable;
    if (!values)
        return -1;
    return WriteChannels(volume.mixer, volume.control, channels > 1 ? 2 : 1, values) ? 0 : -1;
}

int32_t GetLevel(const Volume& volume, uint32_t channelsToRead)
{
    if (const int32_t unavailable = Availability(volume))
        return unavailable;
    uint32_t values[2] = {0, 0};
    if (!ReadChannels(volume.mixer, volume.control, channelsToRead, values))
        return -3;
    return LevelFromValue(values[0], volume.minimum, volume.maximum);
}

int32_t SetLevel(const Volume& volume, int32_t level)
{
    if (const int32_t unavailable = Availability(volume))
        return unavailable;
    const uint32_t value = ValueFromLevel(level, volume.minimum, volume.maximum);
    return WriteAllChannels(volume.mixer, volume.control, value) ? 0 : -3;
}

// Raises a volume below floor to floor; false when it cannot.
bool RaiseToFloor(uint32_t mixer, uint32_t control, uint32_t floor)
{
    uint32_t value = 0;
    if (!ReadFirstChannel(mixer, control, value))
        return false;
    return value >= floor || WriteAllChannels(mixer, control, floor);
}

}  // namespace

extern "C" {

int32_t UnmuteOutput(void)
{
    OutputSide& output = TheState().output;
    if (output.device == -1)
        return -1;
    if (output.speakersMute == kNone || output.waveOutMute == kNone)
        return -2;
    const uint32_t mixer = output.mixer;
    if (!WriteAllChannels(mixer, output.speakersMute, 0) || !WriteAllChannels(mixer, output.waveOutMute, 0))
        return -3;
    // Never leave playback near silent either.
    const uint32_t tenth = output.rangeMaximum / 10;
    if (!RaiseToFloor(mixer, output.waveOutVolume, tenth))
        return -3;
    output.speakersVolume =
        FindDestinationControl(mixer, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, MIXERCONTROL_CONTROLTYPE_VOLUME);
    if (!RaiseToFloor(mixer, output.speakersVolume, tenth))
        return -3;
    return 0;
}

int32_t GetCurrentOutputVolSetting(int32_t channels, uint32_t* values)
{
    return GetSetting(OutputVolume(), channels, values);
}

int32_t SetCurrentOutputVolSetting(int32_t channels, const uint32_t* values)
{
    return SetSetting(OutputVolume(), channels, values);
}

int32_t GetCurrentInputVolSetting(int32_t channels, uint32_t* values)
{
    return GetSetting(InputVolume(), channels, values);
}

int32_t SetCurrentInputVolSetting(int32_t channels, const uint32_t* values)
{
    return SetSetting(InputVolume(), channels, values);
}

// The output reads both channels, the input one; either way the first counts.
int32_t GetCurrentOutputLevel(void)
{
    return GetLevel(OutputVolume(), 2);
}

int32_t SetCurrentOutputLevel(int32_t level)
{
    return SetLevel(OutputVolume(), level);
}

int32_t GetCurrentInputLevel(void)
{
    return GetLevel(InputVolume(), 1);
}

int32_t SetCurrentInputLevel(int32_t level)
{
    return SetLevel(InputVolume(), level);
}

}  // extern "C"
