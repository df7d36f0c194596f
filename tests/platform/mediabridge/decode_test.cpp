// Decoding every kind of voice file people have into the voice format: a tone
// of known pitch and level in each container comes out at 22050 Hz mono with
// its pitch, its level and its length; what nothing can decode is refused.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <random>

#include "decode_run.h"
#include "media_test_support.h"
#include "mediabridge.h"
#include "mp3_test_support.h"

namespace {

using namespace mediatest;

constexpr int kVoiceRate = 22050;
Decoded Decode(const std::string& path, int32_t maxBytes = kNoLimit, int stopAfterProgressReports = -1)
{
    return RunDecode([&](const MediaCallbacks* callbacks, MediaAllocateFunction allocate,
                         void* context) { return MediaDecodeVoice(path.c_str(), maxBytes, callbacks, allocate, context); },
                     stopAfterProgressReports);
}

struct Kind {
    const char* name;
    const char* file;
    std::string make;          // the command that writes FILE (replaced by the path)
    double frameSeconds;       // one codec frame: how far the length may be off
};

std::string Ffmpeg(int rate, int channels, const std::string& output) { return "ffmpeg -v error -y " + FfmpegTone(rate, channels) + " " + output + " FILE"; }
std::string Sox(int rate, int channels, const std::string& output)
{
    return "sox -n -r " + std::to_string(rate) + " -c " + std::to_string(channels) + " " + output + " FILE " + SoxTone();
}

void PrintTo(const Kind& kind, std::ostream* out) { *out << kind.name; }

// The everyday voice files of the issue, each as the program that makes it
// would write it.
std::vector<Kind> Kinds()
{
    const double sample = 1.0 / 8000;  // PCM: exact but for the resampler's rounding
    return {
        {"PhoneM4a", "note.m4a", Ffmpeg(44100, 2, "-c:a aac -b:a 96k"), 1024.0 / 44100},
        {"MessengerOpus", "note.opus", Ffmpeg(48000, 1, "-c:a libopus -b:a 24k"), 960.0 / 48000},
        {"Mp3", "song.mp3", Ffmpeg(44100, 2, "-c:a libmp3lame -b:a 128k"), 1152.0 / 44100},
        {"OggVorbis", "song.ogg", Ffmpeg(44100, 2, "-c:a libvorbis -q:a 4"), 2048.0 / 44100},
        {"Flac", "take.flac", Ffmpeg(48000, 2, "-c:a flac -sample_fmt s32"), sample},
        {"WebM", "clip.webm", Ffmpeg(48000, 2, "-c:a libopus -b:a 64k"), 960.0 / 48000},
        {"Aiff", "take.aiff", Sox(44100, 2, "-b 16"), sample},
        {"CafAlac", "take.caf", Ffmpeg(44100, 2, "-c:a alac"), 4096.0 / 44100},
        {"WavPack", "take.wv", Ffmpeg(44100, 2, "-c:a wavpack"), sample},
        {"Au", "beep.au", Sox(8000, 1, "-e mu-law"), sample},
        {"Wave48k", "alsa.wav", Sox(48000, 2, "-b 16"), sample},
        {"Wave96k", "studio.wav", Ffmpeg(96000, 2, "-c:a pcm_s16le"), sample},
        {"Wave24Bit", "deep.wav", Sox(44100, 1, "-b 24"), sample},
        {"Wave32Bit", "wide.wav", Sox(22050, 1, "-b 32 -e signed-integer"), sample},
        {"WaveFloat", "float.wav", Sox(44100, 2, "-b 32 -e floating-point"), sample},
        {"WaveMuLaw", "phone.wav", Sox(8000, 1, "-e mu-law"), sample},
        {"Wave4Channels", "quad.wav", Ffmpeg(44100, 4, "-c:a pcm_s16le"), sample},
    };
}

class DecodeKind : public testing::TestWithParam<Kind> {
protected:
    mp3test::ScratchFolder folder;
};

TEST_P(DecodeKind, KeepsPitchLevelAndLength)
{
    const Kind& kind = GetParam();
    const std::string path = folder.File(kind.file);
    std::string make = kind.make;
    make.replace(make.find("FILE"), 4, "'" + path + "'");
    ASSERT_EQ(RunCommand(make), 0) << make;

    const Decoded decoded = Decode(path);
    ASSERT_EQ(decoded.result, MEDIA_OK) << MediaResultText(decoded.result);
    const Measured tone = MeasureTone(decoded.samples, kVoiceRate);
    EXPECT_NEAR(tone.frequency, kToneHz, kToneHz * 0.01);
    EXPECT_NEAR(tone.levelDb, ToneLevelDb(), 1.0) << "every channel carries the tone: the mix keeps its level";
    EXPECT_NEAR(double(decoded.samples.size()) / kVoiceRate, kToneSeconds, kind.frameSeconds + 2.0 / kVoiceRate);
    ASSERT_FALSE(decoded.percents.empty());
    EXPECT_EQ(decoded.percents.back(), 100);
    EXPECT_TRUE(std::is_sorted(decoded.percents.begin(), decoded.percents.end()));
}

INSTANTIATE_TEST_SUITE_P(EverydayFiles, DecodeKind, testing::ValuesIn(Kinds()),
                         [](const testing::TestParamInfo<Kind>& info) { return std::string(info.param.name); });

class Refused : public testing::Test {
protected:
    std::string Made(const std::string& name, const std::string& command)
    {
        const std::string path = folder.File(name);
        EXPECT_EQ(RunCommand(command + " '" + path + "'"), 0);
        return path;
    }
    mp3test::ScratchFolder folder;
};

// A 22050 Hz wave file whose channel count or rate is patched.
void WriteWaveWith(const std::string& path, uint16_t channels, uint32_t rate)
{
    mp3test::WriteWave(path, std::vector<int16_t>(2205, 1000), 22050, 1);
    std::vector<uint8_t> wave = ReadFile(path);
    wave[22] = uint8_t(channels), wave[23] = uint8_t(channels >> 8);
    for (int i = 0; i < 4; ++i)
        wave[24 + i] = uint8_t(rate >> (8 * i));
    WriteFile(path, wave);
}

TEST_F(Refused, WhatNothingCanDecode)
{
    std::vector<uint8_t> text;
    for (int i = 0; i < 40; ++i)
        for (char c : std::string("This is a letter, not a song.\n"))
            text.push_back(uint8_t(c));
    WriteFile(folder.File("letter.mp3"), text);

    std::mt19937 random(20240611);
    std::vector<uint8_t> noise(1 << 16);
    for (uint8_t& b : noise)
        b = uint8_t(random());
    WriteFile(folder.File("noise.wav"), noise);

    // The phone's M4A keeps its index at the end: cut off, nothing says where the sound is.
    const std::string m4a = Made("cut.m4a", "ffmpeg -v error -y " + FfmpegTone(44100, 1) + " -c:a aac");
    std::vector<uint8_t> bytes = ReadFile(m4a);
    bytes.resize(bytes.size() / 2);
    WriteFile(m4a, bytes);

    WriteWaveWith(folder.File("no-channels.wav"), 0, 22050);
    WriteWaveWith(folder.File("no-rate.wav"), 1, 0);
    WriteFile(folder.File("empty.ogg"), {});

    for (const char* name : {"letter.mp3", "noise.wav", "cut.m4a", "no-channels.wav", "no-rate.wav", "empty.ogg"}) {
        const Decoded decoded = Decode(folder.File(name));
        EXPECT_EQ(decoded.result, MEDIA_UNDECODABLE) << name;
        EXPECT_TRUE(decoded.samples.empty()) << name;
    }
    EXPECT_EQ(Decode(folder.File("missing.flac")).result, MEDIA_CANNOT_OPEN);
    EXPECT_EQ(MediaDecodeVoice(nullptr, kNoLimit, nullptr, nullptr, nullptr), MEDIA_BAD_ARGUMENT);
}

TEST_F(Refused, SoundLongerThanTheCallerHolds)
{
    // One second: refused from its declared length, and from what decodes
    // when the header's length is within its slack.
    const std::string flac = Made("second.flac", "ffmpeg -v error -y " + FfmpegTone(22050, 1, 1.0) + " -c:a flac");
    EXPECT_EQ(Decode(flac, 2 * 11025).result, MEDIA_TOO_LONG);
    EXPECT_EQ(Decode(flac, 2 * 21500).result, MEDIA_TOO_LONG);
    const Decoded whole = Decode(flac, 2 * 22050);
    EXPECT_EQ(whole.result, MEDIA_OK);
    EXPECT_EQ(whole.samples.size(), 22050u);
}

TEST_F(Refused, DecodingStopsWhenAsked)
{
    const std::string mp3 = Made("long.mp3", "ffmpeg -v error -y " + FfmpegTone(44100, 2, 20) + " -c:a libmp3lame");
    const Decoded stopped = Decode(mp3, kNoLimit, 2);
    EXPECT_EQ(stopped.result, MEDIA_STOPPED);
    EXPECT_TRUE(stopped.samples.empty());
    EXPECT_LT(stopped.percents.size(), 5u);
}

TEST(Decode, MixesChannelsByTheirAverage)
{
    // The tone in the first of four channels only: a quarter of it remains
    // (FFmpeg's own 4.0 downmix would keep 0.23 of it).
    mp3test::ScratchFolder folder;
    const std::string path = folder.File("first.wav");
    const std::string tone = std::to_string(kToneAmplitude) + "*sin(2*PI*" + std::to_string(kToneHz) + "*t)";
    ASSERT_EQ(RunCommand("ffmpeg -v error -y -f lavfi -i 'aevalsrc=" + tone + "|0|0|0:s=44100:d=1' -c:a pcm_f32le '" +
                         path + "'"),
              0);
    const Decoded decoded = Decode(path);
    ASSERT_EQ(decoded.result, MEDIA_OK);
    EXPECT_NEAR(MeasureTone(decoded.samples, kVoiceRate).levelDb, ToneLevelDb() + 20 * std::log10(0.25), 0.1);
}

TEST(Decode, VoiceFormatFilesPassSampleForSample)
{
    mp3test::ScratchFolder folder;
    const std::vector<int16_t> voice = mp3test::MakeVoice(22050, 2.0);
    const std::string flac = folder.File("voice.flac");
    mp3test::WriteWave(folder.File("voice.wav"), voice, 22050, 1);
    ASSERT_EQ(RunCommand("ffmpeg -v error -y -i '" + folder.File("voice.wav") + "' -c:a flac '" + flac + "'"), 0);
    const Decoded decoded = Decode(flac);
    ASSERT_EQ(decoded.result, MEDIA_OK);
    EXPECT_EQ(decoded.samples, voice) << "nothing to mix, resample or narrow: no dither either";
}

}  // namespace
