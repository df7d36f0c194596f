// Echo, chorus, flange and robot voice on signals whose outputs are known by hand.
#include <gtest/gtest.h>

#include "effects.h"
#include "test_signals.h"

namespace {

using testsignals::Voice;

class DelayEffects : public ::testing::Test {
protected:
    void SetUp() override { effects::StepsPerEffect = 10; }
};

TEST_F(DelayEffects, EchoArrives6614SamplesLateAtSevenTenthsAndClips)
{
    Voice v = testsignals::Noise(10000, 11);
    const Voice input = v;
    ASSERT_EQ(effects::EchoEffect(v.data(), 10000, 300, 70, 0.0, 10000), 10000);
    for (int i = 0; i < 6614; ++i)
        ASSERT_EQ(v[i], input[i]) << i;
    for (int i = 6614; i < 10000; ++i) {
        const long double echo = input[i - 6614] * (long double)0.7;
        const long long expected = std::llrint(echo) + input[i];
        ASSERT_EQ(v[i], std::max(-32768LL, std::min(32767LL, expected))) << i;
    }
}

TEST_F(DelayEffects, EchoWithRoomForTheTailWritesItOverSilence)
{
    Voice v(20000, 0);
    const Voice input = testsignals::Noise(10000, 12);
    std::copy(input.begin(), input.end(), v.begin());
    ASSERT_EQ(effects::EchoEffect(v.data(), 10000, 300, 70, 0.0, 20000), 16615);
    for (int i = 10000; i < 16614; ++i)
        ASSERT_EQ(v[i], std::llrint(input[i - 6614] * (long double)0.7)) << i;
    EXPECT_EQ(v[16614], 0);  // the line's last place was written after the voice ended
    EXPECT_EQ(v[16615], 0);  // untouched
}

TEST_F(DelayEffects, EchoOfValuesThatTieInDoubleRoundsAsExtended)
{
    // 25 * 0.7 is 17.5 in double (a tie, rounded to 18) but 17.4999... in
    // extended, which rounds to 17.
    Voice v(6615, 0);
    v[0] = 25;
    v[1] = 5;
    v[2] = 45;
    effects::EchoEffect(v.data(), 6615, 300, 70, 0.0, 6615);
    EXPECT_EQ(v[6614], 17);
    // Sample 6615 would hold the echo of v[1]; it lies past the limit.
    Voice w(6620, 0);
    w[0] = 5;
    w[1] = 45;
    effects::EchoEffect(w.data(), 6620, 300, 70, 0.0, 6620);
    EXPECT_EQ(w[6614], 3);   // 3.4999...
    EXPECT_EQ(w[6615], 31);  // 31.4999...
}

TEST_F(DelayEffects, ChorusOnAConstantGlidesFromSilenceToDouble)
{
    Voice v = testsignals::Constant(2000, 1000);
    effects::ModulatedDelay(v.data(), 2000, 20, 40, 20, 1.0, 0.0);
    for (int i = 0; i < 674; ++i)
        ASSERT_EQ(v[i], 1000) << i;
    EXPECT_EQ(v[674], 1520);
    for (int i = 675; i < 2000; ++i)
        ASSERT_EQ(v[i], 2000) << i;
}

TEST_F(DelayEffects, RobotVoiceRingsEvery264SamplesWithThreeQuarterFeedback)
{
    Voice v = testsignals::Impulse(264 * 6 + 10, 0, 1000);
    effects::ModulatedDelay(v.data(), int32_t(v.size()), 12, 12, 0, 0.0, 0.75);
    const int16_t expected[] = {1000, 750, 562, 422, 316, 237};
    for (size_t i = 0; i < v.size(); ++i) {
        if (i % 264 == 0 && i > 0)
            EXPECT_EQ(v[i], expected[i / 264 - 1]) << i;
        else
            EXPECT_EQ(v[i], 0) << i;
    }
}

TEST_F(DelayEffects, FlangeStaysWithinRangeAndFollowsTheInput)
{
    Voice v = testsignals::Tone(300, 44100, 16000);
    const Voice input = v;
    effects::ModulatedDelay(v.data(), 44100, 0, 6, 6, 0.9, 0.5);
    double correlation = 0, energy = 0;
    for (size_t i = 0; i < v.size(); ++i) {
        correlation += double(v[i]) * input[i];
        energy += double(input[i]) * input[i];
    }
    EXPECT_GT(correlation / energy, 0.5);  // a flange colours the voice, it does not replace it
}

}  // namespace
