// Device selection: which mixer belongs to the chosen wave devices, which of
// its controls matter, and the open handles that route notifications.
#include "faderbox/faderbox.h"
#include "mixer_access.h"

#include <cctype>
#include <cstring>
#include <string_view>

using namespace platform;
using namespace faderbox;

namespace {

constexpr const char* kUnknownDevice = "Unknown Device";

std::string_view TrimmedSpaces(std::string_view text)
{
    const auto isSpace = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
    while (!text.empty() && isSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

// The product name; an output device's is trimmed, and named "Unknown
// Device" when nothing is left of it.
int32_t DescribeWaveDevice(MMRESULT (*getCaps)(uint32_t, WaveDevCaps*), int32_t device, char* description,
                           bool tidy)
{
    if (!description)
        return -1;
    description[0] = '\0';
    WaveDevCaps caps;
    if (getCaps(uint32_t(device), &caps) != MMSYSERR_NOERROR)
        return -1;
    std::string_view name = caps.productName;
    if (tidy) {
        name = TrimmedSpaces(name);
        if (name.empty())
            name = kUnknownDevice;
    }
    std::memcpy(description, name.data(), name.size());
    description[name.size()] = '\0';
    return 0;
}

uint32_t MixerOfWaveDevice(uint32_t device, uint32_t objectFlag)
{
    uint32_t mixer = 0;
    if (MixerGetID(device, &mixer, objectFlag) != MMSYSERR_NOERROR)
        mixer = 0;
    return mixer;
}

bool OpenForNotifications(uint32_t mixer, MixerHandle& handle)
{
    CloseHandle(handle);
    return MixerOpen(&handle, mixer, TheState().callbackWindow, CALLBACK_WINDOW) == MMSYSERR_NOERROR;
}

bool RecordDestinationHas(uint32_t controlType)
{
    MixerControl control;
    return GetRecordControl(TheState().input.mixer, controlType, control);
}

}  // namespace

extern "C" {

uintptr_t SetCallbackWindow(uintptr_t window)
{
    TheState().callbackWindow = window;
    return window;
}

int32_t GetNumberOfOutputDevices(void)
{
    return int32_t(WaveOutGetNumDevs());
}

int32_t GetOutputDeviceDescription(int32_t device, char* description)
{
    return DescribeWaveDevice(WaveOutGetDevCaps, device, description, true);
}

int32_t GetNumberOfInputDevices(void)
{
    return int32_t(WaveInGetNumDevs());
}

int32_t GetInputDeviceDescription(int32_t device, char* description)
{
    return DescribeWaveDevice(WaveInGetDevCaps, device, description, false);
}

int32_t SelectOutputDevice(int32_t device)
{
    if (uint32_t(device) >= WaveOutGetNumDevs())
        return -1;
    OutputSide& output = TheState().output;
    output.device = device;
    output.mixer = MixerOfWaveDevice(uint32_t(device), MIXER_OBJECTF_WAVEOUT);
    const uint32_t mixer = output.mixer;
    output.speakersMute =
        FindDestinationControl(mixer, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, MIXERCONTROL_CONTROLTYPE_MUTE);
    output.speakersVolume =
        FindDestinationControl(mixer, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, MIXERCONTROL_CONTROLTYPE_VOLUME);
    output.waveOutVolume = FindSourceControl(mixer, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS,
                                             MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT, MIXERCONTROL_CONTROLTYPE_VOLUME);
    output.waveOutMute = output.waveOutVolume == kNone
                             ? kNone
                             : FindSourceControl(mixer, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS,
                                                 MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT, MIXERCONTROL_CONTROLTYPE_MUTE);
    if (!ReadVolumeRange(mixer, output.rangeMinimum, output.rangeMaximum))
        return -1;
    if (!OpenForNotifications(mixer, output.handle))
        return -1;
    UnmuteOutput();
    return 0;
}

int32_t DeSelectOutputDevice(void)
{
    CloseHandle(TheState().output.handle);
    return 0;
}

int32_t SelectInputDevice(int32_t device)
{
    if (uint32_t(device) >= WaveInGetNumDevs())
        return -1;
    InputSide& input = TheState().input;
    input.mixer = MixerOfWaveDevice(uint32_t(device), MIXER_OBJECTF_WAVEIN);
    const uint32_t mixer = input.mixer;
    input.sourceVolume = kNone;
    input.recordSelector = kNone;
    input.recordVolume =
        FindDestinationControl(mixer, MIXERLINE_COMPONENTTYPE_DST_WAVEIN, MIXERCONTROL_CONTROLTYPE_VOLUME);
    input.recordMute = FindDestinationControl(mixer, MIXERLINE_COMPONENTTYPE_DST_WAVEIN, MIXERCONTROL_CONTROLTYPE_MUTE);
    if (IsMixerMuxType() || IsMixerMixerType()) {
        input.recordSelector =
            FindDestinationControl(mixer, MIXERLINE_COMPONENTTYPE_DST_WAVEIN, MIXERCONTROL_CONTROLTYPE_MUX);
        if (input.recordSelector == kNone)
            input.recordSelector =
                FindDestinationControl(mixer, MIXERLINE_COMPONENTTYPE_DST_WAVEIN, MIXERCONTROL_CONTROLTYPE_MIXER);
    }
    if (input.recordVolume != kNone && !ReadVolumeRange(mixer, input.recordMinimum, input.recordMaximum))
        return -1;
    if (!OpenForNotifications(mixer, input.handle))
        return -1;
    input.device = device;
    return 0;
}

int32_t DeSelectInputDevice(void)
{
    CloseHandle(TheState().input.handle);
    return 0;
}

int32_t IsMixerMuxType(void)
{
    return RecordDestinationHas(MIXERCONTROL_CONTROLTYPE_MUX) ? 1 : 0;
}

int32_t IsMixerMixerType(void)
{
    return RecordDestinationHas(MIXERCONTROL_CONTROLTYPE_MIXER) ? 1 : 0;
}

int32_t GetVolumeIDs(uint32_t* waveOutVolume, uint32_t* recordMasterVolume, uint32_t* recordSelector,
                     uint32_t* sourceVolume)
{
    const State& state = TheState();
    if (waveOutVolume)
        *waveOutVolume = state.output.waveOutVolume;
    if (recordMasterVolume)
        *recordMasterVolume = state.input.recordVolume;
    if (recordSelector)
        *recordSelector = state.input.recordSelector;
    if (sourceVolume)
        *sourceVolume = state.input.sourceVolume;
    return 0;
}

}  // extern "C"
