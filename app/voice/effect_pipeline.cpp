#include "effect_pipeline.h"

#include <cstring>

#include "effects.h"
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

int32_t RunEffectChain(int16_t* samples, int32_t count, int32_t capacity, const EffectSwitches& s)
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
    if (s[Effect::BassOnly] && s[Effect::TrebleOnly]) {
        effects::BassThenTrebleOnly(samples, count);
    } else {
        if (s[Effect::BassOnly])
            effects::BassOnlyEffect(samples, count);
        if (s[Effect::TrebleOnly])
            effects::TrebleOnlyEffect(samples, count, true);
    }
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
