// Turns decoded frames into one channel at one rate in one sample format:
// the channels are averaged (a voice in every channel keeps its level, where
// FFmpeg's own downmix would lower it by 3 dB), the rate is converted with
// the SoX resampler, and narrowing to 16 bits is dithered. A source that is
// already what is wanted passes unchanged, sample for sample.
#pragma once

#include <cstdint>
#include <vector>

#include "av_handles.h"

namespace media {

class MonoConverter {
public:
    MonoConverter(AVSampleFormat format, int sampleRate);
    ~MonoConverter();
    MonoConverter(const MonoConverter&) = delete;
    MonoConverter& operator=(const MonoConverter&) = delete;

    // Converts one frame from its sample `from` on; the samples are in
    // Output() until the next call. A frame whose layout, rate or format
    // differs from the last one's starts a new resampler after draining the
    // old one. Returns the count of samples, or a negative AVERROR.
    int Convert(const AVFrame& frame, int from = 0);
    // What the resampler still holds at the end.
    int Flush();
    const uint8_t* Output() const { return output_.data(); }

private:
    int Start(const AVFrame& frame);
    int Drain(int produced);
    int Run(const uint8_t* const* input, int inputSamples, int produced);

    AVSampleFormat format_;
    int sampleRate_;
    ResamplerPtr resampler_;
    AVChannelLayout sourceLayout_{};
    int sourceFormat_ = AV_SAMPLE_FMT_NONE;
    int sourceRate_ = 0;
    std::vector<uint8_t> output_;
};

}  // namespace media
