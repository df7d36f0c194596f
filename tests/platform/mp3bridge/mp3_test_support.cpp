#include "mp3_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include "riff/riff.h"

namespace mp3test {

namespace {

// The encoders' and decoders' chatter about probes and padding is not news.
const int kQuietLibav = [] {
    av_log_set_level(AV_LOG_FATAL);
    return 0;
}();

}  // namespace

std::vector<int16_t> MakeVoice(int sampleRate, double seconds, int channels)
{
    const int frames = int(std::lround(seconds * sampleRate));
    std::vector<int16_t> samples(size_t(frames) * channels);
    double phase = 0;
    for (int i = 0; i < frames; ++i) {
        const double t = double(i) / sampleRate;
        const double pitch = 140 + 40 * std::sin(2 * M_PI * 0.7 * t);
        phase += 2 * M_PI * pitch / sampleRate;
        double value = 0;
        for (int harmonic = 1; harmonic <= 12 && harmonic * pitch < sampleRate / 2.2; ++harmonic)
            value += std::sin(harmonic * phase) / harmonic;
        const double syllable = 0.55 + 0.45 * std::sin(2 * M_PI * 3.1 * t);
        const int16_t sample = int16_t(std::lround(9000 * syllable * value));
        samples[size_t(i) * channels] = sample;
        if (channels == 2)
            samples[size_t(i) * 2 + 1] = int16_t(sample / 2);
    }
    return samples;
}

void WriteWave(const std::string& path, const std::vector<int16_t>& samples, int sampleRate, int channels,
               const WaveLayout& layout)
{
    auto le16 = [](uint8_t* p, uint32_t v) { p[0] = uint8_t(v), p[1] = uint8_t(v >> 8); };
    auto le32 = [&](uint8_t* p, uint32_t v) { le16(p, v), le16(p + 2, v >> 16); };
    uint8_t fmt[18] = {};
    le16(fmt, 1);
    le16(fmt + 2, uint32_t(channels));
    le32(fmt + 4, uint32_t(sampleRate));
    le32(fmt + 8, uint32_t(sampleRate * channels * 2));
    le16(fmt + 12, uint32_t(channels * 2));
    le16(fmt + 14, 16);

    riff::Writer writer;
    riff::Chunk riffChunk, chunk;
    bool ok = writer.create(path) && writer.createChunk(riffChunk, riff::kRiff, riff::MakeFourCC("WAVE")) &&
              writer.createChunk(chunk, riff::MakeFourCC("fmt ")) && writer.write(fmt, size_t(layout.fmtBytes)) &&
              writer.ascend(chunk);
    if (ok && !layout.chunkBefore.empty())
        ok = writer.createChunk(chunk, riff::kList, riff::MakeFourCC("INFO")) &&
             writer.write(layout.chunkBefore.data(), layout.chunkBefore.size()) && writer.ascend(chunk);
    ok = ok && writer.createChunk(chunk, riff::MakeFourCC("data")) &&
         writer.write(samples.data(), samples.size() * sizeof(int16_t)) && writer.ascend(chunk);
    if (ok && !layout.chunkAfter.empty())
        ok = writer.createChunk(chunk, riff::MakeFourCC("prtl")) &&
             writer.write(layout.chunkAfter.data(), layout.chunkAfter.size()) && writer.ascend(chunk);
    ok = ok && writer.ascend(riffChunk) && writer.close();
    if (!ok)
        throw std::runtime_error("cannot write " + path);
}

DecodedMp3 DecodeMp3(const std::string& path)
{
    DecodedMp3 result;
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0)
        return result;
    if (avformat_find_stream_info(format, nullptr) < 0) {
        avformat_close_input(&format);
        return result;
    }
    const AVCodec* decoder = nullptr;
    const int stream = av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
    AVCodecContext* context = stream >= 0 ? avcodec_alloc_context3(decoder) : nullptr;
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    bool ok = context && packet && frame &&
              avcodec_parameters_to_context(context, format->streams[stream]->codecpar) >= 0 &&
              avcodec_open2(context, decoder, nullptr) >= 0;
    auto drain = [&] {
        while (avcodec_receive_frame(context, frame) == 0) {
            // The decoder reports the bit rate of the frame it just decoded.
            result.frameBitratesKbit.insert(int(context->bit_rate / 1000));
            result.frameSampleRates.insert(frame->sample_rate);
            result.sampleRate = frame->sample_rate;
            result.channels = frame->ch_layout.nb_channels;
            ++result.frames;
            for (int i = 0; i < frame->nb_samples; ++i) {
                float value = 0;
                if (frame->format == AV_SAMPLE_FMT_FLTP)
                    value = reinterpret_cast<const float*>(frame->data[0])[i];
                else if (frame->format == AV_SAMPLE_FMT_S16P)
                    value = reinterpret_cast<const int16_t*>(frame->data[0])[i] / 32768.0f;
                else if (frame->format == AV_SAMPLE_FMT_S16)
                    value = reinterpret_cast<const int16_t*>(frame->data[0])[i * result.channels] / 32768.0f;
                else if (frame->format == AV_SAMPLE_FMT_FLT)
                    value = reinterpret_cast<const float*>(frame->data[0])[i * result.channels];
                result.left.push_back(value);
            }
        }
    };
    while (ok && av_read_frame(format, packet) >= 0) {
        if (packet->stream_index == stream)
            avcodec_send_packet(context, packet);  // a damaged frame is skipped, as a player would
        av_packet_unref(packet);
        drain();
    }
    if (ok && avcodec_send_packet(context, nullptr) >= 0)
        drain();
    result.ok = ok && result.frames > 0;
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&context);
    avformat_close_input(&format);
    return result;
}

Alignment AlignWithSource(const std::vector<float>& decoded, const std::vector<int16_t>& source, int channels,
                          int maxLag)
{
    const size_t frames = source.size() / size_t(channels);
    const size_t window = std::min<size_t>(frames / 2, 8192);
    const size_t start = (frames - window) / 2;
    Alignment best;
    for (int lag = 0; lag <= maxLag; ++lag) {
        if (start + lag + window > decoded.size())
            break;
        double xy = 0, xx = 0, yy = 0;
        for (size_t i = 0; i < window; ++i) {
            const double x = source[(start + i) * size_t(channels)] / 32768.0;
            const double y = decoded[start + size_t(lag) + i];
            xy += x * y, xx += x * x, yy += y * y;
        }
        const double correlation = xx > 0 && yy > 0 ? xy / std::sqrt(xx * yy) : 0;
        if (correlation > best.correlation)
            best = {correlation, lag};
    }
    return best;
}

void ExpectFaithfulLameExport(const std::string& mp3, const std::vector<int16_t>& voice, int sampleRate, int channels,
                              int kbit)
{
    const DecodedMp3 decoded = DecodeMp3(mp3);
    ASSERT_TRUE(decoded.ok) << mp3;
    EXPECT_EQ(decoded.frameBitratesKbit, std::set<int>{kbit});
    EXPECT_EQ(decoded.frameSampleRates, std::set<int>{sampleRate});
    EXPECT_EQ(decoded.channels, channels);
    const Alignment alignment = AlignWithSource(decoded.left, voice, channels, 1500);
    EXPECT_GT(alignment.correlation, kbit >= 32 ? 0.95 : 0.9) << kbit;
    EXPECT_EQ(alignment.lag, 0) << kbit;
    EXPECT_EQ(decoded.left.size(), voice.size() / size_t(channels)) << kbit;
}

std::string ExpectGaplessAtSeveralLengths(const std::function<bool(const std::string&, const std::string&)>& encode,
                                          const ScratchFolder& folder)
{
    const std::string source = folder.File("voice.wav");
    const std::string mp3 = folder.File("voice.mp3");
    for (const size_t samples : {441u, 22050u * 3, 22050u * 3 + 577, 22050u * 7 + 1}) {
        WriteWave(source, MakeVoice(22050, double(samples) / 22050), 22050, 1);
        EXPECT_TRUE(encode(source, mp3)) << samples;
        EXPECT_EQ(DecodeMp3(mp3).left.size(), samples);
    }
    return mp3;
}

std::vector<VoiceCase> VoiceCases()
{
    return {{22050, 1, {24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160}},
            {44100, 1, {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},
            {11025, 1, {24, 32, 40, 48, 56, 64}},
            {22050, 2, {24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160}}};
}

std::string VoiceCaseName(const VoiceCase& c)
{
    return std::to_string(c.sampleRate) + (c.channels == 1 ? "Mono" : "Stereo");
}

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}  // namespace mp3test
