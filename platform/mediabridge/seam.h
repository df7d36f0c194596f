// Where the two halves of a file decoded at once meet, as both find it.
//
// The seam is the first packet stamped at or after the middle of the declared
// length. Head and tail both read the packets from the file's start (that
// costs a few hundredths of a second; a seek would say only roughly where it
// lands), so both find the same packet and count the same samples before it:
// what the packets before it declare, less what the file says to skip at the
// start.
#pragma once

#include <algorithm>
#include <cstdint>

#include "audio_input.h"
#include "converted_voice.h"

namespace media {

// The first voice sample at or after source sample `source`.
inline int64_t VoiceSampleAt(int64_t source, int sourceRate)
{
    return (source * kVoiceSampleRate + sourceRate - 1) / sourceRate;
}

class SeamFinder {
public:
    explicit SeamFinder(const AudioInput& input);

    // To be called for every packet in order.
    bool IsSeam(const AVPacket& packet);
    int64_t SamplesBefore() const { return samplesBefore_; }
    int64_t Samples(const AVPacket& packet) const { return av_rescale_q(packet.duration, timeBase_, {1, rate_}); }
    int SampleRate() const { return rate_; }

    // How much of its half the head or the tail has done at a packet, of
    // HalfLength() in the stream's time units.
    int64_t HeadDone(const AVPacket& packet) const { return Clamped(packet.pts - start_); }
    int64_t TailDone(const AVPacket& packet) const { return Clamped(packet.pts - middle_); }
    int64_t HalfLength() const { return middle_ - start_; }

private:
    int64_t Clamped(int64_t done) const { return std::clamp<int64_t>(done, 0, HalfLength()); }

    AVRational timeBase_;
    int rate_;
    int64_t start_ = 0;
    int64_t middle_ = 0;
    bool found_ = false;
    int64_t samplesBefore_ = 0;
};


// The decoded frames' layout, format and rate: the halves must agree at the seam.
struct SourceKind {
    int format = AV_SAMPLE_FMT_NONE;
    int rate = 0;
    int channels = 0;
    int order = 0;
    uint64_t mask = 0;

    static SourceKind Of(const AVFrame& frame)
    {
        const bool native = frame.ch_layout.order == AV_CHANNEL_ORDER_NATIVE;
        return {frame.format, frame.sample_rate, frame.ch_layout.nb_channels, int(frame.ch_layout.order),
                native ? frame.ch_layout.u.mask : 0};
    }
    bool operator==(const SourceKind&) const = default;
};

// What the tail tells the head once it is ready at the seam.
struct Seam {
    bool ready = false;  // false: the head decodes everything
    int64_t samplesBefore = 0;
    SourceKind source;
};

}  // namespace media
