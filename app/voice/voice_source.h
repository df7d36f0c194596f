// Opening any file as the voice. Wave files that ReadWaveFile accepts keep
// their exact conversion and their settings chunk; every other file is
// handed to a MediaDecoder that the caller gives (the window's shows a
// progress window with Cancel, parrotel-render's draws its gauge), so this
// code knows nothing of the library that decodes.
//
// A voice decoded from another format has no file to be saved back into:
// saving would replace the user's file with a different one.
#pragma once

#include <cstdint>
#include <string>

#include "effect_settings.h"
#include "user_feedback.h"
#include "wave_file.h"

namespace voice {

// The most sample bytes a voice holds: its byte counts are signed 32-bit,
// and its samples are whole (about 13 hours 31 minutes at 22050 Hz).
constexpr int32_t kMaxVoiceBytes = INT32_MAX - 1;

class MediaDecoder {
public:
    enum class Result { Ok, Undecodable, TooLong, NoMemory, Stopped };
    virtual ~MediaDecoder() = default;
    // Decodes the file into voice format, at most maxBytes bytes; the
    // samples go to `voice` only with Ok.
    virtual Result Decode(const std::string& path, int32_t maxBytes, SampleBlock& voice) = 0;
};

enum class VoiceOrigin {
    None,       // nothing was opened
    WaveFile,   // read by ReadWaveFile: the voice may be saved back into the file
    Decoded,    // decoded from another format: Save must ask for a new name
};

struct OpenedVoice {
    SampleBlock samples;
    VoiceOrigin origin = VoiceOrigin::None;
};

// Opens the file as the voice, with the messages of the wave reader; a file
// nothing can decode gives "Incompatible file format of: " + path. No file
// at the path gives nothing, silently. Without a decoder only wave files open.
OpenedVoice OpenVoiceFile(const std::string& path, EffectSettings& settings, UserFeedback& feedback,
                          MediaDecoder* decoder);

// The name Save As proposes for a voice decoded from `path`: the same name
// with ".wav" for its extension.
std::string WaveNameFor(const std::string& path);

// The Open dialog's filter, in Qt's form: every kind of sound file the
// program opens, wave files alone, and all files.
inline constexpr char kOpenVoiceFilter[] =
    "Sound Files (*.wav *.mp3 *.m4a *.mp4 *.aac *.ogg *.oga *.opus *.flac *.webm *.mka *.aif *.aiff *.aifc *.caf "
    "*.wv *.au *.snd *.amr *.wma);;Wave Files (*.wav);;All files (*)";

// The message for a file longer than a voice can be.
std::string TooLongMessage(const std::string& path);

}  // namespace voice
