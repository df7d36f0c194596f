#include "live_audio.h"

#include <pulse/pulseaudio.h>

#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <vector>

#include "pulse_session.h"
#include "virtual_devices.h"

namespace platform::live {

namespace {

constexpr milliseconds kServerTimeout{3000};
constexpr uint32_t kRate = 22050;
constexpr pa_sample_spec kFormat{PA_SAMPLE_S16LE, kRate, 1};

constexpr uint32_t BytesOf(uint32_t ms) { return kRate * ms / 1000 * 2; }
// The microphone is read every 5 ms. Towards a sink, the delay asked for is
// 30 ms (the server splits it between its own buffer and the stream's
// queue), and playing starts once 20 ms are queued, so that a late piece does
// not make the sink run dry.
constexpr uint32_t kPieceMs = 5, kStartMs = 20, kLatencyMs = 30;
// A sink's delay is checked over each second: when even its smallest value
// lies more than the margin above what was asked for (a sink that was slow to
// begin, or whose clock runs slower than the microphone's), the excess is
// dropped, so the delay never grows.
constexpr uint32_t kMarginMs = 15, kPiecesPerCheck = 1000 / kPieceMs;
constexpr int kRealTimePriority = 10;

const char* const kServerLost = "The sound server went away; Live Voice has ended.";
const char* const kMicrophoneLost = "The microphone went away; Live Voice has ended.";
const char* const kVirtualMicrophoneLost = "The virtual microphone was removed; Live Voice has ended.";

}  // namespace

class LiveAudio::Streams {
public:
    explicit Streams(Processor processor) : processor_(std::move(processor)), devices_(session_) {}

    ~Streams()
    {
        {
            PulseSession::Lock lock(session_);
            for (pa_stream** stream : {&record_, &play_, &hear_})
                Close(*stream);
        }
        devices_.Remove();
    }

    std::string Start(bool hearYourself)
    {
        if (std::string error = session_.Connect("Warblecast Live Voice", kServerTimeout); !error.empty())
            return "Live Voice needs a sound server, and none answers (" + error + ").";
        ServerInfo server;
        if (!session_.QueryServer(server, kServerTimeout))
            return "The sound server did not answer.";
        if (server.defaultSource.empty())
            return "There is no microphone: the sound server has no default source.";
        if (server.defaultSource == kVirtualSourceName ||
            server.defaultSource == std::string(kLiveSinkName) + ".monitor")
            return "The default source is the virtual microphone itself; choose a real microphone.";
        if (std::string error = devices_.Make(); !error.empty())
            return error;
        session_.OnLost([this] { End(kServerLost); });
        PulseSession::Lock lock(session_);
        play_ = OpenPlayback("Live Voice", kLiveSinkName, PA_STREAM_DONT_MOVE);
        record_ = OpenRecord(server.defaultSource);
        if (!play_ || !record_)
            return "Cannot start live sound (" + session_.LastError() + ").";
        if (hearYourself)
            hear_ = OpenPlayback("Hear Yourself", nullptr, PA_STREAM_NOFLAGS);
        return "";
    }

    void SetHearYourself(bool on)
    {
        PulseSession::Lock lock(session_);
        if (on && !hear_ && !Ended(nullptr)) {
            hear_ = OpenPlayback("Hear Yourself", nullptr, PA_STREAM_NOFLAGS);
            hearWatch_ = QueueWatch{};
        }
        else if (!on)
            Close(hear_);
    }

    bool Ended(std::string* why) const
    {
        std::lock_guard<std::mutex> lock(endMutex_);
        if (why)
            *why = endReason_;
        return !endReason_.empty();
    }

    LiveCounters Counters() const
    {
        std::lock_guard<std::mutex> lock(countersMutex_);
        return counters_;
    }

private:
    pa_stream* OpenRecord(const std::string& source)
    {
        pa_stream* stream = pa_stream_new(session_.context(), "Live Voice Microphone", &kFormat, nullptr);
        if (!stream)
            return nullptr;
        pa_stream_set_read_callback(stream, [](pa_stream*, size_t, void* self) { static_cast<Streams*>(self)->Read(); },
                                    this);
        pa_stream_set_state_callback(stream, OnStreamState, this);
        pa_buffer_attr attr{};
        attr.maxlength = uint32_t(-1);
        attr.fragsize = BytesOf(kPieceMs);
        // Do not move: when the microphone goes, live mode ends instead of
        // picking up some other source.
        if (pa_stream_connect_record(stream, source.c_str(), &attr,
                                     pa_stream_flags_t(PA_STREAM_ADJUST_LATENCY | PA_STREAM_DONT_MOVE)) < 0) {
            pa_stream_unref(stream);
            return nullptr;
        }
        return stream;
    }

    pa_stream* OpenPlayback(const char* name, const char* sink, pa_stream_flags_t flags)
    {
        pa_stream* stream = pa_stream_new(session_.context(), name, &kFormat, nullptr);
        if (!stream)
            return nullptr;
        pa_stream_set_state_callback(stream, OnStreamState, this);
        pa_stream_set_underflow_callback(stream, OnUnderflow, this);
        pa_stream_set_overflow_callback(stream, OnOverflow, this);
        pa_buffer_attr attr{};
        attr.maxlength = uint32_t(-1);
        attr.tlength = BytesOf(kLatencyMs);
        attr.prebuf = BytesOf(kStartMs);
        attr.minreq = BytesOf(kPieceMs);
        flags = pa_stream_flags_t(flags | PA_STREAM_ADJUST_LATENCY | PA_STREAM_INTERPOLATE_TIMING |
                                  PA_STREAM_AUTO_TIMING_UPDATE);
        if (pa_stream_connect_playback(stream, sink, &attr, flags,
                                       nullptr, nullptr) < 0) {
            pa_stream_unref(stream);
            return nullptr;
        }
        return stream;
    }

    static void Close(pa_stream*& stream)
    {
        if (!stream)
            return;
        pa_stream_set_state_callback(stream, nullptr, nullptr);
        pa_stream_set_read_callback(stream, nullptr, nullptr);
        pa_stream_set_underflow_callback(stream, nullptr, nullptr);
        pa_stream_set_overflow_callback(stream, nullptr, nullptr);
        pa_stream_disconnect(stream);
        pa_stream_unref(stream);
        stream = nullptr;
    }

    // Session thread: a stream failed or was ended by the server.
    static void OnStreamState(pa_stream* stream, void* data)
    {
        auto* self = static_cast<Streams*>(data);
        const pa_stream_state_t state = pa_stream_get_state(stream);
        if (state != PA_STREAM_FAILED && state != PA_STREAM_TERMINATED)
            return;
        if (!PA_CONTEXT_IS_GOOD(pa_context_get_state(self->session_.context())))
            self->End(kServerLost);
        else if (stream == self->record_)
            self->End(kMicrophoneLost);
        else if (stream == self->play_)
            self->End(kVirtualMicrophoneLost);
        else if (stream == self->hear_)
            Close(self->hear_);  // the headphones went: live mode goes on without them
    }

    static void OnUnderflow(pa_stream* stream, void* data)
    {
        auto* self = static_cast<Streams*>(data);
        if (stream == self->play_)
            self->Count([](LiveCounters& c) { ++c.underruns; });
    }

    static void OnOverflow(pa_stream* stream, void* data)
    {
        auto* self = static_cast<Streams*>(data);
        if (stream == self->play_)
            self->Count([](LiveCounters& c) { ++c.overruns; });
    }

    template <typename Change>
    void Count(Change change)
    {
        std::lock_guard<std::mutex> lock(countersMutex_);
        change(counters_);
    }

    void End(const char* why)
    {
        std::lock_guard<std::mutex> lock(endMutex_);
        if (endReason_.empty())
            endReason_ = why;
    }

    // Session thread: every piece the microphone delivered, processed and sent on.
    void Read()
    {
        if (!priorityAsked_) {
            AskForRealTimePriority();
            priorityAsked_ = true;
        }
        const void* data = nullptr;
        size_t bytes = 0;
        while (record_ && pa_stream_readable_size(record_) > 0 && pa_stream_peek(record_, &data, &bytes) == 0) {
            if (bytes == 0)
                break;
            const size_t count = bytes / 2;
            piece_.resize(count);
            if (data) {
                std::copy_n(static_cast<const int16_t*>(data), count, piece_.begin());
            } else {
                std::fill(piece_.begin(), piece_.end(), int16_t(0));  // a hole: silence keeps the time
                Count([](LiveCounters& c) { ++c.inputGaps; });
            }
            pa_stream_drop(record_);
            if (Ended(nullptr))
                continue;
            processor_(piece_.data(), int32_t(count));
            Count([&](LiveCounters& c) { c.samplesIn += count; });
            Send(play_, playWatch_, true);
            Send(hear_, hearWatch_, false);
        }
    }

    // How long a sink's queue has been too long, and what is to go.
    struct QueueWatch {
        pa_usec_t smallestDelay = PA_USEC_INVALID;
        uint32_t pieces = 0;
        size_t bytesToDrop = 0;
    };

    void Send(pa_stream* stream, QueueWatch& watch, bool counted)
    {
        if (!stream || pa_stream_get_state(stream) != PA_STREAM_READY)
            return;
        pa_usec_t delay = 0;
        int negative = 0;
        if (pa_stream_get_latency(stream, &delay, &negative) == 0 && !negative)
            watch.smallestDelay = std::min(watch.smallestDelay, delay);
        if (++watch.pieces == kPiecesPerCheck) {
            const pa_usec_t asked = kLatencyMs * 1000, margin = kMarginMs * 1000;
            if (watch.smallestDelay != PA_USEC_INVALID && watch.smallestDelay > asked + margin)
                watch.bytesToDrop = pa_usec_to_bytes(watch.smallestDelay - asked, &kFormat);
            watch.smallestDelay = PA_USEC_INVALID;
            watch.pieces = 0;
        }
        const size_t bytes = piece_.size() * 2;
        const size_t skip = std::min(watch.bytesToDrop, bytes);
        watch.bytesToDrop -= skip;
        if (counted && skip > 0)
            Count([&](LiveCounters& c) { c.droppedSamples += skip / 2; });
        if (skip < bytes)
            pa_stream_write(stream, reinterpret_cast<const uint8_t*>(piece_.data()) + skip, bytes - skip, nullptr, 0,
                            PA_SEEK_RELATIVE);
    }

    // A piece comes every 5 ms and must be passed on before the sink runs
    // dry: on a busy machine an ordinary thread can wait longer than that for
    // the processor. Real-time scheduling is taken when the system grants it
    // (as root, or within RLIMIT_RTPRIO); otherwise the thread stays as it is.
    static void AskForRealTimePriority()
    {
        sched_param param{};
        param.sched_priority = std::min(kRealTimePriority, sched_get_priority_max(SCHED_RR));
        pthread_setschedparam(pthread_self(), SCHED_RR, &param);
    }

    bool priorityAsked_ = false;
    Processor processor_;
    PulseSession session_;
    VirtualDevices devices_;
    pa_stream* record_ = nullptr;
    pa_stream* play_ = nullptr;
    pa_stream* hear_ = nullptr;
    QueueWatch playWatch_, hearWatch_;
    std::vector<int16_t> piece_;

    mutable std::mutex endMutex_;
    std::string endReason_;
    mutable std::mutex countersMutex_;
    LiveCounters counters_;
};

LiveAudio::LiveAudio() = default;

LiveAudio::~LiveAudio() { Stop(); }

std::string LiveAudio::Start(Processor processor, bool hearYourself)
{
    Stop();
    auto streams = std::make_unique<Streams>(std::move(processor));
    if (std::string error = streams->Start(hearYourself); !error.empty())
        return error;  // the streams' end removes whatever was made
    streams_ = std::move(streams);
    return "";
}

void LiveAudio::Stop() { streams_.reset(); }

void LiveAudio::SetHearYourself(bool on)
{
    if (streams_)
        streams_->SetHearYourself(on);
}

bool LiveAudio::Ended(std::string* why) const { return streams_ && streams_->Ended(why); }

LiveCounters LiveAudio::Counters() const { return streams_ ? streams_->Counters() : LiveCounters{}; }

}  // namespace platform::live
