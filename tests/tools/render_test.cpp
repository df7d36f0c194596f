// parrotel-render from the outside: its options, its messages and exit
// status, and that what it writes is what the program would export or save.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <cstring>

#include "../effects/reference_effects.h"
#include "test_signals.h"
#include "effect_catalogue.h"
#include "effect_settings.h"
#include "media_test_support.h"
#include "wave_builder.h"
#include "wave_file.h"

namespace {

using namespace testing_support;

struct Outcome {
    int status = -1;
    std::string errors;
};

// environment: assignments put before the command ("LD_DEBUG=files").
Outcome Render(const std::string& arguments, const std::string& environment = "")
{
    const std::string command = environment + " " + PARROTEL_RENDER + " " + arguments + " 2>&1";
    Outcome run;
    FILE* pipe = popen(command.c_str(), "r");
    std::array<char, 256> buffer;
    while (pipe && fgets(buffer.data(), int(buffer.size()), pipe))
        run.errors += buffer.data();
    const int raw = pipe ? pclose(pipe) : -1;
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return run;
}

std::vector<int16_t> SamplesOf(const std::string& path)
{
    const Bytes b = ReadAll(path);
    size_t at = 12;
    while (at + 8 <= b.size()) {
        const std::string id(b.begin() + long(at), b.begin() + long(at) + 4);
        const uint32_t size = b[at + 4] | b[at + 5] << 8 | b[at + 6] << 16 | uint32_t(b[at + 7]) << 24;
        if (id == "data") {
            std::vector<int16_t> s(size / 2);
            std::memcpy(s.data(), b.data() + at + 8, s.size() * 2);
            return s;
        }
        at += 8 + size + (size & 1);
    }
    return {};
}

uint32_t RateOf(const std::string& path)
{
    const Bytes b = ReadAll(path);
    return b[24] | b[25] << 8 | b[26] << 16;
}

class RenderTool : public ::testing::Test {
protected:
    void SetUp() override
    {
        voice_ = testsignals::SpeechLike(22050);
        WriteAll(In(), Riff({Chunk("fmt ", FormatBody(1, 1, 22050, 16)), Chunk("data", Samples16(voice_))}));
    }
    std::string In() const { return dir_.File("in.wav"); }
    std::string Out() const { return dir_.File("out.wav"); }
    TempDir dir_;
    std::vector<int16_t> voice_;
};

TEST_F(RenderTool, RendersTheNamedEffectsExactly)
{
    const Outcome run = Render("--quiet --echo " + In() + " --pitch 3 " + Out() + " --flange");
    ASSERT_EQ(run.status, 0) << run.errors;
    std::vector<int16_t> expected = voice_;
    const int32_t n = int32_t(expected.size());
    const voice::EchoParameters& echo = voice::kEcho;
    const voice::DelayParameters& flange = voice::kFlange;
    reference::EchoEffect(expected.data(), n, echo.delayMs, echo.decayPercent, echo.feedback, n);
    reference::ModulatedDelay(expected.data(), n, flange.minDelayMs, flange.maxDelayMs, flange.sweepRate,
                              flange.dryGain, flange.feedback);
    reference::PitchBarShift(expected.data(), n, 9);
    EXPECT_EQ(SamplesOf(Out()), expected);
    EXPECT_EQ(RateOf(Out()), 22050u);
    EXPECT_EQ(ReadAll(Out())[38], 'd') << "an export has no settings chunk";
}

TEST_F(RenderTool, SavedSettingsArePressedUnlessCleared)
{
    ASSERT_EQ(Render("--quiet --save --backward --slow-monster " + In() + " " + dir_.File("saved.wav")).status, 0);
    EXPECT_EQ(SamplesOf(dir_.File("saved.wav")), voice_) << "a save keeps the voice unprocessed";

    ASSERT_EQ(Render("--quiet " + dir_.File("saved.wav") + " " + Out()).status, 0);
    std::vector<int16_t> reversed(voice_.rbegin(), voice_.rend());
    EXPECT_EQ(SamplesOf(Out()), reversed);
    EXPECT_EQ(RateOf(Out()), 11025u);

    ASSERT_EQ(Render("--quiet --clear " + dir_.File("saved.wav") + " " + Out()).status, 0);
    EXPECT_EQ(SamplesOf(Out()), voice_);
    EXPECT_EQ(RateOf(Out()), 22050u);
}

TEST_F(RenderTool, BothSpeedSwitchesExportAtTheFastRate)
{
    ASSERT_EQ(Render("--quiet --slow-monster --fast-squeaker " + In() + " " + Out()).status, 0);
    EXPECT_EQ(RateOf(Out()), 44100u);
    EXPECT_EQ(SamplesOf(Out()), voice_);
}

TEST_F(RenderTool, ConvertsOtherFormatsFirst)
{
    WriteAll(dir_.File("slow.wav"), Riff({Chunk("fmt ", FormatBody(1, 1, 11025, 16)), Chunk("data", Samples16({3, -4}))}));
    ASSERT_EQ(Render("--quiet " + dir_.File("slow.wav") + " " + Out()).status, 0);
    EXPECT_EQ(SamplesOf(Out()), (std::vector<int16_t>{3, 3, -4, -4}));
}

TEST_F(RenderTool, FailuresSayWhyAndExitWithOne)
{
    Outcome run = Render(dir_.File("missing.wav") + " " + Out());
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.errors, "Error: The file named " + dir_.File("missing.wav") + " does not exist.\n");

    WriteAll(dir_.File("text.wav"), Bytes{'n', 'o', 't', ' ', 'a', ' ', 'w', 'a', 'v', 'e', '!', '!'});
    run = Render(dir_.File("text.wav") + " " + Out());
    EXPECT_EQ(run.status, 1);
#ifdef PARROTEL_CORE_BUILD
    // Only the decoder could tell; the core build makes none.
    EXPECT_EQ(run.errors, "Error: Could not load the media library (libmediabridge.so)\n");
#else
    EXPECT_EQ(run.errors, "Incompatible file format of: " + dir_.File("text.wav") + "\n");
#endif

    run = Render("--quiet " + In() + " " + dir_.File("no/such/folder/out.wav"));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.errors, "Cannot write file: " + dir_.File("no/such/folder/out.wav") + "\n");

    WriteAll(dir_.File("empty.wav"), Riff({Chunk("fmt ", FormatBody(1, 1, 22050, 16)), Chunk("data", Bytes{})}));
    run = Render(dir_.File("empty.wav") + " " + Out());
    EXPECT_EQ(run.status, 1);
    EXPECT_FALSE(std::filesystem::exists(Out()));
}

TEST_F(RenderTool, RejectsBadOptionsAndExplainsItself)
{
    EXPECT_EQ(Render("--pitch 13 " + In() + " " + Out()).status, 1);
    EXPECT_EQ(Render("--pitch x " + In() + " " + Out()).status, 1);
    EXPECT_EQ(Render("--loud " + In() + " " + Out()).status, 1);
    EXPECT_EQ(Render(In()).status, 1);
    const Outcome help = Render("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.errors.find("--slow-monster"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(Out()));
}

std::string Probe(const std::string& path)
{
    const std::string command = "ffprobe -v error -show_entries stream=codec_name,sample_rate,bit_rate "
                                "-show_entries format_tags=title,author,copyright -of default=nw=1 '" + path + "'";
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    std::array<char, 256> buffer;
    while (pipe && fgets(buffer.data(), int(buffer.size()), pipe))
        out += buffer.data();
    if (pipe)
        pclose(pipe);
    return out;
}

TEST_F(RenderTool, ExportsTheProcessedVoiceAsMp3AtTheChosenRate)
{
    const std::string mp3 = dir_.File("out.mp3");
    const Outcome run = Render("--quiet --chorus --bitrate 48 " + In() + " " + mp3);
    ASSERT_EQ(run.status, 0) << run.errors;
    const std::string probe = Probe(mp3);
    EXPECT_NE(probe.find("codec_name=mp3"), std::string::npos) << probe;
    EXPECT_NE(probe.find("sample_rate=22050"), std::string::npos) << probe;
    EXPECT_NE(probe.find("bit_rate=48000"), std::string::npos) << probe;

    const Outcome fast = Render("--quiet --fast-squeaker --bitrate 256 " + In() + " " + mp3);
    ASSERT_EQ(fast.status, 0) << fast.errors;
    EXPECT_NE(Probe(mp3).find("sample_rate=44100"), std::string::npos);

    const Outcome refused = Render("--quiet --bitrate 192 " + In() + " " + dir_.File("no.mp3"));
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.errors.find("192 kbit/s is not possible"), std::string::npos) << refused.errors;
    EXPECT_FALSE(std::filesystem::exists(dir_.File("no.mp3")));
}

TEST_F(RenderTool, ExportsTheProcessedVoiceAsRealAudioWithItsClipTexts)
{
#ifdef PARROTEL_CORE_BUILD
    GTEST_SKIP() << "the core build makes no RealAudio library";
#endif
    const std::string ra = dir_.File("out.ra");
    const Outcome run = Render("--quiet --robot --title 'A title' --author Someone --copyright 'Ours 2026' " + In() +
                               " " + ra);
    ASSERT_EQ(run.status, 0) << run.errors;
    const std::string probe = Probe(ra);
    EXPECT_NE(probe.find("codec_name=ra_144"), std::string::npos) << probe;
    EXPECT_NE(probe.find("sample_rate=8000"), std::string::npos) << probe;
    EXPECT_NE(probe.find("TAG:title=A title"), std::string::npos) << probe;
    EXPECT_NE(probe.find("TAG:author=Someone"), std::string::npos) << probe;
    EXPECT_NE(probe.find("TAG:copyright=Ours 2026"), std::string::npos) << probe;
}

TEST_F(RenderTool, OptionsOfOneOutputKindAreRefusedForAnother)
{
    EXPECT_EQ(Render("--bitrate 64 " + In() + " " + Out()).status, 1);
    EXPECT_EQ(Render("--title x " + In() + " " + dir_.File("o.mp3")).status, 1);
    EXPECT_EQ(Render("--save " + In() + " " + dir_.File("o.ra")).status, 1);
}

TEST_F(RenderTool, OpensAnySoundFileAndLoadsFfmpegOnlyThen)
{
#ifdef PARROTEL_CORE_BUILD
    GTEST_SKIP() << "the core build makes no media library";
#endif
    const std::string m4a = dir_.File("note.m4a");
    ASSERT_EQ(mediatest::RunCommand("ffmpeg -v error -y " + mediatest::FfmpegTone(44100, 2) + " -c:a aac '" + m4a + "'"), 0);
    const Outcome run = Render("--quiet --fast-squeaker " + m4a + " " + Out());
    ASSERT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(RateOf(Out()), 44100u);
    const std::vector<int16_t> decoded = SamplesOf(Out());
    EXPECT_NEAR(decoded.size() / 22050.0, mediatest::kToneSeconds, 1024.0 / 44100);
    EXPECT_NEAR(mediatest::MeasureTone(decoded, 22050).frequency, mediatest::kToneHz, mediatest::kToneHz * 0.01);

    // What the dynamic loader opened for each run.
    const std::string loadedForWave = Render("--quiet " + In() + " " + Out(), "LD_DEBUG=files").errors;
    EXPECT_EQ(loadedForWave.find("libavformat"), std::string::npos) << "a wave file needs no FFmpeg";
    EXPECT_EQ(loadedForWave.find("libQt6"), std::string::npos);
    const std::string loadedForM4a = Render("--quiet " + m4a + " " + Out(), "LD_DEBUG=files").errors;
    EXPECT_NE(loadedForM4a.find("libmediabridge.so"), std::string::npos);
}

TEST_F(RenderTool, ExportsOpusAndFlacByTheOutputsExtension)
{
#ifdef PARROTEL_CORE_BUILD
    GTEST_SKIP() << "the core build makes no media library";
#endif
    for (const char* name : {"out.opus", "out.ogg"}) {
        const std::string opus = dir_.File(name);
        const Outcome run = Render("--quiet --bitrate 48 " + In() + " " + opus);
        ASSERT_EQ(run.status, 0) << run.errors;
        EXPECT_EQ(mediatest::Probe(opus, "codec_name"), "opus");
        EXPECT_EQ(mediatest::Probe(opus, "sample_rate"), "48000");
        EXPECT_NEAR(double(mediatest::DecodeWithFfmpeg(opus, 22050).size()), double(voice_.size()), 960 / 48000.0 * 22050);
    }
    const std::string flac = dir_.File("out.flac");
    const Outcome run = Render("--quiet --backward --slow-monster " + In() + " " + flac);
    ASSERT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(mediatest::Probe(flac, "sample_rate"), "11025");
    EXPECT_EQ(mediatest::DecodeWithFfmpeg(flac, 11025), std::vector<int16_t>(voice_.rbegin(), voice_.rend()));

    const Outcome refused = Render("--quiet --bitrate 4 " + In() + " " + dir_.File("no.opus"));
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.errors, "Error: 4 kbit/s is not possible for Opus; choose 6 to 510\n");
    EXPECT_EQ(Render("--bitrate 64 " + In() + " " + dir_.File("no.flac")).status, 1);
    EXPECT_FALSE(std::filesystem::exists(dir_.File("no.opus")));
    EXPECT_FALSE(std::filesystem::exists(dir_.File("no.flac")));
}

}  // namespace
