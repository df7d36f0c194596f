// The program's own LAME route over the real LAME library.
#include <gtest/gtest.h>

#include <fstream>

#include "lame_route.h"
#include "mp3_test_support.h"
#include "mpeg_frame.h"
#include "result_codes.h"

namespace {

using mp3test::ReadAll;

int16_t Encode(const std::string& source, const std::string& destination, int kbit,
               const char* library = mp3::kLameLibraryFileName)
{
    std::atomic<int16_t> percent{0};
    const std::atomic<bool> stop{false};
    const int16_t result = mp3::EncodeWaveWithLame(source, destination, kbit, percent, stop, library);
    if (result == mp3::kResultOk) {
        EXPECT_EQ(percent, 100);
    }
    return result;
}

mp3::WaveFormat Pcm16(int sampleRate, int channels)
{
    return {mp3::kWaveFormatPcm, uint16_t(channels), uint32_t(sampleRate), uint16_t(2 * channels), 16};
}

class LameExport : public testing::TestWithParam<mp3test::VoiceCase> {};

// The rates offered are exactly those LAME makes at the wave's own sample
// rate, and an export at each carries that rate and the whole sound.
TEST_P(LameExport, OffersTheRatesItProducesAndKeepsTheSound)
{
    const mp3test::VoiceCase& c = GetParam();
    ASSERT_EQ(mp3::LameBitrates(Pcm16(c.sampleRate, c.channels)), c.offered);

    mp3test::ScratchFolder folder;
    const std::string source = folder.File("voice.wav");
    const std::vector<int16_t> voice = mp3test::MakeVoice(c.sampleRate, 1.2, c.channels);
    mp3test::WriteWave(source, voice, c.sampleRate, c.channels);
    for (const int kbit : c.offered) {
        const std::string mp3 = folder.File(std::to_string(kbit) + ".mp3");
        ASSERT_EQ(Encode(source, mp3, kbit), mp3::kResultOk) << kbit;
        mp3test::ExpectFaithfulLameExport(mp3, voice, c.sampleRate, c.channels, kbit);
    }
}

INSTANTIATE_TEST_SUITE_P(Voices, LameExport, testing::ValuesIn(mp3test::VoiceCases()),
                         [](const auto& info) { return mp3test::VoiceCaseName(info.param); });

TEST(LameRoute, OffersNothingForWavesItCannotReadOrWithoutTheLibrary)
{
    EXPECT_TRUE(mp3::LameBitrates(Pcm16(22050, 1), "libmp3lame-missing.so.0").empty());
    EXPECT_FALSE(mp3::IsLameAvailable("libmp3lame-missing.so.0"));
    EXPECT_TRUE(mp3::IsLameAvailable());
    mp3::WaveFormat eightBit{mp3::kWaveFormatPcm, 1, 22050, 1, 8};
    EXPECT_TRUE(mp3::LameBitrates(eightBit).empty());
    EXPECT_TRUE(mp3::LameBitrates(Pcm16(22050, 6)).empty());
}

// The program's own files have an 18-byte format chunk, so their samples
// start at byte 46, and a saved voice carries its settings chunk after the
// data: only the data chunk's samples may reach the MP3.
TEST(LameRoute, EncodesExactlyTheDataChunk)
{
    mp3test::ScratchFolder folder;
    const std::string source = folder.File("silence.wav");
    mp3test::WaveLayout layout;
    layout.fmtBytes = 18;
    layout.chunkBefore.assign(400, 0x7F);
    layout.chunkAfter.assign(22050, 0x7F);  // as loud as it gets, were it taken as samples
    mp3test::WriteWave(source, std::vector<int16_t>(22050, 0), 22050, 1, layout);
    ASSERT_EQ(Encode(source, folder.File("silence.mp3"), 64), mp3::kResultOk);
    const mp3test::DecodedMp3 decoded = mp3test::DecodeMp3(folder.File("silence.mp3"));
    ASSERT_TRUE(decoded.ok);
    EXPECT_EQ(decoded.left.size(), 22050u);
    float loudest = 0;
    for (const float sample : decoded.left)
        loudest = std::max(loudest, std::abs(sample));
    EXPECT_LT(loudest, 1e-3);
}

TEST(LameRoute, FailuresGiveTheirCodesAndLeaveTheDestinationAlone)
{
    mp3test::ScratchFolder folder;
    const std::string voice = folder.File("voice.wav");
    mp3test::WriteWave(voice, mp3test::MakeVoice(22050, 0.3), 22050, 1);
    const std::string bytes = ReadAll(voice);
    std::string eightBit = bytes;
    eightBit[34] = 8, eightBit[32] = 1;
    std::string noData = bytes;
    noData.replace(38, 4, "dat_");
    std::ofstream(folder.File("short.wav"), std::ios::binary) << bytes.substr(0, 30);
    std::ofstream(folder.File("text.wav")) << "plain words, no wave here, but long enough for a header";
    std::ofstream(folder.File("pcm8.wav"), std::ios::binary) << eightBit;
    std::ofstream(folder.File("nodata.wav"), std::ios::binary) << noData;

    const std::string destination = folder.File("out.mp3");
    std::ofstream(destination) << "the user's older file";
    struct Case {
        std::string source;
        int kbit;
        const char* library;
        int16_t code;
    };
    const Case cases[] = {
        {voice, 64, "libmp3lame-missing.so.0", mp3::kLameNotLoaded},
        {folder.File("missing.wav"), 64, mp3::kLameLibraryFileName, mp3::kCannotOpenInputFile},
        {folder.File("short.wav"), 64, mp3::kLameLibraryFileName, mp3::kLameHeaderTooShort},
        {folder.File("text.wav"), 64, mp3::kLameLibraryFileName, mp3::kLameNotPcmWave},
        {folder.File("pcm8.wav"), 64, mp3::kLameLibraryFileName, mp3::kLameNotPcmWave},
        {folder.File("nodata.wav"), 64, mp3::kLameLibraryFileName, mp3::kDataChunkNotFound},
        {voice, 20, mp3::kLameLibraryFileName, mp3::kCannotOpenCodecStream},   // LAME would make 16
        {voice, 192, mp3::kLameLibraryFileName, mp3::kCannotOpenCodecStream},  // LAME would make 160
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Encode(c.source, destination, c.kbit, c.library), c.code) << c.source << " " << c.kbit;
        EXPECT_EQ(ReadAll(destination), "the user's older file");
    }
    EXPECT_EQ(Encode(voice, folder.File("no/such/folder.mp3"), 64), mp3::kCannotOpenOutputFile);
    EXPECT_EQ(folder.Files(), (std::vector<std::string>{"nodata.wav", "out.mp3", "pcm8.wav", "short.wav", "text.wav",
                                                        "voice.wav"}));
}

TEST(LameRoute, StoppedExportLeavesNoFile)
{
    mp3test::ScratchFolder folder;
    const std::string source = folder.File("voice.wav");
    mp3test::WriteWave(source, mp3test::MakeVoice(22050, 2.0), 22050, 1);
    std::atomic<int16_t> percent{0};
    const std::atomic<bool> stop{true};
    EXPECT_EQ(mp3::EncodeWaveWithLame(source, folder.File("voice.mp3"), 64, percent, stop), mp3::kLameStopped);
    EXPECT_GT(percent, 0);
    EXPECT_LT(percent, 100);
    EXPECT_EQ(folder.Files(), std::vector<std::string>{"voice.wav"});
}

TEST(LameRoute, ExportsToANameOf250Bytes)
{
    mp3test::ScratchFolder folder;
    const std::string source = folder.File("voice.wav");
    mp3test::WriteWave(source, mp3test::MakeVoice(22050, 0.5), 22050, 1);
    const std::string mp3 = folder.File(std::string(246, 'm') + ".mp3");
    ASSERT_EQ(Encode(source, mp3, 64), mp3::kResultOk);
    EXPECT_TRUE(mp3test::DecodeMp3(mp3).ok);
}

// Gapless: a voice of any length decodes to exactly its samples (the Info
// tag holds the encoder's delay and padding); the sound's frames keep their
// constant bit rate, mono mode, CRC and private bit.
TEST(LameRoute, DecodesToExactlyTheVoicesLengthWithTheFramesAsTheyWere)
{
    mp3test::ScratchFolder folder;
    // 24 kbit/s: too small a frame for LAME's own tag.
    const std::string mp3 = mp3test::ExpectGaplessAtSeveralLengths(
        [](const std::string& source, const std::string& mp3) { return Encode(source, mp3, 24) == mp3::kResultOk; },
        folder);

    const std::string bytes = ReadAll(mp3);
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
    mp3::MpegFrameHeader frame;
    ASSERT_TRUE(mp3::ParseMpegFrameHeader(data, bytes.size(), frame));
    EXPECT_EQ(bytes.substr(4 + 9, 4), "Info") << "the tag frame comes first";
    int frames = 0;
    for (size_t at = size_t(frame.frameBytes); at < bytes.size(); at += size_t(frame.frameBytes), ++frames) {
        ASSERT_TRUE(mp3::ParseMpegFrameHeader(data + at, bytes.size() - at, frame)) << at;
        EXPECT_EQ(frame.bitrateKbit, 24);
        EXPECT_EQ(data[at + 1] & 0x01, 0) << "CRC";
        EXPECT_EQ(data[at + 2] & 0x01, 1) << "private bit";
        EXPECT_EQ(data[at + 3] >> 6, 3) << "mono";
    }
    // The tag counts the sound's frames (big-endian, after "Info" and its flags).
    const uint32_t counted = uint32_t(data[21]) << 24 | data[22] << 16 | data[23] << 8 | data[24];
    EXPECT_EQ(uint32_t(frames), counted);
}

}  // namespace
