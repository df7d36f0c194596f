#include "effect_settings.h"

#include <algorithm>

namespace voice {

namespace {

constexpr size_t kPitchOffset = 24;
constexpr uint16_t kSweepUpNeedsMoreThan = 12;
constexpr uint16_t kSweepDownNeedsMoreThan = 13;

// Byte offset of a switch's word in the record.
size_t WordOffset(Effect e)
{
    switch (e) {
    case Effect::SweepUp: return 26;
    case Effect::SweepDown: return 28;
    default: return 2 + 2 * size_t(e);
    }
}

uint16_t ReadWord(const EffectSettings& s, size_t offset)
{
    return uint16_t(s.bytes[offset] | s.bytes[offset + 1] << 8);
}

void WriteWord(EffectSettings& s, size_t offset, uint16_t value)
{
    s.bytes[offset] = uint8_t(value);
    s.bytes[offset + 1] = uint8_t(value >> 8);
}

}  // namespace

EffectSettings CaptureSettings(const EffectSwitches& switches)
{
    EffectSettings s;
    WriteWord(s, 0, kEffectSettingsEntries);
    for (int i = 0; i < kEffectCount; ++i)
        WriteWord(s, WordOffset(Effect(i)), switches.down[size_t(i)] ? 1 : 0);
    WriteWord(s, kPitchOffset, uint16_t(int16_t(switches.pitchPosition)));
    return s;
}

void RestoreSettings(const EffectSettings& settings, EffectSwitches& switches)
{
    for (int i = 0; i <= int(Effect::TrebleOnly); ++i)
        switches.down[size_t(i)] = ReadWord(settings, WordOffset(Effect(i))) != 0;
    const int16_t pitch = int16_t(ReadWord(settings, kPitchOffset));
    switches.pitchPosition = std::clamp<int32_t>(pitch, 0, kPitchMax);
    const uint16_t entries = ReadWord(settings, 0);
    if (entries > kSweepUpNeedsMoreThan)
        switches[Effect::SweepUp] = ReadWord(settings, WordOffset(Effect::SweepUp)) != 0;
    if (entries > kSweepDownNeedsMoreThan)
        switches[Effect::SweepDown] = ReadWord(settings, WordOffset(Effect::SweepDown)) != 0;
}

}  // namespace voice
