// ApplyEffects: every play and export runs the switched-on effects afresh
// over the working copy, in a fixed order, with the progress window showing.
#pragma once

#include <cstdint>
#include <string>

#include "effect_settings.h"
#include "stage_pipeline.h"
#include "user_feedback.h"
#include "voice_document.h"

namespace voice {

// What an effect run shows besides the progress window: the wave view gets
// the data to display from its start.
class EffectRunHost : public UserFeedback {
public:
    virtual void ShowWaveData(const uint8_t* data, int32_t bytes) = 0;
};

constexpr int32_t kEffectGaugeScale = 120;

// The processing effects that are on (0..12): the eleven processing switches
// and the pitch bar away from 6. The speed switches process nothing.
int32_t CountActiveEffects(const EffectSwitches& switches);

// The rate a written file is labelled with: Fast Squeaker wins over Slow Monster.
uint32_t ExportSampleRate(const EffectSwitches& switches);
// The rate playback runs at: Slow Monster wins over Fast Squeaker.
uint32_t PlaybackSampleRate(const EffectSwitches& switches);

// Restores the working copy when an earlier run altered it, runs every active
// effect on it, hands the result to the wave view and, when fileName is not
// empty, writes it as a wave file (no settings chunk) at ExportSampleRate.
// Returns false only when that file could not be written.
bool ApplyEffects(VoiceDocument& document, const EffectSwitches& switches, const std::string& fileName,
                  EffectRunHost& host);

// The sample work alone: runs the active effects in order over `count`
// samples, in place; the count stays (the echo's tail is cut at the end).
// StepsPerEffect must already be set. A long voice is worked through by two
// threads unless told otherwise.
void RunEffectChain(int16_t* samples, int32_t count, const EffectSwitches& switches,
                    effects::ChainThreads threads = effects::ChainThreads::Automatic);

}  // namespace voice
