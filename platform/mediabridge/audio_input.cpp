#include "audio_input.h"

#include <cerrno>

extern "C" {
#include <libavutil/opt.h>
}

namespace media {

namespace {

// FFmpeg's probe score is 100 for an unmistakable header, 50 and more for a
// run of valid frames; below 25 it is guessing (a text file named .mp3 scores
// 1, random bytes may look like a frame or two of some raw stream).
constexpr int kLeastProbeScore = AVPROBE_SCORE_RETRY;

}  // namespace

int32_t AudioInput::Open(const std::string& path)
{
    // "file:" keeps a name such as "http:x.mp3" a local file.
    const std::string url = "file:" + path;
    AVIOContext* file = nullptr;
    if (avio_open2(&file, url.c_str(), AVIO_FLAG_READ, nullptr, nullptr) < 0)
        return MEDIA_CANNOT_OPEN;
    file_.reset(file);

    const AVInputFormat* container = nullptr;
    const int score = av_probe_input_buffer2(file, &container, url.c_str(), nullptr, 0, 0);
    if (score < kLeastProbeScore || !container)
        return MEDIA_UNDECODABLE;

    AVFormatContext* format = Required(avformat_alloc_context());
    format->pb = file;
    format->flags |= AVFMT_FLAG_CUSTOM_IO;
    // Playlists and similar containers may name other files: never fetch any.
    AVDictionary* options = nullptr;
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    const int opened = avformat_open_input(&format, url.c_str(), container, &options);
    av_dict_free(&options);
    if (opened < 0)
        return MEDIA_UNDECODABLE;  // avformat_open_input has freed the context
    format_.reset(format);
    if (avformat_find_stream_info(format, nullptr) < 0)
        return MEDIA_UNDECODABLE;

    const AVCodec* codec = nullptr;
    streamIndex_ = av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
    if (streamIndex_ < 0 || !codec)
        return MEDIA_UNDECODABLE;
    const AVCodecParameters* parameters = format->streams[streamIndex_]->codecpar;
    if (parameters->ch_layout.nb_channels <= 0 || parameters->sample_rate <= 0)
        return MEDIA_UNDECODABLE;
    decoder_.reset(Required(avcodec_alloc_context3(codec)));
    if (avcodec_parameters_to_context(decoder_.get(), parameters) < 0 || avcodec_open2(decoder_.get(), codec, nullptr) < 0)
        return MEDIA_UNDECODABLE;
    frame_.reset(Required(av_frame_alloc()));
    return MEDIA_OK;
}

double AudioInput::DeclaredSeconds() const
{
    const AVStream* stream = format_->streams[streamIndex_];
    if (stream->duration != AV_NOPTS_VALUE && stream->duration > 0)
        return double(stream->duration) * av_q2d(stream->time_base);
    if (format_->duration != AV_NOPTS_VALUE && format_->duration > 0)
        return double(format_->duration) / AV_TIME_BASE;
    return -1;
}

int32_t AudioInput::PercentRead() const
{
    const int64_t size = avio_size(file_.get());
    const int64_t at = avio_tell(file_.get());
    if (size <= 0 || at <= 0)
        return 0;
    return at >= size ? 100 : int32_t(at * 100 / size);
}

int32_t AudioInput::Decode(const FrameSink& sink, Hooks& hooks)
{
    PacketPtr packet(Required(av_packet_alloc()));
    for (;;) {
        if (hooks.StopRequested())
            return MEDIA_STOPPED;
        const int32_t read = ReadPacket(*packet);
        if (read == kEndOfSound)
            break;
        if (read != MEDIA_OK)
            return read;
        const int32_t decoded = DecodePacket(*packet, sink);
        av_packet_unref(packet.get());
        if (decoded != MEDIA_OK)
            return decoded;
        hooks.Progress(PercentRead());
    }
    if (const int32_t result = DecodeRest(sink))
        return result;
    hooks.Progress(100);
    return MEDIA_OK;
}

int32_t AudioInput::ReadPacket(AVPacket& packet)
{
    for (;;) {
        const int read = av_read_frame(format_.get(), &packet);
        if (read == AVERROR(ENOMEM))
            return MEDIA_NO_MEMORY;
        if (read < 0)
            return kEndOfSound;  // the end, or a read error that ends the sound here
        if (packet.stream_index == streamIndex_)
            return MEDIA_OK;
        av_packet_unref(&packet);
    }
}

int32_t AudioInput::DecodePacket(const AVPacket& packet, const FrameSink& sink)
{
    const int sent = avcodec_send_packet(decoder_.get(), &packet);
    if (sent == AVERROR(ENOMEM))
        return MEDIA_NO_MEMORY;
    // A damaged packet (sent < 0) is skipped; the frames of the others count.
    return ReceiveFrames(sink);
}

int32_t AudioInput::DecodeRest(const FrameSink& sink)
{
    avcodec_send_packet(decoder_.get(), nullptr);
    return ReceiveFrames(sink);
}

int32_t AudioInput::ReceiveFrames(const FrameSink& sink)
{
    for (;;) {
        const int received = avcodec_receive_frame(decoder_.get(), frame_.get());
        if (received == AVERROR(ENOMEM))
            return MEDIA_NO_MEMORY;
        if (received < 0)
            return MEDIA_OK;  // needs more input, has ended, or skips a damaged frame
        const int32_t result =
            frame_->nb_samples > 0 && frame_->sample_rate > 0 && frame_->ch_layout.nb_channels > 0 ? sink(*frame_)
                                                                                                     : MEDIA_OK;
        av_frame_unref(frame_.get());
        if (result != MEDIA_OK)
            return result;
    }
}

}  // namespace media
