#include "av_encoder.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <new>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/samplefmt.h>
#include <libswresample/swresample.h>
}

#include "mpeg_frame.h"
#include "files/atomic_file.h"
#include "result_codes.h"

namespace mp3 {

namespace {

// LAME's "high quality" setting, the same as the program's own LAME route.
constexpr int kLameHighQuality = 2;
// Sample frames read from the wave file per step; also how often the stop
// flag and the percentage are looked at (about 0.4 s of a voice).
constexpr int kReadFrames = 8192;
// Frames of silence that ProducesBitrate encodes.
constexpr int kProbeFrames = 3;
// Bytes the muxer gathers before it writes them to the file.
constexpr int kMuxBufferBytes = 1 << 16;

struct CodecContextFree {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameFree {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketFree {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct SwrFree {
    void operator()(SwrContext* s) const { swr_free(&s); }
};
struct FifoFree {
    void operator()(AVAudioFifo* f) const { av_audio_fifo_free(f); }
};
struct FormatContextFree {
    void operator()(AVFormatContext* f) const { avformat_free_context(f); }
};
struct IoContextFree {
    void operator()(AVIOContext* io) const
    {
        av_freep(&io->buffer);
        avio_context_free(&io);
    }
};
using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextFree>;
using FramePtr = std::unique_ptr<AVFrame, FrameFree>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFree>;
using SwrPtr = std::unique_ptr<SwrContext, SwrFree>;
using FifoPtr = std::unique_ptr<AVAudioFifo, FifoFree>;
using FormatContextPtr = std::unique_ptr<AVFormatContext, FormatContextFree>;
using IoContextPtr = std::unique_ptr<AVIOContext, IoContextFree>;

// The sample format of the wave's data as libswresample names it.
AVSampleFormat SourceSampleFormat(const WaveFormat& format)
{
    if (format.formatTag == kWaveFormatPcm) {
        switch (format.bitsPerSample) {
        case 8: return AV_SAMPLE_FMT_U8;
        case 16: return AV_SAMPLE_FMT_S16;
        case 32: return AV_SAMPLE_FMT_S32;
        }
    } else if (format.formatTag == kWaveFormatIeeeFloat) {
        switch (format.bitsPerSample) {
        case 32: return AV_SAMPLE_FMT_FLT;
        case 64: return AV_SAMPLE_FMT_DBL;
        }
    }
    return AV_SAMPLE_FMT_NONE;
}

bool IsReadable(const WaveFormat& format)
{
    const AVSampleFormat sampleFormat = SourceSampleFormat(format);
    return sampleFormat != AV_SAMPLE_FMT_NONE &&
           format.blockAlign == format.channels * av_get_bytes_per_sample(sampleFormat);
}

// MP3 carries one or two channels; more are mixed down to two.
int OutputChannels(const WaveFormat& format) { return format.channels == 1 ? 1 : 2; }

CodecContextPtr OpenEncoder(const AVCodec* encoder, const WaveFormat& format, int bitsPerSecond)
{
    CodecContextPtr context(avcodec_alloc_context3(encoder));
    if (!context)
        throw std::bad_alloc();
    context->sample_rate = OutputSampleRate(encoder, int(format.sampleRate));
    context->sample_fmt = encoder->sample_fmts ? encoder->sample_fmts[0] : AV_SAMPLE_FMT_S16P;
    av_channel_layout_default(&context->ch_layout, OutputChannels(format));
    context->bit_rate = bitsPerSecond;
    context->compression_level = kLameHighQuality;
    context->time_base = AVRational{1, context->sample_rate};
    if (avcodec_open2(context.get(), encoder, nullptr) < 0 || context->frame_size <= 0)
        return nullptr;
    return context;
}

FramePtr AllocateFrame(const AVCodecContext& context, int samples)
{
    FramePtr frame(av_frame_alloc());
    if (!frame)
        throw std::bad_alloc();
    frame->format = context.sample_fmt;
    frame->sample_rate = context.sample_rate;
    frame->nb_samples = samples;
    if (av_channel_layout_copy(&frame->ch_layout, &context.ch_layout) < 0 || av_frame_get_buffer(frame.get(), 0) < 0)
        throw std::bad_alloc();
    return frame;
}

bool IsDiskFull(int errorNumber) { return errorNumber == ENOSPC || errorNumber == EDQUOT; }

// The MP3 file: libavformat's MP3 muxer writes the frames into the output
// file, and first an Info tag frame that it completes at the end with the
// frame count and the encoder's delay and padding, so that a decoder gives
// back exactly the source's samples (as files made by ffmpeg or lame do).
// No ID3 tag: the file starts with a frame, as before.
class Mp3Muxer {
public:
    explicit Mp3Muxer(files::AtomicFile& output) : output_(output) {}

    // False when the muxer cannot be set up for the encoder's stream.
    bool Open(const AVCodecContext& codec)
    {
        AVFormatContext* format = nullptr;
        if (avformat_alloc_output_context2(&format, nullptr, "mp3", nullptr) < 0)
            return false;
        format_.reset(format);
        auto* buffer = static_cast<uint8_t*>(av_malloc(kMuxBufferBytes));
        if (buffer)
            io_.reset(avio_alloc_context(buffer, kMuxBufferBytes, 1, this, nullptr, &Mp3Muxer::WriteBytes,
                                         &Mp3Muxer::Seek));
        if (!io_) {
            av_free(buffer);
            return false;
        }
        format_->pb = io_.get();
        AVStream* stream = avformat_new_stream(format_.get(), nullptr);
        if (!stream || avcodec_parameters_from_context(stream->codecpar, &codec) < 0)
            return false;
        stream->time_base = codec.time_base;
        AVDictionary* options = nullptr;
        av_dict_set(&options, "id3v2_version", "0", 0);
        const int opened = avformat_write_header(format_.get(), &options);
        av_dict_free(&options);
        codecTimeBase_ = codec.time_base;
        return opened >= 0;
    }

    int16_t Write(AVPacket& packet)
    {
        packet.stream_index = 0;
        av_packet_rescale_ts(&packet, codecTimeBase_, format_->streams[0]->time_base);
        return av_write_frame(format_.get(), &packet) < 0 ? WriteFailure() : int16_t(kResultOk);
    }

    // Completes the Info tag and flushes everything into the output file.
    int16_t Finish() { return av_write_trailer(format_.get()) < 0 ? WriteFailure() : int16_t(kResultOk); }

private:
    int16_t WriteFailure() const
    {
        return IsDiskFull(output_.errorNumber()) ? kSpaceNotAvailable : kFileCreatingError;
    }

#if LIBAVFORMAT_VERSION_MAJOR >= 61
    static int WriteBytes(void* opaque, const uint8_t* bytes, int count)
#else
    static int WriteBytes(void* opaque, uint8_t* bytes, int count)
#endif
    {
        files::AtomicFile& output = static_cast<Mp3Muxer*>(opaque)->output_;
        return output.Write(bytes, size_t(count)) ? count : AVERROR(output.errorNumber());
    }

    static int64_t Seek(void* opaque, int64_t offset, int whence)
    {
        std::FILE* file = static_cast<Mp3Muxer*>(opaque)->output_.stream();
        if (whence & AVSEEK_SIZE) {
            struct stat status;
            return std::fflush(file) == 0 && fstat(fileno(file), &status) == 0 ? int64_t(status.st_size)
                                                                                : AVERROR(errno);
        }
        if (fseeko(file, off_t(offset), whence & ~AVSEEK_FORCE) != 0)
            return AVERROR(errno);
        return int64_t(ftello(file));
    }

    files::AtomicFile& output_;
    FormatContextPtr format_;
    IoContextPtr io_;
    AVRational codecTimeBase_{1, 1};
};

// Sends one frame (null: the end) and hands every packet that comes back to
// the muxer.
class PacketWriter {
public:
    PacketWriter(AVCodecContext& context, Mp3Muxer& muxer) : context_(context), muxer_(muxer)
    {
        if (!packet_)
            throw std::bad_alloc();
    }

    int16_t Encode(const AVFrame* frame)
    {
        if (avcodec_send_frame(&context_, frame) < 0)
            return kCalculationError;
        for (;;) {
            const int received = avcodec_receive_packet(&context_, packet_.get());
            if (received == AVERROR(EAGAIN) || received == AVERROR_EOF)
                return kResultOk;
            if (received < 0)
                return kCalculationError;
            const int16_t written = muxer_.Write(*packet_);
            av_packet_unref(packet_.get());
            if (written != kResultOk)
                return written;
        }
    }

private:
    AVCodecContext& context_;
    Mp3Muxer& muxer_;
    PacketPtr packet_{av_packet_alloc()};
};

// Converts the source's samples to the encoder's format and rate and hands
// them on in frames of exactly the encoder's frame size.
class Conversion {
public:
    Conversion(AVCodecContext& context, const WaveFormat& format, PacketWriter& writer)
        : context_(context), writer_(writer), fifo_(av_audio_fifo_alloc(context.sample_fmt, context.ch_layout.nb_channels,
                                                                         context.frame_size * 2))
    {
        if (!fifo_)
            throw std::bad_alloc();
        AVChannelLayout sourceLayout;
        av_channel_layout_default(&sourceLayout, format.channels);
        SwrContext* swr = nullptr;
        if (swr_alloc_set_opts2(&swr, &context.ch_layout, context.sample_fmt, context.sample_rate, &sourceLayout,
                                SourceSampleFormat(format), int(format.sampleRate), 0, nullptr) == 0)
            swr_.reset(swr);
        av_channel_layout_uninit(&sourceLayout);
        ready_ = swr_ && swr_init(swr_.get()) >= 0;
    }

    bool ready() const { return ready_; }

    // Null source: flush what the resampler still holds.
    int16_t Feed(const uint8_t* source, int frames)
    {
        const int capacity = swr_get_out_samples(swr_.get(), frames);
        if (capacity < 0)
            return kCalculationError;
        if (!converted_ || converted_->nb_samples < capacity)
            converted_ = AllocateFrame(context_, capacity);
        // The wave's samples are interleaved: one plane.
        const uint8_t* planes[1] = {source};
        const int produced = swr_convert(swr_.get(), converted_->data, capacity, source ? planes : nullptr, frames);
        if (produced < 0)
            return kCalculationError;
        if (av_audio_fifo_write(fifo_.get(), reinterpret_cast<void**>(converted_->data), produced) < produced)
            throw std::bad_alloc();
        while (av_audio_fifo_size(fifo_.get()) >= context_.frame_size)
            if (const int16_t result = EncodeFromFifo(context_.frame_size))
                return result;
        return kResultOk;
    }

    // Encodes what is left, then drains the encoder.
    int16_t Finish()
    {
        if (const int16_t result = Feed(nullptr, 0))
            return result;
        if (const int left = av_audio_fifo_size(fifo_.get()))
            if (const int16_t result = EncodeFromFifo(left))
                return result;
        return writer_.Encode(nullptr);
    }

private:
    int16_t EncodeFromFifo(int samples)
    {
        // An encoder that cannot take a short last frame gets it padded with silence.
        const bool takesShortFrame = context_.codec->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME;
        const int frameSamples = takesShortFrame ? samples : context_.frame_size;
        FramePtr frame = AllocateFrame(context_, frameSamples);
        av_samples_set_silence(frame->data, 0, frameSamples, context_.ch_layout.nb_channels, context_.sample_fmt);
        if (av_audio_fifo_read(fifo_.get(), reinterpret_cast<void**>(frame->data), samples) < samples)
            return kCalculationError;
        frame->pts = nextPts_;
        nextPts_ += frameSamples;
        return writer_.Encode(frame.get());
    }

    AVCodecContext& context_;
    PacketWriter& writer_;
    FifoPtr fifo_;
    SwrPtr swr_;
    FramePtr converted_;
    int64_t nextPts_ = 0;
    bool ready_ = false;
};

int16_t WaveStatusCode(WaveStatus status)
{
    switch (status) {
    case WaveStatus::Ok: return kResultOk;
    case WaveStatus::CannotOpen: return kCannotOpenInputWave;
    case WaveStatus::TooShort:
    case WaveStatus::NotWave: return kRiffChunkNotFound;
    case WaveStatus::NoFormat: return kCannotSuggestFormat;
    case WaveStatus::NoData: return kDataChunkNotFound;
    }
    return kCannotOpenInputWave;
}

int16_t OpenReadableWave(const AVCodec* encoder, const std::string& path, WaveSource& wave)
{
    if (const int16_t result = WaveStatusCode(wave.Open(path)))
        return result;
    if (!IsReadable(wave.format()) || OutputSampleRate(encoder, int(wave.format().sampleRate)) <= 0)
        return kCannotSuggestFormat;
    return kResultOk;
}

int16_t ConvertOpenedWave(const AVCodec* encoder, WaveSource& wave, const std::string& destination, int bitsPerSecond,
                          std::atomic<int16_t>& percent, const std::atomic<bool>& stop)
{
    const WaveFormat& format = wave.format();
    if (!ProducesBitrate(encoder, format, bitsPerSecond))
        return kCannotOpenCodecStream;
    CodecContextPtr context = OpenEncoder(encoder, format, bitsPerSecond);
    if (!context)
        return kCannotOpenCodecStream;
    files::AtomicFile output;
    if (!output.Create(destination))
        return kCannotOpenOutputFile;
    Mp3Muxer muxer(output);
    if (!muxer.Open(*context))
        return kCannotOpenOutputFile;
    PacketWriter writer(*context, muxer);
    Conversion conversion(*context, format, writer);
    if (!conversion.ready())
        return kCannotSuggestFormat;

    std::vector<uint8_t> block(size_t(kReadFrames) * format.blockAlign);
    const uint64_t total = wave.dataBytes();
    uint64_t done = 0;
    while (done < total) {
        if (stop.load())
            return kUserAbort;
        const size_t got = wave.Read(block.data(), block.size());
        if (got == 0)
            return kCannotOpenInputFile;
        if (const int16_t result = conversion.Feed(block.data(), int(got / format.blockAlign)))
            return result;
        done += got;
        percent.store(int16_t(done * 100 / total));
    }
    if (const int16_t result = conversion.Finish())
        return result;
    if (const int16_t result = muxer.Finish())
        return result;
    // A stop that came during the last block still wins: nothing is left behind.
    if (stop.load())
        return kUserAbort;
    if (!output.Commit())
        return IsDiskFull(output.errorNumber()) ? kSpaceNotAvailable : kFileClosingError;
    percent.store(100);
    return kResultOk;
}

}  // namespace

const AVCodec* Mp3EncoderByName(const char* name)
{
    const AVCodec* codec = avcodec_find_encoder_by_name(name);
    return codec && codec->id == AV_CODEC_ID_MP3 ? codec : nullptr;
}

const AVCodec* PreferredMp3Encoder()
{
    for (const char* name : {"libmp3lame", "libshine"})
        if (const AVCodec* codec = Mp3EncoderByName(name))
            return codec;
    return avcodec_find_encoder(AV_CODEC_ID_MP3);
}

bool HasMp3Decoder() { return avcodec_find_decoder(AV_CODEC_ID_MP3) != nullptr; }

int OutputSampleRate(const AVCodec* encoder, int sourceRate)
{
    const int* rates = encoder->supported_samplerates;
    if (!rates)
        return sourceRate;
    // Above the source's rate nothing is lost; a whole multiple of it keeps
    // the resampling simple (and shine's 32000 Hz output is broken).
    int multiple = 0, above = 0, highest = 0;
    for (; *rates; ++rates) {
        const int rate = *rates;
        if (rate == sourceRate)
            return sourceRate;
        if (rate > sourceRate && rate % sourceRate == 0 && (multiple == 0 || rate < multiple))
            multiple = rate;
        if (rate > sourceRate && (above == 0 || rate < above))
            above = rate;
        highest = std::max(highest, rate);
    }
    return multiple ? multiple : above ? above : highest;
}

int16_t CheckWaveSource(const AVCodec* encoder, const std::string& path, WaveFormat& format)
{
    WaveSource wave;
    const int16_t result = OpenReadableWave(encoder, path, wave);
    format = wave.format();
    return result;
}

bool ProducesBitrate(const AVCodec* encoder, const WaveFormat& format, int bitsPerSecond)
{
    if (bitsPerSecond <= 0 || bitsPerSecond % 1000 != 0)
        return false;
    try {
        CodecContextPtr context = OpenEncoder(encoder, format, bitsPerSecond);
        if (!context)
            return false;
        FramePtr silence = AllocateFrame(*context, context->frame_size);
        av_samples_set_silence(silence->data, 0, silence->nb_samples, context->ch_layout.nb_channels,
                               context->sample_fmt);
        PacketPtr packet(av_packet_alloc());
        if (!packet)
            return false;
        // Everything is drained to the end, so the encoder closes cleanly.
        MpegFrameHeader first;
        bool parsed = false;
        for (int i = 0; i <= kProbeFrames; ++i) {
            silence->pts = int64_t(i) * context->frame_size;
            if (avcodec_send_frame(context.get(), i < kProbeFrames ? silence.get() : nullptr) < 0)
                return false;
            while (avcodec_receive_packet(context.get(), packet.get()) == 0) {
                if (!parsed)
                    parsed = ParseMpegFrameHeader(packet->data, size_t(packet->size), first);
                av_packet_unref(packet.get());
            }
        }
        return parsed && first.bitrateKbit * 1000 == bitsPerSecond && first.sampleRate == context->sample_rate;
    } catch (const std::bad_alloc&) {
    }
    return false;
}

int16_t ConvertWave(const AVCodec* encoder, const std::string& source, const std::string& destination,
                    int bitsPerSecond, std::atomic<int16_t>& percent, const std::atomic<bool>& stop)
{
    percent.store(0);
    if (!encoder)
        return kCodecNotFound;
    WaveSource wave;
    if (const int16_t result = OpenReadableWave(encoder, source, wave))
        return result;
    try {
        return ConvertOpenedWave(encoder, wave, destination, bitsPerSecond, percent, stop);
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    }
}

}  // namespace mp3
