// The virtual microphone: a null sink "warblecast_live" ("Warblecast Live
// Output") that the live voice plays into, and a source "warblecast_voice"
// ("Warblecast Voice") over its monitor that any program can record from.
//
// Rules:
// - Both modules carry their owner (process id and start time) in their
//   arguments, so the devices of a process that died are recognised and
//   removed at the next start, and a live process is never robbed of its own.
// - One set of devices on a server: while another live process owns them, a
//   second one is refused with a clear message.
// - The default sink and source are never changed: if the server makes a new
//   device its default, the old default is put back.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "pulse_session.h"

namespace platform::live {

inline constexpr const char* kLiveSinkName = "warblecast_live";
inline constexpr const char* kLiveSinkDescription = "Warblecast Live Output";
inline constexpr const char* kVirtualSourceName = "warblecast_voice";
inline constexpr const char* kVirtualMicrophoneName = "Warblecast Voice";

// A process, told apart from a later one that reuses its id.
struct ProcessIdentity {
    int64_t pid = 0;
    uint64_t startTime = 0;  // clock ticks since boot (/proc/PID/stat, field 22)
    bool operator==(const ProcessIdentity&) const = default;
};
ProcessIdentity ThisProcess();
// Whether that very process is still running.
bool IsRunning(const ProcessIdentity& process);
// The owner mark as it stands in a module's arguments ("warblecast.owner=PID.START").
std::string OwnerMark(const ProcessIdentity& owner);
// The owner named in a module's arguments, if they carry a mark.
std::optional<ProcessIdentity> OwnerInArguments(const std::string& argument);

class VirtualDevices {
public:
    explicit VirtualDevices(PulseSession& session) : session_(session) {}
    ~VirtualDevices() { Remove(); }
    VirtualDevices(const VirtualDevices&) = delete;
    VirtualDevices& operator=(const VirtualDevices&) = delete;

    // Removes what a dead owner left, then makes the devices. An empty result
    // means they exist; otherwise it says why not.
    std::string Make();
    // Unloads both modules (also when the server has gone: then nothing is left).
    void Remove();

private:
    std::string RemoveLeftovers();
    // Puts the old defaults back whenever the server makes one of our devices a default.
    void KeepDefaults(const ServerInfo& before);
    bool AwaitSource();

    PulseSession& session_;
    std::optional<uint32_t> sinkModule_, sourceModule_;
};

}  // namespace platform::live
