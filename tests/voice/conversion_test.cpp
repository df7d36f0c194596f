// Other accepted formats are converted into the voice format through a
// temporary file that is removed again, with the progress window showing.
#include <gtest/gtest.h>

#include <unistd.h>

#include "wave_builder.h"
#include "wave_file.h"

namespace {

using namespace testing_support;

Bytes EightBit(const std::vector<uint8_t>& samples) { return Bytes(samples.begin(), samples.end()); }

voice::SampleBlock Read(const std::string& path, RecordingFeedback& feedback, voice::EffectSettings& settings)
{
    return voice::ReadWaveFile(path, settings, feedback);
}

std::vector<int16_t> AsSamples(const voice::SampleBlock& b)
{
    return std::vector<int16_t>(b.samples(), b.samples() + b.bytes / 2);
}

// Runs each test in a private current directory, where the temporary
// conversion files are made.
class Conversion : public ::testing::Test {
protected:
    void SetUp() override
    {
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(work_.Path());
    }
    void TearDown() override { std::filesystem::current_path(previous_); }
    size_t FilesInWorkFolder() const
    {
        return size_t(std::distance(std::filesystem::directory_iterator(work_.Path()), {}));
    }
    TempDir dir_, work_;
    std::filesystem::path previous_;
};

TEST_F(Conversion, A44100HzEightBitStereoFileBecomesAQuarterOfItsBytesDoubled)
{
    // Frames (L, R) of unsigned bytes: (b - 128) * 256 each, then averaged,
    // then pairs of samples averaged.
    const std::vector<uint8_t> frames{0, 255, 128, 128, 200, 100, 10, 20, 129, 127, 255, 255};
    WriteAll(dir_.File("s8.wav"), Riff({Chunk("fmt ", FormatBody(1, 2, 44100, 8)), Chunk("data", EightBit(frames))}));
    RecordingFeedback feedback;
    voice::EffectSettings settings;
    voice::SampleBlock block = Read(dir_.File("s8.wav"), feedback, settings);
    ASSERT_TRUE(block);
    EXPECT_EQ(block.bytes, 6);  // 12 bytes * 2 / 2 / 2
    // mono: (-32768 + 32512) / 2 = -128, 0, (18432 - 7168) / 2 = 5632, (-30208 - 27648) / 2 = -28928, 0, 32512
    // 22050 Hz: (-128 + 0) / 2 = -64, (5632 - 28928) / 2 = -11648, (0 + 32512) / 2 = 16256
    EXPECT_EQ(AsSamples(block), (std::vector<int16_t>{-64, -11648, 16256}));
    EXPECT_TRUE(feedback.messages.empty());
    EXPECT_EQ(FilesInWorkFolder(), 0u) << "the temporary file is removed after reading";
}

TEST_F(Conversion, ShowsTheProgressWindowAndFillsItsGauge)
{
    WriteAll(dir_.File("long.wav"),
             Riff({Chunk("fmt ", FormatBody(1, 2, 44100, 8)), Chunk("data", Bytes(12000, 140))}));
    RecordingFeedback feedback;
    voice::EffectSettings settings;
    voice::SampleBlock block = Read(dir_.File("long.wav"), feedback, settings);
    ASSERT_TRUE(block);
    EXPECT_EQ(block.bytes, 6000);
    EXPECT_EQ(feedback.shown, 1);
    EXPECT_FALSE(feedback.visible);
    EXPECT_EQ(feedback.gaugeMax, 90);
    EXPECT_EQ(feedback.gauge, 90);
    EXPECT_EQ(feedback.steps, 120);  // 30 a stage; the gauge stops at its full scale
}

TEST_F(Conversion, An11025HzFileDoublesEverySample)
{
    WriteAll(dir_.File("slow.wav"), Riff({Chunk("fmt ", FormatBody(1, 1, 11025, 16)),
                                          Chunk("data", Samples16({5, -7, 32767}))}));
    RecordingFeedback feedback;
    voice::EffectSettings settings;
    voice::SampleBlock block = Read(dir_.File("slow.wav"), feedback, settings);
    ASSERT_TRUE(block);
    EXPECT_EQ(AsSamples(block), (std::vector<int16_t>{5, 5, -7, -7, 32767, 32767}));
}

TEST_F(Conversion, StereoExtremesAverageWithoutOverflow)
{
    WriteAll(dir_.File("x.wav"), Riff({Chunk("fmt ", FormatBody(1, 2, 22050, 16)),
                                       Chunk("data", Samples16({32767, 32767, -32768, -32768, -32768, 32767, -3, 0}))}));
    RecordingFeedback feedback;
    voice::EffectSettings settings;
    voice::SampleBlock block = Read(dir_.File("x.wav"), feedback, settings);
    ASSERT_TRUE(block);
    EXPECT_EQ(AsSamples(block), (std::vector<int16_t>{32767, -32768, 0, -1}));  // -3 / 2 truncates toward zero
}

TEST_F(Conversion, HalvingStagesDropALeftoverSample)
{
    // Stereo with a trailing half frame, at 44100 Hz with an odd number of frames.
    WriteAll(dir_.File("odd.wav"), Riff({Chunk("fmt ", FormatBody(1, 2, 44100, 16)),
                                         Chunk("data", Samples16({10, 20, 30, 40, 50, 60, 99}))}));
    RecordingFeedback feedback;
    voice::EffectSettings settings;
    voice::SampleBlock block = Read(dir_.File("odd.wav"), feedback, settings);
    ASSERT_TRUE(block);
    // frames 15, 35, 55 (the lone 99 dropped); pairs: (15 + 35) / 2 = 25, 55 dropped
    EXPECT_EQ(AsSamples(block), (std::vector<int16_t>{25}));
}

TEST_F(Conversion, SettingsTravelThroughTheTemporaryFile)
{
    voice::EffectSwitches switches;
    switches[voice::Effect::Robotvoice] = true;
    switches.pitchPosition = 11;
    const voice::EffectSettings saved = voice::CaptureSettings(switches);
    WriteAll(dir_.File("set.wav"), Riff({Chunk("fmt ", FormatBody(1, 1, 44100, 8)), Chunk("prtl", SettingsBody(saved)),
                                         Chunk("data", Bytes{128, 128, 255, 255})}));
    RecordingFeedback feedback;
    voice::EffectSettings settings;
    voice::SampleBlock block = Read(dir_.File("set.wav"), feedback, settings);
    ASSERT_TRUE(block);
    EXPECT_EQ(settings.bytes, saved.bytes);
    EXPECT_EQ(AsSamples(block), (std::vector<int16_t>{0, 32512}));
}

TEST_F(Conversion, WithACurrentFolderThatCannotTakeTheTemporaryFileTheSystemFolderIsUsed)
{
    WriteAll(dir_.File("slow.wav"),
             Riff({Chunk("fmt ", FormatBody(1, 1, 11025, 16)), Chunk("data", Samples16({1, 2}))}));
    std::filesystem::current_path("/proc");  // never writable, not even for root
    RecordingFeedback feedback;
    voice::EffectSettings settings;
    voice::SampleBlock block = Read(dir_.File("slow.wav"), feedback, settings);
    std::filesystem::current_path(work_.Path());
    ASSERT_TRUE(block);
    EXPECT_EQ(AsSamples(block), (std::vector<int16_t>{1, 1, 2, 2}));
    EXPECT_TRUE(feedback.messages.empty());
}

TEST_F(Conversion, AConversionThatLeavesNoWholeFrameGivesAnEmptyVoice)
{
    // One stereo sample is half a frame: nothing is left after the stage.
    WriteAll(dir_.File("empty.wav"),
             Riff({Chunk("fmt ", FormatBody(1, 2, 22050, 16)), Chunk("data", Samples16({7}))}));
    RecordingFeedback feedback;
    voice::EffectSettings settings;
    voice::SampleBlock block = Read(dir_.File("empty.wav"), feedback, settings);
    ASSERT_TRUE(block);
    EXPECT_EQ(block.bytes, 0);
    EXPECT_EQ(FilesInWorkFolder(), 0u);
}

}  // namespace
