// The effect switches and pitch bar of a voice, and the 514-byte record that
// carries them in a saved voice file's private "prtl" chunk.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace voice {

// The switches in the order of the record.
enum class Effect {
    Echo,
    Chorus,
    Flange,
    FadeIn,
    FadeOut,
    BassOnly,
    Robotvoice,
    Backward,
    SlowMonster,
    FastSqueaker,
    TrebleOnly,
    SweepUp,
    SweepDown,
};
constexpr int kEffectCount = 13;
constexpr int32_t kPitchNone = 6;  // pitch bar position of no pitch change
constexpr int32_t kPitchMax = 12;

struct EffectSwitches {
    std::array<bool, kEffectCount> down{};
    int32_t pitchPosition = kPitchNone;

    bool& operator[](Effect e) { return down[size_t(e)]; }
    bool operator[](Effect e) const { return down[size_t(e)]; }
    bool operator==(const EffectSwitches&) const = default;
};

constexpr size_t kEffectSettingsSize = 514;
constexpr uint16_t kEffectSettingsEntries = 14;

// The record as stored (little-endian): entry count, the eleven switches up
// to Treble Only, the signed pitch position, the two sweeps, reserved zeros.
struct EffectSettings {
    std::array<uint8_t, kEffectSettingsSize> bytes{};
};

EffectSettings CaptureSettings(const EffectSwitches& switches);

// Sets every switch the record names (a non-zero word is down) and the pitch
// position, clamped to the bar's 0..12. The sweeps are read only when the
// entry count says the record has them (more than 12 and more than 13
// entries); otherwise they keep their state.
void RestoreSettings(const EffectSettings& settings, EffectSwitches& switches);

}  // namespace voice
