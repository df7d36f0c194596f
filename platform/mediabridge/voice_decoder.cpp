#include "voice_decoder.h"

#include "audio_input.h"
#include "converted_voice.h"
#include "halves_decoder.h"

namespace media {

namespace {

// A length stated in the header may be an estimate (from the bit rate of a
// few frames); only a clear excess refuses a file before decoding it.
constexpr double kDeclaredLengthSlack = 1.05;

int32_t DecodeStraight(AudioInput& input, PieceStore& store, Hooks& hooks)
{
    ConvertedVoice voice(store);
    const int32_t result = input.Decode([&](const AVFrame& frame) { return voice.Add(frame); }, hooks);
    return result == MEDIA_OK ? voice.Finish() : result;
}

}  // namespace

int32_t DecodeVoice(const std::string& path, int32_t maxBytes, const MediaCallbacks* callbacks,
                    MediaAllocateFunction allocate, void* allocateContext, DecodeWay way, bool* decodedInHalves)
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

    SampleBudget budget(maxSamples);
    PieceStore head(budget);
    PieceStore tail(budget);
    bool inHalves = false;
    const int32_t result = way == DecodeWay::Fastest && WorthDecodingInHalves(input)
                               ? DecodeInHalves(path, input, head, tail, hooks, inHalves)
                               : DecodeStraight(input, head, hooks);
    if (decodedInHalves)
        *decodedInHalves = inHalves;
    if (result != MEDIA_OK)
        return result;
    if (!inHalves)
        tail.Clear();
    const size_t total = head.total() + tail.total();
    if (total == 0)
        return MEDIA_UNDECODABLE;  // a header and no sound: nothing to open
    void* memory = allocate(allocateContext, int32_t(total * sizeof(int16_t)));
    if (!memory)
        return MEDIA_NO_MEMORY;
    tail.MoveTo(head.MoveTo(static_cast<uint8_t*>(memory)));
    return MEDIA_OK;
}

}  // namespace media
