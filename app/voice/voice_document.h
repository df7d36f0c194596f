// The one voice the program holds: the samples as recorded or loaded, which
// effects never change, and the working copy that every effect run rewrites.
#pragma once

#include <cstdint>
#include <string>

#include "wave_file.h"

namespace voice {

struct VoiceDocument {
    SampleBlock VoiceData;   // the unprocessed voice
    SampleBlock WorkBuffer;  // the working copy, as large as the voice
    int32_t ProcessedBytes = 0;  // valid bytes in WorkBuffer after the last run
    bool WorkAltered = false;    // an effect rewrote WorkBuffer: restore it before the next run
    bool VoiceChanged = false;   // settings or voice changed since the last Save
    std::string VoiceFileName;   // empty for an untitled voice

    // 0 means that no voice is in memory.
    int32_t VoiceBytes() const { return VoiceData ? VoiceData.bytes : 0; }
    int32_t WorkCapacity() const { return WorkBuffer ? WorkBuffer.bytes : 0; }

    // Releases both blocks (each only once).
    void ReleaseSamples();

    // Makes the samples the voice and gives it a working copy of the same
    // size. When the copy cannot be allocated the voice is discarded and
    // false returned: a voice never exists without its working copy.
    bool AdoptVoice(SampleBlock samples);
};

}  // namespace voice
