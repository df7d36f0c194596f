// Straightforward long-double transcriptions of the effect routines, written
// for clarity, not speed: one operation per step, in the documented order.
// The production routines must agree with these bit for bit.
#pragma once

#include <cstdint>

namespace reference {

void PitchShift(int16_t* Samples, int32_t Count, int32_t MinDelayMs, int32_t MaxDelayMs, double RateChange,
                double Dry, double Wet, double Feedback);
void SweepShift(int16_t* Samples, int32_t Count, int32_t MinDelayMs, int32_t MaxDelayMs, double StartRate,
                double EndRate, double Dry, double Wet, double Feedback);
int32_t EchoEffect(int16_t* Samples, int32_t Count, int32_t DelayMs, int32_t DecayPercent, double Feedback,
                   int32_t Limit);
void ModulatedDelay(int16_t* Samples, int32_t Count, int32_t MinDelayMs, int32_t MaxDelayMs, int32_t Rate,
                    double Dry, double Feedback);
void FadeInEffect(int16_t* Samples, int32_t Count);
void FadeOutEffect(int16_t* Samples, int32_t Count);
void ReverseVoice(int16_t* Samples, int32_t Count);
void ResonatorBank(int16_t* Samples, int32_t Count, const double Weights[4]);

// The twelve processing effects as the pipeline runs them.
void PitchBarShift(int16_t* Samples, int32_t Count, int32_t Step);
void SweepUpEffect(int16_t* Samples, int32_t Count);
void SweepDownEffect(int16_t* Samples, int32_t Count);

}  // namespace reference
