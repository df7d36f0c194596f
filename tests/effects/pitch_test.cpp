// Pitch bar, pitch shifter and sweeps.
#include <gtest/gtest.h>

#include <algorithm>

#include "crossfade_tables.h"
#include "effects.h"
#include "test_signals.h"

namespace {

using testsignals::Voice;

class Pitch : public ::testing::Test {
protected:
    void SetUp() override { effects::StepsPerEffect = 10; }
};

TEST_F(Pitch, BarStepsGiveTheTabledLineLengthsSpeedsAndCrossfadeIntervals)
{
    struct Row {
        int32_t step, L, n, R;
    };
    const Row rows[] = {{0, 772, 3, 684},  {1, 772, 4, 706},  {2, 772, 5, 719},  {3, 772, 6, 728},
                        {4, 772, 9, 743},  {5, 772, 18, 757}, {7, 331, 17, 315}, {8, 331, 8, 298},
                        {9, 331, 5, 278},  {10, 331, 4, 265}, {11, 551, 3, 463}, {12, 551, 2, 419}};
    for (const Row& row : rows) {
        double rate = 0;
        int32_t maxDelayMs = 0;
        ASSERT_TRUE(effects::PitchBarParameters(row.step, rate, maxDelayMs)) << row.step;
        const effects::ShiftGeometry g = effects::PitchShiftGeometry(0, maxDelayMs, rate);
        EXPECT_EQ(g.L, row.L) << "step " << row.step;
        EXPECT_EQ(g.M, 0) << "step " << row.step;
        EXPECT_EQ(g.n, row.n) << "step " << row.step;
        EXPECT_EQ(g.R, row.R) << "step " << row.step;
        EXPECT_EQ(g.rising, row.step < 6) << "step " << row.step;  // growing delays lower the pitch
    }
    double rate = 0;
    int32_t maxDelayMs = 0;
    EXPECT_FALSE(effects::PitchBarParameters(6, rate, maxDelayMs));
    EXPECT_FALSE(effects::PitchBarParameters(13, rate, maxDelayMs));
    EXPECT_FALSE(effects::PitchBarParameters(-1, rate, maxDelayMs));
}

#if defined(__x86_64__)
// The kept crossfade gains are what the x87's own sine and cosine give.
TEST_F(Pitch, CrossfadeTablesAreTheX87sCosinesAndSines)
{
    const long double halfPi = 3.14159265358979323846264338327950288L / 2;
    for (int32_t i = 0; i < effects::kCrossfadeLength; ++i) {
        EXPECT_EQ(effects::kCrossfadeCosine[i], double(cosl(i * halfPi / effects::kCrossfadeLength))) << i;
        EXPECT_EQ(effects::kCrossfadeSine[i], double(sinl(i * halfPi / effects::kCrossfadeLength))) << i;
    }
}
#endif

TEST_F(Pitch, StepSixAndStepsOffTheBarLeaveTheVoiceAlone)
{
    const Voice original = testsignals::SpeechLike(5000);
    for (int32_t step : {6, -1, 13, 1000}) {
        Voice v = original;
        effects::PitchBarShift(v.data(), 5000, step);
        EXPECT_EQ(v, original) << step;
    }
}

TEST_F(Pitch, TopStepTurnsA440HzToneInto660AndBottomStepInto293)
{
    const Voice tone = testsignals::Tone(440, 44100);
    Voice up = tone, down = tone;
    effects::PitchBarShift(up.data(), 44100, 12);
    effects::PitchBarShift(down.data(), 44100, 0);
    // The crossfades cost a few zero crossings; the pitch is within 2 %.
    EXPECT_NEAR(testsignals::ZeroCrossingFrequency(up, 2000, 44100), 660, 13);
    EXPECT_NEAR(testsignals::ZeroCrossingFrequency(down, 2000, 44100), 293.3, 6);
}

TEST_F(Pitch, FallingDelaysStartWithTheZeroFilledLineRisingOnesDoNot)
{
    // About L * n / (n + 1) samples: the tap starts at delay L and gains one
    // sample on the writer every n samples, interpolating towards the first.
    auto leadingSilence = [](int32_t step, Voice v) {
        effects::PitchBarShift(v.data(), int32_t(v.size()), step);
        return int32_t(std::find_if(v.begin(), v.end(), [](int16_t s) { return s != 0; }) - v.begin());
    };
    EXPECT_EQ(leadingSilence(12, testsignals::Constant(3000, 8000)), 367);
    EXPECT_EQ(leadingSilence(12, testsignals::Tone(440, 3000)), 368);  // a sine's first sample is 0
    EXPECT_EQ(leadingSilence(10, testsignals::Constant(3000, 8000)), 265);
    for (int32_t step = 0; step < 6; ++step)
        EXPECT_EQ(leadingSilence(step, testsignals::Constant(3000, 8000)), 1) << step;  // sound from the second sample
}

TEST_F(Pitch, EmptyVoiceIsNotTouched)
{
    int16_t guard = 4321;
    effects::PitchBarShift(&guard, 0, 12);
    effects::SweepUpEffect(&guard, 0);
    EXPECT_EQ(guard, 4321);
}

TEST_F(Pitch, SweepsStayBoundedWhenTheirSpeedChangesMidStep)
{
    // While n falls from 17 to 2, a running sub-step counter can be above the
    // new n; counted past it, the taps would be extrapolated into noise. The
    // equal-power crossfade alone can reach sqrt(2) times the input.
    for (auto sweep : {effects::SweepUpEffect, effects::SweepDownEffect}) {
        Voice v = testsignals::Tone(300, 66150, 10000);
        sweep(v.data(), 66150);
        const auto [low, high] = std::minmax_element(v.begin(), v.end());
        EXPECT_LE(*high, 14143);
        EXPECT_GE(*low, -14143);
    }
}

// n moves one unit every fifteenth of the voice and reaches its end value with
// the last sample, so the last stretch plays at the speed one unit before it.
TEST_F(Pitch, SweepUpRisesFromEighteenSeventeenthsTowardsThreeHalves)
{
    Voice v = testsignals::Tone(400, 22050 * 8);
    effects::SweepUpEffect(v.data(), int32_t(v.size()));
    EXPECT_NEAR(testsignals::ZeroCrossingFrequency(v, 2000, 12000), 400 * 18.0 / 17, 5);
    EXPECT_NEAR(testsignals::ZeroCrossingFrequency(v, v.size() - 10000, v.size()), 400 * 4.0 / 3, 8);
}

TEST_F(Pitch, SweepDownFallsFromSeventeenEighteenthsTowardsTwoThirds)
{
    Voice v = testsignals::Tone(600, 22050 * 8);
    effects::SweepDownEffect(v.data(), int32_t(v.size()));
    EXPECT_NEAR(testsignals::ZeroCrossingFrequency(v, 2000, 12000), 600 * 17.0 / 18, 5);
    EXPECT_NEAR(testsignals::ZeroCrossingFrequency(v, v.size() - 10000, v.size()), 600 * 3.0 / 4, 8);
}

TEST_F(Pitch, SweepsOfVoicesTooShortToSweepLeaveThemAlone)
{
    for (int32_t count : {1, 2, 7}) {
        const Voice original = testsignals::Noise(count, 9);
        Voice up = original, down = original;
        effects::SweepUpEffect(up.data(), count);
        effects::SweepDownEffect(down.data(), count);
        EXPECT_EQ(up, original) << count;
        EXPECT_EQ(down, original) << count;
    }
    Voice eight = testsignals::Noise(8, 9);  // Round(8 / 15) = 1: this one sweeps
    const Voice original = eight;
    effects::SweepUpEffect(eight.data(), 8);
    EXPECT_NE(eight, original);
}

}  // namespace
