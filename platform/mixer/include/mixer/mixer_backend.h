// What a mixer backend provides to the calls of mixer.h: the wave devices, a
// description of each mixer (its lines and controls), control values, and
// watches that post change notifications. The calls of mixer.h do the lookups,
// the channel and item shaping and the checks once, for every backend.
//
// The process-wide backend is ALSA's (alsa_mixer.h) until another is
// installed with SetMixerBackend; tests install a ScriptedMixerBackend.
#pragma once

#include "mixer/mixer.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {

struct MixerItemText {
    uint32_t lineId = 0;         // the item's source line, 0 when none
    uint32_t componentType = 0;  // the source line's component type
    std::string name;
};

struct ControlDescription {
    uint32_t id = 0;
    uint32_t type = 0;
    uint32_t channels = 1;  // value channels; 1 for uniform controls
    uint32_t minimum = 0;
    uint32_t maximum = 0;
    std::string name;
    std::vector<MixerItemText> items;  // MUX and MIXER controls: one per item

    uint32_t itemCount() const { return uint32_t(items.size()); }
    // Values the control holds: channels x max(items, 1).
    uint32_t valueCount() const { return channels * (items.empty() ? 1 : itemCount()); }
};

struct LineDescription {
    uint32_t id = 0;
    uint32_t componentType = 0;
    uint32_t channels = 1;
    std::string name;
    std::string shortName;          // empty: the name, cut to 15 characters
    std::vector<uint32_t> controls;  // identifiers; a control may sit on several lines
    std::vector<LineDescription> sources;  // destinations only
};

struct MixerDescription {
    std::string name;
    std::vector<LineDescription> destinations;
    std::vector<ControlDescription> controls;

    const ControlDescription* findControl(uint32_t id) const;
};

struct WaveDeviceDescription {
    std::string productName;
    std::optional<uint32_t> mixerId;
};

// Lives while a mixer is open: posts the notifications to its window.
class MixerWatch {
public:
    virtual ~MixerWatch() = default;
};

class MixerBackend {
public:
    virtual ~MixerBackend() = default;

    virtual std::vector<WaveDeviceDescription> waveOutDevices() = 0;
    virtual std::vector<WaveDeviceDescription> waveInDevices() = 0;

    virtual uint32_t mixerCount() = 0;
    // Null when the mixer cannot be described.
    virtual std::shared_ptr<const MixerDescription> describe(uint32_t mixerId) = 0;

    // All control.valueCount() values, channel by channel.
    virtual MMRESULT readValues(uint32_t mixerId, const ControlDescription& control,
                                std::vector<uint32_t>& values) = 0;
    virtual MMRESULT writeValues(uint32_t mixerId, const ControlDescription& control,
                                 const std::vector<uint32_t>& values) = 0;

    // Starts posting MM_MIXM_CONTROL_CHANGE to window, with wParam as given,
    // for every change of a control of the mixer; null when it cannot.
    virtual std::unique_ptr<MixerWatch> watch(uint32_t mixerId, WindowHandle window, uintptr_t wParam) = 0;
};

// Installs a backend for the whole process and returns the previous one; null
// goes back to the ALSA backend. Mixers opened before keep their backend.
std::shared_ptr<MixerBackend> SetMixerBackend(std::shared_ptr<MixerBackend> backend);
std::shared_ptr<MixerBackend> CurrentMixerBackend();

}  // namespace platform
