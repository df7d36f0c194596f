#include "effect_pipeline.h"

#include <cstring>
#include <vector>

#include "effects.h"
#include "stage.h"
#include "stage_pipeline.h"
#include "wave_format.h"

namespace voice {

namespace {

// The catalogue's parameters.
constexpr int32_t kEchoDelayMs = 300, kEchoDecayPercent = 70;
constexpr double kEchoFeedback = 0.0;
struct DelayUse {
    int32_t minDelayMs, maxDelayMs, rate;
    double dry, feedback;
};
constexpr DelayUse kChorus{20, 40, 20, 1.0, 0.0};
constexpr DelayUse kRobotVoice{12, 12, 0, 0.0, 0.75};
constexpr DelayUse kFlange{0, 6, 6, 0.9, 0.5};

constexpr uint32_t kSlowRate = 11025, kNormalRate = 22050, kFastRate = 44100;

// The processing switches in the order ApplyEffects counts them.
constexpr Effect kProcessing[] = {Effect::Echo,     Effect::Chorus,  Effect::Robotvoice, Effect::Backward,
                                  Effect::Flange,   Effect::FadeIn,  Effect::FadeOut,    Effect::BassOnly,
                                  Effect::TrebleOnly, Effect::SweepUp, Effect::SweepDown};

void RunDelay(int16_t* samples, int32_t count, const DelayUse& use)
{
    effects::ModulatedDelay(samples, count, use.minDelayMs, use.maxDelayMs, use.rate, use.dry, use.feedback);
}

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
    add(s[Effect::Echo], kEchoCost,
        [](int16_t*, int32_t n) { return effects::MakeEchoStage(n, kEchoDelayMs, kEchoDecayPercent); });
    auto delay = [](const DelayUse& use) {
        return [use](int16_t*, int32_t n) {
            return effects::MakeModulatedDelayStage(n, use.minDelayMs, use.maxDelayMs, use.rate, use.dry,
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
    add(s[Effect::BassOnly], kBandCost, [](int16_t*, int32_t n) {
        const double weights[4] = {1.3, 0, 0, 0};
        return effects::MakeResonatorStage(n, weights, true);
    });
    add(s[Effect::TrebleOnly], kBandCost, [](int16_t*, int32_t n) {
        const double weights[4] = {0, 0, 0, 2.5};
        return effects::MakeResonatorStage(n, weights, true);
    });
    return steps;
}

// One routine after another over the whole voice: for an echo that may run
// past the voice (a buffer larger than the voice), which changes the count.
int32_t RunRoutines(int16_t* samples, int32_t count, int32_t capacity, const EffectSwitches& s)
{
    if (s[Effect::SweepUp])
        effects::SweepUpEffect(samples, count);
    if (s[Effect::SweepDown])
        effects::SweepDownEffect(samples, count);
    if (s[Effect::Echo])
        count = effects::EchoEffect(samples, count, kEchoDelayMs, kEchoDecayPercent, kEchoFeedback, capacity);
    if (s[Effect::Chorus])
        RunDelay(samples, count, kChorus);
    if (s[Effect::Robotvoice])
        RunDelay(samples, count, kRobotVoice);
    if (s[Effect::Backward])
        effects::ReverseVoice(samples, count);
    if (s[Effect::Flange])
        RunDelay(samples, count, kFlange);
    if (s.pitchPosition != kPitchNone)
        effects::PitchBarShift(samples, count, kPitchMax - s.pitchPosition);
    if (s[Effect::FadeIn])
        effects::FadeInEffect(samples, count);
    if (s[Effect::FadeOut])
        effects::FadeOutEffect(samples, count);
    if (s[Effect::BassOnly])
        effects::BassOnlyEffect(samples, count);
    if (s[Effect::TrebleOnly])
        effects::TrebleOnlyEffect(samples, count, true);
    return count;
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
    return switches[Effect::FastSqueaker] ? kFastRate : switches[Effect::SlowMonster] ? kSlowRate : kNormalRate;
}

uint32_t PlaybackSampleRate(const EffectSwitches& switches)
{
    return switches[Effect::SlowMonster] ? kSlowRate : switches[Effect::FastSqueaker] ? kFastRate : kNormalRate;
}

int32_t RunEffectChain(int16_t* samples, int32_t count, int32_t capacity, const EffectSwitches& switches,
                       effects::ChainThreads threads)
{
    // The echo's tail is cut at the end of the buffer; when the buffer is the
    // voice's own size (always, for a loaded or recorded voice) the count
    // stays and the effects can run as one streamed chain.
    if (capacity != count)
        return RunRoutines(samples, count, capacity, switches);
    effects::RunChain(samples, count, ChainFor(switches), threads);
    return count;
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
        const int32_t count = RunEffectChain(document.WorkBuffer.samples(), document.ProcessedBytes / 2,
                                             document.WorkCapacity() / 2, switches);
        effects::SetCurrentProgress(previous);
        document.WorkAltered = true;
        if (switches[Effect::Echo])
            document.ProcessedBytes = 2 * count;
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
