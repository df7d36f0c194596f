#include "halves_decoder.h"

#include <algorithm>
#include <thread>

#include "converted_voice.h"
#include "seam.h"
#include "tail_decoder.h"

namespace media {

namespace {

// Shorter files take a fraction of a second anyway.
constexpr double kLeastSecondsToSplit = 20;

}  // namespace

bool WorthDecodingInHalves(const AudioInput& input)
{
    const AVCodecID codec = input.Stream().codecpar->codec_id;
    // The tail opens the file again: a pipe would give it what the head misses.
    return (codec == AV_CODEC_ID_MP3 || codec == AV_CODEC_ID_OPUS) && input.Seekable() &&
           input.DeclaredSeconds() >= kLeastSecondsToSplit && input.Stream().codecpar->sample_rate > 0 &&
           std::thread::hardware_concurrency() >= 2;
}

namespace {

// The head: a straight decode that, at the seam, either hands the rest to the
// tail (and keeps the voice samples before the seam) or abandons the tail.
class HeadDecoder {
public:
    HeadDecoder(const std::string& path, AudioInput& input, PieceStore& head, PieceStore& tail, Hooks& hooks)
        : input_(input), hooks_(hooks), thread_(path, tail), finder_(input), voice_(head)
    {
    }

    int32_t Run(bool& inHalves);

private:
    int32_t DecodePackets();
    int32_t Add(const AVFrame& frame)
    {
        decoded_ += frame.nb_samples;
        source_ = SourceKind::Of(frame);
        return voice_.Add(frame);
    }
    bool JoinAtSeam();
    void ShowProgress();

    AudioInput& input_;
    Hooks& hooks_;
    TailThread thread_;
    SeamFinder finder_;
    ConvertedVoice voice_;
    int64_t decoded_ = 0;  // samples the head's decoder gave
    SourceKind source_;    // the kind of its last frame
    int64_t headDone_ = 0;
    bool joined_ = false;
    bool alone_ = false;  // the tail has given up its half or been abandoned
};

int32_t HeadDecoder::Run(bool& inHalves)
{
    inHalves = false;
    if (const int32_t result = DecodePackets())
        return result;
    if (!voice_.Complete()) {  // the file ended before the seam's voice sample, or had no seam
        if (const int32_t result = input_.DecodeRest([this](const AVFrame& frame) { return Add(frame); }))
            return result;
        if (const int32_t result = voice_.Finish())
            return result;
    }
    if (joined_) {
        if (!thread_.AwaitEnd(hooks_, [this] { ShowProgress(); }))
            return MEDIA_STOPPED;
        if (const int32_t result = thread_.TakeResult())
            return result;
        inHalves = true;
    }
    hooks_.Progress(100);
    return MEDIA_OK;
}

int32_t HeadDecoder::DecodePackets()
{
    PacketPtr packet(Required(av_packet_alloc()));
    for (;;) {
        if (hooks_.StopRequested())
            return MEDIA_STOPPED;
        const int32_t read = input_.ReadPacket(*packet);
        if (read == AudioInput::kEndOfSound)
            return MEDIA_OK;
        if (read != MEDIA_OK)
            return read;
        if (finder_.IsSeam(*packet) && !JoinAtSeam())
            return MEDIA_STOPPED;
        const int32_t result = input_.DecodePacket(*packet, [this](const AVFrame& frame) { return Add(frame); });
        headDone_ = finder_.HeadDone(*packet);
        av_packet_unref(packet.get());
        if (result != MEDIA_OK)
            return result;
        ShowProgress();
        if (voice_.Complete())
            return MEDIA_OK;
    }
}

// False when the caller asked to stop while the head waited for the tail.
bool HeadDecoder::JoinAtSeam()
{
    if (!thread_.AwaitSeam(hooks_, [this] { ShowProgress(); }))
        return false;
    const Seam seam = thread_.TakeSeam();
    joined_ = seam.ready && seam.samplesBefore == decoded_ && seam.source == source_;
    if (joined_)
        voice_.Keep(0, VoiceSampleAt(decoded_, source_.rate));
    else
        thread_.Abandon();
    alone_ = !joined_;
    return true;
}

void HeadDecoder::ShowProgress()
{
    alone_ = alone_ || thread_.tail().GaveUp();
    if (alone_)
        return hooks_.Progress(input_.PercentRead());
    const int64_t done = headDone_ + thread_.tail().Done();
    hooks_.Progress(int32_t(std::min<int64_t>(99, done * 100 / std::max<int64_t>(1, 2 * finder_.HalfLength()))));
}

}  // namespace

int32_t DecodeInHalves(const std::string& path, AudioInput& input, PieceStore& head, PieceStore& tail, Hooks& hooks,
                       bool& inHalves)
{
    return HeadDecoder(path, input, head, tail, hooks).Run(inHalves);
}

}  // namespace media
