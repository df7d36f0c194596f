// Opus and FLAC exports of a wave file, read back by ffmpeg: the voice's
// length and pitch (and, for FLAC, every sample); a stopped or failed export
// leaves nothing behind and never touches the file that was there.
#include <gtest/gtest.h>

#include <cmath>

#include "media_test_support.h"
#include "mediabridge.h"
#include "mp3_test_support.h"

namespace {

using namespace mediatest;

std::vector<int16_t> Tone(int sampleRate, double seconds = kToneSeconds)
{
    std::vector<int16_t> samples(size_t(std::lround(seconds * sampleRate)));
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = int16_t(std::lround(kToneAmplitude * 32767 * std::sin(2 * M_PI * kToneHz * double(i) / sampleRate)));
    return samples;
}

struct StopAfter {
    int progressReports;
    int seen = 0;
};

MediaCallbacks Stopping(StopAfter& stop)
{
    MediaCallbacks callbacks{};
    callbacks.context = &stop;
    callbacks.progress = [](void* c, int32_t) { ++static_cast<StopAfter*>(c)->seen; };
    callbacks.stopRequested = [](void* c) -> int32_t {
        auto* stop = static_cast<StopAfter*>(c);
        return stop->seen >= stop->progressReports;
    };
    return callbacks;
}

class Export : public testing::Test {
protected:
    std::string Source(const std::vector<int16_t>& samples, int sampleRate)
    {
        const std::string path = folder.File("MYFILE.WAV");
        mp3test::WriteWave(path, samples, sampleRate, 1);
        return path;
    }
    mp3test::ScratchFolder folder;
};

TEST_F(Export, OpusIsTheVoiceAt48000HzInOgg)
{
    constexpr double kOpusFrame = 960.0 / 48000;
    for (const int rate : {22050, 11025, 44100}) {
        const std::string source = Source(Tone(rate), rate);
        for (const char* name : {"voice.opus", "voice.ogg"}) {
            const std::string target = folder.File(name);
            ASSERT_EQ(MediaExportOpus(source.c_str(), target.c_str(), MEDIA_OPUS_VOICE_BITRATE, nullptr), MEDIA_OK);
            EXPECT_EQ(Probe(target, "codec_name"), "opus");
            EXPECT_EQ(Probe(target, "sample_rate"), "48000");
            EXPECT_EQ(Probe(target, "format_name"), "ogg");
            const std::vector<int16_t> back = DecodeWithFfmpeg(target, rate);
            EXPECT_NEAR(double(back.size()) / rate, kToneSeconds, kOpusFrame) << rate;
            const Measured tone = MeasureTone(back, rate);
            EXPECT_NEAR(tone.frequency, kToneHz, kToneHz * 0.01) << rate;
            EXPECT_NEAR(tone.levelDb, ToneLevelDb(), 1.0) << rate;
        }
    }
}

TEST_F(Export, FlacKeepsEverySampleAtTheVoiceRate)
{
    for (const int rate : {22050, 11025, 44100}) {
        const std::vector<int16_t> voice = mp3test::MakeVoice(rate, 2.5);
        const std::string target = folder.File("voice.flac");
        ASSERT_EQ(MediaExportFlac(Source(voice, rate).c_str(), target.c_str(), nullptr), MEDIA_OK);
        EXPECT_EQ(Probe(target, "codec_name"), "flac");
        EXPECT_EQ(Probe(target, "sample_rate"), std::to_string(rate));
        EXPECT_EQ(DecodeWithFfmpeg(target, rate), voice) << rate;
    }
}

TEST_F(Export, StoppedOrFailedExportsLeaveNoFile)
{
    const std::string source = Source(Tone(22050, 30), 22050);
    const std::string target = folder.File("kept.opus");
    WriteFile(target, {'o', 'l', 'd'});
    StopAfter stop{2};
    const MediaCallbacks stopping = Stopping(stop);
    EXPECT_EQ(MediaExportOpus(source.c_str(), target.c_str(), 64000, &stopping), MEDIA_STOPPED);
    stop = StopAfter{1};
    EXPECT_EQ(MediaExportFlac(source.c_str(), target.c_str(), &stopping), MEDIA_STOPPED);
    EXPECT_EQ(ReadFile(target), (std::vector<uint8_t>{'o', 'l', 'd'}));

    EXPECT_EQ(MediaExportFlac(source.c_str(), folder.File("no/such/folder/x.flac").c_str(), nullptr),
              MEDIA_CANNOT_CREATE);
    EXPECT_EQ(MediaExportFlac(folder.File("missing.wav").c_str(), folder.File("x.flac").c_str(), nullptr),
              MEDIA_CANNOT_OPEN);
    EXPECT_EQ(MediaExportOpus(source.c_str(), folder.File("x.opus").c_str(), 4000, nullptr), MEDIA_BAD_ARGUMENT);
    EXPECT_EQ(MediaExportOpus(source.c_str(), nullptr, 32000, nullptr), MEDIA_BAD_ARGUMENT);
    EXPECT_EQ(folder.Files(), (std::vector<std::string>{"MYFILE.WAV", "kept.opus"}));
}

TEST_F(Export, TargetNamesOfAnyAllowedLength)
{
    const std::string source = Source(Tone(22050, 0.5), 22050);
    const std::string name = std::string(250 - 5, 'v') + ".flac";
    ASSERT_EQ(MediaExportFlac(source.c_str(), folder.File(name).c_str(), nullptr), MEDIA_OK);
    EXPECT_EQ(folder.Files(), (std::vector<std::string>{"MYFILE.WAV", name}));
    EXPECT_EQ(MediaCanExport(MEDIA_FORMAT_OPUS), 1);
    EXPECT_EQ(MediaCanExport(MEDIA_FORMAT_FLAC), 1);
    EXPECT_EQ(MediaCanExport(0), 0);
}

}  // namespace
