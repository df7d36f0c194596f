// Volumes and levels of the output (the wave-out source line) and of the
// input (the selected record source's line).
#include "faderbox.h"
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

// Reads one or two channels of a volume; both slots of `values` are written,
// the second with 0 when one channel was read.
int32_t GetVolume(uint32_t mixer, uint32_t control, int32_t channels, uint32_t* values)
{
    if (!values || channels < 1 || channels > 2)
        return -1;
    uint32_t read[2] = {0, 0};
    if (!ReadChannels(mixer, control, uint32_t(channels), read))
        return -1;
    values[0] = read[0];
    values[1] = read[1];
    return 0;
}

int32_t SetVolume(uint32_t mixer, uint32_t control, int32_t channels, const uint32_t* values)
{
    if (!values)
        return -1;
    return WriteChannels(mixer, control, channels > 1 ? 2 : 1, values) ? 0 : -1;
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
    const OutputSide& output = TheState().output;
    if (output.device == -1)
        return -1;
    if (output.waveOutVolume == kNone)
        return -2;
    return GetVolume(output.mixer, output.waveOutVolume, channels, values);
}

int32_t SetCurrentOutputVolSetting(int32_t channels, const uint32_t* values)
{
    const OutputSide& output = TheState().output;
    if (output.device == -1)
        return -1;
    if (output.waveOutVolume == kNone)
        return -2;
    return SetVolume(output.mixer, output.waveOutVolume, channels, values);
}

int32_t GetCurrentInputVolSetting(int32_t channels, uint32_t* values)
{
    const InputSide& input = TheState().input;
    if (input.device == -1)
        return -1;
    if (input.sourceVolume == kNone)
        return -2;
    return GetVolume(input.mixer, input.sourceVolume, channels, values);
}

int32_t SetCurrentInputVolSetting(int32_t channels, const uint32_t* values)
{
    const InputSide& input = TheState().input;
    if (input.device == -1)
        return -1;
    if (input.sourceVolume == kNone)
        return -2;
    return SetVolume(input.mixer, input.sourceVolume, channels, values);
}

int32_t GetCurrentOutputLevel(void)
{
    const OutputSide& output = TheState().output;
    if (output.device == -1)
        return -1;
    if (output.waveOutVolume == kNone)
        return -2;
    uint32_t values[2] = {0, 0};
    if (!ReadChannels(output.mixer, output.waveOutVolume, 2, values))
        return -3;
    return LevelFromValue(values[0], output.rangeMinimum, output.rangeMaximum);
}

int32_t SetCurrentOutputLevel(int32_t level)
{
    const OutputSide& output = TheState().output;
    if (output.device == -1)
        return -1;
    if (output.waveOutVolume == kNone)
        return -2;
    const uint32_t value = ValueFromLevel(level, output.rangeMinimum, output.rangeMaximum);
    return WriteAllChannels(output.mixer, output.waveOutVolume, value) ? 0 : -3;
}

int32_t GetCurrentInputLevel(void)
{
    const InputSide& input = TheState().input;
    if (input.device == -1)
        return -1;
    if (input.sourceVolume == kNone)
        return -2;
    uint32_t value = 0;
    if (!ReadFirstChannel(input.mixer, input.sourceVolume, value))
        return -3;
    return LevelFromValue(value, input.sourceMinimum, input.sourceMaximum);
}

int32_t SetCurrentInputLevel(int32_t level)
{
    const InputSide& input = TheState().input;
    if (input.device == -1)
        return -1;
    if (input.sourceVolume == kNone)
        return -2;
    const uint32_t value = ValueFromLevel(level, input.sourceMinimum, input.sourceMaximum);
    return WriteAllChannels(input.mixer, input.sourceVolume, value) ? 0 : -3;
}

}  // extern "C"
