// The effect switches: buttons and Options menu mirror each other, the speed
// switches exclude each other, and switching computes nothing.
#include <QAction>
#include <QTest>

#include <cstring>
#include <random>

#include "effect_controls.h"
#include "progressform.h"
#include "prtlsbtn.h"
#include "prtltbar.h"
#include "window_fixture.h"

using voice::Effect;

namespace {

constexpr Effect kAllEffects[] = {Effect::Echo,       Effect::Chorus,      Effect::Flange,     Effect::FadeIn,
                                  Effect::FadeOut,    Effect::BassOnly,    Effect::Robotvoice, Effect::Backward,
                                  Effect::SlowMonster, Effect::FastSqueaker, Effect::TrebleOnly, Effect::SweepUp,
                                  Effect::SweepDown};

class SwitchesTest : public WindowTest {
protected:
    void ExpectMirrored()
    {
        for (Effect e : kAllEffects)
            EXPECT_EQ(form->Effects().MenuItemOf(e)->isChecked(), form->Effects().ButtonOf(e)->Down()) << int(e);
    }
};

TEST_F(SwitchesTest, EveryButtonClickMarksTheVoiceAndChecksItsMenuItem)
{
    for (Effect e : kAllEffects) {
        form->New1->trigger();  // the voice counts as unchanged
        ASSERT_FALSE(Voice().VoiceChanged);
        Click(form->Effects().ButtonOf(e));
        EXPECT_TRUE(form->Effects().ButtonOf(e)->Down()) << int(e);
        EXPECT_TRUE(form->Effects().MenuItemOf(e)->isChecked()) << int(e);
        EXPECT_TRUE(Voice().VoiceChanged) << int(e);
        Click(form->Effects().ButtonOf(e));
        EXPECT_FALSE(form->Effects().ButtonOf(e)->Down()) << int(e);
        EXPECT_FALSE(form->Effects().MenuItemOf(e)->isChecked()) << int(e);
    }
}

TEST_F(SwitchesTest, EveryMenuItemPressesItsButtonAndChecksItself)
{
    for (Effect e : kAllEffects) {
        form->New1->trigger();  // the voice counts as unchanged
        ASSERT_FALSE(Voice().VoiceChanged);
        form->Effects().MenuItemOf(e)->trigger();
        EXPECT_TRUE(form->Effects().ButtonOf(e)->Down()) << int(e);
        EXPECT_TRUE(form->Effects().MenuItemOf(e)->isChecked()) << int(e);
        EXPECT_TRUE(Voice().VoiceChanged) << int(e);
        form->Effects().MenuItemOf(e)->trigger();
        EXPECT_FALSE(form->Effects().ButtonOf(e)->Down()) << int(e);
        EXPECT_FALSE(form->Effects().MenuItemOf(e)->isChecked()) << int(e);
    }
}

TEST_F(SwitchesTest, TheTimerCopiesButtonStatesOntoTheCheckMarks)
{
    form->EchoButton->SetDown(true);  // from code: no handler runs
    form->Effects().MenuItemOf(Effect::Flange)->setChecked(true);
    form->TimerTimer();
    EXPECT_TRUE(form->Echo1->isChecked());
    EXPECT_FALSE(form->Flange1->isChecked());
    ExpectMirrored();
}

TEST_F(SwitchesTest, SlowMonsterAndFastSqueakerAreNeverBothDown)
{
    std::mt19937 random(7);
    QAction* menu[] = {form->SlowMonster1, form->FastSqeaker1};
    TPRTL_SawToothButton* buttons[] = {form->SlowMonstButton, form->FastSqueakButton};
    for (int step = 0; step < 200; ++step) {
        const int which = int(random() % 2);
        if (random() % 2)
            Click(buttons[which]);
        else
            menu[which]->trigger();
        ASSERT_FALSE(form->SlowMonstButton->Down() && form->FastSqueakButton->Down()) << step;
        ExpectMirrored();
    }
}

TEST_F(SwitchesTest, FastSqueakerReleasesSlowMonster)
{
    Click(form->SlowMonstButton);
    Click(form->FastSqueakButton);
    EXPECT_FALSE(form->SlowMonstButton->Down());
    EXPECT_FALSE(form->SlowMonster1->isChecked());
    EXPECT_TRUE(form->FastSqueakButton->Down());
    EXPECT_TRUE(form->FastSqeaker1->isChecked());
}

TEST_F(SwitchesTest, MovingThePitchBarOnlyMarksTheVoice)
{
    const QString path = PathOf("tone.wav");
    const std::vector<int16_t> tone = TestTone();
    WriteVoice(path, tone);
    Open(path);
    ASSERT_FALSE(Voice().VoiceChanged);
    int progressShows = 0;
    QObject::connect(form->PitchBar, &TPRTL_TrackBar::OnChange, [&] { progressShows += progress->isVisible(); });

    form->PitchBar->SetPosition(2);
    EXPECT_TRUE(Voice().VoiceChanged);
    EXPECT_EQ(progressShows, 0);
    EXPECT_FALSE(Voice().WorkAltered);
    EXPECT_EQ(0, std::memcmp(Voice().WorkBuffer.data(), tone.data(), tone.size() * 2));
    EXPECT_EQ(form->Effects().Current().pitchPosition, 2);
}

TEST_F(SwitchesTest, NewReleasesEverySwitchAndCentresThePitchBar)
{
    for (Effect e : kAllEffects)
        form->Effects().MenuItemOf(e)->trigger();
    form->PitchBar->SetPosition(0);
    form->New1->trigger();
    EXPECT_EQ(form->Effects().Current(), voice::EffectSwitches{});
    ExpectMirrored();
}

}  // namespace
