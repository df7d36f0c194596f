// The sample-processing routines of the voice effects. Each works in place on
// 16-bit signed mono samples at 22050 samples per second, takes its
// parameters in a fixed order, keeps its working state local, and reports
// progress through CurrentProgress() (progress.h). No Qt, no I/O.
//
// Where things are:
// - pitch.cpp: ShiftStage, the two-tap pitch shifter behind the pitch bar and
//   both sweeps; delay.cpp: EchoStage and ModulatedDelayStage (chorus, flange,
//   robot voice); filters.cpp: the fades, reversal and the resonator bank
//   (resonator.h is one band).
// - stage.h: every routine is a streaming stage, so the whole voice at once
//   and the same stage fed piece by piece give the same samples;
//   stage_pipeline.h runs a chain of stages, on two threads when that pays.
// - arithmetic.h, fast_round.h, x87_extended.h, crossfade_tables.h: the
//   exactness rules. Every result is defined bit for bit in the x87 extended
//   format on every processor; tests/effects compares each routine, and the
//   whole chain on one and on two threads, with a literal transcription
//   (reference_effects.cpp).
#pragma once

#include <cstdint>

#include "progress.h"

namespace effects {

// Pitch shifter: a circular delay line read by two taps whose delays drift by
// one sample every n samples, crossfading from one tap to the other over 265
// samples when the active tap nears the end of its range.
void PitchShift(int16_t* Samples, int32_t Count, int32_t MinDelayMs, int32_t MaxDelayMs, double RateChange,
                double Dry, double Wet, double Feedback);

// The delay line and timing PitchShift derives from its parameters: line
// length L and shortest delay M in samples, n samples per one-sample delay
// step (speed 1 -/+ 1/n), R delay steps between crossfades, and whether the
// tap delays grow (pitch goes down).
struct ShiftGeometry {
    int32_t L = 0, M = 0, n = 1, R = 0;
    bool rising = false;
};
ShiftGeometry PitchShiftGeometry(int32_t MinDelayMs, int32_t MaxDelayMs, double RateChange);

// The PitchShift arguments of pitch-bar step 0..12; false for step 6 (no
// shift) and for values outside the bar.
bool PitchBarParameters(int32_t Step, double& RateChange, int32_t& MaxDelayMs);

// Step 0..12 of the pitch bar (12 - Position); 6 and values outside 0..12 do nothing.
void PitchBarShift(int16_t* Samples, int32_t Count, int32_t Step);

// PitchShift whose n moves one unit at a time from its start to its end value
// over the voice.
void SweepShift(int16_t* Samples, int32_t Count, int32_t MinDelayMs, int32_t MaxDelayMs, double StartRate,
                double EndRate, double Dry, double Wet, double Feedback);
void SweepUpEffect(int16_t* Samples, int32_t Count);
void SweepDownEffect(int16_t* Samples, int32_t Count);

// One echo DelayMs after the sound; writes up to Limit samples and returns how
// many it wrote.
int32_t EchoEffect(int16_t* Samples, int32_t Count, int32_t DelayMs, int32_t DecayPercent, double Feedback,
                   int32_t Limit);

// The voice mixed with a copy whose delay glides as a triangle between the two
// delays (Rate > 0) or stays fixed (Rate 0), with feedback into the line.
void ModulatedDelay(int16_t* Samples, int32_t Count, int32_t MinDelayMs, int32_t MaxDelayMs, int32_t Rate,
                    double Dry, double Feedback);

// Quadratic gain ramps that also bring the loudest sample to full scale.
void FadeInEffect(int16_t* Samples, int32_t Count);
void FadeOutEffect(int16_t* Samples, int32_t Count);

void ReverseVoice(int16_t* Samples, int32_t Count);

// A bank of four two-pole band-pass resonators; Weights[band] 0.0 switches a band off.
void ResonatorBank(int16_t* Samples, int32_t Count, const double Weights[4], bool ReportProgress);
// Bass only keeps the lowest, narrowest band boosted 1.3 times; treble only
// the highest, widest band boosted 2.5 times.
inline constexpr double kBassOnlyWeights[4] = {1.3, 0, 0, 0};
inline constexpr double kTrebleOnlyWeights[4] = {0, 0, 0, 2.5};
void BassOnlyEffect(int16_t* Samples, int32_t Count);
void TrebleOnlyEffect(int16_t* Samples, int32_t Count, bool ReportProgress);

}  // namespace effects
