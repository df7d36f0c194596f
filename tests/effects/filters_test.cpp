// Fades, reversal, the resonator bank and the progress they report.
#include <gtest/gtest.h>

#include <algorithm>

#include "effects.h"
#include "test_signals.h"

namespace {

using testsignals::Voice;

class CountingProgress : public effects::Progress {
public:
    void ResetProgress(int32_t max) override
    {
        this->max = max;
        steps = 0;
    }
    void StepProgress() override { ++steps; }
    int32_t max = 0;
    int32_t steps = 0;
};

class Filters : public ::testing::Test {
protected:
    void SetUp() override
    {
        effects::StepsPerEffect = 10;
        effects::SetCurrentProgress(&progress);
    }
    void TearDown() override { effects::SetCurrentProgress(nullptr); }
    CountingProgress progress;
};

TEST_F(Filters, FadesNormaliseThreeEqualSamples)
{
    Voice in{1000, 1000, 1000};
    effects::FadeInEffect(in.data(), 3);
    EXPECT_EQ(in, (Voice{0, 8192, 32767}));
    Voice out{1000, 1000, 1000};
    effects::FadeOutEffect(out.data(), 3);
    EXPECT_EQ(out, (Voice{32767, 8192, 0}));
}

TEST_F(Filters, FadesLeaveSilenceAndSingleSamplesAlone)
{
    for (auto fade : {effects::FadeInEffect, effects::FadeOutEffect}) {
        Voice silent(500, 0);
        fade(silent.data(), 500);
        EXPECT_TRUE(std::all_of(silent.begin(), silent.end(), [](int16_t s) { return s == 0; }));
        Voice one{-1234};
        fade(one.data(), 1);
        EXPECT_EQ(one[0], -1234);
    }
}

TEST_F(Filters, FadeOfAFullScaleNegativePeakNeverWraps)
{
    Voice v = testsignals::Constant(1000, -32768);
    effects::FadeInEffect(v.data(), 1000);
    EXPECT_EQ(v.front(), 0);
    EXPECT_EQ(v.back(), -32767);  // 32767/32768 of the peak
    EXPECT_TRUE(std::all_of(v.begin(), v.end(), [](int16_t s) { return s <= 0; }));
}

TEST_F(Filters, BackwardReversesAndTwiceRestores)
{
    Voice v{1, 2, 3, 4};
    effects::ReverseVoice(v.data(), 4);
    EXPECT_EQ(v, (Voice{4, 3, 2, 1}));
    Voice speech = testsignals::SpeechLike(12345);
    const Voice original = speech;
    effects::ReverseVoice(speech.data(), 12345);
    effects::ReverseVoice(speech.data(), 12345);
    EXPECT_EQ(speech, original);
}

TEST_F(Filters, BassOnlyLetsNoDirectCurrentThrough)
{
    Voice v = testsignals::Constant(22050, 20000);
    effects::BassOnlyEffect(v.data(), 22050);
    EXPECT_GT(*std::max_element(v.begin(), v.begin() + 2000), 1000);  // the step rings first
    EXPECT_TRUE(std::all_of(v.end() - 100, v.end(), [](int16_t s) { return s == 0; }));
}

TEST_F(Filters, BassPassesLowAndTreblePassesHighTones)
{
    auto level = [](const Voice& v) {
        double sum = 0;
        for (size_t i = v.size() / 2; i < v.size(); ++i)
            sum += double(v[i]) * v[i];
        return std::sqrt(sum / double(v.size() / 2));
    };
    Voice low = testsignals::Tone(100, 22050, 5000), high = testsignals::Tone(6500, 22050, 5000);
    Voice lowBass = low, highBass = high, lowTreble = low, highTreble = high;
    effects::BassOnlyEffect(lowBass.data(), 22050);
    effects::BassOnlyEffect(highBass.data(), 22050);
    effects::TrebleOnlyEffect(lowTreble.data(), 22050, true);
    effects::TrebleOnlyEffect(highTreble.data(), 22050, true);
    EXPECT_GT(level(lowBass), 20 * level(highBass));
    EXPECT_GT(level(highTreble), 20 * level(lowTreble));
}

TEST_F(Filters, TrebleOnlyOnAFullScaleSquareClipsBothWays)
{
    Voice v = testsignals::Square(4000, 4);
    effects::TrebleOnlyEffect(v.data(), 4000, true);
    EXPECT_EQ(*std::max_element(v.begin(), v.end()), 32767);
    EXPECT_EQ(*std::min_element(v.begin(), v.end()), -32768);
}

TEST_F(Filters, EachRoutineStepsTheGaugeStepsPerEffectTimes)
{
    Voice v = testsignals::SpeechLike(10000);
    effects::FadeInEffect(v.data(), 10000);
    EXPECT_EQ(progress.steps, 10);
    effects::StepsPerEffect = 17;
    progress.steps = 0;
    effects::ReverseVoice(v.data(), 10000);
    EXPECT_EQ(progress.steps, 17);  // 10000 div 17 = 588; 17 whole intervals
    progress.steps = 0;
    effects::TrebleOnlyEffect(v.data(), 10000, false);
    EXPECT_EQ(progress.steps, 0);  // treble only reports only when asked
}

TEST_F(Filters, EchoKeepsStepsPastItsInputUpToTheLimit)
{
    Voice v(20000, 0);
    effects::StepsPerEffect = 10;
    effects::EchoEffect(v.data(), 10000, 300, 70, 0.0, 20000);
    EXPECT_EQ(progress.steps, 16);  // 16615 samples at one step per 1000
}

TEST_F(Filters, ResonatorBankSetsTheStepCountWhenNoneWasSet)
{
    effects::StepsPerEffect = 0;
    Voice v = testsignals::Noise(1000, 5);
    effects::BassOnlyEffect(v.data(), 1000);
    EXPECT_EQ(effects::StepsPerEffect, 10);
    EXPECT_EQ(progress.steps, 10);
}

TEST_F(Filters, RoutinesRunWithoutAStepCountReportNothing)
{
    effects::StepsPerEffect = 0;
    Voice v = testsignals::Noise(1000, 6);
    effects::FadeOutEffect(v.data(), 1000);
    effects::ModulatedDelay(v.data(), 1000, 20, 40, 20, 1.0, 0.0);
    EXPECT_EQ(progress.steps, 0);
}

}  // namespace
