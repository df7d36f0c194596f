// The effect switches: buttons and Options menu mirror each other, the speed
// switches exclude each other, and switching computes nothing.
#include <QAction>
#include <QTest>

#include <cstring>
#include <random>

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
            EXPECT_EQ(form->MenuItemOf(e)->isChecked(), form->ButtonOf(e)->Down()) << int(e);
    }
};

TEST_F(SwitchesTest, EveryButtonClickMarksTheVoiceAndChecksItsMenuItem)
{
    for (Effect e : kAllEffects) {
        form->Voice.VoiceChanged = false;
        Click(form->ButtonOf(e));
        EXPECT_TRUE(form->ButtonOf(e)->Down()) << int(e);
        EXPECT_TRUE(form->MenuItemOf(e)->isChecked()) << int(e);
        EXPECT_TRUE(form->Voice.VoiceChanged) << int(e);
        Click(form->ButtonOf(e));
        EXPECT_FALSE(form->ButtonOf(e)->Down()) << int(e);
        EXPECT_FALSE(form->MenuItemOf(e)->isChecked()) << int(e);
    }
}

TEST_F(SwitchesTest, EveryMenuItemPressesItsButtonAndChecksItself)
{
    for (Effect e : kAllEffects) {
        form->Voice.VoiceChanged = false;
        form->MenuItemOf(e)->trigger();
        EXPECT_TRUE(form->ButtonOf(e)->Down()) << int(e);
        EXPECT_TRUE(form->MenuItemOf(e)->isChecked()) << int(e);
        EXPECT_TRUE(form->Voice.VoiceChanged) << int(e);
        form->MenuItemOf(e)->trigger();
        EXPECT_FALSE(form->ButtonOf(e)->Down()) << int(e);
        EXPECT_FALSE(form->MenuItemOf(e)->isChecked()) << int(e);
    }
}

TEST_F(SwitchesTest, TheTimerCopiesButtonStatesOntoTheCheckMarks)
{
    form->EchoButton->SetDown(true);  // from code: no handler runs
    form->MenuItemOf(Effect::Flange)->setChecked(true);
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
    form->LoadVoiceFile(path);
    ASSERT_FALSE(form->Voice.VoiceChanged);
    int progressShows = 0;
    QObject::connect(form->PitchBar, &TPRTL_TrackBar::OnChange, [&] { progressShows += progress->isVisible(); });

    form->PitchBar->SetPosition(2);
    EXPECT_TRUE(form->Voice.VoiceChanged);
    EXPECT_EQ(progressShows, 0);
    EXPECT_FALSE(form->Voice.WorkAltered);
    EXPECT_EQ(0, std::memcmp(form->Voice.WorkBuffer.data(), tone.data(), tone.size() * 2));
    EXPECT_EQ(form->CurrentSwitches().pitchPosition, 2);
}

TEST_F(SwitchesTest, ResetEffectsReleasesEverythingAndCentresThePitchBar)
{
    for (Effect e : kAllEffects)
        form->MenuItemOf(e)->trigger();
    form->PitchBar->SetPosition(0);
    form->ResetEffects();
    EXPECT_EQ(form->CurrentSwitches(), voice::EffectSwitches{});
    ExpectMirrored();
}

}  // namespace
