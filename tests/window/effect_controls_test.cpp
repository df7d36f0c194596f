// EffectControls without a window: thirteen buttons, their menu items and a
// pitch bar of their own.
#include <QAction>
#include <QApplication>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "effect_controls.h"
#include "prtlsbtn.h"
#include "prtltbar.h"

namespace {

using voice::Effect;

int argc = 1;
char name[] = "effect_controls_test";
char* argv[] = {name, nullptr};

class EffectControlsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!QApplication::instance())
            new QApplication(argc, argv);
    }

    EffectControlsTest()
    {
        pitchBar.SetMax(voice::kPitchMax);
        pitchBar.SetPosition(voice::kPitchNone);
        for (int i = 0; i < voice::kEffectCount; ++i) {
            buttons.push_back(std::make_unique<TPRTL_SawToothButton>());
            items.push_back(std::make_unique<QAction>());
            items.back()->setCheckable(true);
            table[size_t(i)] = {Effect(i), buttons.back().get(), items.back().get()};
        }
        controls = std::make_unique<EffectControls>(table, pitchBar);
    }

    std::vector<std::unique_ptr<TPRTL_SawToothButton>> buttons;
    std::vector<std::unique_ptr<QAction>> items;
    EffectControls::Controls table{};
    TPRTL_TrackBar pitchBar;
    std::unique_ptr<EffectControls> controls;
};

// The pitch bar's change handler marks the voice changed, so it must see the
// buttons restored up to Treble Only, and the sweeps not yet.
TEST_F(EffectControlsTest, ASettingsRecordMovesThePitchBarBetweenTrebleOnlyAndTheSweeps)
{
    voice::EffectSwitches saved;
    saved[Effect::TrebleOnly] = true;
    saved[Effect::SweepUp] = true;
    saved.pitchPosition = 2;
    std::vector<voice::EffectSwitches> seen;
    QObject::connect(&pitchBar, &TPRTL_TrackBar::OnChange, [&] { seen.push_back(controls->Current()); });
    controls->Restore(voice::CaptureSettings(saved));

    ASSERT_EQ(seen.size(), 1u);
    EXPECT_TRUE(seen[0][Effect::TrebleOnly]);
    EXPECT_FALSE(seen[0][Effect::SweepUp]);
    EXPECT_EQ(controls->Current(), saved);
    EXPECT_TRUE(controls->MenuItemOf(Effect::SweepUp)->isChecked());

    controls->Reset();
    EXPECT_EQ(controls->Current(), voice::EffectSwitches{});
    EXPECT_FALSE(controls->MenuItemOf(Effect::TrebleOnly)->isChecked());
}

TEST_F(EffectControlsTest, TheSpeedSwitchesExcludeEachOtherFromButtonAndMenu)
{
    controls->MenuItemChosen(Effect::SlowMonster);
    EXPECT_TRUE(controls->ButtonOf(Effect::SlowMonster)->Down());
    EXPECT_TRUE(controls->MenuItemOf(Effect::SlowMonster)->isChecked());

    controls->ButtonOf(Effect::FastSqueaker)->SetDown(true);  // as a click leaves it
    controls->ButtonClicked(Effect::FastSqueaker);
    EXPECT_FALSE(controls->ButtonOf(Effect::SlowMonster)->Down());
    EXPECT_FALSE(controls->MenuItemOf(Effect::SlowMonster)->isChecked());
    EXPECT_TRUE(controls->MenuItemOf(Effect::FastSqueaker)->isChecked());

    // Other switches leave each other alone.
    controls->MenuItemChosen(Effect::Echo);
    EXPECT_TRUE(controls->ButtonOf(Effect::FastSqueaker)->Down());
}

}  // namespace
