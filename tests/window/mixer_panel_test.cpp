// MixerPanel without a window: its sliders and read-out on their own, over a
// scripted sound card.
#include <QApplication>
#include <QLabel>

#include <gtest/gtest.h>

#include "mixer/mixer_backend.h"
#include "mixer_panel.h"
#include "mixer_test_support.h"
#include "prtltbar.h"

namespace {

using mixertest::CardOptions;

int argc = 1;
char name[] = "mixer_panel_test";
char* argv[] = {name, nullptr};

class MixerPanelTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!QApplication::instance())
            new QApplication(argc, argv);
    }

    void SetUp() override
    {
        previous = platform::SetMixerBackend(mixer);
        for (TPRTL_TrackBar* slider : {&speaker, &mike})
            slider->SetMax(255);
        // As the window binds them.
        QObject::connect(&speaker, &TPRTL_TrackBar::OnChange, [this] { panel.SpeakerSliderMoved(); });
        QObject::connect(&mike, &TPRTL_TrackBar::OnChange, [this] { panel.MikeSliderMoved(); });
    }

    void TearDown() override
    {
        panel.TearDown();
        platform::SetMixerBackend(previous);
    }

    // Sets the card up, then the panel, and delivers the set-up's own
    // notifications.
    void Start(const CardOptions& options = {})
    {
        card = mixertest::AddCard(*mixer, options);
        ASSERT_EQ(panel.SetUp(), MixerPanel::SetUpResult::Ready);
        QCoreApplication::sendPostedEvents();
        mixer->clearWrites();
    }

    std::shared_ptr<platform::ScriptedMixerBackend> mixer = std::make_shared<platform::ScriptedMixerBackend>();
    std::shared_ptr<platform::MixerBackend> previous;
    mixertest::Card card;
    TPRTL_TrackBar speaker, mike;
    QLabel readout;
    MixerPanel panel{speaker, mike, readout};
};

TEST_F(MixerPanelTest, ShowsTheMixerAndWritesWhatTheUserSets)
{
    CardOptions options;
    options.sources = {"Line In", "CD", "Front Mic"};
    card = mixertest::AddCard(*mixer, options);
    mixer->setValues(card.waveOutVolume, {20000, 40000});
    mixer->setValues(card.sourceVolumes[2], {10000, 10000});
    ASSERT_EQ(panel.SetUp(), MixerPanel::SetUpResult::Ready);
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(panel.Ready());
    EXPECT_EQ(panel.RecordSource(), 2);
    EXPECT_EQ(readout.text(), "Front Mic");
    EXPECT_EQ(speaker.Position(), 255 - 156);  // the louder channel
    EXPECT_EQ(mike.Position(), 255 - 39);

    mixer->clearWrites();
    speaker.SetPosition(255 - 100);
    EXPECT_EQ(mixer->values(card.waveOutVolume), (std::vector<uint32_t>{25700, 25700}));
    mike.SetPosition(0);
    EXPECT_EQ(mixer->values(card.sourceVolumes[2]), (std::vector<uint32_t>{65535, 65535}));

    panel.StepRecordSource();
    EXPECT_EQ(panel.RecordSource(), 0);
    EXPECT_EQ(readout.text(), "Line In");
    EXPECT_EQ(mixer->values(card.selector), (std::vector<uint32_t>{1, 0, 0}));

    panel.TearDown();
    EXPECT_FALSE(panel.Ready());
    EXPECT_EQ(mixer->watchCount(card.mixer), 0u);
}

// Values set in another program stay exactly as set, whatever the slider
// can show of them.
TEST_F(MixerPanelTest, ShowsVolumesSetElsewhereWithoutWritingThem)
{
    CardOptions options;
    options.maximum = 100000;  // room above the window's full scale
    Start(options);
    mixer->setValues(card.waveOutVolume, {29491, 13107});  // 45 % and 20 % of 65535
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(speaker.Position(), 255 - 115);  // the louder channel
    mixer->setValues(card.sourceVolumes[0], {3277, 3277});  // 5 %: no slider step of its own
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(mike.Position(), 255 - 13);
    mixer->setValues(card.waveOutVolume, {98302, 98302});  // 150 %
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(speaker.Position(), 0);  // the top
    EXPECT_TRUE(mixer->writes().empty());
    EXPECT_EQ(mixer->value(card.sourceVolumes[0]), 3277u);
}

TEST_F(MixerPanelTest, FollowsARecordSourceChosenElsewhere)
{
    Start();
    mixer->setValues(card.selector, {0, 0, 1});
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(panel.CurrentRecordSource(), 2u);
    EXPECT_EQ(panel.RecordSource(), 2);
    EXPECT_EQ(readout.text(), "CD");
    // A message for no control of the panel's changes nothing.
    platform::PostWindowMessage(panel.Handle(), platform::MM_MIXM_CONTROL_CHANGE, 0, intptr_t(card.speakersMute));
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(readout.text(), "CD");
}

TEST_F(MixerPanelTest, WithoutAWaveInputDeviceTheSetUpStops)
{
    const uint32_t outputOnly = mixer->addMixer("Output Only");
    mixer->addWaveOutDevice("Output Only", outputOnly);
    EXPECT_EQ(panel.SetUp(), MixerPanel::SetUpResult::NoWaveInput);
    EXPECT_FALSE(panel.Ready());
}

}  // namespace
