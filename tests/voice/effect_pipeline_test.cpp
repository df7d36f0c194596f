// ApplyEffects: which effects run, in which order, from which copy, with
// which progress, and what it writes.
#include <gtest/gtest.h>

#include <array>

#include "../effects/reference_effects.h"
#include "test_signals.h"
#include "effect_catalogue.h"
#include "effect_pipeline.h"
#include "effects.h"
#include "wave_builder.h"

namespace {

using namespace testing_support;
using voice::Effect;
using voice::EffectSwitches;

class RecordingHost : public voice::EffectRunHost {
public:
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    void ShowProgressWindow() override { ++shown; visible = true; }
    void HideProgressWindow() override { visible = false; }
    void ResetProgress(int32_t max) override { gaugeMax = max; gauge = 0; }
    void StepProgress() override { gauge += gauge < gaugeMax ? 1 : 0; ++steps; }
    void ShowWaveData(const uint8_t* data, int32_t bytes) override
    {
        viewData = data;
        viewBytes = bytes;
    }
    std::vector<std::string> messages;
    int shown = 0, steps = 0;
    bool visible = false;
    int32_t gaugeMax = 0, gauge = 0;
    const uint8_t* viewData = nullptr;
    int32_t viewBytes = -1;
};

voice::VoiceDocument DocumentWith(const std::vector<int16_t>& samples)
{
    voice::VoiceDocument d;
    voice::SampleBlock block = voice::AllocateSamples(int32_t(samples.size() * 2));
    std::copy(samples.begin(), samples.end(), block.samples());
    EXPECT_TRUE(d.AdoptVoice(std::move(block)));
    return d;
}

std::vector<int16_t> Processed(const voice::VoiceDocument& d)
{
    return std::vector<int16_t>(d.WorkBuffer.samples(), d.WorkBuffer.samples() + d.ProcessedBytes / 2);
}

// The catalogue order, run with the literal reference routines.
std::vector<int16_t> ReferenceChain(std::vector<int16_t> v, const EffectSwitches& s)
{
    int16_t* p = v.data();
    int32_t n = int32_t(v.size());
    if (s[Effect::SweepUp]) reference::SweepUpEffect(p, n);
    if (s[Effect::SweepDown]) reference::SweepDownEffect(p, n);
    auto delay = [&](const voice::DelayParameters& d) {
        reference::ModulatedDelay(p, n, d.minDelayMs, d.maxDelayMs, d.sweepRate, d.dryGain, d.feedback);
    };
    const voice::EchoParameters& echo = voice::kEcho;
    if (s[Effect::Echo]) n = reference::EchoEffect(p, n, echo.delayMs, echo.decayPercent, echo.feedback, n);
    if (s[Effect::Chorus]) delay(voice::kChorus);
    if (s[Effect::Robotvoice]) delay(voice::kRobotVoice);
    if (s[Effect::Backward]) reference::ReverseVoice(p, n);
    if (s[Effect::Flange]) delay(voice::kFlange);
    if (s.pitchPosition != 6) reference::PitchBarShift(p, n, 12 - s.pitchPosition);
    if (s[Effect::FadeIn]) reference::FadeInEffect(p, n);
    if (s[Effect::FadeOut]) reference::FadeOutEffect(p, n);
    if (s[Effect::BassOnly]) reference::ResonatorBank(p, n, effects::kBassOnlyWeights);
    if (s[Effect::TrebleOnly]) reference::ResonatorBank(p, n, effects::kTrebleOnlyWeights);
    v.resize(size_t(n));
    return v;
}

EffectSwitches AllTwelve(int32_t pitch = 3)
{
    EffectSwitches s;
    for (Effect e : {Effect::Echo, Effect::Chorus, Effect::Flange, Effect::FadeIn, Effect::FadeOut, Effect::BassOnly,
                     Effect::Robotvoice, Effect::Backward, Effect::TrebleOnly, Effect::SweepUp, Effect::SweepDown})
        s[e] = true;
    s.pitchPosition = pitch;
    return s;
}

TEST(EffectPipeline, RunsTheEffectsInCatalogueOrderBitForBit)
{
    const std::vector<int16_t> voice = testsignals::SpeechLike(30000);
    std::vector<EffectSwitches> combinations{AllTwelve(0), AllTwelve(12)};
    for (int e = 0; e < voice::kEffectCount; ++e) {
        EffectSwitches one;
        one.down[size_t(e)] = true;
        combinations.push_back(one);
    }
    uint32_t mask = 0x2545F491u;  // a fixed spread of combinations
    for (int k = 0; k < 12; ++k) {
        EffectSwitches s;
        for (int e = 0; e < voice::kEffectCount; ++e)
            s.down[size_t(e)] = (mask >> ((e + 3 * k) % 32)) & 1;
        s.pitchPosition = k;
        combinations.push_back(s);
        mask = mask * 1664525u + 1013904223u;
    }
    for (const EffectSwitches& s : combinations) {
        voice::VoiceDocument d = DocumentWith(voice);
        RecordingHost host;
        voice::ApplyEffects(d, s, "", host);
        EXPECT_EQ(Processed(d), ReferenceChain(voice, s)) << "combination with pitch " << s.pitchPosition;
    }
}

TEST(EffectPipeline, EveryRunStartsAgainFromTheUnprocessedVoice)
{
    const std::vector<int16_t> voice = testsignals::SpeechLike(20000);
    voice::VoiceDocument d = DocumentWith(voice);
    RecordingHost host;
    EffectSwitches s = AllTwelve();
    voice::ApplyEffects(d, s, "", host);
    const std::vector<int16_t> first = Processed(d);
    voice::ApplyEffects(d, s, "", host);
    EXPECT_EQ(Processed(d), first);
    voice::ApplyEffects(d, EffectSwitches{}, "", host);
    EXPECT_EQ(Processed(d), voice) << "no effects: the restored voice";
    EXPECT_EQ(host.viewData, d.WorkBuffer.data());
    EXPECT_EQ(host.viewBytes, d.VoiceBytes());
}

TEST(EffectPipeline, ShowsTheProgressWindowOnlyWhenSomethingIsProcessed)
{
    voice::VoiceDocument d = DocumentWith(testsignals::SpeechLike(5000));
    RecordingHost host;
    EffectSwitches slow;
    slow[Effect::SlowMonster] = true;
    slow[Effect::FastSqueaker] = true;
    voice::ApplyEffects(d, slow, "", host);
    EXPECT_EQ(host.shown, 0);
    EffectSwitches pitch;
    pitch.pitchPosition = 5;
    voice::ApplyEffects(d, pitch, "", host);
    EXPECT_EQ(host.shown, 1);
    EXPECT_FALSE(host.visible);
    EXPECT_EQ(host.gaugeMax, 120);
    EXPECT_EQ(host.gauge, 120);
    EXPECT_EQ(host.steps, 121);  // 5000 div 41 whole intervals of 5000 div 120
}

TEST(EffectPipeline, StepsPerEffectShareTheGauge)
{
    voice::VoiceDocument d = DocumentWith(testsignals::SpeechLike(12000));
    RecordingHost host;
    voice::ApplyEffects(d, AllTwelve(), "", host);
    EXPECT_EQ(effects::StepsPerEffect, 10);
    EXPECT_EQ(host.gauge, 120);
    EffectSwitches seven;
    for (Effect e : {Effect::Echo, Effect::Chorus, Effect::Flange, Effect::FadeIn, Effect::FadeOut, Effect::BassOnly,
                     Effect::Robotvoice})
        seven[e] = true;
    host.steps = 0;
    voice::ApplyEffects(d, seven, "", host);
    EXPECT_EQ(effects::StepsPerEffect, 17);
    EXPECT_EQ(host.steps, 7 * 17);
    voice::ApplyEffects(d, EffectSwitches{}, "", host);
    EXPECT_EQ(effects::StepsPerEffect, 17) << "a run without effects keeps it";
}

TEST(EffectPipeline, EchoKeepsTheVoiceLength)
{
    voice::VoiceDocument d = DocumentWith(testsignals::SpeechLike(22050));
    RecordingHost host;
    EffectSwitches echo;
    echo[Effect::Echo] = true;
    voice::ApplyEffects(d, echo, "", host);
    EXPECT_EQ(d.ProcessedBytes, 44100);
}

TEST(EffectPipeline, WritesTheProcessedVoiceAtTheRateTheSpeedSwitchesChoose)
{
    TempDir dir;
    const std::vector<int16_t> voice = testsignals::SpeechLike(4000);
    struct Case {
        bool slow, fast;
        uint32_t rate;
    };
    for (const Case c : {Case{false, false, 22050}, Case{true, false, 11025}, Case{false, true, 44100},
                         Case{true, true, 44100}}) {
        voice::VoiceDocument d = DocumentWith(voice);
        RecordingHost host;
        EffectSwitches s;
        s[Effect::Backward] = true;
        s[Effect::SlowMonster] = c.slow;
        s[Effect::FastSqueaker] = c.fast;
        ASSERT_TRUE(voice::ApplyEffects(d, s, dir.File("out.wav"), host));
        const Bytes b = ReadAll(dir.File("out.wav"));
        ASSERT_EQ(b.size(), 46u + 8000u);
        EXPECT_EQ(b[38], 'd') << "no settings chunk";
        const uint32_t rate = b[24] | b[25] << 8 | b[26] << 16;
        const uint32_t perSecond = b[28] | b[29] << 8 | b[30] << 16;
        EXPECT_EQ(rate, c.rate);
        EXPECT_EQ(perSecond, 2 * c.rate);
        const int16_t first = int16_t(b[46] | b[47] << 8);
        EXPECT_EQ(first, voice.back()) << "the processed samples";
        EXPECT_EQ(voice::PlaybackSampleRate(s), c.slow ? 11025u : c.fast ? 44100u : 22050u);
    }
}

TEST(EffectPipeline, ReportsAFileThatCannotBeWritten)
{
    voice::VoiceDocument d = DocumentWith(testsignals::SpeechLike(100));
    RecordingHost host;
    EXPECT_FALSE(voice::ApplyEffects(d, EffectSwitches{}, "/nonexistent/folder/out.wav", host));
}

TEST(EffectPipeline, CountsTheProcessingEffectsOnly)
{
    EffectSwitches s;
    EXPECT_EQ(voice::CountActiveEffects(s), 0);
    s[Effect::SlowMonster] = s[Effect::FastSqueaker] = true;
    EXPECT_EQ(voice::CountActiveEffects(s), 0);
    EXPECT_EQ(voice::CountActiveEffects(AllTwelve()), 12);
    EXPECT_EQ(voice::CountActiveEffects(AllTwelve(6)), 11);
}

}  // namespace

namespace {

// A voice long enough for the chain to be shared between two threads, with
// every effect on, must give exactly what one thread and the literal
// routines give.
TEST(EffectPipeline, TwoThreadsGiveTheSameVoiceAsOne)
{
    const std::vector<int16_t> voice = testsignals::SpeechLike(200003);
    for (const EffectSwitches& s : {AllTwelve(1), AllTwelve(11), [] {
             EffectSwitches noBarriers = AllTwelve(4);
             noBarriers[Effect::Backward] = noBarriers[Effect::FadeIn] = noBarriers[Effect::FadeOut] = false;
             return noBarriers;
         }()}) {
        std::vector<int16_t> two = voice, one = voice;
        effects::StepsPerEffect = 120 / voice::CountActiveEffects(s);
        voice::RunEffectChain(two.data(), int32_t(two.size()), s);
        voice::RunEffectChain(one.data(), int32_t(one.size()), s, effects::ChainThreads::One);
        EXPECT_EQ(two, one) << "pitch " << s.pitchPosition;
        EXPECT_EQ(two, ReferenceChain(voice, s)) << "pitch " << s.pitchPosition;
    }
}

TEST(EffectPipeline, ProgressFromBothThreadsReachesTheGauge)
{
    voice::VoiceDocument d = DocumentWith(testsignals::SpeechLike(300000));
    RecordingHost host;
    voice::ApplyEffects(d, AllTwelve(), "", host);
    EXPECT_EQ(host.steps, 120);  // ten steps from each of the twelve effects
    EXPECT_EQ(host.gauge, 120);
}

}  // namespace
