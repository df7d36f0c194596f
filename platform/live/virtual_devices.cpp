#include "virtual_devices.h"

#include <unistd.h>

#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

namespace platform::live {

namespace {

constexpr milliseconds kServerTimeout{3000};
constexpr const char* kOwnerKey = "warblecast.owner=";

// Field 22 of /proc/PID/stat; 0 when the process does not exist.
uint64_t StartTimeOf(int64_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const size_t nameEnd = text.rfind(')');  // the command name may hold blanks and parentheses
    if (nameEnd == std::string::npos)
        return 0;
    std::istringstream fields(text.substr(nameEnd + 1));
    std::string field;
    for (int number = 3; number <= 22 && (fields >> field); ++number)
        if (number == 22)
            return std::stoull(field);
    return 0;
}

// Properties of a device: its description and its owner.
std::string DeviceProperties(const char* description, const ProcessIdentity& owner)
{
    return std::string("'device.description=\"") + description + "\" " + OwnerMark(owner) + "'";
}

}  // namespace

ProcessIdentity ThisProcess()
{
    const int64_t pid = getpid();
    return ProcessIdentity{pid, StartTimeOf(pid)};
}

bool IsRunning(const ProcessIdentity& process)
{
    return process.pid > 0 && StartTimeOf(process.pid) == process.startTime;
}

std::string OwnerMark(const ProcessIdentity& owner)
{
    return kOwnerKey + std::to_string(owner.pid) + "." + std::to_string(owner.startTime);
}

std::optional<ProcessIdentity> OwnerInArguments(const std::string& argument)
{
    const size_t at = argument.find(kOwnerKey);
    if (at == std::string::npos)
        return std::nullopt;
    const char* text = argument.c_str() + at + std::char_traits<char>::length(kOwnerKey);
    char* end = nullptr;
    ProcessIdentity owner;
    owner.pid = std::strtoll(text, &end, 10);
    if (end == text || *end != '.')
        return std::nullopt;
    text = end + 1;
    owner.startTime = std::strtoull(text, &end, 10);
    if (end == text)
        return std::nullopt;
    return owner;
}

std::string VirtualDevices::RemoveLeftovers()
{
    std::vector<ModuleInfo> modules;
    if (!session_.ListModules(modules, kServerTimeout))
        return "The sound server did not list its modules: " + session_.LastError();
    for (const ModuleInfo& module : modules) {
        const std::optional<ProcessIdentity> owner = OwnerInArguments(module.argument);
        if (!owner)
            continue;
        if (IsRunning(*owner))
            return "Live Voice is already running in another program (process " + std::to_string(owner->pid) +
                   "); only one at a time can make the virtual microphone \"" + kVirtualMicrophoneName + "\".";
        session_.UnloadModule(module.index, kServerTimeout);
    }
    return "";
}

std::string VirtualDevices::Make()
{
    if (std::string refusal = RemoveLeftovers(); !refusal.empty())
        return refusal;
    ServerInfo before;
    session_.QueryServer(before, kServerTimeout);
    const ProcessIdentity owner = ThisProcess();
    std::string error;
    uint32_t index = 0;
    // The sink keeps the server's own format: PulseAudio 16's null sink plays
    // some others (44100 Hz mono, 22050 Hz stereo) at half speed.
    if (!session_.LoadModule("module-null-sink",
                             std::string("sink_name=") + kLiveSinkName + " sink_properties=" +
                                 DeviceProperties(kLiveSinkDescription, owner),
                             index, error, kServerTimeout))
        return "Cannot make the virtual microphone (" + error + ").";
    sinkModule_ = index;
    if (!session_.LoadModule("module-remap-source",
                             std::string("source_name=") + kVirtualSourceName + " master=" + kLiveSinkName +
                                 ".monitor channels=1 source_properties=" +
                                 DeviceProperties(kVirtualMicrophoneName, owner),
                             index, error, kServerTimeout)) {
        Remove();
        return "Cannot make the virtual microphone (" + error + ").";
    }
    sourceModule_ = index;
    // PipeWire answers the load before the source is published: a program that
    // opened it by name in that moment would be given the default microphone.
    if (!AwaitSource()) {
        Remove();
        return "Cannot make the virtual microphone (it did not appear on the sound server).";
    }
    KeepDefaults(before);
    return "";
}

bool VirtualDevices::AwaitSource()
{
    const auto deadline = std::chrono::steady_clock::now() + kServerTimeout;
    while (!session_.SourceExists(kVirtualSourceName, kServerTimeout)) {
        if (session_.Lost() || std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(milliseconds(10));
    }
    return true;
}

void VirtualDevices::KeepDefaults(const ServerInfo& before)
{
    // A session manager (WirePlumber) may choose a new default a moment after
    // the devices appear: the watch catches that too.
    auto restore = [this, before](const ServerInfo& now, bool fromSessionThread) {
        const std::string monitor = std::string(kLiveSinkName) + ".monitor";
        const bool sinkTaken = now.defaultSink == kLiveSinkName && !before.defaultSink.empty();
        const bool sourceTaken = (now.defaultSource == kVirtualSourceName || now.defaultSource == monitor) &&
                                 !before.defaultSource.empty();
        if (sinkTaken)
            fromSessionThread ? session_.RequestDefaultSink(before.defaultSink)
                              : void(session_.SetDefaultSink(before.defaultSink, kServerTimeout));
        if (sourceTaken)
            fromSessionThread ? session_.RequestDefaultSource(before.defaultSource)
                              : void(session_.SetDefaultSource(before.defaultSource, kServerTimeout));
    };
    session_.WatchServer([restore](const ServerInfo& now) { restore(now, true); });
    ServerInfo now;
    if (session_.QueryServer(now, kServerTimeout))
        restore(now, false);
}

void VirtualDevices::Remove()
{
    session_.WatchServer(nullptr);
    // The source hangs on the sink's monitor: it goes first.
    for (std::optional<uint32_t>* module : {&sourceModule_, &sinkModule_}) {
        if (*module && !session_.Lost())
            session_.UnloadModule(**module, kServerTimeout);
        module->reset();
    }
}

}  // namespace platform::live
