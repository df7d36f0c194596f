// Writing voice files and reading them back: the exact layout, the settings
// chunk, and writes that fail without damaging what was there.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include "wave_builder.h"
#include "wave_file.h"

namespace {

using namespace testing_support;
using voice::EffectSettings;
using voice::EffectSwitches;

uint32_t Le32At(const Bytes& b, size_t at) { return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24; }
uint16_t Le16At(const Bytes& b, size_t at) { return uint16_t(b[at] | b[at + 1] << 8); }
std::string IdAt(const Bytes& b, size_t at) { return std::string(b.begin() + long(at), b.begin() + long(at) + 4); }

TEST(WaveFileWriting, WithSettingsTheDataFollowsThePrivateChunkAt568)
{
    TempDir dir;
    const std::vector<int16_t> samples{1, -2, 300, -32768, 32767};
    EffectSwitches switches;
    switches[voice::Effect::Echo] = true;
    const EffectSettings settings = voice::CaptureSettings(switches);
    ASSERT_TRUE(voice::WriteWaveFile(dir.File("v.wav"), 22050, 16, 1, reinterpret_cast<const uint8_t*>(samples.data()),
                                     10, &settings));
    const Bytes b = ReadAll(dir.File("v.wav"));
    ASSERT_EQ(b.size(), 578u);
    EXPECT_EQ(IdAt(b, 0), "RIFF");
    EXPECT_EQ(Le32At(b, 4), 570u);
    EXPECT_EQ(IdAt(b, 8), "WAVE");
    EXPECT_EQ(IdAt(b, 12), "fmt ");
    EXPECT_EQ(Le32At(b, 16), 18u);
    EXPECT_EQ(Le16At(b, 20), 1);
    EXPECT_EQ(Le16At(b, 22), 1);
    EXPECT_EQ(Le32At(b, 24), 22050u);
    EXPECT_EQ(Le32At(b, 28), 44100u);
    EXPECT_EQ(Le16At(b, 32), 2);
    EXPECT_EQ(Le16At(b, 34), 16);
    EXPECT_EQ(Le16At(b, 36), 0);
    EXPECT_EQ(IdAt(b, 38), "prtl");
    EXPECT_EQ(Le32At(b, 42), 514u);
    EXPECT_TRUE(std::equal(settings.bytes.begin(), settings.bytes.end(), b.begin() + 46));
    EXPECT_EQ(IdAt(b, 560), "data");
    EXPECT_EQ(Le32At(b, 564), 10u);
    EXPECT_EQ(Le16At(b, 568 + 6), uint16_t(-32768));
}

TEST(WaveFileWriting, WithoutSettingsAnOddCountGetsAPadByte)
{
    TempDir dir;
    const uint8_t bytes[] = {1, 2, 3};
    ASSERT_TRUE(voice::WriteWaveFile(dir.File("odd.wav"), 11025, 16, 1, bytes, 3, nullptr));
    const Bytes b = ReadAll(dir.File("odd.wav"));
    ASSERT_EQ(b.size(), 50u);
    EXPECT_EQ(IdAt(b, 38), "data");
    EXPECT_EQ(Le32At(b, 42), 3u);
    EXPECT_EQ(b[49], 0);  // the pad byte
    EXPECT_EQ(Le32At(b, 4), 42u);
    EXPECT_EQ(Le32At(b, 24), 11025u);
    EXPECT_EQ(Le32At(b, 28), 22050u);
}

TEST(WaveFileWriting, ReadsBackWhatItWrote)
{
    TempDir dir;
    std::vector<int16_t> samples(5000);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = int16_t(i * 37);
    EffectSwitches switches;
    switches[voice::Effect::SweepDown] = true;
    switches.pitchPosition = 2;
    const EffectSettings settings = voice::CaptureSettings(switches);
    ASSERT_TRUE(voice::WriteWaveFile(dir.File("v.wav"), 22050, 16, 1,
                                     reinterpret_cast<const uint8_t*>(samples.data()), 10000, &settings));
    RecordingFeedback feedback;
    EffectSettings read;
    voice::SampleBlock block = voice::ReadWaveFile(dir.File("v.wav"), read, feedback);
    ASSERT_TRUE(block);
    ASSERT_EQ(block.bytes, 10000);
    EXPECT_TRUE(std::equal(samples.begin(), samples.end(), block.samples()));
    EXPECT_EQ(read.bytes, settings.bytes);
    EXPECT_TRUE(feedback.messages.empty());
    EXPECT_EQ(feedback.shown, 0);  // no conversion, no progress window
}

TEST(WaveFileWriting, NoFileNoMessage)
{
    RecordingFeedback feedback;
    EffectSettings settings;
    EXPECT_FALSE(voice::ReadWaveFile("/nonexistent/folder/voice.wav", settings, feedback));
    EXPECT_TRUE(feedback.messages.empty());
}

TEST(WaveFileWriting, AFolderThatDoesNotExistIsReportedAsAFailure)
{
    const uint8_t bytes[] = {0, 0};
    EXPECT_FALSE(voice::WriteWaveFile("/nonexistent/folder/voice.wav", 22050, 16, 1, bytes, 2, nullptr));
}

// A write that runs out of room part-way must leave the old file as it was.
TEST(WaveFileWriting, AFailedWriteLeavesTheExistingFileWhole)
{
    TempDir dir;
    const std::string path = dir.File("keep.wav");
    const Bytes original(2000, 0x5A);
    WriteAll(path, original);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{1000, 1000};
        setrlimit(RLIMIT_FSIZE, &limit);  // every write past 1000 bytes fails
        std::vector<uint8_t> voice(10000, 7);
        const bool ok = voice::WriteWaveFile(path, 22050, 16, 1, voice.data(), 10000, nullptr);
        _exit(ok ? 1 : 0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the write should have reported its failure";
    EXPECT_EQ(ReadAll(path), original);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1) << "no temporary file left";
}

TEST(WaveFileWriting, WritingThroughALinkReplacesTheFileItPointsTo)
{
    TempDir dir;
    WriteAll(dir.File("real.wav"), Bytes(10, 1));
    std::filesystem::create_symlink(dir.File("real.wav"), dir.File("link.wav"));
    const uint8_t bytes[] = {9, 9};
    ASSERT_TRUE(voice::WriteWaveFile(dir.File("link.wav"), 22050, 16, 1, bytes, 2, nullptr));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.File("link.wav")));
    EXPECT_EQ(ReadAll(dir.File("real.wav")).size(), 48u);
}

TEST(WaveFileWriting, ANameOf250BytesIsSaved)
{
    TempDir dir;
    const std::string name = std::string(246, 'v') + ".wav";
    const uint8_t bytes[] = {1, 2};
    ASSERT_TRUE(voice::WriteWaveFile(dir.File(name), 22050, 16, 1, bytes, 2, nullptr));
    EXPECT_EQ(ReadAll(dir.File(name)).size(), 48u);
}

}  // namespace
