namespace voice {
struct EchoParameters { int32_t delayMs; int32_t decayPercent; double feedback; };
struct DelayParameters { int32_t minDelayMs; int32_t maxDelayMs; int32_t sweepRate; double dryGain; double feedback; };
inline constexpr EchoParameters kEcho{300, 70, 0.0};
inline constexpr DelayParameters kChorus{20, 40, 20, 1.0, 0.0};
inline constexpr DelayParameters kRobotVoice{12, 12, 0, 0.0, 0.75};
inline constexpr DelayParameters kFlange{0, 6, 6, 0.9, 0.5};
}
