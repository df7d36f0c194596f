#include "effect_pipeline.h"

#include <cstring>
#include <vector>

#include "effect_catalogue.h"
#include "effects.h"
#include "stage.h"
#include "stage_pipeline.h"
#include "wave_format.h"

namespace voice {

namespace {

// The processing switches in the order ApplyEffects counts them.
constexpr Effect kProcessing[] = {Effect::Echo,     Effect::Chorus,  Effect::Robotvoice, Effect::Backward,
                                  Effect::Flange,   Effect::FadeIn,  Effect::FadeOut,    Effect::BassOnly,
                                  Effect::TrebleOnly, Effect::SweepUp, Effect::SweepDown};

// Relative costs per sample of the stages, measured on a speech-like voice,
// to share a chain between two threads.
constexpr double kSweepCost = 5, kEchoCost = 1.5, kChorusCost = 5, kRobotCost = 4, kFlangeCost = 4.6,
                 kPitchCost = 6.5, kFadeCost = 1.7, kBandCost = 19;

std::vector<effects::ChainStep> ChainFor(const EffectSwitches& s)
{
    using effects::ChainStep;
    using effects::StagePtr;
    std::vector<ChainStep> steps;
    auto add = [&](bool on, double cost, auto make, bool needsWholeInput = false) {
        if (on)
            steps.push_back(ChainStep{make, needsWholeInput, cost});
    };
    add(s[Effect::SweepUp], kSweepCost, [](int16_t*, int32_t n) { return effects::MakeSweepUpStage(n); });
    add(s[Effect::SweepDown], kSweepCost, [](int16_t*, int32_t n) { return effects::MakeSweepDownStage(n); });
    // The chain runs over the voice's own length, so the echo's tail is cut
    // at its end, as the catalogue's limit (the working copy's size) says.
    static_assert(kEcho.feedback == 0.0, "the chain's echo stage has no feedback");
    add(s[Effect::Echo], kEchoCost,
        [](int16_t*, int32_t n) { return effects::MakeEchoStage(n, kEcho.delayMs, kEcho.decayPercent); });
    auto delay = [](const DelayParameters& use) {
        return [use](int16_t*, int32_t n) {
            return effects::MakeModulatedDelayStage(n, use.minDelayMs, use.maxDelayMs, use.sweepRate, use.dryGain,
                                                    use.feedback);
        };
    };
    add(s[Effect::Chorus], kChorusCost, delay(kChorus));
    add(s[Effect::Robotvoice], kRobotCost, delay(kRobotVoice));
    add(
        s[Effect::Backward], 0,
        [](int16_t* v, int32_t n) {
            effects::ReverseVoice(v, n);
            return StagePtr();
        },
        true);
    add(s[Effect::Flange], kFlangeCost, delay(kFlange));
    add(s.pitchPosition != kPitchNone, kPitchCost,
        [step = kPitchMax - s.pitchPosition](int16_t*, int32_t n) { return effects::MakePitchBarStage(n, step); });
    add(
        s[Effect::FadeIn], kFadeCost, [](int16_t* v, int32_t n) { return effects::MakeFadeStage(v, n, true); }, true);
    add(
        s[Effect::FadeOut], kFadeCost, [](int16_t* v, int32_t n) { return effects::MakeFadeStage(v, n, false); },
        true);
    add(s[Effect::BassOnly], kBandCost,
        [](int16_t*, int32_t n) { return effects::MakeResonatorStage(n, effects::kBassOnlyWeights, true); });
    add(s[Effect::TrebleOnly], kBandCost,
        [](int16_t*, int32_t n) { return effects::MakeResonatorStage(n, effects::kTrebleOnlyWeights, true); });
    return steps;
}

}  // namespace

int32_t CountActiveEffects(const EffectSwitches& switches)
{
    int32_t active = switches.pitchPosition != kPitchNone ? 1 : 0;
    for (Effect e : kProcessing)
        active += switches[e] ? 1 : 0;
    return active;
}

uint32_t ExportSampleRate(const EffectSwitches& switches)
{
    return switches[Effect::FastSqueaker]  ? kFastSqueakerRateHz
           : switches[Effect::SlowMonster] ? kSlowMonsterRateHz
                                           : kNormalRateHz;
}

uint32_t PlaybackSampleRate(const EffectSwitches& switches)
{
    return switches[Effect::SlowMonster]    ? kSlowMonsterRateHz
           : switches[Effect::FastSqueaker] ? kFastSqueakerRateHz
                                            : kNormalRateHz;
}

void RunEffectChain(int16_t* samples, int32_t count, const EffectSwitches& switches, effects::ChainThreads threads)
{
    effects::RunChain(samples, count, ChainFor(switches), threads);
}

bool ApplyEffects(VoiceDocument& document, const EffectSwitches& switches, const std::string& fileName,
                  EffectRunHost& host)
{
    const int32_t active = CountActiveEffects(switches);
    if (active > 0) {
        host.ShowProgressWindow();
        host.ResetProgress(kEffectGaugeScale);
    }
    if (document.WorkAltered && document.WorkBuffer) {
        std::memset(document.WorkBuffer.data(), 0, size_t(document.WorkCapacity()));
        std::memcpy(document.WorkBuffer.data(), document.VoiceData.data(), size_t(document.VoiceBytes()));
    }
    document.ProcessedBytes = document.VoiceBytes();
    if (active > 0 && document.WorkBuffer) {
        effects::StepsPerEffect = kEffectGaugeScale / active;
        effects::Progress* previous = effects::SetCurrentProgress(&host);
        // The document keeps the working copy exactly as large as the voice,
        // so the echo's limit is the voice's length and the length stays.
        RunEffectChain(document.WorkBuffer.samples(), document.ProcessedBytes / 2, switches);
        effects::SetCurrentProgress(previous);
        document.WorkAltered = true;
        // The echo returns whole samples: an odd last byte is dropped.
        if (switches[Effect::Echo])
            document.ProcessedBytes = 2 * (document.ProcessedBytes / 2);
    }
    host.ShowWaveData(document.WorkBuffer.data(), document.ProcessedBytes);
    bool written = true;
    if (!fileName.empty())
        written = WriteWaveFile(fileName, ExportSampleRate(switches), VoiceFormat.bitsPerSample, VoiceFormat.channels,
                                document.WorkBuffer.data(), document.ProcessedBytes, nullptr);
    if (active > 0)
        host.HideProgressWindow();
    return written;
}

}  // namespace voice
