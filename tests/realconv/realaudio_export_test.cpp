#include "realaudio_export.h"

#include "realaudio_probe.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

using namespace realconv;
using namespace realconv_test;

namespace {

const std::atomic<bool> kNoStop{false};

// Where the file's PROP header keeps its flags: after the 18-byte file
// header, the PROP header (10 bytes), nine 32-bit fields and the stream count.
constexpr size_t kPropFlagsOffset = 18 + 10 + 9 * 4 + 2;

struct Source {
    const char* name;
    uint32_t rate;
    uint16_t channels;
    uint16_t bits;
    size_t frames;
};

class ExportsAPlayableVoice : public ::testing::TestWithParam<Source> {};

TEST_P(ExportsAPlayableVoice, WithItsClipInformationTimingAndSound)
{
    const Source source = GetParam();
    TempFolder folder;
    WriteFile(folder.File("voice.wav"),
              WaveFile(Voice(source.frames, source.rate), source.rate, source.channels, source.bits));
    ClipInfo clip;
    clip.title = "Morning Greeting";
    clip.author = "Ada Lovelace";
    clip.copyright = "(c) 2024 Warblecast users, \xC3\xA9t\xC3\xA9";
    std::vector<int> percents;
    ASSERT_EQ(ExportWaveToRealAudio(folder.File("voice.wav"), folder.File("voice.ra"), clip,
                                    [&](int p) { percents.push_back(p); }, kNoStop),
              kResultOk);

    const ProbedAudio file = ProbeRealAudio(folder.File("voice.ra"));
    ASSERT_EQ(file.error, "");
    EXPECT_EQ(file.formatName, "rm");
    EXPECT_EQ(file.codecName, "ra_144");
    EXPECT_EQ(file.sampleRate, 8000);
    EXPECT_EQ(file.channels, 1);
    const double seconds = double(source.frames) / source.rate;
    EXPECT_NEAR(file.durationSeconds, seconds, 0.002);
    EXPECT_EQ(file.metadata.at("title"), clip.title);
    EXPECT_EQ(file.metadata.at("author"), clip.author);
    EXPECT_EQ(file.metadata.at("copyright"), clip.copyright);

    // One 20 ms frame per packet, stamped in order from zero; the last frame
    // holds the end of the sound.
    ASSERT_FALSE(file.packetTimesMs.empty());
    for (size_t i = 0; i < file.packetTimesMs.size(); ++i)
        ASSERT_EQ(file.packetTimesMs[i], int64_t(i) * 20) << i;
    EXPECT_NEAR(double(file.packetTimesMs.size()) * 0.020, seconds, 0.020 + 1e-9);
    EXPECT_NEAR(double(file.decoded.size()) / 8000, seconds, 0.020 + 1e-9);

    // The decoded sound follows the voice, in time.
    if (seconds > 1) {
        const Match match = MatchVoice(file.decoded, 40);
        EXPECT_GT(match.correlation, 0.9);
        EXPECT_LE(std::abs(match.lag), 2);
        std::printf("correlation %.3f at lag %d\n", match.correlation, match.lag);
    }

    ASSERT_FALSE(percents.empty());
    EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
    EXPECT_EQ(percents.back(), 100);
    // Only the finished file is left in the folder.
    EXPECT_EQ(folder.Files().size(), 2u);
}

INSTANTIATE_TEST_SUITE_P(Sources, ExportsAPlayableVoice,
                         ::testing::Values(Source{"voice_format", 22050, 1, 16, 100000},
                                           Source{"cd_stereo", 44100, 2, 16, 88200},
                                           Source{"eight_bit", 11025, 1, 8, 30000},
                                           Source{"wide_32_bit", 48000, 2, 32, 50000},
                                           Source{"shorter_than_a_frame", 22050, 1, 16, 200}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RealAudioExport, ClipOptionsBecomeThePlayersPermissions)
{
    TempFolder folder;
    WriteFile(folder.File("voice.wav"), WaveFile(Voice(5000, 22050)));
    const auto flagsFor = [&](bool selectiveRecord, bool perfectPlay) {
        ClipInfo clip;
        clip.selectiveRecord = selectiveRecord;
        clip.perfectPlay = perfectPlay;
        EXPECT_EQ(ExportWaveToRealAudio(folder.File("voice.wav"), folder.File("out.ra"), clip, {}, kNoStop), kResultOk);
        const std::vector<uint8_t> bytes = ReadFile(folder.File("out.ra"));
        return bytes.size() > kPropFlagsOffset + 1 ? bytes[kPropFlagsOffset] << 8 | bytes[kPropFlagsOffset + 1] : -1;
    };
    EXPECT_EQ(flagsFor(false, false), 0);
    EXPECT_EQ(flagsFor(true, false), 1);
    EXPECT_EQ(flagsFor(false, true), 2);
    EXPECT_EQ(flagsFor(true, true), 3);
}

TEST(RealAudioExport, RefusesWhatItCannotConvertAndWritesNothing)
{
    TempFolder folder;
    const std::vector<int16_t> voice = Voice(3000, 22050);
    WriteFile(folder.File("voice.wav"), WaveFile(voice));
    WriteFile(folder.File("text.wav"), Bytes().text("not a wave file").data);
    WriteFile(folder.File("float.wav"), Riff("WAVE", {Chunk("fmt ", PcmFormat(1, 22050, 32, 3)),
                                                      Chunk("data", PcmData(voice, 1, 32))}));
    WriteFile(folder.File("silent.wav"), Riff("WAVE", {Chunk("fmt ", PcmFormat(1, 22050, 16)), Chunk("data", {})}));
    WriteFile(folder.File("24bit.wav"), WaveFile(std::vector<int16_t>(3000), 22050, 1, 24));
    WriteFile(folder.File("3ch.wav"), WaveFile(voice, 22050, 3, 16));
    WriteFile(folder.File("2khz.wav"), WaveFile(voice, 2000, 1, 16));
    std::filesystem::create_directory(folder.File("a folder.ra"));
    const size_t before = folder.Files().size();

    struct Case {
        const char* source;
        std::string target;
        int32_t result;
    } cases[] = {
        {"missing.wav", folder.File("out.ra"), kResultCannotOpenWave},
        {"text.wav", folder.File("out.ra"), kResultCannotOpenWave},
        {"float.wav", folder.File("out.ra"), kResultNoAudioStream},
        {"silent.wav", folder.File("out.ra"), kResultNoAudioStream},
        {"24bit.wav", folder.File("out.ra"), kResultFormatRejected},
        {"3ch.wav", folder.File("out.ra"), kResultFormatRejected},
        {"2khz.wav", folder.File("out.ra"), kResultFormatRejected},
        {"voice.wav", folder.File("no such folder/out.ra"), kResultOutputNameRefused},
        {"voice.wav", folder.File("a folder.ra"), kResultOutputNameRefused},
        {"voice.wav", "", kResultOutputNameRefused},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.source) + " -> " + c.target);
        EXPECT_EQ(ExportWaveToRealAudio(folder.File(c.source), c.target, {}, {}, kNoStop), c.result);
        EXPECT_EQ(folder.Files().size(), before);
        EXPECT_STRNE(DescribeResult(c.result), DescribeResult(kResultOk));
    }
}

TEST(RealAudioExport, AStopLeavesThePreviousFileUntouched)
{
    TempFolder folder;
    WriteFile(folder.File("voice.wav"), WaveFile(Voice(22050 * 3, 22050)));
    const std::vector<uint8_t> previous = Bytes().text("the clip exported yesterday").data;

    // Stopping before the start, halfway, and after the last block but
    // before the file is finished.
    for (int stopAt : {0, 30, 100}) {
        SCOPED_TRACE(stopAt);
        WriteFile(folder.File("voice.ra"), previous);
        std::atomic<bool> stop{stopAt == 0};
        const auto progress = [&](int percent) {
            if (percent >= stopAt)
                stop = true;
        };
        EXPECT_EQ(ExportWaveToRealAudio(folder.File("voice.wav"), folder.File("voice.ra"), {}, progress, stop),
                  kResultStopped);
        EXPECT_EQ(ReadFile(folder.File("voice.ra")), previous);
        EXPECT_EQ(folder.Files().size(), 2u);
    }

    // Without a stop the same call replaces the file.
    EXPECT_EQ(ExportWaveToRealAudio(folder.File("voice.wav"), folder.File("voice.ra"), {}, {}, kNoStop), kResultOk);
    EXPECT_EQ(ProbeRealAudio(folder.File("voice.ra")).codecName, "ra_144");
}

TEST(RealAudioExport, ExportsToANameOf250Bytes)
{
    TempFolder folder;
    WriteFile(folder.File("voice.wav"), WaveFile(Voice(5000, 22050)));
    const std::string target = folder.File(std::string(247, 'r') + ".ra");
    EXPECT_EQ(ExportWaveToRealAudio(folder.File("voice.wav"), target, {}, {}, kNoStop), kResultOk);
    EXPECT_EQ(ProbeRealAudio(target).codecName, "ra_144");
}

}  // namespace
