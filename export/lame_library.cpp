#include "lame_library.h"

#include <dlfcn.h>

#include <climits>

namespace mp3 {

namespace {

// LAME's "high quality" setting (its -h switch).
constexpr int kHighQuality = 2;
// Encoder frames per chunk: few calls, yet the stop flag is seen every
// quarter of a second of sound or so.
constexpr int kFramesPerChunk = 8;
// LAME's own rule for the worst-case output of n samples: 1.25 n + 7200.
constexpr size_t kOutputSlackBytes = 7200;

template <typename Function>
bool Find(void* handle, const char* name, Function& function)
{
    function = reinterpret_cast<Function>(dlsym(handle, name));
    return function != nullptr;
}

}  // namespace

LameLibrary::LameLibrary(const char* fileName)
{
    handle_ = fileName ? dlopen(fileName, RTLD_NOW | RTLD_LOCAL) : nullptr;
    if (!handle_)
        return;
    loaded_ = Find(handle_, "lame_init", init) && Find(handle_, "lame_set_num_channels", setNumChannels) &&
              Find(handle_, "lame_set_in_samplerate", setInSamplerate) &&
              Find(handle_, "lame_set_out_samplerate", setOutSamplerate) && Find(handle_, "lame_set_mode", setMode) &&
              Find(handle_, "lame_set_brate", setBrate) && Find(handle_, "lame_set_VBR", setVbr) &&
              Find(handle_, "lame_set_quality", setQuality) &&
              Find(handle_, "lame_set_error_protection", setErrorProtection) &&
              Find(handle_, "lame_set_extension", setExtension) && Find(handle_, "lame_set_copyright", setCopyright) &&
              Find(handle_, "lame_set_original", setOriginal) && Find(handle_, "lame_set_emphasis", setEmphasis) &&
              Find(handle_, "lame_set_bWriteVbrTag", setWriteVbrTag) &&
              Find(handle_, "lame_init_params", initParams) && Find(handle_, "lame_get_brate", getBrate) &&
              Find(handle_, "lame_get_out_samplerate", getOutSamplerate) &&
              Find(handle_, "lame_get_framesize", getFramesize) && Find(handle_, "lame_encode_buffer", encodeBuffer) &&
              Find(handle_, "lame_encode_buffer_interleaved", encodeBufferInterleaved) &&
              Find(handle_, "lame_encode_flush", encodeFlush) && Find(handle_, "lame_get_frameNum", getFrameNum) &&
              Find(handle_, "lame_get_encoder_delay", getEncoderDelay) &&
              Find(handle_, "lame_get_encoder_padding", getEncoderPadding) &&
              Find(handle_, "get_lame_short_version", shortVersion) && Find(handle_, "lame_close", close);
}

LameLibrary::~LameLibrary()
{
    if (handle_)
        dlclose(handle_);
}

LameStream::~LameStream()
{
    if (flags_)
        lame_.close(flags_);
}

bool LameStream::Init(const LameSettings& settings)
{
    if (!lame_.loaded() || flags_ || settings.channels < 1 || settings.channels > 2 || settings.kbit <= 0)
        return false;
    flags_ = lame_.init();
    if (!flags_)
        return false;
    settings_ = settings;
    lame_.setNumChannels(flags_, settings.channels);
    lame_.setInSamplerate(flags_, settings.sampleRate);
    lame_.setOutSamplerate(flags_, settings.sampleRate);
    lame_.setMode(flags_, settings.channels == 1 ? MONO : STEREO);
    lame_.setVbr(flags_, vbr_off);
    lame_.setBrate(flags_, settings.kbit);
    lame_.setQuality(flags_, kHighQuality);
    lame_.setErrorProtection(flags_, 1);
    lame_.setExtension(flags_, 1);
    lame_.setCopyright(flags_, 0);
    lame_.setOriginal(flags_, 0);
    lame_.setEmphasis(flags_, 0);
    lame_.setWriteVbrTag(flags_, 0);
    if (lame_.initParams(flags_) < 0)
        return false;
    framesPerChunk_ = lame_.getFramesize(flags_) * kFramesPerChunk;
    outputBufferBytes_ = size_t(framesPerChunk_) * 5 / 4 + kOutputSlackBytes;
    return framesPerChunk_ > 0;
}

bool LameStream::KeepsSettings() const
{
    return flags_ && lame_.getBrate(flags_) == settings_.kbit && lame_.getOutSamplerate(flags_) == settings_.sampleRate;
}

int LameStream::EncodeChunk(const int16_t* samples, int frames, uint8_t* output, size_t outputBytes)
{
    if (!flags_ || frames < 0 || frames > framesPerChunk_ || outputBytes > size_t(INT_MAX))
        return -1;
    // LAME's prototypes predate const; it does not write the samples.
    auto* pcm = const_cast<int16_t*>(samples);
    const int produced = settings_.channels == 1
                             ? lame_.encodeBuffer(flags_, pcm, pcm, frames, output, int(outputBytes))
                             : lame_.encodeBufferInterleaved(flags_, pcm, frames, output, int(outputBytes));
    return produced < 0 ? -1 : produced;
}

int LameStream::Finish(uint8_t* output, size_t outputBytes)
{
    if (!flags_ || outputBytes > size_t(INT_MAX))
        return -1;
    const int produced = lame_.encodeFlush(flags_, output, int(outputBytes));
    return produced < 0 ? -1 : produced;
}

}  // namespace mp3
