// Live Voice from the window on the private sound server: the menu item
// makes the virtual microphone, the effects that cannot run live wait, the
// output shows on the meter and the read-out, the commands that would
// replace or play the voice refuse, and everything comes back as it was
// when live mode ends: switched off, failed to start, ended on its own or
// closed with the window.
#include <QAction>
#include <QLabel>
#include <QProcess>
#include <QTest>

#include <cstdlib>

#include "effect_controls.h"
#include "live_mode.h"
#include "prtlsbtn.h"
#include "prtltbar.h"
#include "prtlvled.h"
#include "sound_support.h"
#include "test_signals.h"
#include "tapedeck/tapedeck.h"
#include "voice_player.h"
#include "voice_recorder.h"
#include "window_fixture.h"

namespace {

using voice::Effect;

// A sound server's first streams can take two seconds to begin.
constexpr int kStartMs = 8000;
constexpr const char* kTurnLiveOff = "Please turn Live Voice off first";

// The effects that need the whole voice, and the speed effects.
constexpr Effect kWholeVoiceEffects[] = {Effect::FadeIn,  Effect::FadeOut,     Effect::Backward,
                                         Effect::SweepUp, Effect::SweepDown,   Effect::SlowMonster,
                                         Effect::FastSqueaker};
constexpr Effect kLiveEffects[] = {Effect::Echo,       Effect::Chorus,   Effect::Flange,
                                   Effect::Robotvoice, Effect::BassOnly, Effect::TrebleOnly};

QString ServerSources()
{
    QProcess pactl;
    pactl.start("pactl", {"list", "short", "sources"});
    pactl.waitForFinished();
    return QString::fromUtf8(pactl.readAllStandardOutput());
}

bool VirtualMicrophoneExists() { return ServerSources().contains("warblecast_voice"); }

// The read-out " POS: mm:ss:cc" in seconds.
double ReadOutSeconds(const QLabel& readout)
{
    const QStringList parts = readout.text().trimmed().mid(5).split(':');
    return parts.size() == 3 ? parts[0].toInt() * 60 + parts[1].toInt() + parts[2].toInt() / 100.0 : -1;
}

class LiveWindowTest : public WindowTest {
protected:
    void SetUp() override
    {
        InstallTestPlatform();
        platform::UseAlsaWaveOut();  // a tone played into the null sink reaches the microphone
        AudioSetRecordDevice(nullptr);  // and Record records it
        card = mixertest::AddCard(*mixer);
        CreateForm();
    }

    const EffectControls& Effects() const { return form->Effects(); }

    void ExpectControlsEnabled(bool wholeVoiceEffects)
    {
        for (Effect effect : kWholeVoiceEffects) {
            EXPECT_EQ(Effects().ButtonOf(effect)->isEnabled(), wholeVoiceEffects) << int(effect);
            EXPECT_EQ(Effects().MenuItemOf(effect)->isEnabled(), wholeVoiceEffects) << int(effect);
        }
        for (Effect effect : kLiveEffects) {
            EXPECT_TRUE(Effects().ButtonOf(effect)->isEnabled()) << int(effect);
            EXPECT_TRUE(Effects().MenuItemOf(effect)->isEnabled()) << int(effect);
        }
        EXPECT_TRUE(form->PitchBar->isEnabled());
    }

    // The switches as the buttons and the check marks show them.
    std::vector<bool> ShownSwitches() const
    {
        std::vector<bool> shown;
        for (int i = 0; i < voice::kEffectCount; ++i) {
            shown.push_back(Effects().ButtonOf(Effect(i))->Down());
            shown.push_back(Effects().MenuItemOf(Effect(i))->isChecked());
        }
        return shown;
    }

    // A voice in memory that live mode must leave alone.
    void LoadVoice()
    {
        const QString path = PathOf("voice.wav");
        WriteVoice(path, TestTone());
        Open(path);
        ASSERT_GT(Voice().VoiceBytes(), 0);
    }
};

TEST_F(LiveWindowTest, LiveVoiceRunsWithTheLiveEffectsAndGivesTheControlsBackAsTheyWere)
{
    Click(form->FadeInButton);
    Click(form->SlowMonstButton);
    Click(form->EchoButton);
    const std::vector<bool> before = ShownSwitches();
    const QString caption = form->windowTitle();

    form->LiveVoice1->trigger();
    ASSERT_TRUE(form->Live().Running()) << (messages.empty() ? "" : messages.back().text.toStdString());
    EXPECT_TRUE(form->LiveVoice1->isChecked());
    EXPECT_TRUE(VirtualMicrophoneExists());
    EXPECT_EQ(form->windowTitle(), caption + " - Live");
    ExpectControlsEnabled(false);
    EXPECT_EQ(ShownSwitches(), before) << "disabling keeps the switches";

    // A live effect still switches; the meter shows the live output of a
    // tone played into the microphone, and the read-out the time live.
    Click(form->RobotvoiceButton);
    EXPECT_TRUE(form->RobotvoiceButton->Down());
    EXPECT_TRUE(form->Robotvoice1->isChecked());
    soundtest::BackgroundPlayer tone(testsignals::Tone(440, 22050 * 6, 12000), 22050);
    ASSERT_TRUE(tone.start());
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return form->VolLED->Progress() > 0.1f && ReadOutSeconds(*form->timeDisplay) > 1.0; }, kStartMs))
        << form->VolLED->Progress() << " " << form->timeDisplay->text().toStdString();
    Click(form->RobotvoiceButton);

    // Play and the commands that replace the voice refuse.
    Click(form->PlayButton);
    EXPECT_FALSE(form->PlayButton->Down());
    EXPECT_FALSE(form->Player().IsPlaying());
    form->Open1->trigger();
    EXPECT_TRUE(fileDialogs.empty());
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].text, kTurnLiveOff);
    EXPECT_EQ(messages[1].text, kTurnLiveOff);

    form->LiveVoice1->trigger();
    EXPECT_FALSE(form->Live().Running());
    EXPECT_FALSE(form->LiveVoice1->isChecked());
    EXPECT_FALSE(VirtualMicrophoneExists());
    EXPECT_EQ(form->windowTitle(), caption);
    ExpectControlsEnabled(true);
    EXPECT_EQ(ShownSwitches(), before);
    EXPECT_EQ(form->VolLED->Progress(), 0.0f);
    EXPECT_EQ(form->timeDisplay->text(), " POS: 00:00:00 ");
    EXPECT_EQ(messages.size(), 2u);
}

// The user keeps what was said; Live Voice sounds on as it did.
TEST_F(LiveWindowTest, RecordingWhileLiveRecordsTheMicrophoneAndKeepsTheSwitches)
{
    Click(form->FadeInButton);
    Click(form->ChorusButton);
    form->LiveVoice1->trigger();
    ASSERT_TRUE(form->Live().Running());
    const std::vector<bool> switches = ShownSwitches();
    soundtest::BackgroundPlayer tone(testsignals::Tone(440, 22050 * 6, 12000), 22050);
    ASSERT_TRUE(tone.start());
    ASSERT_TRUE(QTest::qWaitFor([&] { return tone.sounding(); }, kStartMs));

    Click(form->RecordButton);
    ASSERT_TRUE(form->Recorder().IsRecording());
    EXPECT_TRUE(QTest::qWaitFor([&] { return form->Recorder().ElapsedMs() > 1500; }, kStartMs));
    Click(form->RecordButton);
    ASSERT_FALSE(form->Recorder().IsRecording());

    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(form->Live().Running());
    EXPECT_EQ(ShownSwitches(), switches);
    const int16_t* recorded = Voice().VoiceData.samples();
    const soundtest::Samples voice(recorded, recorded + Voice().VoiceBytes() / 2);
    ASSERT_GT(voice.size(), 22050u);
    EXPECT_NEAR(soundtest::HeardFrequency(voice, 2000, voice.size() - 2000, 22050), 440, 1);

    form->LiveVoice1->trigger();
    ExpectControlsEnabled(true);
    EXPECT_EQ(ShownSwitches(), switches);
    EXPECT_NE(form->timeDisplay->text(), " POS: 00:00:00 ") << "the recorded voice's length";
}

TEST_F(LiveWindowTest, AStartWithoutASoundServerSaysWhyAndLeavesLiveVoiceOff)
{
    const std::string server = std::getenv("PULSE_SERVER");
    setenv("PULSE_SERVER", ("unix:" + PathOf("no-server").toStdString()).c_str(), 1);
    form->LiveVoice1->trigger();
    setenv("PULSE_SERVER", server.c_str(), 1);

    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].text.startsWith("Live Voice needs a sound server, and none answers"))
        << messages[0].text.toStdString();
    EXPECT_FALSE(form->Live().Running());
    EXPECT_FALSE(form->LiveVoice1->isChecked());
    EXPECT_FALSE(form->windowTitle().endsWith(" - Live"));
    ExpectControlsEnabled(true);
}

// The timer notices; the voice in memory stays as it was.
TEST_F(LiveWindowTest, LiveVoiceThatEndsOnItsOwnSaysWhyAndLeavesTheVoiceAlone)
{
    LoadVoice();
    const std::vector<uint8_t> voiceBefore(Voice().VoiceData.data(), Voice().VoiceData.data() + Voice().VoiceBytes());
    const QString readout = form->timeDisplay->text();
    soundtest::ScratchFolder folder;
    soundtest::PrivateSoundServer server(folder.File("server"));
    ASSERT_TRUE(server.running());
    form->LiveVoice1->trigger();
    ASSERT_TRUE(form->Live().Running());

    server.stop();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form->LiveVoice1->isChecked(); }, kStartMs));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "The sound server went away; Live Voice has ended.");
    EXPECT_FALSE(form->Live().Running());
    ExpectControlsEnabled(true);
    EXPECT_FALSE(form->windowTitle().endsWith(" - Live"));
    EXPECT_EQ(form->timeDisplay->text(), readout);
    EXPECT_EQ(std::vector<uint8_t>(Voice().VoiceData.data(), Voice().VoiceData.data() + Voice().VoiceBytes()),
              voiceBefore);
}

TEST_F(LiveWindowTest, ClosingTheWindowEndsLiveVoice)
{
    form->LiveVoice1->trigger();
    ASSERT_TRUE(form->Live().Running());
    EXPECT_TRUE(form->close());
    EXPECT_FALSE(form->Live().Running());
    EXPECT_FALSE(VirtualMicrophoneExists());
}

}  // namespace
