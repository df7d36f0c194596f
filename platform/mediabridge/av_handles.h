// Owners for FFmpeg's objects, and the caller's progress and stop callbacks
// as one small object that every stage of a call shares.
#pragma once

#include <cstdint>
#include <memory>
#include <new>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libswresample/swresample.h>
}

#include "mediabridge.h"

namespace media {

// FFmpeg frees most objects through a pointer to the caller's pointer.
template <auto Free>
struct FreeThroughAddress {
    template <class T>
    void operator()(T* object) const
    {
        Free(&object);
    }
};

using CodecContextPtr = std::unique_ptr<AVCodecContext, FreeThroughAddress<avcodec_free_context>>;
using FramePtr = std::unique_ptr<AVFrame, FreeThroughAddress<av_frame_free>>;
using PacketPtr = std::unique_ptr<AVPacket, FreeThroughAddress<av_packet_free>>;
using ResamplerPtr = std::unique_ptr<SwrContext, FreeThroughAddress<swr_free>>;
using InputContextPtr = std::unique_ptr<AVFormatContext, FreeThroughAddress<avformat_close_input>>;
using IoContextPtr = std::unique_ptr<AVIOContext, FreeThroughAddress<avio_closep>>;
struct FifoFree {
    void operator()(AVAudioFifo* fifo) const { av_audio_fifo_free(fifo); }
};
using FifoPtr = std::unique_ptr<AVAudioFifo, FifoFree>;
struct OutputContextFree {
    void operator()(AVFormatContext* context) const { avformat_free_context(context); }
};
using OutputContextPtr = std::unique_ptr<AVFormatContext, OutputContextFree>;

// Thrown where FFmpeg cannot allocate; the C entry points turn it, as any
// bad_alloc, into MEDIA_NO_MEMORY.
struct OutOfMemory : std::bad_alloc {};

template <class T>
T* Required(T* allocated)
{
    if (!allocated)
        throw OutOfMemory{};
    return allocated;
}

// The caller's callbacks; progress is passed on only when the percentage
// grows (parts of a call may measure it in different ways).
class Hooks {
public:
    explicit Hooks(const MediaCallbacks* callbacks) : callbacks_(callbacks) {}

    bool StopRequested() const
    {
        return callbacks_ && callbacks_->stopRequested && callbacks_->stopRequested(callbacks_->context) != 0;
    }
    void Progress(int32_t percent)
    {
        if (percent <= shown_ || !callbacks_ || !callbacks_->progress)
            return;
        shown_ = percent;
        callbacks_->progress(callbacks_->context, percent);
    }

private:
    const MediaCallbacks* callbacks_;
    int32_t shown_ = -1;
};

}  // namespace media
