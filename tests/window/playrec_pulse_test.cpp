// Playback and recording from the window for real: through ALSA on the
// private PulseAudio server, whose null sink's monitor is the default capture
// source, so what the window plays can be recorded and what is played into
// the sink is what the window records.
#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <cstring>

#include "prtlsbtn.h"
#include "prtlvled.h"
#include "sound_checks.h"
#include "tapedeck/tapedeck.h"
#include "voice_player.h"
#include "voice_recorder.h"
#include "window_fixture.h"

namespace {

using Clock = std::chrono::steady_clock;
using soundcheck::Samples;

// A sound server's first stream can take two seconds to begin.
constexpr int kStartMs = 8000;

class PlayRecordPulseTest : public WindowTest {
protected:
    void SetUp() override
    {
        InstallTestPlatform();
        platform::UseAlsaWaveOut();
        AudioSetRecordDevice(nullptr);
        card = mixertest::AddCard(*mixer);
        CreateForm();
    }

    void LoadVoice(const Samples& samples)
    {
        const QString path = PathOf("voice.wav");
        WriteVoice(path, samples);
        Open(path);
        ASSERT_EQ(Voice().VoiceBytes(), int32_t(samples.size() * 2));
    }

    // The read-out " POS: mm:ss:cc" in seconds.
    double ReadOutSeconds() const
    {
        const QStringList parts = form->timeDisplay->text().trimmed().mid(5).split(':');
        if (parts.size() != 3)
            return -1;
        return parts[0].toInt() * 60 + parts[1].toInt() + parts[2].toInt() / 100.0;
    }

    Samples Processed() const
    {
        const int16_t* samples = Voice().WorkBuffer.samples();
        return Samples(samples, samples + Voice().ProcessedBytes / 2);
    }

    // Records the null sink's monitor while action runs.
    bool RecordWhile(const std::function<void()>& action, Samples& recorded)
    {
        const std::string path = PathOf("monitor.wav").toStdString();
        if (AudioStartRecord(path.c_str(), 22050, 16, 1, 0) != 0)
            return false;
        action();
        QTest::qWait(300);  // the last sound is still on its way through the server
        return AudioStopRecord() == 0 && soundcheck::ReadSamples(path, recorded);
    }
};

TEST_F(PlayRecordPulseTest, ClickingRecordTwiceRecordsWhatTheSoundCardHears)
{
    soundcheck::BackgroundPlayer tone(soundcheck::Tone(660, 22050 * 6), 22050);
    ASSERT_TRUE(tone.start());
    ASSERT_TRUE(QTest::qWaitFor([&] { return tone.sounding(); }, kStartMs));

    Click(form->RecordButton);
    ASSERT_TRUE(form->Recorder().IsRecording());
    const QString file = QString::fromStdString(form->Recorder().FileName());
    EXPECT_TRUE(QFileInfo::exists(file));
    float loudest = 0;
    const Clock::time_point until = Clock::now() + std::chrono::milliseconds(1500);
    while (Clock::now() < until) {
        QTest::qWait(10);
        loudest = std::max(loudest, form->VolLED->Progress());
    }
    EXPECT_GT(loudest, 0.2f);  // a tone of 12000 peaks at 37 %
    EXPECT_GT(ReadOutSeconds(), 1.0);
    Click(form->RecordButton);

    ASSERT_FALSE(form->Recorder().IsRecording());
    EXPECT_TRUE(messages.empty());
    const Samples voice(Voice().VoiceData.samples(), Voice().VoiceData.samples() + Voice().VoiceBytes() / 2);
    EXPECT_NEAR(double(voice.size()) / 22050, 1.5, 0.3);
    ASSERT_GT(voice.size(), 22050u);
    EXPECT_NEAR(soundcheck::ToneFrequency(voice, 2000, voice.size() - 2000), 660, 1);
    EXPECT_TRUE(form->Save1->isEnabled());
    EXPECT_TRUE(form->SaveAs1->isEnabled());
    EXPECT_TRUE(form->Export1->menuAction()->isEnabled());
    EXPECT_EQ(form->windowTitle(), "Warblecast - New File");
    EXPECT_FALSE(QFileInfo::exists(file));
    EXPECT_EQ(form->VolLED->Progress(), 0.0f);
    RecordProperty("recorded_seconds", std::to_string(double(voice.size()) / 22050));
    RecordProperty("loudest_level", std::to_string(loudest));
}

TEST_F(PlayRecordPulseTest, RecordingWhileTheLibraryRecordsSaysSo)
{
    Samples ignored;
    ASSERT_TRUE(RecordWhile(
        [&] {
            Click(form->RecordButton);
            EXPECT_FALSE(form->Recorder().IsRecording());
            EXPECT_FALSE(form->RecordButton->Down());
        },
        ignored));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].caption, "Recording Error");
    EXPECT_EQ(messages[0].text, "Recording already in progress.");
}

TEST_F(PlayRecordPulseTest, SlowMonsterPlaysATwoSecondVoiceForFourSecondsWhileTheReadOutReachesTwo)
{
    LoadVoice(soundcheck::SpeechLike(44100));
    form->SlowMonstButton->SetDown(true);
    // The read-out shows the voice's length until the first tick shows the
    // position, which moves at half speed: the sound began twice the first
    // position shown before that tick.
    double highest = 0;
    Clock::time_point moved{}, ended{};
    Samples recorded;
    // Recording keeps the null sink awake, as a sound card is.
    ASSERT_TRUE(RecordWhile(
        [&] {
            Click(form->PlayButton);
            ASSERT_TRUE(form->Player().IsPlaying());
            EXPECT_TRUE(QTest::qWaitFor(
                [&] {
                    const double shown = ReadOutSeconds();
                    const bool position = form->Player().IsPlaying() && shown > 0 &&
                                          (moved != Clock::time_point{} || shown < 1.9);
                    if (position && moved == Clock::time_point{})
                        moved = Clock::now() - std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(2 * shown));
                    if (position)
                        highest = std::max(highest, shown);
                    return !form->Player().IsPlaying();
                },
                kStartMs + 8000));
            ended = Clock::now();
        },
        recorded));
    ASSERT_NE(moved, Clock::time_point{});
    const double seconds = std::chrono::duration<double>(ended - moved).count();
    EXPECT_NEAR(seconds, 4.0, 0.5);
    EXPECT_NEAR(highest, 2.0, 0.15);
    EXPECT_EQ(form->timeDisplay->text(), " POS: 00:02:00");  // the length again
    RecordProperty("seconds", std::to_string(seconds));
    RecordProperty("highest_read_out", std::to_string(highest));
}

TEST_F(PlayRecordPulseTest, WhatIsPlayedIsTheProcessedVoice)
{
    LoadVoice(soundcheck::SpeechLike(44100));
    form->EchoButton->SetDown(true);
    form->BackwardButton->SetDown(true);
    Samples recorded, processed;
    ASSERT_TRUE(RecordWhile(
        [&] {
            Click(form->PlayButton);
            ASSERT_TRUE(form->Player().IsPlaying());
            processed = Processed();
            EXPECT_TRUE(QTest::qWaitFor([&] { return !form->Player().IsPlaying(); }, kStartMs + 6000));
        },
        recorded));
    const soundcheck::Match match = soundcheck::FindInRecording(recorded, processed);
    EXPECT_GT(match.correlation, 0.95) << "lag " << match.lag;
    // The unprocessed voice is not what was heard.
    const Samples original(Voice().VoiceData.samples(), Voice().VoiceData.samples() + 44100);
    EXPECT_LT(soundcheck::FindInRecording(recorded, original).correlation, 0.8);
    RecordProperty("correlation", std::to_string(match.correlation));
}

}  // namespace
