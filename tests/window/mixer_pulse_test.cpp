// The window's sliders for real: ALSA's default mixer on a PulseAudio server,
// changed and checked with pactl.
#include <QApplication>
#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "application_exit.h"
#include "dialogs/dialogs.h"
#include "mainform.h"
#include "mixer/mixer_backend.h"
#include "mixer_panel.h"
#include "mixer_test_support.h"
#include "prtlsbtn.h"
#include "prtltbar.h"
#include "voice_recorder.h"

namespace {

using mixertest::Pactl;
using mixertest::PactlVolume;
using mixertest::WaitUntil;

int argc = 1;
char name[] = "window_mixer_pulse_test";
char* argv[] = {name, nullptr};

// pactl's raw volume (65536 is 100 %) on the window's scale of 65535.
double OnFullScale(long raw)
{
    return double(raw) * 65535.0 / 65536.0;
}

int PositionFor(double volume)
{
    return 255 - int(volume / 257 + 0.5);
}

class WindowMixerPulseTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!QApplication::instance())
            new QApplication(argc, argv);
    }

    void SetUp() override
    {
        ASSERT_NE(std::getenv("PULSE_SERVER"), nullptr) << "needs the private PulseAudio server";
        platform::SetMixerBackend(nullptr);  // the machine's ALSA mixers
        platform::SetMessageFunction([this](const platform::MessageRequest& request) {
            messages.push_back(request.text);
            return platform::MessageAnswer::Ok;
        });
        application::SetTerminateFunction([this] { ++terminateRequests; });
    }

    void TearDown() override
    {
        form.reset();
        platform::SetMessageFunction({});
        application::SetTerminateFunction({});
        mixertest::RestoreServerLevels();
    }

    void CreateForm()
    {
        form = std::make_unique<TMainForm>();
        ASSERT_TRUE(form->Mixer().Ready()) << (messages.empty() ? std::string() : messages.front().toStdString());
    }

    static long SinkVolume() { return PactlVolume(Pactl("get-sink-volume @DEFAULT_SINK@")); }
    static long SourceVolume() { return PactlVolume(Pactl("get-source-volume @DEFAULT_SOURCE@")); }

    std::unique_ptr<TMainForm> form;
    std::vector<QString> messages;
    int terminateRequests = 0;
};

TEST_F(WindowMixerPulseTest, TheOneCaptureSourceIsShownAndDrivenFromTheStart)
{
    Pactl("set-source-volume @DEFAULT_SOURCE@ 40%");
    CreateForm();
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(terminateRequests, 0);
    EXPECT_EQ(form->Mixer().RecordSourceCount(), 1u);
    EXPECT_EQ(form->Mixer().CurrentRecordSource(), 0u);
    EXPECT_EQ(form->RecSourceLabel->text(), "Capture");
    EXPECT_EQ(form->MikeSlider->Position(), PositionFor(OnFullScale(SourceVolume())));
    EXPECT_NEAR(double(form->MikeSlider->Position()), 255 - 102, 1);  // 40 %

    form->MikeSlider->SetPosition(255 - 100);  // 25700 of 65535
    ASSERT_TRUE(WaitUntil([] { return std::abs(OnFullScale(SourceVolume()) - 25700) <= 2; }))
        << Pactl("get-source-volume @DEFAULT_SOURCE@");
}

TEST_F(WindowMixerPulseTest, TheSpeakerSliderSetsTheSinkVolume)
{
    CreateForm();
    form->SpeakerSlider->SetPosition(255 - 200);  // 51400 of 65535
    ASSERT_TRUE(WaitUntil([] { return std::abs(OnFullScale(SinkVolume()) - 51400) <= 2; }))
        << Pactl("get-sink-volume @DEFAULT_SINK@");
    EXPECT_EQ(form->SpeakerSlider->Position(), 255 - 200);
}

// What another program sets stays exactly as set: out of balance, between
// two of the slider's steps, or above 100 %. Any write back would come from
// the refresh that moves the slider, before the slider shows the value.
TEST_F(WindowMixerPulseTest, VolumesSetWithPactlMoveTheSlidersAndStayExactlyAsSet)
{
    Pactl("set-sink-volume @DEFAULT_SINK@ 80%");
    CreateForm();
    ASSERT_EQ(form->SpeakerSlider->Position(), PositionFor(OnFullScale(SinkVolume())));

    Pactl("set-sink-volume @DEFAULT_SINK@ 45% 20%");
    const std::string unbalanced = Pactl("get-sink-volume @DEFAULT_SINK@");
    // 45 % is 29491 of 65536: 114.7 steps of 257, the louder channel's.
    ASSERT_TRUE(WaitUntil([&] { return std::abs(form->SpeakerSlider->Position() - (255 - 115)) <= 1; }))
        << form->SpeakerSlider->Position();
    EXPECT_EQ(Pactl("get-sink-volume @DEFAULT_SINK@"), unbalanced);

    Pactl("set-source-volume @DEFAULT_SOURCE@ 5%");
    const std::string low = Pactl("get-source-volume @DEFAULT_SOURCE@");
    ASSERT_TRUE(WaitUntil([&] { return std::abs(form->MikeSlider->Position() - (255 - 13)) <= 1; }))
        << form->MikeSlider->Position();
    EXPECT_EQ(Pactl("get-source-volume @DEFAULT_SOURCE@"), low);

    Pactl("set-sink-volume @DEFAULT_SINK@ 150%");
    const std::string loud = Pactl("get-sink-volume @DEFAULT_SINK@");
    ASSERT_TRUE(WaitUntil([&] { return form->SpeakerSlider->Position() == 0; })) << form->SpeakerSlider->Position();
    EXPECT_EQ(Pactl("get-sink-volume @DEFAULT_SINK@"), loud);
}

// Recording starts from the source shown and writes nothing to the mixer.
TEST_F(WindowMixerPulseTest, ClickingRecordLeavesAQuietAndMutedRecordingAsItIs)
{
    CreateForm();
    Pactl("set-source-volume @DEFAULT_SOURCE@ 3%");
    Pactl("set-source-mute @DEFAULT_SOURCE@ 1");
    const std::string quiet = Pactl("get-source-volume @DEFAULT_SOURCE@");
    ASSERT_TRUE(WaitUntil([&] { return std::abs(form->MikeSlider->Position() - (255 - 8)) <= 1; }))
        << form->MikeSlider->Position();

    QTest::mouseClick(form->RecordButton, Qt::LeftButton, Qt::NoModifier, form->RecordButton->rect().center());
    ASSERT_TRUE(form->Recorder().IsRecording()) << (messages.empty() ? "" : messages.front().toStdString());
    EXPECT_EQ(Pactl("get-source-volume @DEFAULT_SOURCE@"), quiet);
    EXPECT_EQ(Pactl("get-source-mute @DEFAULT_SOURCE@"), "Mute: yes\n");
    QTest::mouseClick(form->RecordButton, Qt::LeftButton, Qt::NoModifier, form->RecordButton->rect().center());
    EXPECT_FALSE(form->Recorder().IsRecording());
    EXPECT_TRUE(messages.empty());
}

TEST_F(WindowMixerPulseTest, ASourceVolumeChangedWithPactlMovesTheRecordingSlider)
{
    CreateForm();
    Pactl("set-source-volume @DEFAULT_SOURCE@ 60%");
    const int expected = PositionFor(0.6 * 65535);
    ASSERT_TRUE(WaitUntil([&] { return std::abs(form->MikeSlider->Position() - expected) <= 1; }))
        << form->MikeSlider->Position();
}

}  // namespace
