#include "voice_decoder.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "audio_input.h"
#include "mono_converter.h"

namespace media {

namespace {

// Pieces of 2 MiB: growing one block would copy the voice over and over and
// need twice its memory at each step.
constexpr size_t kPieceSamples = size_t(1) << 20;

// A length stated in the header may be an estimate (from the bit rate of a
// few frames); only a clear excess refuses a file before decoding it.
constexpr double kDeclaredLengthSlack = 1.05;

class PieceStore {
public:
    explicit PieceStore(int64_t maxSamples) : maxSamples_(maxSamples) {}

    // False when the sound would exceed the limit.
    bool Append(const int16_t* samples, size_t count)
    {
        if (int64_t(total_ + count) > maxSamples_)
            return false;
        while (count > 0) {
            const size_t used = total_ % kPieceSamples;
            if (used == 0)
                pieces_.push_back(std::unique_ptr<int16_t[]>(new int16_t[kPieceSamples]));
            const size_t now = std::min(count, kPieceSamples - used);
            std::memcpy(pieces_.back().get() + used, samples, now * sizeof(int16_t));
            samples += now;
            count -= now;
            total_ += now;
        }
        return true;
    }

    size_t total() const { return total_; }

    // Copies everything to `out`, giving each piece back once it is copied.
    void MoveTo(uint8_t* out)
    {
        size_t left = total_;
        for (auto& piece : pieces_) {
            const size_t now = std::min(left, kPieceSamples);
            std::memcpy(out, piece.get(), now * sizeof(int16_t));
            out += now * sizeof(int16_t);
            left -= now;
            piece.reset();
        }
        pieces_.clear();
    }

private:
    int64_t maxSamples_;
    size_t total_ = 0;
    std::vector<std::unique_ptr<int16_t[]>> pieces_;
};

int32_t Collect(MonoConverter& converter, int made, PieceStore& store)
{
    if (made < 0)
        return made == AVERROR(ENOMEM) ? MEDIA_NO_MEMORY : MEDIA_UNDECODABLE;
    return store.Append(reinterpret_cast<const int16_t*>(converter.Output()), size_t(made)) ? MEDIA_OK
                                                                                              : MEDIA_TOO_LONG;
}

}  // namespace

int32_t DecodeVoice(const std::string& path, int32_t maxBytes, const MediaCallbacks* callbacks,
                    MediaAllocateFunction allocate, void* allocateContext)
{
    if (maxBytes < 0 || !allocate)
        return MEDIA_BAD_ARGUMENT;
    Hooks hooks(callbacks);
    AudioInput input;
    if (const int32_t opened = input.Open(path))
        return opened;
    const int64_t maxSamples = maxBytes / 2;
    const double declared = input.DeclaredSeconds();
    if (declared > 0 && declared * kVoiceSampleRate > double(maxSamples) * kDeclaredLengthSlack)
        return MEDIA_TOO_LONG;

    MonoConverter converter(AV_SAMPLE_FMT_S16, kVoiceSampleRate);
    PieceStore store(maxSamples);
    int32_t result = input.Decode(
        [&](const AVFrame& frame) { return Collect(converter, converter.Convert(frame), store); }, hooks);
    if (result == MEDIA_OK)
        result = Collect(converter, converter.Flush(), store);
    if (result != MEDIA_OK)
        return result;
    if (store.total() == 0)
        return MEDIA_UNDECODABLE;  // a header and no sound: nothing to open
    void* memory = allocate(allocateContext, int32_t(store.total() * sizeof(int16_t)));
    if (!memory)
        return MEDIA_NO_MEMORY;
    store.MoveTo(static_cast<uint8_t*>(memory));
    return MEDIA_OK;
}

}  // namespace media
