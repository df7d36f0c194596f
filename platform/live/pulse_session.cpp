#include "pulse_session.h"

#include <pulse/pulseaudio.h>

#include <thread>

namespace platform::live {

namespace {

using Clock = std::chrono::steady_clock;
constexpr milliseconds kPollInterval{2};

// Results that libpulse's callbacks fill in on the session's thread.
struct ServerReply {
    ServerInfo* info;
    bool done = false;
};
struct ModuleListReply {
    std::vector<ModuleInfo>* modules;
    bool done = false;
};
struct IndexReply {
    uint32_t index = PA_INVALID_INDEX;
    bool done = false;
};
struct SuccessReply {
    bool success = false;
};
struct FoundReply {
    bool found = false;
    bool done = false;
};

ServerInfo InfoOf(const pa_server_info& i)
{
    auto text = [](const char* s) { return std::string(s ? s : ""); };
    return ServerInfo{text(i.default_sink_name), text(i.default_source_name), text(i.server_name)};
}

void OnServerInfo(pa_context*, const pa_server_info* i, void* data)
{
    auto* reply = static_cast<ServerReply*>(data);
    if (i) {
        *reply->info = InfoOf(*i);
        reply->done = true;
    }
}

void OnModuleInfo(pa_context*, const pa_module_info* i, int eol, void* data)
{
    auto* reply = static_cast<ModuleListReply*>(data);
    if (eol > 0) {
        reply->done = true;
    } else if (i) {
        reply->modules->push_back(ModuleInfo{i->index, i->name ? i->name : "", i->argument ? i->argument : ""});
    }
}

void OnIndex(pa_context*, uint32_t index, void* data)
{
    auto* reply = static_cast<IndexReply*>(data);
    reply->index = index;
    reply->done = true;
}

void OnSuccess(pa_context*, int success, void* data) { static_cast<SuccessReply*>(data)->success = success != 0; }

void OnSourceInfo(pa_context*, const pa_source_info* i, int eol, void* data)
{
    auto* reply = static_cast<FoundReply*>(data);
    if (i)
        reply->found = true;
    if (eol != 0)
        reply->done = true;
}

}  // namespace

PulseSession::PulseSession() : loop_(pa_threaded_mainloop_new()) {}

PulseSession::~PulseSession()
{
    Disconnect();
    if (loop_)
        pa_threaded_mainloop_free(loop_);
}

PulseSession::Lock::Lock(PulseSession& session) : loop_(session.loop_) { pa_threaded_mainloop_lock(loop_); }

PulseSession::Lock::~Lock() { pa_threaded_mainloop_unlock(loop_); }

std::string PulseSession::Connect(const std::string& clientName, milliseconds timeout)
{
    if (!loop_ || pa_threaded_mainloop_start(loop_) < 0)
        return "cannot start the sound server's connection thread";
    Lock lock(*this);
    context_ = pa_context_new(pa_threaded_mainloop_get_api(loop_), clientName.c_str());
    if (!context_)
        return "cannot make a sound server connection";
    pa_context_set_state_callback(
        context_,
        [](pa_context* c, void* data) {
            auto* self = static_cast<PulseSession*>(data);
            const pa_context_state_t state = pa_context_get_state(c);
            if (self->connected_ && (state == PA_CONTEXT_FAILED || state == PA_CONTEXT_TERMINATED) &&
                self->onLost_)
                self->onLost_();
        },
        this);
    if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
        return LastError();
    const Clock::time_point deadline = Clock::now() + timeout;
    for (;;) {
        const pa_context_state_t state = pa_context_get_state(context_);
        if (state == PA_CONTEXT_READY)
            break;
        if (!PA_CONTEXT_IS_GOOD(state))
            return LastError();
        if (Clock::now() >= deadline)
            return "the sound server did not answer";
        pa_threaded_mainloop_unlock(loop_);
        std::this_thread::sleep_for(kPollInterval);
        pa_threaded_mainloop_lock(loop_);
    }
    connected_ = true;
    return "";
}

bool PulseSession::Lost() const
{
    return connected_ && context_ && !PA_CONTEXT_IS_GOOD(pa_context_get_state(context_));
}

void PulseSession::OnLost(std::function<void()> onLost)
{
    Lock lock(*this);
    onLost_ = std::move(onLost);
}

std::string PulseSession::LastError() const
{
    return context_ ? pa_strerror(pa_context_errno(context_)) : "no connection";
}

bool PulseSession::Await(pa_operation* operation, milliseconds timeout)
{
    if (!operation)
        return false;
    const Clock::time_point deadline = Clock::now() + timeout;
    while (pa_operation_get_state(operation) == PA_OPERATION_RUNNING && Clock::now() < deadline &&
           PA_CONTEXT_IS_GOOD(pa_context_get_state(context_))) {
        pa_threaded_mainloop_unlock(loop_);
        std::this_thread::sleep_for(kPollInterval);
        pa_threaded_mainloop_lock(loop_);
    }
    const bool done = pa_operation_get_state(operation) == PA_OPERATION_DONE;
    if (!done)
        pa_operation_cancel(operation);
    pa_operation_unref(operation);
    return done;
}

bool PulseSession::QueryServer(ServerInfo& info, milliseconds timeout)
{
    Lock lock(*this);
    ServerReply reply{&info};
    return context_ && Await(pa_context_get_server_info(context_, OnServerInfo, &reply), timeout) && reply.done;
}

bool PulseSession::ListModules(std::vector<ModuleInfo>& modules, milliseconds timeout)
{
    Lock lock(*this);
    modules.clear();
    ModuleListReply reply{&modules};
    return context_ && Await(pa_context_get_module_info_list(context_, OnModuleInfo, &reply), timeout) &&
           reply.done;
}

bool PulseSession::LoadModule(const std::string& name, const std::string& argument, uint32_t& index,
                              std::string& error, milliseconds timeout)
{
    Lock lock(*this);
    IndexReply reply;
    if (!context_ ||
        !Await(pa_context_load_module(context_, name.c_str(), argument.c_str(), OnIndex, &reply), timeout) ||
        !reply.done) {
        error = "the sound server did not answer";
        return false;
    }
    if (reply.index == PA_INVALID_INDEX) {
        error = LastError();
        return false;
    }
    index = reply.index;
    return true;
}

bool PulseSession::SourceExists(const std::string& name, milliseconds timeout)
{
    Lock lock(*this);
    FoundReply reply;
    return context_ &&
           Await(pa_context_get_source_info_by_name(context_, name.c_str(), OnSourceInfo, &reply), timeout) &&
           reply.found;
}

bool PulseSession::UnloadModule(uint32_t index, milliseconds timeout)
{
    Lock lock(*this);
    SuccessReply reply;
    return context_ && Await(pa_context_unload_module(context_, index, OnSuccess, &reply), timeout) && reply.success;
}

bool PulseSession::SetDefaultSink(const std::string& name, milliseconds timeout)
{
    Lock lock(*this);
    SuccessReply reply;
    return context_ && Await(pa_context_set_default_sink(context_, name.c_str(), OnSuccess, &reply), timeout) &&
           reply.success;
}

bool PulseSession::SetDefaultSource(const std::string& name, milliseconds timeout)
{
    Lock lock(*this);
    SuccessReply reply;
    return context_ && Await(pa_context_set_default_source(context_, name.c_str(), OnSuccess, &reply), timeout) &&
           reply.success;
}

void PulseSession::WatchServer(std::function<void(const ServerInfo&)> onChange)
{
    Lock lock(*this);
    onServerChange_ = std::move(onChange);
    if (!context_)
        return;
    pa_context_set_subscribe_callback(
        context_,
        [](pa_context* c, pa_subscription_event_type_t, uint32_t, void* data) {
            auto onInfo = [](pa_context*, const pa_server_info* i, void* self) {
                auto* session = static_cast<PulseSession*>(self);
                if (i && session->onServerChange_)
                    session->onServerChange_(InfoOf(*i));
            };
            if (pa_operation* operation = pa_context_get_server_info(c, onInfo, data))
                pa_operation_unref(operation);
        },
        this);
    if (pa_operation* operation = pa_context_subscribe(context_, PA_SUBSCRIPTION_MASK_SERVER, nullptr, nullptr))
        pa_operation_unref(operation);
}

void PulseSession::RequestDefaultSink(const std::string& name)
{
    if (pa_operation* operation = pa_context_set_default_sink(context_, name.c_str(), nullptr, nullptr))
        pa_operation_unref(operation);
}

void PulseSession::RequestDefaultSource(const std::string& name)
{
    if (pa_operation* operation = pa_context_set_default_source(context_, name.c_str(), nullptr, nullptr))
        pa_operation_unref(operation);
}

void PulseSession::Disconnect()
{
    if (!loop_)
        return;
    if (context_) {
        {
            Lock lock(*this);
            connected_ = false;
            pa_context_set_state_callback(context_, nullptr, nullptr);
            pa_context_set_subscribe_callback(context_, nullptr, nullptr);
            pa_context_disconnect(context_);
            pa_context_unref(context_);
            context_ = nullptr;
        }
    }
    pa_threaded_mainloop_stop(loop_);
}

}  // namespace platform::live
