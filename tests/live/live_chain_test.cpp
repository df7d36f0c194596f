// The live chain against the whole-voice pipeline: the same samples in pieces
// of any size, clean switch changes, stages kept warm, and no gauge touched.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "effect_pipeline.h"
#include "live_chain.h"
#include "progress.h"
#include "test_signals.h"

namespace {

using voice::Effect;
using voice::EffectSwitches;

EffectSwitches Switches(std::initializer_list<Effect> on, int32_t pitchPosition = voice::kPitchNone)
{
    EffectSwitches s;
    for (Effect e : on)
        s[e] = true;
    s.pitchPosition = pitchPosition;
    return s;
}

testsignals::Voice WholeVoiceChain(testsignals::Voice voice, const EffectSwitches& switches)
{
    const int32_t count = int32_t(voice.size());
    voice::RunEffectChain(voice.data(), count, switches, effects::ChainThreads::One);
    return voice;
}

// Runs the voice through a live chain in pieces of the given sizes (cycled).
testsignals::Voice Live(testsignals::Voice voice, live::LiveChain& chain, const std::vector<int32_t>& sizes)
{
    size_t at = 0, k = 0;
    while (at < voice.size()) {
        const int32_t n = int32_t(std::min<size_t>(size_t(sizes[k++ % sizes.size()]), voice.size() - at));
        chain.Process(voice.data() + at, n);
        at += size_t(n);
    }
    return voice;
}

size_t FirstDifference(const testsignals::Voice& a, const testsignals::Voice& b, size_t from = 0)
{
    for (size_t i = from; i < std::min(a.size(), b.size()); ++i)
        if (a[i] != b[i])
            return i;
    return a.size() == b.size() ? a.size() : std::min(a.size(), b.size());
}

int LargestStep(const testsignals::Voice& v, size_t from, size_t to)
{
    int largest = 0;
    for (size_t i = from + 1; i < to; ++i)
        largest = std::max(largest, std::abs(v[i] - v[i - 1]));
    return largest;
}

TEST(LiveChainTest, PiecesOfEverySizeGiveWhatTheWholeVoiceGets)
{
    std::vector<int32_t> everySize(4096);
    for (int32_t n = 1; n <= 4096; ++n)
        everySize[size_t(n - 1)] = n;
    const int32_t total = 4096 * 4097 / 2;  // one piece of each size
    // Ten seconds of a voice with a noisy stretch (it reaches every band), over and over.
    testsignals::Voice tile = testsignals::SpeechLike(220500);
    const testsignals::Voice noise = testsignals::Noise(22050, 7, 12000);
    std::copy(noise.begin(), noise.end(), tile.begin() + 100000);
    testsignals::Voice voice = testsignals::Voice(size_t(total));
    for (size_t i = 0; i < voice.size(); ++i)
        voice[i] = tile[i % tile.size()];

    const EffectSwitches cases[] = {
        Switches({Effect::Echo, Effect::Chorus, Effect::Robotvoice, Effect::Flange, Effect::BassOnly,
                  Effect::TrebleOnly},
                 0),
        Switches({Effect::Echo, Effect::Flange, Effect::TrebleOnly}, 9),
    };
    for (const EffectSwitches& switches : cases) {
        // Effects that cannot run live are left out, not failed.
        EffectSwitches withWholeVoiceEffects = switches;
        withWholeVoiceEffects[Effect::FadeIn] = withWholeVoiceEffects[Effect::Backward] = true;
        live::LiveChain chain(withWholeVoiceEffects);
        const testsignals::Voice expected = WholeVoiceChain(voice, switches);
        const testsignals::Voice got = Live(voice, chain, everySize);
        EXPECT_EQ(FirstDifference(got, expected), voice.size()) << "pitch position " << switches.pitchPosition;
    }
}

// Switching on upstream effects: once the crossfade is over and the lines of
// the stages after them hold only the new sound, the chain gives exactly what
// it would have given with the new switches from the start (the stages were
// warm). Switching everything off gives the plain voice back.
TEST(LiveChainTest, SwitchChangesCrossfadeAndSettleOnTheNewChain)
{
    const int32_t count = 66000, switchOn = 22000, switchOff = 44000;  // piece boundaries
    const testsignals::Voice voice = testsignals::Tone(440, count, 8000);
    const EffectSwitches before = Switches({Effect::Chorus});
    const EffectSwitches after = Switches({Effect::Echo, Effect::Chorus}, 0);

    live::LiveChain chain(before);
    testsignals::Voice got = voice;
    for (int32_t at = 0; at < count; at += 220) {
        if (at == switchOn)
            chain.SetSwitches(after);
        if (at == switchOff)
            chain.SetSwitches(EffectSwitches{});
        chain.Process(got.data() + at, std::min(220, count - at));
    }

    const testsignals::Voice oldChain = WholeVoiceChain(voice, before);
    const testsignals::Voice newChain = WholeVoiceChain(voice, after);
    EXPECT_EQ(FirstDifference(got, oldChain), size_t(switchOn));
    // Crossfade, then the chorus line (882) and the pitch shifter's line (551) refill.
    const size_t settled = switchOn + live::LiveChain::kCrossfadeSamples + 882 + 551;
    EXPECT_EQ(FirstDifference(got, newChain, settled), size_t(switchOff));
    EXPECT_EQ(FirstDifference(got, voice, switchOff + live::LiveChain::kCrossfadeSamples), got.size());

    // No click: no step across a change is larger than the steady sound's steps.
    const int steady = std::max({LargestStep(oldChain, 1000, switchOn), LargestStep(newChain, settled, switchOff),
                                 LargestStep(voice, 0, count)});
    EXPECT_LE(LargestStep(got, switchOn - 10, settled), steady * 11 / 10);
    EXPECT_LE(LargestStep(got, switchOff - 10, switchOff + 1000), steady * 11 / 10);
}

class CountingGauge final : public effects::Progress {
public:
    void ResetProgress(int32_t) override {}
    void StepProgress() override { ++steps; }
    int steps = 0;
};

TEST(LiveChainTest, NeverReportsToTheProgramsGauge)
{
    CountingGauge gauge;
    effects::Progress* previous = effects::SetCurrentProgress(&gauge);
    const int32_t savedSteps = effects::StepsPerEffect;
    effects::StepsPerEffect = 1 << 20;  // a step every 2047 samples of an endless stream, if it counted
    {
        live::LiveChain chain(Switches({Effect::Echo, Effect::Chorus, Effect::Robotvoice, Effect::Flange,
                                        Effect::BassOnly, Effect::TrebleOnly},
                                       3));
        testsignals::Voice voice = testsignals::Noise(50000, 3, 10000);
        chain.Process(voice.data(), int32_t(voice.size()));
        EXPECT_EQ(&effects::CurrentProgress(), &gauge);
        EXPECT_EQ(effects::StepsPerEffect, 1 << 20);
    }
    EXPECT_EQ(gauge.steps, 0);
    effects::StepsPerEffect = savedSteps;
    effects::SetCurrentProgress(previous);
}

TEST(LiveChainTest, NamesTheEffectsThatCannotRunLiveInCatalogueOrder)
{
    EffectSwitches all;
    all.down.fill(true);
    std::vector<std::string> names;
    for (Effect e : live::EffectsThatCannotRunLive(all))
        names.push_back(live::EffectName(e));
    EXPECT_EQ(names, (std::vector<std::string>{"Sweep Up", "Sweep Down", "Backward", "Fade In", "Fade Out",
                                               "Slow Monster", "Fast Squeaker"}));
    EXPECT_TRUE(live::EffectsThatCannotRunLive(Switches({Effect::Echo, Effect::Robotvoice}, 0)).empty());
}

}  // namespace
