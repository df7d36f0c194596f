// The RealAudio build engine: takes PCM blocks through an input pin and
// writes a RealMedia file with a RealAudio 1.0 (14.4) voice stream.
//
// Use: find the pin for kRealAudioMimeType, enable that output type, fill in
// the clip properties and the target settings, give the pin the input format,
// prepare, then hand the pin one media sample after another and finish. The
// sound is resampled to 8000 Hz mono with libswresample and coded with
// libavcodec's real_144 encoder. The file is written under a temporary name in
// the target's folder and only takes the target's name when it is finished
// (RealMediaWriter), so a failed or stopped encoding leaves whatever was there
// before.
#pragma once

#include "media_sample.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace realconv {

inline constexpr char kRealAudioMimeType[] = "audio/x-pn-realaudio";

class ClipProperties {
public:
    void setTitle(const std::string& title) { title_ = title; }
    void setAuthor(const std::string& author) { author_ = author; }
    void setCopyright(const std::string& copyright) { copyright_ = copyright; }
    // Lets listeners record the clip in their player.
    void setSelectiveRecord(bool on) { selectiveRecord_ = on; }
    // Lets the player buffer the whole clip before it starts playing.
    void setPerfectPlay(bool on) { perfectPlay_ = on; }
    // False when the name cannot be a file to write: empty, a folder, or in a
    // folder that does not exist.
    bool setOutputFile(const std::string& path);

    const std::string& title() const { return title_; }
    const std::string& author() const { return author_; }
    const std::string& copyright() const { return copyright_; }
    bool selectiveRecord() const { return selectiveRecord_; }
    bool perfectPlay() const { return perfectPlay_; }
    const std::string& outputFile() const { return outputFile_; }

private:
    std::string title_, author_, copyright_, outputFile_;
    bool selectiveRecord_ = false;
    bool perfectPlay_ = false;
};

// Whom the clip is for; the engine picks the codec from it.
class TargetSettings {
public:
    enum class AudioContent { Voice, VoiceWithMusic, Music, StereoMusic };
    // Listener connections, from a 28.8 modem upwards.
    static constexpr int kTargetAudienceCount = 9;

    void setAudioContent(AudioContent content) { content_ = content; }
    void removeAllTargetAudiences() { audiences_ = 0; }
    bool addTargetAudience(int index);

    AudioContent audioContent() const { return content_; }
    bool hasTargetAudience() const { return audiences_ != 0; }

private:
    AudioContent content_ = AudioContent::Voice;
    uint32_t audiences_ = 0;
};

class AudioPinProperties {
public:
    // Each answers false for a value the engine cannot convert.
    bool setChannels(int channels);
    bool setSampleRate(int rate);
    bool setBitsPerSample(int bits);

    int channels() const { return channels_; }
    int sampleRate() const { return sampleRate_; }
    int bitsPerSample() const { return bitsPerSample_; }
    bool complete() const { return channels_ != 0 && sampleRate_ != 0 && bitsPerSample_ != 0; }
    uint32_t bytesPerFrame() const { return uint32_t(channels_ * bitsPerSample_ / 8); }

private:
    int channels_ = 0;
    int sampleRate_ = 0;
    int bitsPerSample_ = 0;
};

class RealAudioEncoder;

class AudioInputPin {
public:
    explicit AudioInputPin(std::string mimeType);
    ~AudioInputPin();

    const std::string& outputMimeType() const { return mimeType_; }
    AudioPinProperties& properties() { return properties_; }
    // 100 ms of input in whole sample frames; 0 until the input format is set.
    uint32_t preferredBlockBytes() const;
    // Codes the sound of the sample; an end-of-stream sample also drains the
    // encoder. False when coding or writing failed.
    bool encode(const MediaSample& sample);

private:
    friend class BuildEngine;

    std::string mimeType_;
    AudioPinProperties properties_;
    RealAudioEncoder* encoder_ = nullptr;  // owned by the engine while prepared
};

class BuildEngine {
public:
    // Null when the codecs the engine needs are missing from libavcodec.
    static std::unique_ptr<BuildEngine> Create();
    ~BuildEngine();
    BuildEngine(const BuildEngine&) = delete;
    BuildEngine& operator=(const BuildEngine&) = delete;

    const std::vector<std::unique_ptr<AudioInputPin>>& pins() const { return pins_; }
    // Only the enabled output types are coded.
    bool enableOutputMimeType(const std::string& mimeType, bool enable);
    ClipProperties& clipProperties() { return clip_; }
    TargetSettings& targetSettings() { return target_; }

    // Opens the encoder, the resampler and the output file.
    bool prepareToEncode();
    // Drains the encoder, completes the file and gives it the target's name.
    bool encodingDone();
    // Drops the output (after a stop or a failure).
    void discardOutput();
    // After a failed prepareToEncode, encode or encodingDone: why the output
    // file could not be created or written (an errno value), or 0 when the
    // failure lay elsewhere.
    int outputError() const { return outputError_; }

private:
    BuildEngine() = default;

    std::vector<std::unique_ptr<AudioInputPin>> pins_;
    bool realAudioEnabled_ = false;
    ClipProperties clip_;
    TargetSettings target_;
    std::unique_ptr<RealAudioEncoder> encoder_;
    int outputError_ = 0;
};

}  // namespace realconv
