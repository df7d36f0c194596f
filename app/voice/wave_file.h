// Reading and writing voice files (RIFF WAVE, PCM), with the private "prtl"
// chunk that carries the effect settings of a saved voice, and the conversion
// of other accepted formats into the voice format.
//
// Rules:
// - Sizes are never trusted beyond the file: the data chunk is cut to what
//   the file holds before the 2 GiB check, so a wave written to a pipe
//   (whose sizes say 0xFFFFFFFF) reads.
// - Every write goes through files::AtomicFile.
// - No Qt: the window and parrotel-render share this code.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "effect_settings.h"
#include "user_feedback.h"

namespace voice {

// A block of sample bytes (16-bit samples, little-endian, possibly an odd
// byte count); a block without storage means none.
class SampleBlock {
public:
    uint8_t* data() const { return reinterpret_cast<uint8_t*>(storage_.get()); }
    int16_t* samples() const { return storage_.get(); }
    explicit operator bool() const { return storage_ != nullptr; }

    int32_t bytes = 0;

private:
    friend SampleBlock AllocateSamples(int32_t bytes);
    struct Free {
        void operator()(int16_t* p) const;
    };
    std::unique_ptr<int16_t, Free> storage_;
};

// Allocates a block of that many bytes, or returns an empty one when memory
// runs out.
SampleBlock AllocateSamples(int32_t bytes);

// Writes a RIFF WAVE file: an 18-byte "fmt " chunk, the "prtl" chunk when
// settings are given, and the "data" chunk (with a pad byte after an odd
// count). The file is written under a temporary name in the target's folder
// and renamed over the target only when every byte was written, so a failed
// write never damages an existing file. Returns false when it failed.
bool WriteWaveFile(const std::string& path, uint32_t samplesPerSecond, uint16_t bitsPerSample, uint16_t channels,
                   const uint8_t* samples, int32_t bytes, const EffectSettings* settings);

// Reads a wave file into the voice format. Accepted: PCM, 8 or 16 bits, 1 or
// 2 channels, 11025, 22050 or 44100 samples per second; others are reported
// as "Incompatible file format of: " + path. The settings are overwritten
// only when the file carries a complete 514-byte "prtl" chunk. Returns no
// block, silently, when no file exists at the path.
SampleBlock ReadWaveFile(const std::string& path, EffectSettings& settings, UserFeedback& feedback);

// True when ReadWaveFile accepts the file's headers: a wave file it reads or
// converts itself. Says nothing to the user.
bool IsConvertibleWaveFile(const std::string& path);

// What a source needs to become voice format, in the order the stages run.
struct ConversionNeeds {
    bool eightBit = false;
    bool stereo = false;
    bool rate11025 = false;
    bool rate44100 = false;
    bool Any() const { return eightBit || stereo || rate11025 || rate44100; }
};

// Converts the samples and writes them, in voice format with the settings (when
// found), to a new temporary file in the current directory (in the system's
// temporary folder when the current directory cannot take it). Returns the
// file's path, or an empty string when no file could be created.
std::string ConvertToVoiceFormat(const SampleBlock& samples, const ConversionNeeds& needs,
                                 const EffectSettings& settings, bool settingsFound, UserFeedback& feedback);

}  // namespace voice
