#include "mono_converter.h"

#include <vector>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

namespace media {

namespace {

bool IsSixteenBitsOrLess(int format)
{
    const AVSampleFormat packed = av_get_packed_sample_fmt(AVSampleFormat(format));
    return packed == AV_SAMPLE_FMT_S16 || packed == AV_SAMPLE_FMT_U8;
}

}  // namespace

MonoConverter::MonoConverter(AVSampleFormat format, int sampleRate) : format_(format), sampleRate_(sampleRate) {}

MonoConverter::~MonoConverter() { av_channel_layout_uninit(&sourceLayout_); }

int MonoConverter::Start(const AVFrame& frame)
{
    av_channel_layout_uninit(&sourceLayout_);
    if (av_channel_layout_copy(&sourceLayout_, &frame.ch_layout) < 0)
        throw OutOfMemory{};
    sourceFormat_ = frame.format;
    sourceRate_ = frame.sample_rate;
    // Layouts without named channels (four "unknown" ones) are given the
    // default layout of their count; the mix treats every channel alike.
    AVChannelLayout source{};
    if (frame.ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
        av_channel_layout_default(&source, frame.ch_layout.nb_channels);
    else if (av_channel_layout_copy(&source, &frame.ch_layout) < 0)
        throw OutOfMemory{};
    AVChannelLayout mono = AV_CHANNEL_LAYOUT_MONO;
    SwrContext* resampler = nullptr;
    const int allocated = swr_alloc_set_opts2(&resampler, &mono, format_, sampleRate_, &source,
                                              AVSampleFormat(frame.format), frame.sample_rate, 0, nullptr);
    av_channel_layout_uninit(&source);
    resampler_.reset(resampler);
    if (allocated < 0)
        return allocated;

    const int channels = frame.ch_layout.nb_channels;
    const bool mixes = channels > 1;
    const bool resamples = frame.sample_rate != sampleRate_;
    const bool narrows = format_ == AV_SAMPLE_FMT_S16 && !IsSixteenBitsOrLess(frame.format);
    if (mixes) {
        const std::vector<double> average(size_t(channels), 1.0 / channels);
        if (const int set = swr_set_matrix(resampler, average.data(), channels); set < 0)
            return set;
    }
    if (mixes || resamples || narrows) {
        // Work in float, so that the mix and the filter lose nothing, and
        // dither where the result is cut to 16 bits.
        av_opt_set_int(resampler, "internal_sample_fmt", AV_SAMPLE_FMT_FLTP, 0);
        if (format_ == AV_SAMPLE_FMT_S16)
            av_opt_set(resampler, "dither_method", "triangular", 0);
        av_opt_set(resampler, "resampler", "soxr", 0);  // stays swr's own where FFmpeg lacks soxr
    }
    return swr_init(resampler);
}

int MonoConverter::Run(const uint8_t* const* input, int inputSamples, int produced)
{
    const int room = swr_get_out_samples(resampler_.get(), inputSamples);
    if (room < 0)
        return room;
    const int bytesPerSample = av_get_bytes_per_sample(format_);
    output_.resize(size_t(produced + room) * size_t(bytesPerSample));
    uint8_t* out[1] = {output_.data() + size_t(produced) * size_t(bytesPerSample)};
    const int made = swr_convert(resampler_.get(), out, room, const_cast<const uint8_t**>(input), inputSamples);
    return made < 0 ? made : produced + made;
}

int MonoConverter::Drain(int produced)
{
    // Soxr gives its delayed samples in several pieces.
    for (;;) {
        const int total = Run(nullptr, 0, produced);
        if (total <= produced)
            return total;
        produced = total;
    }
}

int MonoConverter::Convert(const AVFrame& frame, int from)
{
    int produced = 0;
    const bool sameSource = resampler_ && frame.format == sourceFormat_ && frame.sample_rate == sourceRate_ &&
                            av_channel_layout_compare(&frame.ch_layout, &sourceLayout_) == 0;
    if (!sameSource) {
        if (resampler_)
            produced = Drain(0);
        if (produced < 0)
            return produced;
        if (const int started = Start(frame); started < 0)
            return started;
    }
    if (from == 0)
        return Run(frame.extended_data, frame.nb_samples, produced);
    // Packed samples sit side by side in one plane, planar ones one a plane.
    const int channels = frame.ch_layout.nb_channels;
    const bool planar = av_sample_fmt_is_planar(AVSampleFormat(frame.format));
    const size_t step = size_t(av_get_bytes_per_sample(AVSampleFormat(frame.format))) * (planar ? 1 : size_t(channels));
    std::vector<const uint8_t*> planes(planar ? size_t(channels) : 1);
    for (size_t i = 0; i < planes.size(); ++i)
        planes[i] = frame.extended_data[i] + size_t(from) * step;
    return Run(planes.data(), frame.nb_samples - from, produced);
}

int MonoConverter::Flush() { return resampler_ ? Drain(0) : 0; }

}  // namespace media
