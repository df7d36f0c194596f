#include "build_engine.h"

#include "realmedia_writer.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace realconv {

namespace {

// RealAudio 1.0 voice: 8000 Hz mono, 160 samples coded into 20 bytes.
constexpr int kCodedRate = 8000;
constexpr int kBlocksPerSecond = 10;  // the pin asks for 100 ms of input at a time

constexpr int kMinInputRate = 4000;
constexpr int kMaxInputRate = 192000;
constexpr int kMaxInputChannels = 2;

AVSampleFormat InputSampleFormat(int bits)
{
    switch (bits) {
    case 8: return AV_SAMPLE_FMT_U8;  // 8-bit wave samples are unsigned
    case 16: return AV_SAMPLE_FMT_S16;
    case 32: return AV_SAMPLE_FMT_S32;
    default: return AV_SAMPLE_FMT_NONE;
    }
}

}  // namespace

bool ClipProperties::setOutputFile(const std::string& path)
{
    std::error_code error;
    const std::filesystem::path file(path);
    const std::filesystem::path folder = file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
    if (path.empty() || !file.has_filename() || std::filesystem::is_directory(file, error) ||
        !std::filesystem::is_directory(folder, error))
        return false;
    outputFile_ = path;
    return true;
}

bool TargetSettings::addTargetAudience(int index)
{
    if (index < 0 || index >= kTargetAudienceCount)
        return false;
    audiences_ |= 1u << index;
    return true;
}

bool AudioPinProperties::setChannels(int channels)
{
    if (channels < 1 || channels > kMaxInputChannels)
        return false;
    channels_ = channels;
    return true;
}

bool AudioPinProperties::setSampleRate(int rate)
{
    if (rate < kMinInputRate || rate > kMaxInputRate)
        return false;
    sampleRate_ = rate;
    return true;
}

bool AudioPinProperties::setBitsPerSample(int bits)
{
    if (InputSampleFormat(bits) == AV_SAMPLE_FMT_NONE)
        return false;
    bitsPerSample_ = bits;
    return true;
}

// Resamples the input to the coded rate, cuts it into frames, codes them
// and writes the packets.
class RealAudioEncoder {
public:
    ~RealAudioEncoder()
    {
        // An encoder closed with frames still queued complains; empty it.
        if (codec_ && avcodec_is_open(codec_) && !drained_ && avcodec_send_frame(codec_, nullptr) >= 0)
            while (avcodec_receive_packet(codec_, packet_) == 0)
                av_packet_unref(packet_);
        swr_free(&resampler_);
        avcodec_free_context(&codec_);
        av_frame_free(&frame_);
        av_packet_free(&packet_);
    }

    bool open(const AudioPinProperties& input, const ClipProperties& clip, const std::string& path)
    {
        input_ = input;
        const AVCodec* encoder = avcodec_find_encoder(AV_CODEC_ID_RA_144);
        if (!encoder || !(codec_ = avcodec_alloc_context3(encoder)) || !(frame_ = av_frame_alloc()) ||
            !(packet_ = av_packet_alloc()))
            return false;
        codec_->sample_rate = kCodedRate;
        codec_->sample_fmt = AV_SAMPLE_FMT_S16;
        av_channel_layout_default(&codec_->ch_layout, 1);
        codec_->time_base = AVRational{1, kCodedRate};
        if (avcodec_open2(codec_, encoder, nullptr) < 0 || codec_->frame_size <= 0)
            return false;

        frame_->format = AV_SAMPLE_FMT_S16;
        av_channel_layout_default(&frame_->ch_layout, 1);
        frame_->sample_rate = kCodedRate;
        frame_->nb_samples = codec_->frame_size;
        if (av_frame_get_buffer(frame_, 0) < 0)
            return false;

        AVChannelLayout inputLayout;
        av_channel_layout_default(&inputLayout, input.channels());
        AVChannelLayout codedLayout;
        av_channel_layout_default(&codedLayout, 1);
        if (swr_alloc_set_opts2(&resampler_, &codedLayout, AV_SAMPLE_FMT_S16, kCodedRate, &inputLayout,
                                InputSampleFormat(input.bitsPerSample()), input.sampleRate(), 0, nullptr) < 0 ||
            swr_init(resampler_) < 0)
            return false;

        RealMediaClip header;
        header.title = clip.title();
        header.author = clip.author();
        header.copyright = clip.copyright();
        header.saveAllowed = clip.selectiveRecord();
        header.perfectPlay = clip.perfectPlay();
        RealAudioStreamFormat format;
        format.samplesPerFrame = uint16_t(codec_->frame_size);
        return writer_.open(path, header, format);
    }

    bool encode(const MediaSample& sample)
    {
        if (drained_)
            return false;
        const int frames = int(sample.validBytes() / input_.bytesPerFrame());
        const uint8_t* in = sample.block().data();
        if (frames > 0 && !resample(&in, frames))
            return false;
        if (!codeWholeFrames())
            return false;
        return !sample.endOfStream() || drain();
    }

    bool finish()
    {
        if (!drained_ && !drain())
            return false;
        const uint32_t durationMs = uint32_t((codedSamples_ * 1000 + kCodedRate / 2) / kCodedRate);
        return writer_.finish(durationMs);
    }

    void close() { writer_.close(); }
    int outputError() const { return writer_.errorNumber(); }

private:
    bool resample(const uint8_t** in, int frames)
    {
        const int capacity = swr_get_out_samples(resampler_, frames);
        if (capacity < 0)
            return false;
        const size_t had = pending_.size();
        pending_.resize(had + size_t(capacity));
        uint8_t* out = reinterpret_cast<uint8_t*>(pending_.data() + had);
        const int produced = swr_convert(resampler_, &out, capacity, in, frames);
        if (produced < 0)
            return false;
        pending_.resize(had + size_t(produced));
        return true;
    }

    bool codeWholeFrames()
    {
        const size_t frameSize = size_t(codec_->frame_size);
        size_t used = 0;
        for (; pending_.size() - used >= frameSize; used += frameSize)
            if (!codeFrame(pending_.data() + used, int(frameSize)))
                return false;
        pending_.erase(pending_.begin(), pending_.begin() + std::ptrdiff_t(used));
        return true;
    }

    // Empties the resampler, codes the last short frame, then the encoder's
    // look-ahead.
    bool drain()
    {
        drained_ = true;
        if (!resample(nullptr, 0) || !codeWholeFrames())
            return false;
        if (!pending_.empty() && !codeFrame(pending_.data(), int(pending_.size())))
            return false;
        pending_.clear();
        return avcodec_send_frame(codec_, nullptr) >= 0 && writePackets();
    }

    bool codeFrame(const int16_t* samples, int count)
    {
        if (av_frame_make_writable(frame_) < 0)
            return false;
        std::copy(samples, samples + count, reinterpret_cast<int16_t*>(frame_->data[0]));
        frame_->nb_samples = count;
        frame_->pts = codedSamples_;
        codedSamples_ += count;
        return avcodec_send_frame(codec_, frame_) >= 0 && writePackets();
    }

    bool writePackets()
    {
        for (;;) {
            const int result = avcodec_receive_packet(codec_, packet_);
            if (result == AVERROR(EAGAIN) || result == AVERROR_EOF)
                return true;
            if (result < 0)
                return false;
            // The encoder looks one frame ahead and starts with a frame of
            // silence stamped before zero; dropping it keeps the sound in
            // time with the source.
            const bool priming = packet_->pts + packet_->duration <= 0;
            const uint32_t timestampMs = uint32_t(std::max<int64_t>(packet_->pts, 0) * 1000 / kCodedRate);
            const bool written = priming || writer_.writePacket(timestampMs, packet_->data, size_t(packet_->size));
            av_packet_unref(packet_);
            if (!written)
                return false;
        }
    }

    AudioPinProperties input_;
    AVCodecContext* codec_ = nullptr;
    SwrContext* resampler_ = nullptr;
    AVFrame* frame_ = nullptr;
    AVPacket* packet_ = nullptr;
    std::vector<int16_t> pending_;  // coded-rate samples short of a whole frame
    int64_t codedSamples_ = 0;
    bool drained_ = false;
    RealMediaWriter writer_;
};

AudioInputPin::AudioInputPin(std::string mimeType) : mimeType_(std::move(mimeType)) {}

AudioInputPin::~AudioInputPin() = default;

uint32_t AudioInputPin::preferredBlockBytes() const
{
    if (!properties_.complete())
        return 0;
    const uint32_t frames = std::max(1, properties_.sampleRate() / kBlocksPerSecond);
    return frames * properties_.bytesPerFrame();
}

bool AudioInputPin::encode(const MediaSample& sample) { return encoder_ && encoder_->encode(sample); }

std::unique_ptr<BuildEngine> BuildEngine::Create()
{
    std::unique_ptr<BuildEngine> engine(new BuildEngine);
    if (avcodec_find_encoder(AV_CODEC_ID_RA_144))
        engine->pins_.push_back(std::make_unique<AudioInputPin>(kRealAudioMimeType));
    return engine;
}

BuildEngine::~BuildEngine() { discardOutput(); }

bool BuildEngine::enableOutputMimeType(const std::string& mimeType, bool enable)
{
    if (mimeType != kRealAudioMimeType || pins_.empty())
        return false;
    realAudioEnabled_ = enable;
    return true;
}

bool BuildEngine::prepareToEncode()
{
    discardOutput();
    outputError_ = 0;
    // The engine codes voice only; every audience can take its 8 kbit/s.
    if (!realAudioEnabled_ || !target_.hasTargetAudience() ||
        target_.audioContent() != TargetSettings::AudioContent::Voice || clip_.outputFile().empty())
        return false;
    AudioInputPin& pin = *pins_.front();
    if (!pin.properties().complete())
        return false;

    encoder_ = std::make_unique<RealAudioEncoder>();
    if (!encoder_->open(pin.properties(), clip_, clip_.outputFile())) {
        discardOutput();
        return false;
    }
    pin.encoder_ = encoder_.get();
    return true;
}

bool BuildEngine::encodingDone()
{
    if (!encoder_)
        return false;
    const bool finished = encoder_->finish();
    discardOutput();
    return finished;
}

void BuildEngine::discardOutput()
{
    for (auto& pin : pins_)
        pin->encoder_ = nullptr;
    if (encoder_) {
        outputError_ = encoder_->outputError();
        encoder_->close();
    }
    encoder_.reset();
}

}  // namespace realconv
