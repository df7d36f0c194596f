#include "mixer_access.h"

namespace faderbox {

using namespace platform;

bool GetDestination(uint32_t mixer, uint32_t componentType, MixerLine& line)
{
    line = MixerLine{};
    line.componentType = componentType;
    return MixerGetLineInfo(mixer, &line, MIXER_GETLINEINFOF_COMPONENTTYPE) == MMSYSERR_NOERROR;
}

bool GetSource(uint32_t mixer, const MixerLine& destination, uint32_t source, MixerLine& line)
{
    line = MixerLine{};
    line.destination = destination.destination;
    line.source = source;
    return MixerGetLineInfo(mixer, &line, MIXER_GETLINEINFOF_SOURCE) == MMSYSERR_NOERROR;
}

bool GetLineControl(uint32_t mixer, uint32_t lineId, uint32_t controlType, MixerControl& control)
{
    MixerLineControls request;
    request.lineId = lineId;
    request.controlIdOrType = controlType;
    if (MixerGetLineControls(mixer, &request, MIXER_GETLINECONTROLSF_ONEBYTYPE) != MMSYSERR_NOERROR)
        return false;
    control = request.control;
    return true;
}

bool GetControlById(uint32_t mixer, uint32_t controlId, MixerControl& control)
{
    MixerLineControls request;
    request.controlIdOrType = controlId;
    if (MixerGetLineControls(mixer, &request, MIXER_GETLINECONTROLSF_ONEBYID) != MMSYSERR_NOERROR)
        return false;
    control = request.control;
    return true;
}

uint32_t FindDestinationControl(uint32_t mixer, uint32_t destinationType, uint32_t controlType)
{
    MixerLine destination;
    MixerControl control;
    if (!GetDestination(mixer, destinationType, destination) ||
        !GetLineControl(mixer, destination.lineId, controlType, control))
        return kNone;
    return control.controlId;
}

uint32_t FindSourceControl(uint32_t mixer, uint32_t destinationType, uint32_t sourceType, uint32_t controlType)
{
    MixerLine destination;
    if (!GetDestination(mixer, destinationType, destination))
        return kNone;
    for (uint32_t index = 0; index < destination.connections; ++index) {
        MixerLine source;
        if (!GetSource(mixer, destination, index, source) || source.componentType != sourceType)
            continue;
        MixerControl control;
        return GetLineControl(mixer, source.lineId, controlType, control) ? control.controlId : kNone;
    }
    return kNone;
}

bool GetRecordControl(uint32_t mixer, uint32_t controlType, MixerControl& control)
{
    MixerLine destination;
    return GetDestination(mixer, MIXERLINE_COMPONENTTYPE_DST_WAVEIN, destination) &&
           GetLineControl(mixer, destination.lineId, controlType, control);
}

bool ReadVolumeRange(uint32_t mixer, uint32_t& minimum, uint32_t& maximum)
{
    MixerLine speakers;
    MixerControl volume;
    if (!GetDestination(mixer, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, speakers) ||
        !GetLineControl(mixer, speakers.lineId, MIXERCONTROL_CONTROLTYPE_VOLUME, volume))
        return false;
    minimum = volume.minimum;
    maximum = volume.maximum;
    return true;
}

namespace {

MixerControlDetails Details(uint32_t control, uint32_t channels, uint32_t items, const uint32_t* values)
{
    MixerControlDetails details;
    details.controlId = control;
    details.channels = channels;
    details.multipleItems = items;
    details.detailBytes = sizeof(uint32_t);
    details.details = const_cast<uint32_t*>(values);
    return details;
}

}  // namespace

bool ReadChannels(uint32_t mixer, uint32_t control, uint32_t channels, uint32_t* values)
{
    MixerControlDetails details = Details(control, channels, 0, values);
    return MixerGetControlDetails(mixer, &details, MIXER_GETCONTROLDETAILSF_VALUE) == MMSYSERR_NOERROR;
}

bool WriteChannels(uint32_t mixer, uint32_t control, uint32_t channels, const uint32_t* values)
{
    const MixerControlDetails details = Details(control, channels, 0, values);
    return MixerSetControlDetails(mixer, &details, MIXER_SETCONTROLDETAILSF_VALUE) == MMSYSERR_NOERROR;
}

bool ReadFirstChannel(uint32_t mixer, uint32_t control, uint32_t& value)
{
    return ReadChannels(mixer, control, 1, &value);
}

bool WriteAllChannels(uint32_t mixer, uint32_t control, uint32_t value)
{
    return WriteChannels(mixer, control, 1, &value);
}

bool ReadItems(uint32_t mixer, const MixerControl& control, std::vector<uint32_t>& items)
{
    items.assign(control.multipleItems, 0);
    if (items.empty())
        return false;
    MixerControlDetails details = Details(control.controlId, 1, control.multipleItems, items.data());
    return MixerGetControlDetails(mixer, &details, MIXER_GETCONTROLDETAILSF_VALUE) == MMSYSERR_NOERROR;
}

bool WriteItems(uint32_t mixer, const MixerControl& control, const std::vector<uint32_t>& items)
{
    if (items.size() != control.multipleItems || items.empty())
        return false;
    const MixerControlDetails details = Details(control.controlId, 1, control.multipleItems, items.data());
    return MixerSetControlDetails(mixer, &details, MIXER_SETCONTROLDETAILSF_VALUE) == MMSYSERR_NOERROR;
}

void CloseHandle(MixerHandle& handle)
{
    if (handle)
        MixerClose(handle);
    handle = nullptr;
}

}  // namespace faderbox
