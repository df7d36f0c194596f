// The time read-out texts.
#include <gtest/gtest.h>

#include "time_readout.h"

namespace {

TEST(TimeReadout, MinutesSecondsAndHundredths)
{
    EXPECT_EQ(voice::TimeReadoutText(83456), " POS: 01:23:45");
    EXPECT_EQ(voice::TimeReadoutText(0), " POS: 00:00:00");
    EXPECT_EQ(voice::TimeReadoutText(6000000), " POS: 100:00:00");  // three minute digits
    EXPECT_EQ(voice::TimeReadoutText(59999), " POS: 00:59:99");
    EXPECT_STREQ(voice::kClearedTimeReadout, " POS: 00:00:00 ");
}

TEST(TimeReadout, VoiceLengthIsExactMilliseconds)
{
    EXPECT_EQ(voice::VoiceLengthMs(44100), 1000u);
    EXPECT_EQ(voice::VoiceLengthMs(0), 0u);
    EXPECT_EQ(voice::VoiceLengthMs(3680410), 83456u);  // 83.456 s of voice
    EXPECT_EQ(voice::VoiceLengthMs(22), 0u);            // 0.4989 ms
    EXPECT_EQ(voice::VoiceLengthMs(23), 1u);            // 0.5215 ms
}

TEST(TimeReadout, ThirtySecondsStepIn31And25HundredthsRoundingTiesToEven)
{
    EXPECT_EQ(voice::ThirtySecondsToMs(1), 31u);   // 31.25
    EXPECT_EQ(voice::ThirtySecondsToMs(2), 62u);   // 62.5 -> 62
    EXPECT_EQ(voice::ThirtySecondsToMs(6), 188u);  // 187.5 -> 188
    EXPECT_EQ(voice::ThirtySecondsToMs(32), 1000u);
    EXPECT_EQ(voice::SecondsToThirtySeconds(83.456), 2671u);  // 2670.59
    EXPECT_EQ(voice::SecondsToThirtySeconds(1.0 / 64), 0u);   // 0.5 -> 0
    EXPECT_EQ(voice::SecondsToThirtySeconds(3.0 / 64), 2u);   // 1.5 -> 2
}

}  // namespace
