// Decoded frames turned into the voice format (16-bit mono at 22050 samples
// per second) and kept in a store. Only a window of the conversion may be
// kept, so that two halves of one file, converted apart, join at one sample.
#pragma once

#include <cstdint>
#include <limits>

#include "av_handles.h"
#include "mono_converter.h"
#include "piece_store.h"

namespace media {

constexpr int kVoiceSampleRate = 22050;

class ConvertedVoice {
public:
    explicit ConvertedVoice(PieceStore& store) : converter_(AV_SAMPLE_FMT_S16, kVoiceSampleRate), store_(store) {}

    // Keeps the converted samples numbered first..end-1 (counting from this
    // conversion's first); all of them unless told.
    void Keep(int64_t first, int64_t end)
    {
        first_ = first;
        end_ = end;
    }
    // MEDIA_OK, or MEDIA_TOO_LONG, MEDIA_NO_MEMORY or MEDIA_UNDECODABLE.
    int32_t Add(const AVFrame& frame, int from = 0) { return Store(converter_.Convert(frame, from)); }
    // What the resampler still holds at the end.
    int32_t Finish() { return Store(converter_.Flush()); }
    // Every sample of the window is in the store.
    bool Complete() const { return made_ >= end_; }

private:
    int32_t Store(int made);

    MonoConverter converter_;
    PieceStore& store_;
    int64_t made_ = 0;
    int64_t first_ = 0;
    int64_t end_ = std::numeric_limits<int64_t>::max();
};

}  // namespace media
