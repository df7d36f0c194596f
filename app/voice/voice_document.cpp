#include "voice_document.h"

#include <cstring>

namespace voice {

void VoiceDocument::ReleaseSamples()
{
    VoiceData = SampleBlock();
    WorkBuffer = SampleBlock();
}

bool VoiceDocument::AdoptVoice(SampleBlock samples)
{
    ReleaseSamples();
    if (!samples)
        return false;
    SampleBlock copy = AllocateSamples(samples.bytes);
    if (!copy)
        return false;
    std::memcpy(copy.data(), samples.data(), size_t(samples.bytes));
    VoiceData = std::move(samples);
    WorkBuffer = std::move(copy);
    return true;
}

}  // namespace voice
