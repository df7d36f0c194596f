// The first audio stream of a file, demuxed and decoded frame by frame.
// Only the file protocol is allowed, and a file must be recognised with
// confidence before any decoder sees it.
#pragma once

#include <functional>
#include <string>

#include "av_handles.h"

namespace media {

class AudioInput {
public:
    // MEDIA_OK, MEDIA_CANNOT_OPEN or MEDIA_UNDECODABLE.
    int32_t Open(const std::string& path);

    // The sound's length in seconds as the file states it; negative when it
    // does not say.
    double DeclaredSeconds() const;
    // The decoder's sample rate (frames may change it on the way).
    int SampleRate() const { return decoder_->sample_rate; }
    const AVStream& Stream() const { return *format_->streams[streamIndex_]; }
    // A file that can be read again from anywhere (not a pipe).
    bool Seekable() const { return (file_->seekable & AVIO_SEEKABLE_NORMAL) != 0; }

    // Hands every decoded frame to the sink, which returns MEDIA_OK to go on
    // or the result to end with. Damaged packets are skipped, and a read
    // error ends the sound where it occurs, as players do. Progress follows
    // the read position in the file.
    using FrameSink = std::function<int32_t(const AVFrame&)>;
    int32_t Decode(const FrameSink& sink, Hooks& hooks);

    // The same, a step at a time. ReadPacket gives the next packet of the
    // sound: MEDIA_OK, MEDIA_NO_MEMORY or kEndOfSound. DecodePacket hands
    // the packet's frames to the sink; DecodeRest those the decoder still
    // holds at the end.
    static constexpr int32_t kEndOfSound = -1;
    int32_t ReadPacket(AVPacket& packet);
    int32_t DecodePacket(const AVPacket& packet, const FrameSink& sink);
    int32_t DecodeRest(const FrameSink& sink);
    int32_t PercentRead() const;

private:
    int32_t ReceiveFrames(const FrameSink& sink);

    // Declared in this order so that the demuxer goes before its file.
    IoContextPtr file_;
    InputContextPtr format_;
    CodecContextPtr decoder_;
    FramePtr frame_;
    int streamIndex_ = -1;
};

}  // namespace media
