// The LAME encoder library, loaded by file name with dlopen for one use (to
// offer it, to check bit rates, to encode) and released afterwards, and a
// LAME stream over it: initialise with a configuration, encode chunks,
// finish, close.
#pragma once

#include <lame/lame.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace mp3 {

constexpr const char* kLameLibraryFileName = "libmp3lame.so.0";

class LameLibrary {
public:
    explicit LameLibrary(const char* fileName = kLameLibraryFileName);
    ~LameLibrary();
    LameLibrary(const LameLibrary&) = delete;
    LameLibrary& operator=(const LameLibrary&) = delete;

    // True when the library loaded and has every entry point the stream uses.
    bool loaded() const { return loaded_; }

    // Entry points, looked up by name (types only come from lame.h).
    decltype(&lame_init) init = nullptr;
    decltype(&lame_set_num_channels) setNumChannels = nullptr;
    decltype(&lame_set_in_samplerate) setInSamplerate = nullptr;
    decltype(&lame_set_out_samplerate) setOutSamplerate = nullptr;
    decltype(&lame_set_mode) setMode = nullptr;
    decltype(&lame_set_brate) setBrate = nullptr;
    decltype(&lame_set_VBR) setVbr = nullptr;
    decltype(&lame_set_quality) setQuality = nullptr;
    decltype(&lame_set_error_protection) setErrorProtection = nullptr;
    decltype(&lame_set_extension) setExtension = nullptr;
    decltype(&lame_set_copyright) setCopyright = nullptr;
    decltype(&lame_set_original) setOriginal = nullptr;
    decltype(&lame_set_emphasis) setEmphasis = nullptr;
    decltype(&lame_set_bWriteVbrTag) setWriteVbrTag = nullptr;
    decltype(&lame_init_params) initParams = nullptr;
    decltype(&lame_get_brate) getBrate = nullptr;
    decltype(&lame_get_out_samplerate) getOutSamplerate = nullptr;
    decltype(&lame_get_framesize) getFramesize = nullptr;
    decltype(&lame_encode_buffer) encodeBuffer = nullptr;
    decltype(&lame_encode_buffer_interleaved) encodeBufferInterleaved = nullptr;
    decltype(&lame_encode_flush) encodeFlush = nullptr;
    decltype(&lame_get_frameNum) getFrameNum = nullptr;
    decltype(&lame_get_encoder_delay) getEncoderDelay = nullptr;
    decltype(&lame_get_encoder_padding) getEncoderPadding = nullptr;
    decltype(&get_lame_short_version) shortVersion = nullptr;
    decltype(&lame_close) close = nullptr;

private:
    void* handle_ = nullptr;
    bool loaded_ = false;
};

// What the stream is initialised with. The rest of the configuration is
// fixed: constant bit rate, LAME's high-quality setting, CRC and private
// bit on, not copyrighted, not original, no emphasis, no VBR header frame
// (LAME leaves out its own tag when a frame is too small for it; the route
// writes the Info frame itself), and the output sample rate equal to the
// input rate.
struct LameSettings {
    int sampleRate = 0;
    int channels = 0;  // 1: mono; 2: stereo
    int kbit = 0;
};

class LameStream {
public:
    explicit LameStream(const LameLibrary& library) : lame_(library) {}
    ~LameStream();
    LameStream(const LameStream&) = delete;
    LameStream& operator=(const LameStream&) = delete;

    // False when the encoder cannot be initialised with these settings.
    bool Init(const LameSettings& settings);
    // LAME quietly replaces a bit rate or sample rate it cannot use; true only
    // when the frames will carry exactly the settings asked for.
    bool KeepsSettings() const;

    // Sample frames (per channel) per chunk, and the output buffer a chunk needs.
    int framesPerChunk() const { return framesPerChunk_; }
    size_t outputBufferBytes() const { return outputBufferBytes_; }

    // Encodes interleaved 16-bit samples; the bytes produced, or -1.
    int EncodeChunk(const int16_t* samples, int frames, uint8_t* output, size_t outputBytes);
    // Flushes what the encoder still holds; the bytes produced, or -1.
    int Finish(uint8_t* output, size_t outputBytes);

    // After Finish: the frames made, and the samples the encoder put before
    // and after the sound (for the Info tag).
    int framesMade() const { return lame_.getFrameNum(flags_); }
    int encoderDelay() const { return lame_.getEncoderDelay(flags_); }
    int encoderPadding() const { return lame_.getEncoderPadding(flags_); }
    // "LAME" and the library's short version, as encoders name themselves in
    // the Info tag.
    std::string encoderName() const { return std::string("LAME") + lame_.shortVersion(); }

private:
    const LameLibrary& lame_;
    lame_global_flags* flags_ = nullptr;
    LameSettings settings_;
    int framesPerChunk_ = 0;
    size_t outputBufferBytes_ = 0;
};

}  // namespace mp3
