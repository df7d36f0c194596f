// A connection to the sound server through its PulseAudio interface (which
// PulseAudio and PipeWire's pipewire-pulse both serve), with its own thread
// (pa_threaded_mainloop).
//
// Rules:
// - Every wait has a time limit: a server that does not answer makes a call
//   fail, never hang.
// - Callbacks of libpulse run on the session's thread with its lock held;
//   everyone else takes the lock (Lock) before touching libpulse objects.
// - The server is never asked to spawn itself.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

struct pa_context;
struct pa_operation;
struct pa_threaded_mainloop;

namespace platform::live {

using std::chrono::milliseconds;

// What the server says of itself.
struct ServerInfo {
    std::string defaultSink, defaultSource;
    std::string serverName;  // "pulseaudio", "PulseAudio (on PipeWire 0.3.65)"
};

struct ModuleInfo {
    uint32_t index = 0;
    std::string name, argument;
};

class PulseSession {
public:
    PulseSession();
    ~PulseSession();
    PulseSession(const PulseSession&) = delete;
    PulseSession& operator=(const PulseSession&) = delete;

    // Connects as `clientName`; an empty result means connected, otherwise it
    // says why not.
    std::string Connect(const std::string& clientName, milliseconds timeout);
    // The connection broke after Connect succeeded (the server went away).
    bool Lost() const;
    // Called on the session's thread when the connection breaks.
    void OnLost(std::function<void()> onLost);

    // The session's lock: libpulse objects are touched only while it is held.
    class Lock {
    public:
        explicit Lock(PulseSession& session);
        ~Lock();
        Lock(const Lock&) = delete;
        Lock& operator=(const Lock&) = delete;

    private:
        pa_threaded_mainloop* loop_;
    };

    pa_context* context() const { return context_; }
    // The text of the context's last error.
    std::string LastError() const;

    // The calls below take the lock themselves and wait at most `timeout`.
    bool QueryServer(ServerInfo& info, milliseconds timeout);
    bool ListModules(std::vector<ModuleInfo>& modules, milliseconds timeout);
    // The module's index, or a message.
    bool LoadModule(const std::string& name, const std::string& argument, uint32_t& index, std::string& error,
                    milliseconds timeout);
    bool UnloadModule(uint32_t index, milliseconds timeout);
    // Whether other clients can see the source yet.
    bool SourceExists(const std::string& name, milliseconds timeout);
    bool SetDefaultSink(const std::string& name, milliseconds timeout);
    bool SetDefaultSource(const std::string& name, milliseconds timeout);

    // Calls onChange on the session's thread with what the server says of
    // itself after each change of its own settings (such as its defaults).
    void WatchServer(std::function<void(const ServerInfo&)> onChange);
    // On the session's thread, without waiting for the answer.
    void RequestDefaultSink(const std::string& name);
    void RequestDefaultSource(const std::string& name);

private:
    // Waits for the operation with the lock held, cancelling it at the time limit.
    bool Await(pa_operation* operation, milliseconds timeout);
    void Disconnect();

    pa_threaded_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
    bool connected_ = false;
    std::function<void()> onLost_;
    std::function<void(const ServerInfo&)> onServerChange_;
};

}  // namespace platform::live
