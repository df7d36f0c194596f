#include "voice_source.h"

#include <filesystem>

namespace voice {

namespace {

const char* const kIncompatible = "Incompatible file format of: ";
const char* const kCannotAllocateBuffer = "Cannot allocate buffer for audio data, Terminating...";

}  // namespace

std::string TooLongMessage(const std::string& path)
{
    return "The file " + path + " is too long to open: a voice holds at most 13 hours and 31 minutes.";
}

OpenedVoice OpenVoiceFile(const std::string& path, EffectSettings& settings, UserFeedback& feedback,
                          MediaDecoder* decoder)
{
    OpenedVoice opened;
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return opened;
    if (IsConvertibleWaveFile(path) || !decoder) {
        opened.samples = ReadWaveFile(path, settings, feedback);
        opened.origin = opened.samples ? VoiceOrigin::WaveFile : VoiceOrigin::None;
        return opened;
    }
    SampleBlock samples;
    switch (decoder->Decode(path, kMaxVoiceBytes, samples)) {
    case MediaDecoder::Result::Ok:
        opened.samples = std::move(samples);
        opened.origin = VoiceOrigin::Decoded;
        break;
    case MediaDecoder::Result::Undecodable: feedback.ShowMessage(kIncompatible + path); break;
    case MediaDecoder::Result::TooLong: feedback.ShowMessage(TooLongMessage(path)); break;
    case MediaDecoder::Result::NoMemory: feedback.ShowMessage(kCannotAllocateBuffer); break;
    case MediaDecoder::Result::Stopped: break;  // the user's own choice: nothing to say
    }
    return opened;
}

std::string WaveNameFor(const std::string& path)
{
    return std::filesystem::path(path).replace_extension(".wav").string();
}

}  // namespace voice
