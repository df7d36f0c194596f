#include "seam.h"

extern "C" {
#include <libavutil/intreadwrite.h>
}

namespace media {

namespace {

int64_t StartSkip(const AVPacket& packet)
{
    size_t size = 0;
    const uint8_t* skip = av_packet_get_side_data(&packet, AV_PKT_DATA_SKIP_SAMPLES, &size);
    return skip && size >= 4 ? int64_t(AV_RL32(skip)) : 0;
}


}  // namespace

SeamFinder::SeamFinder(const AudioInput& input)
    : timeBase_(input.Stream().time_base), rate_(input.Stream().codecpar->sample_rate)
{
    const AVStream& stream = input.Stream();
    start_ = stream.start_time != AV_NOPTS_VALUE ? stream.start_time : 0;
    const int64_t length = int64_t(input.DeclaredSeconds() / av_q2d(timeBase_));
    middle_ = start_ + length / 2;
}

bool SeamFinder::IsSeam(const AVPacket& packet)
{
    if (found_)
        return false;
    if (packet.pts != AV_NOPTS_VALUE && packet.pts >= middle_)
        return found_ = true;
    samplesBefore_ += Samples(packet) - StartSkip(packet);
    return false;
}

}  // namespace media
