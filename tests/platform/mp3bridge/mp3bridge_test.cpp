// libmp3bridge through its C exports, over the system's real encoder.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <thread>

#include "mp3_test_support.h"
#include "mp3bridge.h"

namespace {

constexpr int kTable[] = {20, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};

std::vector<int> SupportedRates(const std::string& source)
{
    std::vector<int> rates;
    for (const int kbit : kTable) {
        uint8_t supported = 0;
        IsBitrateSupported(source.c_str(), kbit * 1000, &supported);
        if (supported)
            rates.push_back(kbit);
    }
    return rates;
}

using mp3test::ReadAll;

class BridgeAtSampleRate : public testing::TestWithParam<mp3test::VoiceCase> {};

// Every rate offered is one the MP3 frames really carry, at the source's own
// sample rate (the preferred encoder is LAME), and the sound comes through whole.
TEST_P(BridgeAtSampleRate, OffersExactlyTheRatesItProducesAndKeepsTheSound)
{
    const mp3test::VoiceCase& c = GetParam();
    mp3test::ScratchFolder folder;
    const std::string source = folder.File("voice.wav");
    const std::vector<int16_t> voice = mp3test::MakeVoice(c.sampleRate, 1.5, c.channels);
    mp3test::WriteWave(source, voice, c.sampleRate, c.channels);

    EXPECT_EQ(IsValidMP3CodecFound(source.c_str()), 0);
    ASSERT_EQ(SupportedRates(source), c.offered);
    for (const int kbit : c.offered) {
        const std::string mp3 = folder.File(std::to_string(kbit) + ".mp3");
        ASSERT_EQ(ConvertWaveFileToMp3(source.c_str(), mp3.c_str(), kbit * 1000), 0) << kbit;
        EXPECT_EQ(GetStatusWavToMP3(), 100);
        mp3test::ExpectFaithfulLameExport(mp3, voice, c.sampleRate, c.channels, kbit);
    }
}

INSTANTIATE_TEST_SUITE_P(Voices, BridgeAtSampleRate, testing::ValuesIn(mp3test::VoiceCases()),
                         [](const auto& info) { return mp3test::VoiceCaseName(info.param); });

TEST(Bridge, ReportsWhatIsWrongWithTheSourceAndLeavesTheDestinationAlone)
{
    mp3test::ScratchFolder folder;
    const std::string voice = folder.File("voice.wav");
    mp3test::WriteWave(voice, mp3test::MakeVoice(22050, 0.3), 22050, 1);
    const std::string bytes = ReadAll(voice);
    std::string noData = bytes;
    noData.replace(38, 4, "dat_");
    std::string pcm24 = bytes;
    pcm24[34] = 24;  // 24-bit samples are not taken
    std::ofstream(folder.File("text.wav")) << "not a wave file at all, just some words of text here";
    std::ofstream(folder.File("nodata.wav"), std::ios::binary) << noData;
    std::ofstream(folder.File("pcm24.wav"), std::ios::binary) << pcm24;

    const std::string destination = folder.File("out.mp3");
    std::ofstream(destination) << "the user's older file";
    struct Case {
        std::string source;
        int kbit;
        int16_t code;
    };
    const Case cases[] = {
        {folder.File("missing.wav"), 64, 433}, {folder.File("text.wav"), 64, 434},
        {folder.File("nodata.wav"), 64, 435},  {folder.File("pcm24.wav"), 64, 405},
        {voice, 20, 406},                      {voice, 192, 406},
    };
    for (const Case& c : cases) {
        if (c.code != 406) {
            EXPECT_EQ(IsValidMP3CodecFound(c.source.c_str()), c.code) << c.source;
        }
        EXPECT_EQ(ConvertWaveFileToMp3(c.source.c_str(), destination.c_str(), c.kbit * 1000), c.code) << c.source;
        EXPECT_EQ(ReadAll(destination), "the user's older file");
    }
    EXPECT_EQ(ConvertWaveFileToMp3(voice.c_str(), folder.File("no/such/folder.mp3").c_str(), 64000), 408);
    EXPECT_EQ(folder.Files(), (std::vector<std::string>{"nodata.wav", "out.mp3", "pcm24.wav", "text.wav",
                                                        "voice.wav"}));
}

TEST(Bridge, EightBitStereoSourceIsConverted)
{
    mp3test::ScratchFolder folder;
    const std::string source = folder.File("voice8.wav");
    mp3test::WriteWave(source, mp3test::MakeVoice(22050, 0.5), 22050, 1);
    // Rewrite as 8-bit stereo of the same length in bytes: 8-bit samples are
    // unsigned, so 0x80 bytes are silence.
    std::string bytes = ReadAll(source);
    bytes[22] = 2, bytes[32] = 2, bytes[34] = 8;
    std::fill(bytes.begin() + 46, bytes.end(), char(0x80));
    std::ofstream(source, std::ios::binary | std::ios::trunc) << bytes;
    ASSERT_EQ(IsValidMP3CodecFound(source.c_str()), 0);
    ASSERT_EQ(ConvertWaveFileToMp3(source.c_str(), folder.File("out.mp3").c_str(), 64000), 0);
    const mp3test::DecodedMp3 decoded = mp3test::DecodeMp3(folder.File("out.mp3"));
    ASSERT_TRUE(decoded.ok);
    EXPECT_EQ(decoded.channels, 2);
    for (const float sample : decoded.left)
        ASSERT_LT(std::abs(sample), 1e-3);
}

// Status and stop are asked from another thread while the conversion runs;
// a second conversion meanwhile is refused; the stopped one leaves nothing.
TEST(Bridge, StopsARunningConversionAndRemovesItsFile)
{
    mp3test::ScratchFolder folder;
    const std::string source = folder.File("long.wav");
    mp3test::WriteWave(source, mp3test::MakeVoice(22050, 240), 22050, 1);
    const std::string destination = folder.File("long.mp3");
    std::atomic<int32_t> result{-1};
    std::thread worker([&] { result = ConvertWaveFileToMp3(source.c_str(), destination.c_str(), 64000); });

    // The status of an earlier conversion may still read 100 until this one begins.
    int16_t status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    do {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        status = GetStatusWavToMP3();
    } while ((status < 1 || status >= 100) && result == -1 && std::chrono::steady_clock::now() < deadline);
    EXPECT_EQ(ConvertWaveFileToMp3(source.c_str(), folder.File("second.mp3").c_str(), 64000), 424);
    StopConversionWavToMP3();
    worker.join();

    EXPECT_GE(status, 1);
    EXPECT_LT(status, 100);
    EXPECT_EQ(result, 431);
    EXPECT_EQ(folder.Files(), std::vector<std::string>{"long.wav"});
}

TEST(Bridge, AStopWithNothingRunningDoesNotStopTheNextConversion)
{
    mp3test::ScratchFolder folder;
    const std::string source = folder.File("voice.wav");
    mp3test::WriteWave(source, mp3test::MakeVoice(22050, 0.5), 22050, 1);
    StopConversionWavToMP3();
    EXPECT_EQ(ConvertWaveFileToMp3(source.c_str(), folder.File("out.mp3").c_str(), 32000), 0);
}

TEST(Bridge, ExportsToANameOf250Bytes)
{
    mp3test::ScratchFolder folder;
    const std::string source = folder.File("voice.wav");
    mp3test::WriteWave(source, mp3test::MakeVoice(22050, 0.5), 22050, 1);
    const std::string mp3 = folder.File(std::string(246, 'm') + ".mp3");
    ASSERT_EQ(ConvertWaveFileToMp3(source.c_str(), mp3.c_str(), 64000), 0);
    EXPECT_TRUE(mp3test::DecodeMp3(mp3).ok);
}

// Gapless: a voice of any length decodes to exactly its samples, because the
// Info tag tells the decoder the encoder's delay and padding.
TEST(Bridge, DecodesToExactlyTheVoicesLength)
{
    mp3test::ScratchFolder folder;
    mp3test::ExpectGaplessAtSeveralLengths(
        [](const std::string& source, const std::string& mp3) {
            return ConvertWaveFileToMp3(source.c_str(), mp3.c_str(), 64000) == 0;
        },
        folder);
}

}  // namespace
