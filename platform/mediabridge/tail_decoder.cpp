#include "tail_decoder.h"

#include <algorithm>
#include <limits>
#include <numeric>

namespace media {

namespace {

// What the tail decodes before the seam and throws away: first for its
// decoder to settle (an MP3 frame reaches back into earlier frames for its
// bits, Opus asks for 80 ms), then for its resampler's filter to fill.
constexpr double kDecoderRunInSeconds = 1.0;
constexpr double kResamplerRunInSeconds = 0.25;

}  // namespace

int32_t TailDecoder::Run()
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

}  // namespace media
