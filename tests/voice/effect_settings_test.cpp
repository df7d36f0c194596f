// The settings record: its byte layout and how a loaded record presses the switches.
#include <gtest/gtest.h>

#include "effect_settings.h"

namespace {

using voice::Effect;
using voice::EffectSettings;
using voice::EffectSwitches;

uint16_t Word(const EffectSettings& s, size_t index) { return uint16_t(s.bytes[2 * index] | s.bytes[2 * index + 1] << 8); }

void SetWord(EffectSettings& s, size_t index, uint16_t value)
{
    s.bytes[2 * index] = uint8_t(value);
    s.bytes[2 * index + 1] = uint8_t(value >> 8);
}

TEST(EffectSettingsRecord, EchoFadeInAndPitchNineAreStoredAsTheirWords)
{
    EffectSwitches s;
    s[Effect::Echo] = true;
    s[Effect::FadeIn] = true;
    s.pitchPosition = 9;
    const EffectSettings record = voice::CaptureSettings(s);
    const uint16_t expected[] = {14, 1, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 9, 0, 0};
    for (size_t i = 0; i < 15; ++i)
        EXPECT_EQ(Word(record, i), expected[i]) << "word " << i;
    for (size_t i = 30; i < 514; ++i)
        ASSERT_EQ(record.bytes[i], 0) << "reserved byte " << i;
}

TEST(EffectSettingsRecord, EverySwitchHasItsOwnWordAndRoundTrips)
{
    for (int e = 0; e < voice::kEffectCount; ++e) {
        EffectSwitches s;
        s.down[size_t(e)] = true;
        const EffectSettings record = voice::CaptureSettings(s);
        int set = 0;
        for (size_t i = 1; i < 15; ++i)
            set += (i != 12 && Word(record, i) == 1);
        EXPECT_EQ(set, 1) << e;
        EffectSwitches back;
        voice::RestoreSettings(record, back);
        EXPECT_EQ(back, s) << e;
    }
}

TEST(EffectSettingsRecord, TwelveEntriesLeaveTheSweepsAsTheyWere)
{
    EffectSettings record;
    SetWord(record, 0, 12);
    SetWord(record, 13, 1);  // sweep up
    SetWord(record, 14, 1);  // sweep down
    EffectSwitches s;
    voice::RestoreSettings(record, s);
    EXPECT_FALSE(s[Effect::SweepUp]);
    EXPECT_FALSE(s[Effect::SweepDown]);
    SetWord(record, 0, 13);
    voice::RestoreSettings(record, s);
    EXPECT_TRUE(s[Effect::SweepUp]);
    EXPECT_FALSE(s[Effect::SweepDown]);
}

TEST(EffectSettingsRecord, AnyNonZeroWordPressesAndThePitchIsClampedToTheBar)
{
    EffectSettings record;
    SetWord(record, 0, 14);
    SetWord(record, 1, 0xFFFF);
    SetWord(record, 12, uint16_t(-5));
    EffectSwitches s;
    voice::RestoreSettings(record, s);
    EXPECT_TRUE(s[Effect::Echo]);
    EXPECT_EQ(s.pitchPosition, 0);
    SetWord(record, 12, 40);
    voice::RestoreSettings(record, s);
    EXPECT_EQ(s.pitchPosition, 12);
}

}  // namespace
