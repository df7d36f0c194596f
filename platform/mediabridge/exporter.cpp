#include "exporter.h"

#include "audio_input.h"
#include "mono_converter.h"
#include "pending_output.h"

namespace media {

namespace {

// Opus works at 48000 Hz inside; Ogg Opus files say so.
constexpr int kOpusSampleRate = 48000;

AVSampleFormat EncoderSampleFormat(const AVCodec& encoder, int32_t format)
{
    // Opus takes float, so the resampled voice reaches it unrounded; FLAC
    // keeps the voice's 16 bits exactly.
    const AVSampleFormat wanted = format == MEDIA_FORMAT_OPUS ? AV_SAMPLE_FMT_FLT : AV_SAMPLE_FMT_S16;
    for (const AVSampleFormat* f = encoder.sample_fmts; f && *f != AV_SAMPLE_FMT_NONE; ++f)
        if (*f == wanted)
            return wanted;
    return encoder.sample_fmts ? encoder.sample_fmts[0] : wanted;
}

// Encodes what the converter makes, in frames of the encoder's size, and
// writes the packets to the muxer.
class EncodingChain {
public:
    EncodingChain(AVCodecContext& encoder, AVFormatContext& muxer, PendingOutput& output)
        : encoder_(encoder), muxer_(muxer), output_(output),
          converter_(encoder.sample_fmt, encoder.sample_rate),
          fifo_(Required(av_audio_fifo_alloc(encoder.sample_fmt, 1, encoder.frame_size * 2))),
          packet_(Required(av_packet_alloc()))
    {
    }

    int32_t Add(const AVFrame& frame) { return Queue(converter_.Convert(frame)); }

    int32_t Finish()
    {
        if (const int32_t result = Queue(converter_.Flush()))
            return result;
        if (const int left = av_audio_fifo_size(fifo_.get()))
            if (const int32_t result = EncodeFromFifo(left))
                return result;
        return Send(nullptr);
    }

private:
    int32_t Queue(int made)
    {
        if (made < 0)
            return made == AVERROR(ENOMEM) ? MEDIA_NO_MEMORY : MEDIA_ENCODE_FAILED;
        void* planes[1] = {const_cast<uint8_t*>(converter_.Output())};
        if (av_audio_fifo_write(fifo_.get(), planes, made) < made)
            return MEDIA_NO_MEMORY;
        while (av_audio_fifo_size(fifo_.get()) >= encoder_.frame_size)
            if (const int32_t result = EncodeFromFifo(encoder_.frame_size))
                return result;
        return MEDIA_OK;
    }

    int32_t EncodeFromFifo(int samples)
    {
        // An encoder that cannot take a short last frame gets it padded with silence.
        const bool takesShortFrame = encoder_.codec->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME;
        FramePtr frame(Required(av_frame_alloc()));
        frame->format = encoder_.sample_fmt;
        frame->sample_rate = encoder_.sample_rate;
        frame->nb_samples = takesShortFrame ? samples : encoder_.frame_size;
        if (av_channel_layout_copy(&frame->ch_layout, &encoder_.ch_layout) < 0 ||
            av_frame_get_buffer(frame.get(), 0) < 0)
            return MEDIA_NO_MEMORY;
        av_samples_set_silence(frame->data, 0, frame->nb_samples, 1, encoder_.sample_fmt);
        if (av_audio_fifo_read(fifo_.get(), reinterpret_cast<void**>(frame->data), samples) < samples)
            return MEDIA_ENCODE_FAILED;
        frame->pts = nextPts_;
        nextPts_ += frame->nb_samples;
        return Send(frame.get());
    }

    // Sends a frame (null: the end) and writes every packet that comes back.
    int32_t Send(const AVFrame* frame)
    {
        if (avcodec_send_frame(&encoder_, frame) < 0)
            return MEDIA_ENCODE_FAILED;
        for (;;) {
            const int received = avcodec_receive_packet(&encoder_, packet_.get());
            if (received == AVERROR(EAGAIN) || received == AVERROR_EOF)
                return MEDIA_OK;
            if (received < 0)
                return MEDIA_ENCODE_FAILED;
            AVStream* stream = muxer_.streams[0];
            av_packet_rescale_ts(packet_.get(), encoder_.time_base, stream->time_base);
            packet_->stream_index = stream->index;
            if (av_write_frame(&muxer_, packet_.get()) < 0)
                return output_.WriteFailure();
        }
    }

    AVCodecContext& encoder_;
    AVFormatContext& muxer_;
    PendingOutput& output_;
    MonoConverter converter_;
    FifoPtr fifo_;
    PacketPtr packet_;
    int64_t nextPts_ = 0;
};

CodecContextPtr OpenEncoder(const AVCodec& codec, int32_t format, int sampleRate, int32_t bitsPerSecond,
                            bool globalHeader)
{
    CodecContextPtr encoder(Required(avcodec_alloc_context3(&codec)));
    encoder->sample_rate = sampleRate;
    encoder->sample_fmt = EncoderSampleFormat(codec, format);
    encoder->time_base = AVRational{1, sampleRate};
    av_channel_layout_default(&encoder->ch_layout, 1);
    if (format == MEDIA_FORMAT_OPUS)
        encoder->bit_rate = bitsPerSecond;
    if (globalHeader)
        encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    // Constrained VBR: the file's size follows the chosen bit rate, however
    // rich the sound (free VBR spends up to twice as much on some voices).
    AVDictionary* options = nullptr;
    if (format == MEDIA_FORMAT_OPUS)
        av_dict_set(&options, "vbr", "constrained", 0);
    const int opened = avcodec_open2(encoder.get(), &codec, &options);
    av_dict_free(&options);
    if (opened < 0 || encoder->frame_size <= 0)
        return nullptr;
    return encoder;
}

int32_t Encode(const AVCodec& codec, int32_t format, AudioInput& input, const std::string& destination,
               int32_t bitsPerSecond, Hooks& hooks)
{
    AVFormatContext* allocated = nullptr;
    avformat_alloc_output_context2(&allocated, nullptr, format == MEDIA_FORMAT_OPUS ? "ogg" : "flac", nullptr);
    OutputContextPtr muxer(Required(allocated));
    const int sampleRate = format == MEDIA_FORMAT_OPUS ? kOpusSampleRate : input.SampleRate();
    CodecContextPtr encoder = OpenEncoder(codec, format, sampleRate, bitsPerSecond,
                                          muxer->oformat->flags & AVFMT_GLOBALHEADER);
    if (!encoder)
        return MEDIA_ENCODE_FAILED;
    AVStream* stream = Required(avformat_new_stream(muxer.get(), nullptr));
    stream->time_base = encoder->time_base;
    if (avcodec_parameters_from_context(stream->codecpar, encoder.get()) < 0)
        return MEDIA_NO_MEMORY;

    PendingOutput output;
    if (const int32_t created = output.Create(destination))
        return created;
    muxer->pb = output.io();
    if (avformat_write_header(muxer.get(), nullptr) < 0)
        return output.WriteFailure();
    EncodingChain chain(*encoder, *muxer, output);
    int32_t result = input.Decode([&](const AVFrame& frame) { return chain.Add(frame); }, hooks);
    if (result == MEDIA_OK)
        result = chain.Finish();
    if (result == MEDIA_OK && av_write_trailer(muxer.get()) < 0)
        result = output.WriteFailure();
    // A stop that came during the last piece still wins: nothing is left behind.
    if (result == MEDIA_OK && hooks.StopRequested())
        result = MEDIA_STOPPED;
    return result == MEDIA_OK ? output.Commit() : result;
}

}  // namespace

const AVCodec* EncoderFor(int32_t format)
{
    if (format == MEDIA_FORMAT_OPUS)
        return avcodec_find_encoder_by_name("libopus");
    if (format == MEDIA_FORMAT_FLAC)
        return avcodec_find_encoder(AV_CODEC_ID_FLAC);
    return nullptr;
}

int32_t ExportWave(int32_t format, const std::string& source, const std::string& destination, int32_t bitsPerSecond,
                   const MediaCallbacks* callbacks)
{
    const AVCodec* codec = EncoderFor(format);
    if (!codec)
        return MEDIA_NO_ENCODER;
    if (format == MEDIA_FORMAT_OPUS &&
        (bitsPerSecond < MEDIA_OPUS_MIN_BITRATE || bitsPerSecond > MEDIA_OPUS_MAX_BITRATE))
        return MEDIA_BAD_ARGUMENT;
    Hooks hooks(callbacks);
    AudioInput input;
    if (const int32_t opened = input.Open(source))
        return opened;
    return Encode(*codec, format, input, destination, bitsPerSecond, hooks);
}

}  // namespace media
