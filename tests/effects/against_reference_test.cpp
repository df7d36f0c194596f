// Every routine against its literal extended-precision transcription, on
// voices chosen to reach the rounding ties, the clipping limits and the
// wrap-around stores: the outputs must agree bit for bit.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "effects.h"
#include "reference_effects.h"
#include "test_signals.h"

namespace {

using testsignals::Voice;
using Routine = std::function<void(int16_t*, int32_t)>;

struct Case {
    std::string name;
    Routine production;
    Routine reference;
};

std::vector<std::pair<std::string, Voice>> Inputs()
{
    return {
        {"empty", {}},
        {"one", {1234}},
        {"three", {1000, 1000, 1000}},
        {"seven", testsignals::Noise(7, 1)},
        {"thirty", testsignals::Noise(30, 2)},
        {"noise", testsignals::Noise(30000, 3)},
        {"quiet noise", testsignals::Noise(20000, 4, 300)},
        {"speech", testsignals::SpeechLike(66150)},
        {"tone", testsignals::Tone(440, 22050, 32767)},
        {"square", testsignals::Square(20000, 100)},
        {"constant", testsignals::Constant(5000, -32768)},
        {"impulse", testsignals::Impulse(3000, 0, 1000)},
        {"odd pattern", [] {  // values 5 (mod 20), where e * 0.7 in double lands on a tie
             Voice v(20000);
             for (size_t i = 0; i < v.size(); ++i)
                 v[i] = int16_t(int32_t((i * 20 + 5) % 65520) - 32760);
             return v;
         }()},
    };
}

std::vector<Case> Cases()
{
    std::vector<Case> cases;
    for (int32_t step = 0; step <= 12; ++step)
        cases.push_back({"pitch step " + std::to_string(step),
                         [step](int16_t* s, int32_t n) { effects::PitchBarShift(s, n, step); },
                         [step](int16_t* s, int32_t n) { reference::PitchBarShift(s, n, step); }});
    cases.push_back({"sweep up", effects::SweepUpEffect, reference::SweepUpEffect});
    cases.push_back({"sweep down", effects::SweepDownEffect, reference::SweepDownEffect});
    cases.push_back({"pitch with feedback and dry",
                     [](int16_t* s, int32_t n) { effects::PitchShift(s, n, 5, 30, 0.18, 0.4, 0.8, 0.3); },
                     [](int16_t* s, int32_t n) { reference::PitchShift(s, n, 5, 30, 0.18, 0.4, 0.8, 0.3); }});
    cases.push_back({"sweep with feedback",
                     [](int16_t* s, int32_t n) { effects::SweepShift(s, n, 0, 35, -0.3, -0.05, 0.5, 0.7, 0.45); },
                     [](int16_t* s, int32_t n) { reference::SweepShift(s, n, 0, 35, -0.3, -0.05, 0.5, 0.7, 0.45); }});
    cases.push_back({"echo", [](int16_t* s, int32_t n) { effects::EchoEffect(s, n, 300, 70, 0.0, n); },
                     [](int16_t* s, int32_t n) { reference::EchoEffect(s, n, 300, 70, 0.0, n); }});
    cases.push_back({"short echo with feedback",
                     [](int16_t* s, int32_t n) { effects::EchoEffect(s, n, 3, 85, 0.6, n); },
                     [](int16_t* s, int32_t n) { reference::EchoEffect(s, n, 3, 85, 0.6, n); }});
    cases.push_back({"echo louder than 2^31 before clipping",
                     [](int16_t* s, int32_t n) { effects::EchoEffect(s, n, 5, 2000000000, 0.0, n); },
                     [](int16_t* s, int32_t n) { reference::EchoEffect(s, n, 5, 2000000000, 0.0, n); }});
    cases.push_back({"chorus", [](int16_t* s, int32_t n) { effects::ModulatedDelay(s, n, 20, 40, 20, 1.0, 0.0); },
                     [](int16_t* s, int32_t n) { reference::ModulatedDelay(s, n, 20, 40, 20, 1.0, 0.0); }});
    cases.push_back({"robot voice",
                     [](int16_t* s, int32_t n) { effects::ModulatedDelay(s, n, 12, 12, 0, 0.0, 0.75); },
                     [](int16_t* s, int32_t n) { reference::ModulatedDelay(s, n, 12, 12, 0, 0.0, 0.75); }});
    cases.push_back({"flange", [](int16_t* s, int32_t n) { effects::ModulatedDelay(s, n, 0, 6, 6, 0.9, 0.5); },
                     [](int16_t* s, int32_t n) { reference::ModulatedDelay(s, n, 0, 6, 6, 0.9, 0.5); }});
    cases.push_back({"odd modulated delay",
                     [](int16_t* s, int32_t n) { effects::ModulatedDelay(s, n, 1, 3, 70, 0.35, -0.3); },
                     [](int16_t* s, int32_t n) { reference::ModulatedDelay(s, n, 1, 3, 70, 0.35, -0.3); }});
    cases.push_back({"fade in", effects::FadeInEffect, reference::FadeInEffect});
    cases.push_back({"fade out", effects::FadeOutEffect, reference::FadeOutEffect});
    cases.push_back({"backward", effects::ReverseVoice, reference::ReverseVoice});
    cases.push_back({"bass only", effects::BassOnlyEffect,
                     [](int16_t* s, int32_t n) { reference::ResonatorBank(s, n, effects::kBassOnlyWeights); }});
    cases.push_back({"treble only", [](int16_t* s, int32_t n) { effects::TrebleOnlyEffect(s, n, true); },
                     [](int16_t* s, int32_t n) { reference::ResonatorBank(s, n, effects::kTrebleOnlyWeights); }});
    for (const auto& weights : {std::array<double, 4>{1, 0.5, 0, 0.25}, std::array<double, 4>{0, 1.1, 0.7, 0},
                                std::array<double, 4>{0, 0, 3.5, 0}})
        cases.push_back({"resonator bank " + std::to_string(weights[0]) + "/" + std::to_string(weights[1]),
                         [weights](int16_t* s, int32_t n) { effects::ResonatorBank(s, n, weights.data(), false); },
                         [weights](int16_t* s, int32_t n) { reference::ResonatorBank(s, n, weights.data()); }});
    return cases;
}

class AgainstReference : public ::testing::Test {
protected:
    void SetUp() override { effects::StepsPerEffect = 10; }
};

TEST_F(AgainstReference, EveryRoutineOnEveryInputMatchesBitForBit)
{
    for (const Case& c : Cases()) {
        for (const auto& [inputName, input] : Inputs()) {
            Voice mine = input, theirs = input;
            c.production(mine.data(), int32_t(mine.size()));
            c.reference(theirs.data(), int32_t(theirs.size()));
            size_t firstDifference = 0;
            while (firstDifference < mine.size() && mine[firstDifference] == theirs[firstDifference])
                ++firstDifference;
            EXPECT_EQ(firstDifference, mine.size())
                << c.name << " on " << inputName << ": first difference at sample " << firstDifference << " ("
                << mine[firstDifference] << " instead of " << theirs[firstDifference] << ")";
        }
    }
}

TEST_F(AgainstReference, EchoTailPastTheVoiceMatches)
{
    for (double feedback : {0.0, 0.6}) {
        for (int32_t limit : {100, 6614, 6615, 10000, 16615, 20000}) {
            Voice mine = testsignals::SpeechLike(10000), theirs = mine;
            mine.resize(20000, 777);  // whatever lies past the voice must not leak into the tail
            theirs.resize(20000, 777);
            const int32_t mineCount = effects::EchoEffect(mine.data(), 10000, 300, 70, feedback, limit);
            const int32_t theirCount = reference::EchoEffect(theirs.data(), 10000, 300, 70, feedback, limit);
            EXPECT_EQ(mineCount, theirCount) << "limit " << limit << ", feedback " << feedback;
            EXPECT_EQ(mine, theirs) << "limit " << limit << ", feedback " << feedback;
        }
    }
}

}  // namespace
