#include "mixer/mixer.h"

#include "mixer/alsa_mixer.h"
#include "mixer/mixer_backend.h"
#include "mixer/mixer_text.h"

#include <algorithm>
#include <mutex>
#include <set>

namespace platform {

const ControlDescription* MixerDescription::findControl(uint32_t id) const
{
    for (const ControlDescription& control : controls)
        if (control.id == id)
            return &control;
    return nullptr;
}

// ---------------------------------------------------------------------------
// The process-wide backend

namespace {

struct BackendSlot {
    std::mutex mutex;
    std::shared_ptr<MixerBackend> backend;
};

BackendSlot& TheBackendSlot()
{
    static BackendSlot slot;
    return slot;
}

}  // namespace

std::shared_ptr<MixerBackend> SetMixerBackend(std::shared_ptr<MixerBackend> backend)
{
    BackendSlot& slot = TheBackendSlot();
    std::lock_guard lock(slot.mutex);
    std::swap(slot.backend, backend);
    return backend;
}

std::shared_ptr<MixerBackend> CurrentMixerBackend()
{
    BackendSlot& slot = TheBackendSlot();
    std::lock_guard lock(slot.mutex);
    if (!slot.backend)
        slot.backend = CreateAlsaMixerBackend();
    return slot.backend;
}

// ---------------------------------------------------------------------------
// Wave devices

namespace {

MMRESULT GetWaveCaps(const std::vector<WaveDeviceDescription>& devices, uint32_t device, WaveDevCaps* caps)
{
    if (!caps)
        return MMSYSERR_INVALPARAM;
    if (device >= devices.size())
        return MMSYSERR_BADDEVICEID;
    CopyName(caps->productName, devices[device].productName);
    return MMSYSERR_NOERROR;
}

}  // namespace

uint32_t WaveOutGetNumDevs()
{
    return uint32_t(CurrentMixerBackend()->waveOutDevices().size());
}

MMRESULT WaveOutGetDevCaps(uint32_t device, WaveDevCaps* caps)
{
    return GetWaveCaps(CurrentMixerBackend()->waveOutDevices(), device, caps);
}

uint32_t WaveInGetNumDevs()
{
    return uint32_t(CurrentMixerBackend()->waveInDevices().size());
}

MMRESULT WaveInGetDevCaps(uint32_t device, WaveDevCaps* caps)
{
    return GetWaveCaps(CurrentMixerBackend()->waveInDevices(), device, caps);
}

// ---------------------------------------------------------------------------
// Mixer devices and lines

uint32_t MixerGetNumDevs()
{
    return CurrentMixerBackend()->mixerCount();
}

namespace {

// The description of a mixer, or why there is none.
MMRESULT Describe(MixerBackend& backend, uint32_t mixerId, std::shared_ptr<const MixerDescription>& mixer)
{
    if (mixerId >= backend.mixerCount())
        return MMSYSERR_BADDEVICEID;
    mixer = backend.describe(mixerId);
    return mixer ? MMSYSERR_NOERROR : MMSYSERR_NODRIVER;
}

void FillLine(MixerLine& out, const LineDescription& line, uint32_t destination, uint32_t source)
{
    out.destination = destination;
    out.source = source;
    out.lineId = line.id;
    out.componentType = line.componentType;
    out.channels = line.channels;
    out.connections = uint32_t(line.sources.size());
    out.controls = uint32_t(line.controls.size());
    CopyName(out.shortName, line.shortName.empty() ? line.name : line.shortName);
    CopyName(out.name, line.name);
}

// Calls visit(line, destination index, source index) for every line,
// destinations first, until it returns true.
template <typename Visit>
bool ForEachLine(const MixerDescription& mixer, Visit visit)
{
    for (uint32_t d = 0; d < mixer.destinations.size(); ++d)
        if (visit(mixer.destinations[d], d, 0u))
            return true;
    for (uint32_t d = 0; d < mixer.destinations.size(); ++d) {
        const auto& sources = mixer.destinations[d].sources;
        for (uint32_t s = 0; s < sources.size(); ++s)
            if (visit(sources[s], d, s))
                return true;
    }
    return false;
}

const LineDescription* FindLineById(const MixerDescription& mixer, uint32_t lineId)
{
    const LineDescription* found = nullptr;
    ForEachLine(mixer, [&](const LineDescription& line, uint32_t, uint32_t) {
        if (line.id == lineId)
            found = &line;
        return found != nullptr;
    });
    return found;
}

void FillControl(MixerControl& out, const ControlDescription& control)
{
    out.controlId = control.id;
    out.controlType = control.type;
    out.flags = control.channels == 1 ? MIXERCONTROL_CONTROLF_UNIFORM : 0;
    if (!control.items.empty())
        out.flags |= MIXERCONTROL_CONTROLF_MULTIPLE;
    out.multipleItems = control.itemCount();
    out.minimum = control.minimum;
    out.maximum = control.maximum;
    CopyName(out.shortName, control.name);
    CopyName(out.name, control.name);
}

}  // namespace

MMRESULT MixerGetDevCaps(uint32_t mixerId, MixerCaps* caps)
{
    if (!caps)
        return MMSYSERR_INVALPARAM;
    std::shared_ptr<const MixerDescription> mixer;
    if (MMRESULT result = Describe(*CurrentMixerBackend(), mixerId, mixer))
        return result;
    CopyName(caps->productName, mixer->name);
    caps->destinations = uint32_t(mixer->destinations.size());
    return MMSYSERR_NOERROR;
}

MMRESULT MixerGetID(uint32_t object, uint32_t* mixerId, uint32_t flags)
{
    if (!mixerId)
        return MMSYSERR_INVALPARAM;
    std::shared_ptr<MixerBackend> backend = CurrentMixerBackend();
    if (flags == MIXER_OBJECTF_MIXER) {
        if (object >= backend->mixerCount())
            return MMSYSERR_BADDEVICEID;
        *mixerId = object;
        return MMSYSERR_NOERROR;
    }
    std::vector<WaveDeviceDescription> devices;
    if (flags == MIXER_OBJECTF_WAVEOUT)
        devices = backend->waveOutDevices();
    else if (flags == MIXER_OBJECTF_WAVEIN)
        devices = backend->waveInDevices();
    else
        return MMSYSERR_INVALFLAG;
    if (object >= devices.size())
        return MMSYSERR_BADDEVICEID;
    if (!devices[object].mixerId)
        return MMSYSERR_NODRIVER;
    *mixerId = *devices[object].mixerId;
    return MMSYSERR_NOERROR;
}

MMRESULT MixerGetLineInfo(uint32_t mixerId, MixerLine* line, uint32_t flags)
{
    if (!line)
        return MMSYSERR_INVALPARAM;
    std::shared_ptr<const MixerDescription> mixer;
    if (MMRESULT result = Describe(*CurrentMixerBackend(), mixerId, mixer))
        return result;
    const auto& destinations = mixer->destinations;
    switch (flags) {
    case MIXER_GETLINEINFOF_DESTINATION:
        if (line->destination >= destinations.size())
            return MMSYSERR_INVALPARAM;
        FillLine(*line, destinations[line->destination], line->destination, 0);
        return MMSYSERR_NOERROR;
    case MIXER_GETLINEINFOF_SOURCE: {
        if (line->destination >= destinations.size())
            return MMSYSERR_INVALPARAM;
        const auto& sources = destinations[line->destination].sources;
        if (line->source >= sources.size())
            return MMSYSERR_INVALPARAM;
        FillLine(*line, sources[line->source], line->destination, line->source);
        return MMSYSERR_NOERROR;
    }
    case MIXER_GETLINEINFOF_LINEID:
    case MIXER_GETLINEINFOF_COMPONENTTYPE: {
        const bool byId = flags == MIXER_GETLINEINFOF_LINEID;
        const uint32_t wanted = byId ? line->lineId : line->componentType;
        const bool found = ForEachLine(*mixer, [&](const LineDescription& candidate, uint32_t d, uint32_t s) {
            if ((byId ? candidate.id : candidate.componentType) != wanted)
                return false;
            FillLine(*line, candidate, d, s);
            return true;
        });
        return found ? MMSYSERR_NOERROR : MIXERR_INVALLINE;
    }
    default:
        return MMSYSERR_INVALFLAG;
    }
}

MMRESULT MixerGetLineControls(uint32_t mixerId, MixerLineControls* request, uint32_t flags)
{
    if (!request)
        return MMSYSERR_INVALPARAM;
    std::shared_ptr<const MixerDescription> mixer;
    if (MMRESULT result = Describe(*CurrentMixerBackend(), mixerId, mixer))
        return result;
    if (flags == MIXER_GETLINECONTROLSF_ONEBYTYPE) {
        const LineDescription* line = FindLineById(*mixer, request->lineId);
        if (!line)
            return MIXERR_INVALLINE;
        for (uint32_t id : line->controls) {
            const ControlDescription* control = mixer->findControl(id);
            if (control && control->type == request->controlIdOrType) {
                FillControl(request->control, *control);
                return MMSYSERR_NOERROR;
            }
        }
        return MIXERR_INVALCONTROL;
    }
    if (flags == MIXER_GETLINECONTROLSF_ONEBYID) {
        const ControlDescription* control = mixer->findControl(request->controlIdOrType);
        if (!control)
            return MIXERR_INVALCONTROL;
        ForEachLine(*mixer, [&](const LineDescription& line, uint32_t, uint32_t) {
            const bool holds = std::ranges::find(line.controls, control->id) != line.controls.end();
            if (holds)
                request->lineId = line.id;
            return holds;
        });
        FillControl(request->control, *control);
        return MMSYSERR_NOERROR;
    }
    return MMSYSERR_INVALFLAG;
}

// ---------------------------------------------------------------------------
// Control details

namespace {

// Checks a details request against the control it names.
MMRESULT CheckDetails(const MixerControlDetails* details, const ControlDescription* control, uint32_t entryBytes)
{
    if (!details || !details->details || details->channels == 0)
        return MMSYSERR_INVALPARAM;
    if (!control)
        return MIXERR_INVALCONTROL;
    if (details->multipleItems != control->itemCount() || details->detailBytes != entryBytes)
        return MMSYSERR_INVALPARAM;
    return MMSYSERR_NOERROR;
}

uint32_t ItemsOf(const ControlDescription& control)
{
    return control.items.empty() ? 1 : control.itemCount();
}

MMRESULT GetListTexts(const ControlDescription& control, const MixerControlDetails& details)
{
    if (control.items.empty())
        return MMSYSERR_INVALPARAM;
    auto* out = static_cast<MixerControlDetailsListText*>(details.details);
    for (uint32_t channel = 0; channel < details.channels; ++channel) {
        for (const MixerItemText& item : control.items) {
            out->param1 = item.lineId;
            out->param2 = item.componentType;
            CopyName(out->name, item.name);
            ++out;
        }
    }
    return MMSYSERR_NOERROR;
}

MMRESULT GetValues(MixerBackend& backend, uint32_t mixerId, const ControlDescription& control,
                   const MixerControlDetails& details)
{
    std::vector<uint32_t> values;
    if (MMRESULT result = backend.readValues(mixerId, control, values))
        return result;
    if (values.size() != control.valueCount())
        return MMSYSERR_ERROR;
    const uint32_t items = ItemsOf(control);
    auto* out = static_cast<uint32_t*>(details.details);
    for (uint32_t channel = 0; channel < details.channels; ++channel) {
        const uint32_t from = std::min(channel, control.channels - 1);
        out = std::copy_n(values.begin() + from * items, items, out);
    }
    return MMSYSERR_NOERROR;
}

bool IsBoolean(const ControlDescription& control)
{
    return control.type != MIXERCONTROL_CONTROLTYPE_VOLUME;
}

// The values a write asks for, in the control's own shape: one channel given
// sets every channel; fewer channels than the control has keep the rest.
MMRESULT ValuesToWrite(MixerBackend& backend, uint32_t mixerId, const ControlDescription& control,
                       const MixerControlDetails& details, std::vector<uint32_t>& values)
{
    const uint32_t items = ItemsOf(control);
    const auto* in = static_cast<const uint32_t*>(details.details);
    values.assign(control.valueCount(), 0);
    if (details.channels > 1 && details.channels < control.channels) {
        if (MMRESULT result = backend.readValues(mixerId, control, values))
            return result;
        if (values.size() != control.valueCount())
            return MMSYSERR_ERROR;
    }
    for (uint32_t channel = 0; channel < control.channels; ++channel) {
        if (details.channels > 1 && channel >= details.channels)
            break;
        const uint32_t from = details.channels == 1 ? 0 : channel;
        std::copy_n(in + from * items, items, values.begin() + channel * items);
    }
    for (uint32_t& value : values)
        value = IsBoolean(control) ? uint32_t(value != 0) : std::clamp(value, control.minimum, control.maximum);
    if (control.type == MIXERCONTROL_CONTROLTYPE_MUX) {
        for (uint32_t channel = 0; channel < control.channels; ++channel) {
            const auto first = values.begin() + channel * items;
            if (std::count(first, first + items, 1u) != 1)
                return MIXERR_INVALVALUE;  // a selector selects exactly one source
        }
    }
    return MMSYSERR_NOERROR;
}

}  // namespace

namespace {

// The backend, the mixer and the control a details request is about.
struct DetailsTarget {
    std::shared_ptr<MixerBackend> backend = CurrentMixerBackend();
    std::shared_ptr<const MixerDescription> mixer;
    const ControlDescription* control = nullptr;
};

MMRESULT FindTarget(uint32_t mixerId, const MixerControlDetails* details, DetailsTarget& target)
{
    if (MMRESULT result = Describe(*target.backend, mixerId, target.mixer))
        return result;
    target.control = details ? target.mixer->findControl(details->controlId) : nullptr;
    return MMSYSERR_NOERROR;
}

}  // namespace

MMRESULT MixerGetControlDetails(uint32_t mixerId, MixerControlDetails* details, uint32_t flags)
{
    DetailsTarget target;
    if (MMRESULT result = FindTarget(mixerId, details, target))
        return result;
    if (flags == MIXER_GETCONTROLDETAILSF_VALUE) {
        if (MMRESULT result = CheckDetails(details, target.control, sizeof(uint32_t)))
            return result;
        return GetValues(*target.backend, mixerId, *target.control, *details);
    }
    if (flags == MIXER_GETCONTROLDETAILSF_LISTTEXT) {
        if (MMRESULT result = CheckDetails(details, target.control, sizeof(MixerControlDetailsListText)))
            return result;
        return GetListTexts(*target.control, *details);
    }
    return MMSYSERR_INVALFLAG;
}

MMRESULT MixerSetControlDetails(uint32_t mixerId, const MixerControlDetails* details, uint32_t flags)
{
    if (flags != MIXER_SETCONTROLDETAILSF_VALUE)
        return MMSYSERR_INVALFLAG;
    DetailsTarget target;
    if (MMRESULT result = FindTarget(mixerId, details, target))
        return result;
    if (MMRESULT result = CheckDetails(details, target.control, sizeof(uint32_t)))
        return result;
    std::vector<uint32_t> values;
    if (MMRESULT result = ValuesToWrite(*target.backend, mixerId, *target.control, *details, values))
        return result;
    return target.backend->writeValues(mixerId, *target.control, values);
}

// ---------------------------------------------------------------------------
// Open mixers

struct OpenMixer {
    std::shared_ptr<MixerBackend> backend;  // outlives the watch
    std::unique_ptr<MixerWatch> watch;
};

namespace {

struct OpenMixers {
    std::mutex mutex;
    std::set<OpenMixer*> live;
};

OpenMixers& TheOpenMixers()
{
    static OpenMixers openMixers;
    return openMixers;
}

}  // namespace

MMRESULT MixerOpen(MixerHandle* handle, uint32_t mixerId, WindowHandle window, uint32_t flags)
{
    if (!handle)
        return MMSYSERR_INVALPARAM;
    *handle = nullptr;
    if (flags != CALLBACK_WINDOW && flags != CALLBACK_NULL)
        return MMSYSERR_INVALFLAG;
    auto open = std::make_unique<OpenMixer>();
    open->backend = CurrentMixerBackend();
    std::shared_ptr<const MixerDescription> mixer;
    if (MMRESULT result = Describe(*open->backend, mixerId, mixer))
        return result;
    if (flags == CALLBACK_WINDOW) {
        open->watch = open->backend->watch(mixerId, window, reinterpret_cast<uintptr_t>(open.get()));
        if (!open->watch)
            return MMSYSERR_NODRIVER;
    }
    OpenMixers& openMixers = TheOpenMixers();
    std::lock_guard lock(openMixers.mutex);
    *handle = open.release();
    openMixers.live.insert(*handle);
    return MMSYSERR_NOERROR;
}

MMRESULT MixerClose(MixerHandle handle)
{
    OpenMixers& openMixers = TheOpenMixers();
    {
        std::lock_guard lock(openMixers.mutex);
        if (openMixers.live.erase(handle) == 0)
            return MMSYSERR_INVALHANDLE;
    }
    delete handle;  // stops the watch before the backend may go
    return MMSYSERR_NOERROR;
}

}  // namespace platform
