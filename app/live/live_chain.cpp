#include "live_chain.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>

// The catalogue header carries no include guard of its own.
#include "effect_catalogue.h"
#include "effects.h"
#include "progress.h"

namespace live {

namespace {

using voice::Effect;

// The switched stages in chain order.
constexpr Effect kSwitched[] = {Effect::Echo,   Effect::Chorus,   Effect::Robotvoice,
                                Effect::Flange, Effect::BassOnly, Effect::TrebleOnly};

// The whole catalogue in its order, for naming what cannot run live.
constexpr Effect kCatalogueOrder[] = {
    Effect::SweepUp,  Effect::SweepDown, Effect::Echo,     Effect::Chorus,     Effect::Robotvoice,
    Effect::Backward, Effect::Flange,    Effect::FadeIn,   Effect::FadeOut,    Effect::BassOnly,
    Effect::TrebleOnly, Effect::SlowMonster, Effect::FastSqueaker};

// A stream has no end: the stages are made for the longest voice there is.
constexpr int32_t kEndless = std::numeric_limits<int32_t>::max();

effects::StagePtr MakeDelay(const voice::DelayParameters& p)
{
    return effects::MakeModulatedDelayStage(kEndless, p.minDelayMs, p.maxDelayMs, p.sweepRate, p.dryGain,
                                            p.feedback);
}

effects::StagePtr MakeSwitchedStage(Effect effect)
{
    switch (effect) {
    case Effect::Echo:
        return effects::MakeEchoStage(kEndless, voice::kEcho.delayMs, voice::kEcho.decayPercent);
    case Effect::Chorus:
        return MakeDelay(voice::kChorus);
    case Effect::Robotvoice:
        return MakeDelay(voice::kRobotVoice);
    case Effect::Flange:
        return MakeDelay(voice::kFlange);
    case Effect::BassOnly:
        return effects::MakeResonatorStage(kEndless, effects::kBassOnlyWeights, false);
    case Effect::TrebleOnly:
        return effects::MakeResonatorStage(kEndless, effects::kTrebleOnlyWeights, false);
    default:
        return nullptr;
    }
}

// Makes the stages with the silent gauge and leaves the program's gauge and
// StepsPerEffect as they were (the resonators set it when it is 0).
class SilentGauge {
public:
    SilentGauge() : previous_(effects::SetCurrentProgress(nullptr)), steps_(effects::StepsPerEffect) {}
    ~SilentGauge()
    {
        effects::SetCurrentProgress(previous_);
        effects::StepsPerEffect = steps_;
    }

private:
    effects::Progress* previous_;
    int32_t steps_;
};

}  // namespace

bool RunsLive(Effect effect)
{
    return std::find(std::begin(kSwitched), std::end(kSwitched), effect) != std::end(kSwitched);
}

std::vector<Effect> EffectsThatCannotRunLive(const voice::EffectSwitches& switches)
{
    std::vector<Effect> refused;
    for (Effect e : kCatalogueOrder)
        if (switches[e] && !RunsLive(e))
            refused.push_back(e);
    return refused;
}

std::string EffectName(Effect effect)
{
    switch (effect) {
    case Effect::Echo: return "Echo";
    case Effect::Chorus: return "Chorus";
    case Effect::Flange: return "Flange";
    case Effect::FadeIn: return "Fade In";
    case Effect::FadeOut: return "Fade Out";
    case Effect::BassOnly: return "Bass Only";
    case Effect::Robotvoice: return "Robot Voice";
    case Effect::Backward: return "Backward";
    case Effect::SlowMonster: return "Slow Monster";
    case Effect::FastSqueaker: return "Fast Squeaker";
    case Effect::TrebleOnly: return "Treble Only";
    case Effect::SweepUp: return "Sweep Up";
    case Effect::SweepDown: return "Sweep Down";
    }
    return "";
}

LiveChain::LiveChain(const voice::EffectSwitches& switches)
{
    SilentGauge silent;
    for (int k = 0; k < kSwitchedStages; ++k)
        stages_[size_t(k)] = MakeSwitchedStage(kSwitched[k]);
    for (int32_t position = 0; position <= voice::kPitchMax; ++position)
        pitchStages_[size_t(position)] = effects::MakePitchBarStage(kEndless, voice::kPitchMax - position);
    current_ = target_ = LiveSetting(switches);
    requested_.store(Pack(current_), std::memory_order_relaxed);
}

LiveChain::~LiveChain() = default;

LiveChain::Setting LiveChain::LiveSetting(const voice::EffectSwitches& switches)
{
    Setting setting;
    for (int k = 0; k < kSwitchedStages; ++k)
        if (switches[kSwitched[k]])
            setting.on |= 1u << k;
    setting.pitchPosition = std::clamp(switches.pitchPosition, 0, voice::kPitchMax);
    return setting;
}

uint32_t LiveChain::Pack(const Setting& setting) { return setting.on | uint32_t(setting.pitchPosition) << 8; }

LiveChain::Setting LiveChain::Unpack(uint32_t packed)
{
    return Setting{packed & 0xFF, int32_t(packed >> 8)};
}

void LiveChain::SetSwitches(const voice::EffectSwitches& switches)
{
    requested_.store(Pack(LiveSetting(switches)), std::memory_order_release);
}

void LiveChain::TakeUpSwitches()
{
    const Setting requested = Unpack(requested_.load(std::memory_order_acquire));
    if (requested == current_)
        return;
    target_ = requested;
    fadeDone_ = 0;
    fadeLeft_ = kCrossfadeSamples;
}

void LiveChain::Process(int16_t* samples, int32_t count)
{
    if (fadeLeft_ == 0)
        TakeUpSwitches();
    while (count > 0) {
        // A chunk lies wholly inside a crossfade or wholly outside one.
        int32_t n = std::min(count, kChunk);
        if (fadeLeft_ > 0)
            n = std::min(n, fadeLeft_);
        ProcessChunk(samples, n);
        if (fadeLeft_ > 0) {
            fadeDone_ += n;
            fadeLeft_ -= n;
            if (fadeLeft_ == 0)
                current_ = target_;
        }
        samples += n;
        count -= n;
    }
}

void LiveChain::ProcessChunk(int16_t* samples, int32_t count)
{
    for (int k = 0; k < kSwitchedStages; ++k) {
        if (k == kPitchAfter)
            RunPitchBar(samples, count);
        RunSwitchedStage(k, samples, count);
    }
}

void LiveChain::RunSwitchedStage(int k, int16_t* samples, int32_t count)
{
    effects::SampleStage& stage = *stages_[size_t(k)];
    const uint32_t bit = 1u << k;
    const bool wasOn = current_.on & bit, willBeOn = target_.on & bit;
    if (wasOn && willBeOn) {
        stage.Process(samples, count);
        return;
    }
    // Off (or being switched): the stage runs on a copy, so it stays warm.
    std::memcpy(wet_.data(), samples, size_t(count) * sizeof(int16_t));
    stage.Process(wet_.data(), count);
    if (wasOn != willBeOn) {
        std::memcpy(dry_.data(), samples, size_t(count) * sizeof(int16_t));
        if (willBeOn)
            Crossfade(dry_.data(), wet_.data(), samples, count);
        else
            Crossfade(wet_.data(), dry_.data(), samples, count);
    }
}

void LiveChain::RunPitchBar(int16_t* samples, int32_t count)
{
    for (int32_t position = 0; position <= voice::kPitchMax; ++position) {
        int16_t* out = pitched_[size_t(position)].data();
        std::memcpy(out, samples, size_t(count) * sizeof(int16_t));
        if (effects::SampleStage* stage = pitchStages_[size_t(position)].get())
            stage->Process(out, count);
    }
    const int16_t* from = pitched_[size_t(current_.pitchPosition)].data();
    const int16_t* to = pitched_[size_t(target_.pitchPosition)].data();
    if (from == to)
        std::memcpy(samples, from, size_t(count) * sizeof(int16_t));
    else
        Crossfade(from, to, samples, count);
}

void LiveChain::Crossfade(const int16_t* from, const int16_t* to, int16_t* out, int32_t count) const
{
    for (int32_t i = 0; i < count; ++i) {
        // The weight of `to` rises from 1/L to 1 over the L samples of the crossfade.
        const int32_t w = fadeDone_ + i + 1;
        const int32_t mixed = from[i] * (kCrossfadeSamples - w) + to[i] * w;
        out[i] = int16_t(mixed >= 0 ? (mixed + kCrossfadeSamples / 2) / kCrossfadeSamples
                                    : -((-mixed + kCrossfadeSamples / 2) / kCrossfadeSamples));
    }
}

}  // namespace live
