// An in-memory mixer backend that tests arrange as they need: any lines and
// controls (a record selector of either kind or none, missing lines or
// controls), reads or writes that fail, mixers that cannot be opened. Every
// write through mixer.h is logged, and every change of a value, by a write or
// by setValues (another program, as it were), is posted to the windows of the
// open mixers as the real platform would post it.
#pragma once

#include "mixer/mixer_backend.h"

#include <map>
#include <mutex>
#include <set>

namespace platform {

class ScriptedMixerBackend : public MixerBackend {
public:
    struct Write {
        uint32_t mixerId;
        uint32_t controlId;
        std::vector<uint32_t> values;
    };

    // Arrangement. Identifiers are unique across all mixers of the backend.
    uint32_t addMixer(const std::string& name);
    void addWaveOutDevice(const std::string& productName, std::optional<uint32_t> mixerId);
    void addWaveInDevice(const std::string& productName, std::optional<uint32_t> mixerId);
    // Returns the line identifier.
    uint32_t addDestination(uint32_t mixerId, uint32_t componentType, const std::string& name,
                            uint32_t channels = 2);
    uint32_t addSource(uint32_t mixerId, uint32_t destinationLineId, uint32_t componentType,
                       const std::string& name, const std::string& shortName = {}, uint32_t channels = 2);
    // Returns the control identifier. A VOLUME control has two channels, the
    // other kinds one.
    uint32_t addVolume(uint32_t mixerId, uint32_t lineId, uint32_t minimum, uint32_t maximum, uint32_t value);
    uint32_t addMute(uint32_t mixerId, uint32_t lineId, uint32_t value);
    // A MUX or MIXER control with one item per given source line, in order.
    uint32_t addSelector(uint32_t mixerId, uint32_t lineId, uint32_t type, const std::vector<uint32_t>& itemLines,
                         std::vector<uint32_t> values);
    uint32_t addControl(uint32_t mixerId, uint32_t lineId, ControlDescription control, std::vector<uint32_t> values);
    // Puts an existing control on another line as well.
    void attachControl(uint32_t mixerId, uint32_t lineId, uint32_t controlId);

    // Values.
    std::vector<uint32_t> values(uint32_t controlId) const;
    uint32_t value(uint32_t controlId) const { return values(controlId).at(0); }
    // Changes a value from outside: notifies, is not logged.
    void setValues(uint32_t controlId, std::vector<uint32_t> values);

    // Failures.
    void failReads(uint32_t controlId, bool fail = true);
    void failWrites(uint32_t controlId, bool fail = true);
    void failOpen(uint32_t mixerId, bool fail = true);

    // Observation.
    std::vector<Write> writes() const;
    void clearWrites();
    size_t watchCount(uint32_t mixerId) const;

    // MixerBackend
    std::vector<WaveDeviceDescription> waveOutDevices() override;
    std::vector<WaveDeviceDescription> waveInDevices() override;
    uint32_t mixerCount() override;
    std::shared_ptr<const MixerDescription> describe(uint32_t mixerId) override;
    MMRESULT readValues(uint32_t mixerId, const ControlDescription& control, std::vector<uint32_t>& values) override;
    MMRESULT writeValues(uint32_t mixerId, const ControlDescription& control,
                         const std::vector<uint32_t>& values) override;
    std::unique_ptr<MixerWatch> watch(uint32_t mixerId, WindowHandle window, uintptr_t wParam) override;

private:
    class Watch;
    struct Watcher {
        uint32_t mixerId;
        WindowHandle window;
        uintptr_t wParam;
    };
    struct StoredControl {
        uint32_t mixerId;
        std::vector<uint32_t> values;
        bool failReads = false;
        bool failWrites = false;
    };

    // Copy-on-write: descriptions handed out stay as they were.
    LineDescription newLine(uint32_t componentType, const std::string& name, const std::string& shortName,
                            uint32_t channels);
    MixerDescription& editableMixer(uint32_t mixerId);
    LineDescription& editableLine(uint32_t mixerId, uint32_t lineId);
    void store(uint32_t controlId, std::vector<uint32_t> values);  // notifies on change; mutex held
    void unwatch(uint64_t watchId);

    mutable std::mutex mutex_;
    std::vector<std::shared_ptr<const MixerDescription>> mixers_;
    std::vector<WaveDeviceDescription> waveOut_;
    std::vector<WaveDeviceDescription> waveIn_;
    std::map<uint32_t, StoredControl> controls_;
    std::set<uint32_t> unopenable_;
    std::map<uint64_t, Watcher> watchers_;
    std::vector<Write> writes_;
    uint32_t nextLineId_ = 0x1000;
    uint32_t nextControlId_ = 100;
    uint64_t nextWatchId_ = 1;
};

}  // namespace platform
