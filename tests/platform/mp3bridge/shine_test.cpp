// The fallback encoder of libmp3bridge (shine), chosen by name: it takes only
// 44100, 44100 and 48000 Hz, so a voice is resampled on the way.
#include <gtest/gtest.h>

#include <algorithm>

#include "av_encoder.h"
#include "mp3_test_support.h"
#include "result_codes.h"

namespace {

TEST(ShineEncoder, ResamplesAVoiceAndWritesTheChosenRate)
{
    const AVCodec* shine = mp3::Mp3EncoderByName("libshine");
    if (!shine)
        GTEST_SKIP() << "this libavcodec has no shine encoder";
    mp3test::ScratchFolder folder;
    const std::string source = folder.File("voice.wav");
    const std::vector<int16_t> voice = mp3test::MakeVoice(22050, 2.0);
    mp3test::WriteWave(source, voice, 22050, 1);

    mp3::WaveFormat format;
    ASSERT_EQ(mp3::CheckWaveSource(shine, source, format), mp3::kResultOk);
    EXPECT_EQ(mp3::OutputSampleRate(shine, 22050), 44100);
    EXPECT_EQ(mp3::OutputSampleRate(shine, 24000), 48000);
    EXPECT_EQ(mp3::OutputSampleRate(shine, 37800), 44100);
    EXPECT_EQ(mp3::OutputSampleRate(shine, 44100), 44100);
    std::vector<int> offered;
    for (const int kbit : {20, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320})
        if (mp3::ProducesBitrate(shine, format, kbit * 1000))
            offered.push_back(kbit);
    // MPEG-1 rates only; this shine cannot make 320 kbit/s mono, and the probe
    // must see that rather than trust the encoder's table.
    const std::vector<int> mpeg1{32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256};
    ASSERT_GE(offered.size(), mpeg1.size());
    EXPECT_TRUE(std::equal(mpeg1.begin(), mpeg1.end(), offered.begin()));

    std::atomic<int16_t> percent{0};
    std::atomic<bool> stop{false};
    const std::string mp3 = folder.File("voice.mp3");
    ASSERT_EQ(mp3::ConvertWave(shine, source, mp3, 48000, percent, stop), mp3::kResultOk);
    EXPECT_EQ(percent, 100);
    const mp3test::DecodedMp3 decoded = mp3test::DecodeMp3(mp3);
    ASSERT_TRUE(decoded.ok);
    EXPECT_EQ(decoded.frameBitratesKbit, std::set<int>{48});
    EXPECT_EQ(decoded.frameSampleRates, std::set<int>{44100});
    // Two seconds at 44100 Hz, within two frames: shine's own delay and
    // padding, and a first frame that decoders drop.
    EXPECT_NEAR(double(decoded.left.size()) / 44100, 2.0, 2 * 1152.0 / 44100);

    EXPECT_EQ(mp3::ConvertWave(shine, source, folder.File("bad.mp3"), 24000, percent, stop),
              mp3::kCannotOpenCodecStream);
    EXPECT_EQ(folder.Files(), (std::vector<std::string>{"voice.mp3", "voice.wav"}));
}

}  // namespace
