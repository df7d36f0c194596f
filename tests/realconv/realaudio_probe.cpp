#include "realaudio_probe.h"

#include "test_support.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <cmath>
#include <memory>

namespace realconv_test {

namespace {

struct FormatCloser {
    void operator()(AVFormatContext* c) const { avformat_close_input(&c); }
};
struct CodecCloser {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct PacketFree {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct FrameFree {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};

bool ReceiveFrames(AVCodecContext* codec, AVFrame* frame, std::vector<int16_t>& out)
{
    int result;
    while ((result = avcodec_receive_frame(codec, frame)) == 0) {
        if (frame->format != AV_SAMPLE_FMT_S16 || frame->ch_layout.nb_channels != 1)
            return false;
        const auto* samples = reinterpret_cast<const int16_t*>(frame->data[0]);
        out.insert(out.end(), samples, samples + frame->nb_samples);
    }
    return result == AVERROR(EAGAIN) || result == AVERROR_EOF;
}

}  // namespace

ProbedAudio ProbeRealAudio(const std::string& path)
{
    ProbedAudio probed;
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0) {
        probed.error = "cannot open";
        return probed;
    }
    std::unique_ptr<AVFormatContext, FormatCloser> format(raw);
    if (avformat_find_stream_info(format.get(), nullptr) < 0 || format->nb_streams != 1) {
        probed.error = "no single stream";
        return probed;
    }
    probed.formatName = format->iformat->name;
    probed.durationSeconds = format->duration == AV_NOPTS_VALUE ? -1 : double(format->duration) / AV_TIME_BASE;
    const AVDictionaryEntry* tag = nullptr;
    while ((tag = av_dict_get(format->metadata, "", tag, AV_DICT_IGNORE_SUFFIX)))
        probed.metadata[tag->key] = tag->value;

    const AVStream* stream = format->streams[0];
    probed.codecName = avcodec_get_name(stream->codecpar->codec_id);
    probed.sampleRate = stream->codecpar->sample_rate;
    probed.channels = stream->codecpar->ch_layout.nb_channels;

    const AVCodec* decoder = avcodec_find_decoder(stream->codecpar->codec_id);
    std::unique_ptr<AVCodecContext, CodecCloser> codec(decoder ? avcodec_alloc_context3(decoder) : nullptr);
    if (!codec || avcodec_parameters_to_context(codec.get(), stream->codecpar) < 0 ||
        avcodec_open2(codec.get(), decoder, nullptr) < 0) {
        probed.error = "no decoder";
        return probed;
    }
    std::unique_ptr<AVPacket, PacketFree> packet(av_packet_alloc());
    std::unique_ptr<AVFrame, FrameFree> frame(av_frame_alloc());
    while (av_read_frame(format.get(), packet.get()) >= 0) {
        probed.packetTimesMs.push_back(av_rescale_q(packet->pts, stream->time_base, AVRational{1, 1000}));
        const bool ok = avcodec_send_packet(codec.get(), packet.get()) >= 0 &&
                        ReceiveFrames(codec.get(), frame.get(), probed.decoded);
        av_packet_unref(packet.get());
        if (!ok) {
            probed.error = "decoding failed";
            return probed;
        }
    }
    if (avcodec_send_packet(codec.get(), nullptr) < 0 || !ReceiveFrames(codec.get(), frame.get(), probed.decoded))
        probed.error = "draining failed";
    return probed;
}

Match MatchVoice(const std::vector<int16_t>& decoded, int maxLag)
{
    constexpr double kRate = 8000;
    std::vector<double> voice(decoded.size());
    for (size_t i = 0; i < voice.size(); ++i)
        voice[i] = VoiceAt(double(i) / kRate);

    Match best{-2, 0};
    for (int lag = -maxLag; lag <= maxLag; ++lag) {
        double product = 0, voiceEnergy = 0, decodedEnergy = 0;
        for (size_t i = 0; i < voice.size(); ++i) {
            const int64_t j = int64_t(i) + lag;
            if (j < 0 || j >= int64_t(decoded.size()))
                continue;
            product += voice[i] * decoded[size_t(j)];
            voiceEnergy += voice[i] * voice[i];
            decodedEnergy += double(decoded[size_t(j)]) * decoded[size_t(j)];
        }
        const double correlation = voiceEnergy > 0 && decodedEnergy > 0 ? product / std::sqrt(voiceEnergy * decodedEnergy) : 0;
        if (correlation > best.correlation)
            best = {correlation, lag};
    }
    return best;
}

}  // namespace realconv_test
