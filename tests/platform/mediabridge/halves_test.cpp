// A long file decoded as two halves at once gives the voice a straight
// decode gives: the same length, and at the seam and everywhere else the
// same samples but for the dither's noise. Progress and stop work as they do
// for one half, and the length limit counts both halves.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "decode_run.h"
#include "media_test_support.h"
#include "mp3_test_support.h"
#include "voice_decoder.h"

namespace {

using namespace mediatest;

// Two triangular dithers of one least significant bit each, apart.
constexpr int kDitherApart = 3;

struct Halved : Decoded {
    bool inHalves = false;
};

Halved Decode(const std::string& path, media::DecodeWay way, int stopAfterProgressReports = -1,
              int32_t maxBytes = kNoLimit)
{
    Halved halved;
    static_cast<Decoded&>(halved) = RunDecode(
        [&](const MediaCallbacks* callbacks, MediaAllocateFunction allocate, void* context) {
            return media::DecodeVoice(path, maxBytes, callbacks, allocate, context, way, &halved.inHalves);
        },
        stopAfterProgressReports);
    return halved;
}

// Half a minute of pink noise under a gliding tone in the left channel and a
// steady one in the right.
std::string MakeLongFile(const mp3test::ScratchFolder& folder, const std::string& name, int rate,
                         const std::string& codec)
{
    const std::string path = folder.File(name);
    const std::string r = std::to_string(rate);
    const std::string command =
        "ffmpeg -v error -y -f lavfi -i anoisesrc=color=pink:amplitude=0.1:sample_rate=" + r +
        ":duration=30 -f lavfi -i 'aevalsrc=0.3*sin(2*PI*(150+50*sin(2*PI*0.5*t))*t)|0.2*sin(2*PI*1000*t):s=" + r +
        ":d=30' -filter_complex '[0]pan=stereo|c0=c0|c1=c0[noise];[noise][1]amix=inputs=2' " + codec + " '" + path + "'";
    EXPECT_EQ(RunCommand(command), 0) << command;
    return path;
}

struct LongKind {
    const char* name;
    const char* file;
    int rate;
    const char* codec;
};

void PrintTo(const LongKind& kind, std::ostream* out) { *out << kind.name; }

class Halves : public testing::TestWithParam<LongKind> {
protected:
    mp3test::ScratchFolder folder;
};

TEST_P(Halves, JoinAsOneStraightDecode)
{
    const LongKind& kind = GetParam();
    const std::string path = MakeLongFile(folder, kind.file, kind.rate, kind.codec);
    const Halved straight = Decode(path, media::DecodeWay::Straight);
    const Halved halves = Decode(path, media::DecodeWay::Fastest);
    ASSERT_EQ(straight.result, MEDIA_OK);
    ASSERT_EQ(halves.result, MEDIA_OK);
    EXPECT_FALSE(straight.inHalves);
    EXPECT_TRUE(halves.inHalves);
    ASSERT_EQ(halves.samples.size(), straight.samples.size());
    size_t worst = 0;
    int worstApart = 0;
    for (size_t i = 0; i < straight.samples.size(); ++i) {
        const int apart = std::abs(int(halves.samples[i]) - int(straight.samples[i]));
        if (apart > worstApart)
            worst = i, worstApart = apart;
    }
    EXPECT_LE(worstApart, kDitherApart) << "at sample " << worst << " of " << straight.samples.size();
    ASSERT_FALSE(halves.percents.empty());
    EXPECT_EQ(halves.percents.back(), 100);
    EXPECT_TRUE(std::is_sorted(halves.percents.begin(), halves.percents.end()));
}

INSTANTIATE_TEST_SUITE_P(LongFiles, Halves,
                         testing::Values(LongKind{"Opus", "long.opus", 48000, "-c:a libopus -b:a 64k"},
                                         LongKind{"Mp3", "long.mp3", 44100, "-c:a libmp3lame -b:a 128k"},
                                         // 1152 samples a frame where a voice sample falls on every 640th
                                         LongKind{"Mp3At32k", "long32.mp3", 32000, "-c:a libmp3lame -q:a 4"},
                                         // 576 samples a frame, no resampling
                                         LongKind{"Mp3At22k", "long22.mp3", 22050, "-c:a libmp3lame -ac 1"}),
                         [](const testing::TestParamInfo<LongKind>& info) { return std::string(info.param.name); });

TEST(HalvesBounds, StopAndLimitHoldForBothHalves)
{
    mp3test::ScratchFolder folder;
    const std::string path = MakeLongFile(folder, "long.opus", 48000, "-c:a libopus");
    const Halved stopped = Decode(path, media::DecodeWay::Fastest, 3);
    EXPECT_EQ(stopped.result, MEDIA_STOPPED);
    EXPECT_TRUE(stopped.samples.empty());

    // Half a minute is 661500 samples: within the slack the declared length
    // has, so the halves decode and together exceed the limit.
    const Halved tooLong = Decode(path, media::DecodeWay::Fastest, -1, 2 * 650000);
    EXPECT_EQ(tooLong.result, MEDIA_TOO_LONG);
    EXPECT_TRUE(tooLong.samples.empty());
    EXPECT_FALSE(tooLong.percents.empty()) << "refused while decoding, not from its declared length";
}

}  // namespace
