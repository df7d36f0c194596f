// Record sources. A wave-in destination chooses what is recorded by a MUX
// control (one source at a time), a MIXER control (an on/off switch per
// source), or neither, where every other source line is muted.
#include "faderbox/faderbox.h"
#include "mixer_access.h"

#include "dialogs/dialogs.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <new>
#include <string>

using namespace platform;
using namespace faderbox;

namespace {

constexpr int32_t kLevelFloor = 9;  // a selected source is never quieter

enum class SelectorKind { Mux, Mixer, Neither };

SelectorKind KindOfRecordSelector()
{
    if (IsMixerMuxType())
        return SelectorKind::Mux;
    if (IsMixerMixerType())
        return SelectorKind::Mixer;
    return SelectorKind::Neither;
}

void CopyText(char* destination, const char* text)
{
    const size_t length = strnlen(text, kMixerNameChars - 1);
    std::memcpy(destination, text, length);
    destination[length] = '\0';
}

// The MUX control found by type and confirmed by identifier.
bool GetMuxControl(uint32_t mixer, MixerControl& mux)
{
    MixerControl byType;
    return GetRecordControl(mixer, MIXERCONTROL_CONTROLTYPE_MUX, byType) &&
           GetControlById(mixer, byType.controlId, mux);
}

bool MuxItemName(uint32_t mixer, uint32_t item, char* description)
{
    MixerControl mux;
    if (!GetMuxControl(mixer, mux) || item >= mux.multipleItems)
        return false;
    std::vector<MixerControlDetailsListText> texts(mux.multipleItems, MixerControlDetailsListText{});
    MixerControlDetails details;
    details.controlId = mux.controlId;
    details.channels = 1;
    details.multipleItems = mux.multipleItems;
    details.detailBytes = sizeof(MixerControlDetailsListText);
    details.details = texts.data();
    if (MixerGetControlDetails(mixer, &details, MIXER_GETCONTROLDETAILSF_LISTTEXT) != MMSYSERR_NOERROR)
        return false;
    CopyText(description, texts[item].name);
    return true;
}

bool SelectOnMux(uint32_t mixer, uint32_t source)
{
    MixerControl mux;
    std::vector<uint32_t> items;
    if (!GetRecordControl(mixer, MIXERCONTROL_CONTROLTYPE_MUX, mux) || !ReadItems(mixer, mux, items) ||
        source >= items.size())
        return false;
    std::ranges::fill(items, 0);
    items[source] = 1;
    return WriteItems(mixer, mux, items);
}

bool SelectOnMixer(uint32_t mixer, uint32_t source, uint32_t sources)
{
    MixerControl control;
    if (!GetRecordControl(mixer, MIXERCONTROL_CONTROLTYPE_MIXER, control))
        return false;
    for (uint32_t item = 0; item < sources; ++item) {
        if (item >= control.multipleItems)
            continue;
        std::vector<uint32_t> items;
        if (!ReadItems(mixer, control, items))
            return false;
        items[item] = item == source ? 1 : 0;
        if (!WriteItems(mixer, control, items))
            return false;
    }
    return true;
}

// Mutes every source line but the chosen one. Every line is set even when one
// fails, and any failure is reported.
bool SelectByMuting(uint32_t mixer, uint32_t source)
{
    MixerLine destination;
    if (!GetDestination(mixer, MIXERLINE_COMPONENTTYPE_DST_WAVEIN, destination))
        return false;
    bool allSet = true;
    for (uint32_t index = 0; index < destination.connections; ++index) {
        MixerLine line;
        MixerControl mute;
        if (!GetSource(mixer, destination, index, line) ||
            !GetLineControl(mixer, line.lineId, MIXERCONTROL_CONTROLTYPE_MUTE, mute))
            continue;
        allSet = WriteAllChannels(mixer, mute.controlId, index == source ? 0 : 1) && allSet;
    }
    return allSet;
}

// The source line of the chosen source: the first whose name is the source's
// description, else the line with the source's index.
bool SourceLineOf(uint32_t mixer, uint32_t source, MixerLine& line)
{
    MixerLine destination;
    if (!GetDestination(mixer, MIXERLINE_COMPONENTTYPE_DST_WAVEIN, destination))
        return false;
    char description[kMixerNameChars] = {};
    if (GetInputSourceDescription(int32_t(source), description) == 0)
        for (uint32_t index = 0; index < destination.connections; ++index)
            if (GetSource(mixer, destination, index, line) && std::strcmp(line.name, description) == 0)
                return true;
    return GetSource(mixer, destination, source, line);
}

void FindSourceVolume(InputSide& input, uint32_t source)
{
    input.sourceVolume = kNone;
    MixerLine line;
    MixerControl volume;
    if (!SourceLineOf(input.mixer, source, line) ||
        !GetLineControl(input.mixer, line.lineId, MIXERCONTROL_CONTROLTYPE_VOLUME, volume))
        return;
    input.sourceVolume = volume.controlId;
    ReadVolumeRange(input.mixer, input.sourceMinimum, input.sourceMaximum);
}

// Recording is never left muted or near silent after a selection.
void LiftRecording(const InputSide& input)
{
    if (input.recordMute != kNone)
        WriteAllChannels(input.mixer, input.recordMute, 0);
    // A level that cannot be read is left alone rather than overwritten.
    const int32_t level = GetCurrentInputLevel();
    if (level >= 0 && level < kLevelFloor)
        SetCurrentInputLevel(kLevelFloor);
    uint32_t master = 0;
    const uint32_t tenth = uint32_t(uint64_t(input.recordMaximum) * 10 / 100);
    if (ReadFirstChannel(input.mixer, input.recordVolume, master) && master < tenth)
        WriteAllChannels(input.mixer, input.recordVolume, tenth);
}

void ShowMixerMessage(const char* text)
{
    platform::ShowMessage(QString::fromLatin1(text), QString());
}

}  // namespace

extern "C" {

int32_t GetNumberOfInputSources(void)
{
    const InputSide& input = TheState().input;
    if (input.device == -1)
        return -1;
    MixerLine destination;
    if (!GetDestination(input.mixer, MIXERLINE_COMPONENTTYPE_DST_WAVEIN, destination))
        return -2;
    if (!IsMixerMuxType())
        return int32_t(destination.connections);
    MixerControl mux;
    if (!GetMuxControl(input.mixer, mux))
        return -2;
    return int32_t(mux.multipleItems);
}

int32_t GetInputSourceDescription(int32_t source, char* description)
{
    const InputSide& input = TheState().input;
    if (description)
        description[0] = '\0';
    if (input.device == -1)
        return -1;
    if (!description)
        return -2;
    MixerLine destination;
    if (!GetDestination(input.mixer, MIXERLINE_COMPONENTTYPE_DST_WAVEIN, destination) ||
        uint32_t(source) >= destination.connections)
        return -2;
    if (IsMixerMuxType())
        return MuxItemName(input.mixer, uint32_t(source), description) ? 0 : -2;
    MixerLine line;
    if (!GetSource(input.mixer, destination, uint32_t(source), line))
        return -2;
    CopyText(description, line.shortName[0] ? line.shortName : line.name);
    return 0;
}

int32_t GetMicrophoneSourceIndex(void)
{
    const int32_t count = GetNumberOfInputSources();
    if (count < 0)
        return count;
    for (int32_t source = 0; source < count; ++source) {
        char description[kMixerNameChars] = {};
        GetInputSourceDescription(source, description);
        std::string lowered = description;
        for (char& c : lowered)
            c = char(std::tolower(static_cast<unsigned char>(c)));
        if (lowered.find("mic") != std::string::npos)
            return source;
    }
    return -2;
}

int32_t SelectInputSource(int32_t source)
{
    InputSide& input = TheState().input;
    if (input.device == -1)
        return -1;
    const int32_t count = GetNumberOfInputSources();
    if (count < 0 || uint32_t(source) >= uint32_t(count))
        return -2;
    bool selected = false;
    switch (KindOfRecordSelector()) {
    case SelectorKind::Mux: selected = SelectOnMux(input.mixer, uint32_t(source)); break;
    case SelectorKind::Mixer: selected = SelectOnMixer(input.mixer, uint32_t(source), uint32_t(count)); break;
    case SelectorKind::Neither: selected = SelectByMuting(input.mixer, uint32_t(source)); break;
    }
    if (!selected)
        return -2;
    FindSourceVolume(input, uint32_t(source));
    LiftRecording(input);
    return 0;
}

int32_t IsCurrentInputSourceSelected(int32_t source)
{
    const InputSide& input = TheState().input;
    if (input.device == -1)
        return 0;
    const int32_t count = GetNumberOfInputSources();
    if (count < 0)
        return 0;
    if (KindOfRecordSelector() != SelectorKind::Neither) {
        if (uint32_t(source) > uint32_t(count))
            return 0;
        return GetMixMuxSetting(input.mixer, input.recordSelector, source) == 1 ? 1 : 0;
    }
    // Without a selector the answer is the source line's mute state.
    MixerLine destination;
    MixerLine line;
    MixerControl mute;
    uint32_t muted = 0;
    if (!GetDestination(input.mixer, MIXERLINE_COMPONENTTYPE_DST_WAVEIN, destination) ||
        uint32_t(source) > destination.connections || !GetSource(input.mixer, destination, uint32_t(source), line) ||
        !GetLineControl(input.mixer, line.lineId, MIXERCONTROL_CONTROLTYPE_MUTE, mute) ||
        !ReadFirstChannel(input.mixer, mute.controlId, muted))
        return 0;
    return muted == 1 ? 1 : 0;
}

int32_t GetMixMuxSetting(uint32_t mixerId, uint32_t controlId, int32_t item)
{
    MixerControl control;
    if (!GetControlById(mixerId, controlId, control)) {
        ShowMixerMessage("Cannot Get Mixer Information");
        return -1;
    }
    std::vector<uint32_t> items;
    try {
        items.assign(std::max<uint32_t>(control.multipleItems, 1), 0);
    } catch (const std::bad_alloc&) {
        ShowMixerMessage("Cannot Allocate Memory for Mixer");
        return -1;
    }
    MixerControlDetails details;
    details.controlId = controlId;
    details.channels = 1;
    details.multipleItems = control.multipleItems;
    details.detailBytes = sizeof(uint32_t);
    details.details = items.data();
    if (MixerGetControlDetails(mixerId, &details, MIXER_GETCONTROLDETAILSF_VALUE) != MMSYSERR_NOERROR ||
        uint32_t(item) >= control.multipleItems)
        return -1;
    return int32_t(items[uint32_t(item)]);
}

}  // extern "C"
