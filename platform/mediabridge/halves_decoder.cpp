#include "halves_decoder.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <deque>
#include <future>
#include <numeric>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

extern "C" {
#include <libavutil/intreadwrite.h>
}

#include "converted_voice.h"

namespace media {

namespace {

// Shorter files take a fraction of a second anyway.
constexpr double kLeastSecondsToSplit = 20;
// What the tail decodes before the seam and throws away: first for its
// decoder to settle (an MP3 frame reaches back into earlier frames for its
// bits, Opus asks for 80 ms), then for its resampler's filter to fill.
constexpr double kDecoderRunInSeconds = 1.0;
constexpr double kResamplerRunInSeconds = 0.25;
// How often a waiting head looks at the stop request and the progress.
constexpr auto kPollInterval = std::chrono::milliseconds(20);

int64_t StartSkip(const AVPacket& packet)
{
    size_t size = 0;
    const uint8_t* skip = av_packet_get_side_data(&packet, AV_PKT_DATA_SKIP_SAMPLES, &size);
    return skip && size >= 4 ? int64_t(AV_RL32(skip)) : 0;
}

// The first voice sample at or after source sample `source`.
int64_t VoiceSampleAt(int64_t source, int sourceRate)
{
    return (source * kVoiceSampleRate + sourceRate - 1) / sourceRate;
}

// The seam is the first packet stamped at or after the middle of the declared
// length; the samples before it are what the packets before it declare, less
// what the file says to skip at the start.
class SeamFinder {
public:
    explicit SeamFinder(const AudioInput& input)
        : timeBase_(input.Stream().time_base), rate_(input.Stream().codecpar->sample_rate)
    {
        const AVStream& stream = input.Stream();
        start_ = stream.start_time != AV_NOPTS_VALUE ? stream.start_time : 0;
        const int64_t length = int64_t(input.DeclaredSeconds() / av_q2d(timeBase_));
        middle_ = start_ + length / 2;
    }

    // To be called for every packet in order.
    bool IsSeam(const AVPacket& packet)
    {
        if (found_)
            return false;
        if (packet.pts != AV_NOPTS_VALUE && packet.pts >= middle_)
            return found_ = true;
        samplesBefore_ += Samples(packet) - StartSkip(packet);
        return false;
    }
    int64_t SamplesBefore() const { return samplesBefore_; }
    int64_t Samples(const AVPacket& packet) const { return av_rescale_q(packet.duration, timeBase_, {1, rate_}); }
    int SampleRate() const { return rate_; }

    // How much of its half the head or the tail has done at a packet, of
    // HalfLength() in the stream's time units.
    int64_t HeadDone(const AVPacket& packet) const { return Clamped(packet.pts - start_); }
    int64_t TailDone(const AVPacket& packet) const { return Clamped(packet.pts - middle_); }
    int64_t HalfLength() const { return middle_ - start_; }

private:
    int64_t Clamped(int64_t done) const { return std::clamp<int64_t>(done, 0, HalfLength()); }

    AVRational timeBase_;
    int rate_;
    int64_t start_ = 0;
    int64_t middle_ = 0;
    bool found_ = false;
    int64_t samplesBefore_ = 0;
};

// The decoded frames' layout, format and rate: the halves must agree at the seam.
struct SourceKind {
    int format = AV_SAMPLE_FMT_NONE;
    int rate = 0;
    int channels = 0;
    int order = 0;
    uint64_t mask = 0;

    static SourceKind Of(const AVFrame& frame)
    {
        const bool native = frame.ch_layout.order == AV_CHANNEL_ORDER_NATIVE;
        return {frame.format, frame.sample_rate, frame.ch_layout.nb_channels, int(frame.ch_layout.order),
                native ? frame.ch_layout.u.mask : 0};
    }
    bool operator==(const SourceKind&) const = default;
};

// What the tail tells the head once it is ready at the seam.
struct Seam {
    bool ready = false;  // false: the head decodes everything
    int64_t samplesBefore = 0;
    SourceKind source;
};

// One run-in packet as the tail decoded it.
struct RunInPacket {
    int64_t declared = 0;
    int64_t decoded = 0;
    std::vector<FramePtr> frames;
};

class TailDecoder {
public:
    TailDecoder(std::string path, PieceStore& store) : path_(std::move(path)), store_(store) {}

    // On the tail's own thread.
    int32_t Run()
    {
        Seam seam;
        int32_t result = MEDIA_OK;
        try {
            result = Start(seam);
        } catch (...) {
            GiveUp();
            throw;
        }
        if (!seam.ready) {
            GiveUp();
            return result;
        }
        seam_.set_value(seam);
        return Continue();
    }
    // Tells the head to decode everything itself.
    void GiveUp()
    {
        gaveUp_ = true;
        seam_.set_value(Seam{});
    }
    std::future<Seam> SeamToCome() { return seam_.get_future(); }
    void Stop() { stop_ = true; }
    // How much of its half it has decoded, of the seam finder's HalfLength().
    int64_t Done() const { return done_; }
    // It found no seam where it can join the head.
    bool GaveUp() const { return gaveUp_; }

private:
    int32_t Start(Seam& seam);
    int32_t ReadToSeam(SeamFinder& finder, std::deque<PacketPtr>& runIn);
    int32_t DecodeRunIn(const std::deque<PacketPtr>& runIn, const SeamFinder& finder, std::vector<RunInPacket>& decoded);
    int32_t FeedResampler(std::vector<RunInPacket>& runIn, const SeamFinder& finder, Seam& seam);
    int32_t Continue();

    std::string path_;
    PieceStore& store_;
    std::promise<Seam> seam_;
    std::atomic<bool> stop_{false};
    std::atomic<int64_t> done_{0};
    std::atomic<bool> gaveUp_{false};
    AudioInput input_;
    std::optional<SeamFinder> finder_;
    std::optional<ConvertedVoice> voice_;
    PacketPtr seamPacket_;
};

int32_t TailDecoder::Start(Seam& seam)
{
    if (input_.Open(path_) != MEDIA_OK)
        return MEDIA_OK;  // the head, which opened the file, decodes it all
    finder_.emplace(input_);
    std::deque<PacketPtr> runIn;
    if (const int32_t read = ReadToSeam(*finder_, runIn); read != MEDIA_OK || !seamPacket_)
        return read;
    std::vector<RunInPacket> decoded;
    if (const int32_t result = DecodeRunIn(runIn, *finder_, decoded))
        return result;
    return FeedResampler(decoded, *finder_, seam);
}

// Reads up to the seam packet, keeping the packets of the run-in before it.
int32_t TailDecoder::ReadToSeam(SeamFinder& finder, std::deque<PacketPtr>& runIn)
{
    const int64_t runInSamples =
        int64_t((kDecoderRunInSeconds + kResamplerRunInSeconds) * finder.SampleRate());
    int64_t kept = 0;
    for (;;) {
        if (stop_)
            return MEDIA_STOPPED;
        PacketPtr packet(Required(av_packet_alloc()));
        const int32_t read = input_.ReadPacket(*packet);
        if (read != MEDIA_OK)
            return read == AudioInput::kEndOfSound ? MEDIA_OK : read;
        if (finder.IsSeam(*packet)) {
            seamPacket_ = std::move(packet);
            return MEDIA_OK;
        }
        kept += finder.Samples(*packet);
        runIn.push_back(std::move(packet));
        while (kept - finder.Samples(*runIn.front()) >= runInSamples) {
            kept -= finder.Samples(*runIn.front());
            runIn.pop_front();
        }
    }
}

int32_t TailDecoder::DecodeRunIn(const std::deque<PacketPtr>& runIn, const SeamFinder& finder,
                                 std::vector<RunInPacket>& decoded)
{
    for (const PacketPtr& packet : runIn) {
        RunInPacket& out = decoded.emplace_back();
        out.declared = finder.Samples(*packet);
        const int32_t result = input_.DecodePacket(*packet, [&](const AVFrame& frame) {
            out.decoded += frame.nb_samples;
            out.frames.emplace_back(Required(av_frame_clone(&frame)));
            return MEDIA_OK;
        });
        if (result != MEDIA_OK)
            return result;
    }
    return MEDIA_OK;
}

// Feeds the resampler the last run-in samples, from one whose time falls on
// a voice sample, and tells the seam when every run-in packet it takes gave
// the samples it declares (so the head's decoder gave as many) in frames of
// the kind the file declares.
int32_t TailDecoder::FeedResampler(std::vector<RunInPacket>& runIn, const SeamFinder& finder, Seam& seam)
{
    const int64_t wanted = int64_t(kResamplerRunInSeconds * finder.SampleRate());
    int64_t fed = 0;
    size_t first = runIn.size();
    while (fed < wanted && first > 0) {
        const RunInPacket& packet = runIn[--first];
        if (packet.decoded != packet.declared || packet.frames.empty())
            return MEDIA_OK;
        fed += packet.decoded;
    }
    const int64_t samplesBefore = finder.SamplesBefore();
    if (fed < wanted || samplesBefore < fed)
        return MEDIA_OK;  // the seam lies too near the start
    const SourceKind source = SourceKind::Of(*runIn[first].frames.front());
    if (source.rate != finder.SampleRate())
        return MEDIA_OK;
    for (size_t i = first; i < runIn.size(); ++i)
        for (const FramePtr& frame : runIn[i].frames)
            if (!(SourceKind::Of(*frame) == source))
                return MEDIA_OK;
    // A voice sample falls on every `grid`th source sample.
    const int64_t grid = source.rate / std::gcd(source.rate, kVoiceSampleRate);
    int64_t skip = (grid - (samplesBefore - fed) % grid) % grid;
    if (skip >= fed)
        return MEDIA_OK;
    const int64_t firstFed = samplesBefore - fed + skip;

    voice_.emplace(store_);
    voice_->Keep(VoiceSampleAt(samplesBefore, source.rate) - firstFed * kVoiceSampleRate / source.rate,
                 std::numeric_limits<int64_t>::max());
    for (size_t i = first; i < runIn.size(); ++i)
        for (const FramePtr& frame : runIn[i].frames) {
            const int from = int(std::min<int64_t>(skip, frame->nb_samples));
            skip -= from;
            if (from < frame->nb_samples)
                if (const int32_t result = voice_->Add(*frame, from))
                    return result;
        }
    seam = {true, samplesBefore, source};
    return MEDIA_OK;
}

int32_t TailDecoder::Continue()
{
    const auto sink = [&](const AVFrame& frame) { return voice_->Add(frame); };
    PacketPtr packet = std::move(seamPacket_);
    for (;;) {
        if (stop_)
            return MEDIA_STOPPED;
        done_ = finder_->TailDone(*packet);
        const int32_t decoded = input_.DecodePacket(*packet, sink);
        av_packet_unref(packet.get());
        if (decoded != MEDIA_OK)
            return decoded;
        const int32_t read = input_.ReadPacket(*packet);
        if (read == AudioInput::kEndOfSound)
            break;
        if (read != MEDIA_OK)
            return read;
    }
    if (const int32_t result = input_.DecodeRest(sink))
        return result;
    done_ = finder_->HalfLength();
    return voice_->Finish();
}

// The tail's thread, which ends before the decoder or its store goes, however
// the head returns.
class TailThread {
public:
    TailThread(const std::string& path, PieceStore& store)
        : store_(store), tail_(path, store), seam_(tail_.SeamToCome())
    {
        try {
            result_ = std::async(std::launch::async, [this] { return tail_.Run(); });
        } catch (const std::system_error&) {
            tail_.GiveUp();  // no thread to be had: the head decodes it all
        }
    }
    ~TailThread()
    {
        tail_.Stop();
        if (result_.valid())
            result_.wait();
    }

    TailDecoder& tail() { return tail_; }
    // Ends the tail, and gives what it stored back to the budget, for the
    // head to decode everything.
    void Abandon()
    {
        tail_.Stop();
        if (result_.valid())
            result_.wait();
        store_.Clear();
    }
    // Waits, as long as the caller does not ask to stop, for the seam or the end.
    bool AwaitSeam(Hooks& hooks) { return Await(seam_, hooks); }
    bool AwaitEnd(Hooks& hooks) { return Await(result_, hooks); }
    Seam TakeSeam() { return seam_.get(); }
    int32_t TakeResult() { return result_.get(); }

private:
    template <class Future>
    bool Await(Future& future, Hooks& hooks)
    {
        while (future.wait_for(kPollInterval) != std::future_status::ready)
            if (hooks.StopRequested())
                return false;
        return true;
    }

    PieceStore& store_;
    TailDecoder tail_;
    std::future<Seam> seam_;
    std::future<int32_t> result_;
};

}  // namespace

bool WorthDecodingInHalves(const AudioInput& input)
{
    const AVCodecID codec = input.Stream().codecpar->codec_id;
    // The tail opens the file again: a pipe would give it what the head misses.
    return (codec == AV_CODEC_ID_MP3 || codec == AV_CODEC_ID_OPUS) && input.Seekable() &&
           input.DeclaredSeconds() >= kLeastSecondsToSplit && input.Stream().codecpar->sample_rate > 0 &&
           std::thread::hardware_concurrency() >= 2;
}

int32_t DecodeInHalves(const std::string& path, AudioInput& input, PieceStore& head, PieceStore& tail, Hooks& hooks,
                       bool& inHalves)
{
    inHalves = false;
    TailThread thread(path, tail);
    SeamFinder finder(input);
    ConvertedVoice voice(head);
    int64_t decoded = 0;
    SourceKind source;
    const auto sink = [&](const AVFrame& frame) {
        decoded += frame.nb_samples;
        source = SourceKind::Of(frame);
        return voice.Add(frame);
    };
    bool joined = false;
    bool alone = false;  // the tail has given up its half
    const auto progress = [&](const AVPacket& packet) {
        alone = alone || thread.tail().GaveUp();
        if (alone)
            return hooks.Progress(input.PercentRead());
        const int64_t done = finder.HeadDone(packet) + thread.tail().Done();
        hooks.Progress(int32_t(std::min<int64_t>(99, done * 100 / std::max<int64_t>(1, 2 * finder.HalfLength()))));
    };

    PacketPtr packet(Required(av_packet_alloc()));
    for (;;) {
        if (hooks.StopRequested())
            return MEDIA_STOPPED;
        const int32_t read = input.ReadPacket(*packet);
        if (read == AudioInput::kEndOfSound)
            break;
        if (read != MEDIA_OK)
            return read;
        if (finder.IsSeam(*packet)) {
            if (!thread.AwaitSeam(hooks))
                return MEDIA_STOPPED;
            const Seam seam = thread.TakeSeam();
            joined = seam.ready && seam.samplesBefore == decoded && seam.source == source;
            if (joined)
                voice.Keep(0, VoiceSampleAt(decoded, source.rate));
            else
                thread.Abandon();
            alone = !joined;
        }
        const int32_t result = input.DecodePacket(*packet, sink);
        progress(*packet);
        av_packet_unref(packet.get());
        if (result != MEDIA_OK)
            return result;
        if (voice.Complete())
            break;
    }
    if (!voice.Complete()) {
        if (const int32_t result = input.DecodeRest(sink))
            return result;
        if (const int32_t result = voice.Finish())
            return result;
    }
    if (joined) {
        if (!thread.AwaitEnd(hooks))
            return MEDIA_STOPPED;
        if (const int32_t result = thread.TakeResult())
            return result;
        inHalves = true;
    }
    hooks.Progress(100);
    return MEDIA_OK;
}

}  // namespace media
