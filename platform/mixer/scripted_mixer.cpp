#include "mixer/scripted_mixer.h"

#include <stdexcept>

namespace platform {

// Unregisters on destruction; the open mixer that owns it keeps the backend
// alive meanwhile.
class ScriptedMixerBackend::Watch : public MixerWatch {
public:
    Watch(ScriptedMixerBackend& backend, uint64_t id) : backend_(backend), id_(id) {}
    ~Watch() override { backend_.unwatch(id_); }

private:
    ScriptedMixerBackend& backend_;
    uint64_t id_;
};

// ---------------------------------------------------------------------------
// Arrangement

uint32_t ScriptedMixerBackend::addMixer(const std::string& name)
{
    std::lock_guard lock(mutex_);
    auto mixer = std::make_shared<MixerDescription>();
    mixer->name = name;
    mixers_.push_back(std::move(mixer));
    return uint32_t(mixers_.size() - 1);
}

void ScriptedMixerBackend::addWaveOutDevice(const std::string& productName, std::optional<uint32_t> mixerId)
{
    std::lock_guard lock(mutex_);
    waveOut_.push_back({productName, mixerId});
}

void ScriptedMixerBackend::addWaveInDevice(const std::string& productName, std::optional<uint32_t> mixerId)
{
    std::lock_guard lock(mutex_);
    waveIn_.push_back({productName, mixerId});
}

MixerDescription& ScriptedMixerBackend::editableMixer(uint32_t mixerId)
{
    auto copy = std::make_shared<MixerDescription>(*mixers_.at(mixerId));
    MixerDescription& editable = *copy;
    mixers_[mixerId] = std::move(copy);
    return editable;
}

namespace {

template <typename Mixer>
auto& FindLine(Mixer& mixer, uint32_t lineId)
{
    for (auto& destination : mixer.destinations) {
        if (destination.id == lineId)
            return destination;
        for (auto& source : destination.sources)
            if (source.id == lineId)
                return source;
    }
    throw std::invalid_argument("no such line on this mixer");
}

}  // namespace

LineDescription& ScriptedMixerBackend::editableLine(uint32_t mixerId, uint32_t lineId)
{
    return FindLine(editableMixer(mixerId), lineId);
}

LineDescription ScriptedMixerBackend::newLine(uint32_t componentType, const std::string& name,
                                             const std::string& shortName, uint32_t channels)
{
    LineDescription line;
    line.id = nextLineId_++;
    line.componentType = componentType;
    line.channels = channels;
    line.name = name;
    line.shortName = shortName;
    return line;
}

uint32_t ScriptedMixerBackend::addDestination(uint32_t mixerId, uint32_t componentType, const std::string& name,
                                              uint32_t channels)
{
    std::lock_guard lock(mutex_);
    LineDescription line = newLine(componentType, name, {}, channels);
    editableMixer(mixerId).destinations.push_back(line);
    return line.id;
}

uint32_t ScriptedMixerBackend::addSource(uint32_t mixerId, uint32_t destinationLineId, uint32_t componentType,
                                         const std::string& name, const std::string& shortName, uint32_t channels)
{
    std::lock_guard lock(mutex_);
    LineDescription line = newLine(componentType, name, shortName, channels);
    editableLine(mixerId, destinationLineId).sources.push_back(line);
    return line.id;
}

uint32_t ScriptedMixerBackend::addControl(uint32_t mixerId, uint32_t lineId, ControlDescription control,
                                          std::vector<uint32_t> values)
{
    std::lock_guard lock(mutex_);
    control.id = nextControlId_++;
    if (values.size() != control.valueCount())
        throw std::invalid_argument("a control needs one value per channel and item");
    MixerDescription& mixer = editableMixer(mixerId);
    FindLine(mixer, lineId).controls.push_back(control.id);
    mixer.controls.push_back(control);
    controls_[control.id] = StoredControl{mixerId, std::move(values)};
    return control.id;
}

uint32_t ScriptedMixerBackend::addVolume(uint32_t mixerId, uint32_t lineId, uint32_t minimum, uint32_t maximum,
                                         uint32_t value)
{
    ControlDescription control;
    control.type = MIXERCONTROL_CONTROLTYPE_VOLUME;
    control.channels = 2;
    control.minimum = minimum;
    control.maximum = maximum;
    control.name = "Volume";
    return addControl(mixerId, lineId, control, {value, value});
}

uint32_t ScriptedMixerBackend::addMute(uint32_t mixerId, uint32_t lineId, uint32_t value)
{
    ControlDescription control;
    control.type = MIXERCONTROL_CONTROLTYPE_MUTE;
    control.maximum = 1;
    control.name = "Mute";
    return addControl(mixerId, lineId, control, {value});
}

uint32_t ScriptedMixerBackend::addSelector(uint32_t mixerId, uint32_t lineId, uint32_t type,
                                           const std::vector<uint32_t>& itemLines, std::vector<uint32_t> values)
{
    ControlDescription control;
    control.type = type;
    control.maximum = 1;
    control.name = type == MIXERCONTROL_CONTROLTYPE_MUX ? "Recording Source" : "Recording Mixer";
    {
        std::lock_guard lock(mutex_);
        for (uint32_t itemLine : itemLines) {
            const LineDescription& line = FindLine(*mixers_.at(mixerId), itemLine);
            control.items.push_back({line.id, line.componentType, line.name});
        }
    }
    return addControl(mixerId, lineId, control, std::move(values));
}

void ScriptedMixerBackend::attachControl(uint32_t mixerId, uint32_t lineId, uint32_t controlId)
{
    std::lock_guard lock(mutex_);
    editableLine(mixerId, lineId).controls.push_back(controlId);
}

// ---------------------------------------------------------------------------
// Values, failures, observation

std::vector<uint32_t> ScriptedMixerBackend::values(uint32_t controlId) const
{
    std::lock_guard lock(mutex_);
    return controls_.at(controlId).values;
}

void ScriptedMixerBackend::setValues(uint32_t controlId, std::vector<uint32_t> values)
{
    std::lock_guard lock(mutex_);
    if (values.size() != controls_.at(controlId).values.size())
        throw std::invalid_argument("wrong number of values");
    store(controlId, std::move(values));
}

void ScriptedMixerBackend::store(uint32_t controlId, std::vector<uint32_t> values)
{
    StoredControl& stored = controls_.at(controlId);
    if (stored.values == values)
        return;
    stored.values = std::move(values);
    for (const auto& [id, watcher] : watchers_)
        if (watcher.mixerId == stored.mixerId)
            PostWindowMessage(watcher.window, MM_MIXM_CONTROL_CHANGE, watcher.wParam, intptr_t(controlId));
}

void ScriptedMixerBackend::failReads(uint32_t controlId, bool fail)
{
    std::lock_guard lock(mutex_);
    controls_.at(controlId).failReads = fail;
}

void ScriptedMixerBackend::failWrites(uint32_t controlId, bool fail)
{
    std::lock_guard lock(mutex_);
    controls_.at(controlId).failWrites = fail;
}

void ScriptedMixerBackend::failOpen(uint32_t mixerId, bool fail)
{
    std::lock_guard lock(mutex_);
    if (fail)
        unopenable_.insert(mixerId);
    else
        unopenable_.erase(mixerId);
}

std::vector<ScriptedMixerBackend::Write> ScriptedMixerBackend::writes() const
{
    std::lock_guard lock(mutex_);
    return writes_;
}

void ScriptedMixerBackend::clearWrites()
{
    std::lock_guard lock(mutex_);
    writes_.clear();
}

size_t ScriptedMixerBackend::watchCount(uint32_t mixerId) const
{
    std::lock_guard lock(mutex_);
    size_t count = 0;
    for (const auto& [id, watcher] : watchers_)
        count += watcher.mixerId == mixerId;
    return count;
}

// ---------------------------------------------------------------------------
// MixerBackend

std::vector<WaveDeviceDescription> ScriptedMixerBackend::waveOutDevices()
{
    std::lock_guard lock(mutex_);
    return waveOut_;
}

std::vector<WaveDeviceDescription> ScriptedMixerBackend::waveInDevices()
{
    std::lock_guard lock(mutex_);
    return waveIn_;
}

uint32_t ScriptedMixerBackend::mixerCount()
{
    std::lock_guard lock(mutex_);
    return uint32_t(mixers_.size());
}

std::shared_ptr<const MixerDescription> ScriptedMixerBackend::describe(uint32_t mixerId)
{
    std::lock_guard lock(mutex_);
    return mixerId < mixers_.size() ? mixers_[mixerId] : nullptr;
}

MMRESULT ScriptedMixerBackend::readValues(uint32_t mixerId, const ControlDescription& control,
                                          std::vector<uint32_t>& values)
{
    std::lock_guard lock(mutex_);
    auto found = controls_.find(control.id);
    if (found == controls_.end() || found->second.mixerId != mixerId)
        return MIXERR_INVALCONTROL;
    if (found->second.failReads)
        return MMSYSERR_ERROR;
    values = found->second.values;
    return MMSYSERR_NOERROR;
}

MMRESULT ScriptedMixerBackend::writeValues(uint32_t mixerId, const ControlDescription& control,
                                           const std::vector<uint32_t>& values)
{
    std::lock_guard lock(mutex_);
    auto found = controls_.find(control.id);
    if (found == controls_.end() || found->second.mixerId != mixerId)
        return MIXERR_INVALCONTROL;
    if (found->second.failWrites)
        return MMSYSERR_ERROR;
    writes_.push_back({mixerId, control.id, values});
    store(control.id, values);
    return MMSYSERR_NOERROR;
}

std::unique_ptr<MixerWatch> ScriptedMixerBackend::watch(uint32_t mixerId, WindowHandle window, uintptr_t wParam)
{
    std::lock_guard lock(mutex_);
    if (mixerId >= mixers_.size() || unopenable_.contains(mixerId))
        return nullptr;
    const uint64_t id = nextWatchId_++;
    watchers_[id] = Watcher{mixerId, window, wParam};
    return std::make_unique<Watch>(*this, id);
}

void ScriptedMixerBackend::unwatch(uint64_t watchId)
{
    std::lock_guard lock(mutex_);
    watchers_.erase(watchId);
}

}  // namespace platform
