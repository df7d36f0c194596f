// The effect catalogue's parameters: what the effect run passes to the
// delay-line routines for echo, chorus, robot voice and flange, and the
// sample rates of the two speed switches. Named once, here, for the effect
// run, the live engine and the tests. (The pitch bar's steps, the sweeps and
// the bass and treble weights belong to their routines: effects.h.)
#pragma once

#include <cstdint>

namespace voice {

// EchoEffect: one echo delayMs after the sound, at decayPercent of its level;
// feedback feeds the echo back into the line (0.0: heard once).
struct EchoParameters {
    int32_t delayMs;
    int32_t decayPercent;
    double feedback;
};

// ModulatedDelay: the voice (at dryGain) plus a copy whose delay glides between
// minDelayMs and maxDelayMs (sweepRate > 0: one sample of delay every
// Round(1000 / sweepRate) samples) or stays fixed (sweepRate 0), with feedback
// of the output into the line.
struct DelayParameters {
    int32_t minDelayMs;
    int32_t maxDelayMs;
    int32_t sweepRate;
    double dryGain;
    double feedback;
};

inline constexpr EchoParameters kEcho{300, 70, 0.0};
inline constexpr DelayParameters kChorus{20, 40, 20, 1.0, 0.0};
inline constexpr DelayParameters kRobotVoice{12, 12, 0, 0.0, 0.75};
inline constexpr DelayParameters kFlange{0, 6, 6, 0.9, 0.5};

// Samples per second at which playback runs and a written file is labelled.
inline constexpr uint32_t kSlowMonsterRateHz = 11025;  // half speed, one octave down
inline constexpr uint32_t kNormalRateHz = 22050;
inline constexpr uint32_t kFastSqueakerRateHz = 44100;  // double speed, one octave up

}  // namespace voice
