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

#include <cstring>

#include "prtlsbtn.h"
#include "prtlvled.h"
#include "sound_support.h"
#include "tapedeck/tapedeck.h"
#include "test_signals.h"
#include "voice_player.h"
#include "voice_recorder.h"
#include "window_fixture.h"

namespace {

using soundtest::Samples;

// The samples of a 16-bit wave file's first channel; false when unreadable.
bool ReadSamples(const std::string& path, Samples& samples)
{
    soundtest::WaveFile file;
    if (!soundtest::ReadWaveFile(path, file))
        return false;
    samples = file.firstChannel();
    return true;
}

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

    // Records the null sink's monitor while action runs, and on until the
    // last sound has come through the server: until the monitor has been
    // quiet for the whole of the level's window (100 ms, longer than any
    // pause inside the test voices).
    bool RecordWhile(const std::function<void()>& action, Samples& recorded)
    {
        const std::string path = PathOf("monitor.wav").toStdString();
        if (AudioStartRecord(path.c_str(), 22050, 16, 1, 0) != 0)
            return false;
        action();
        EXPECT_TRUE(QTest::qWaitFor(
            [] {
                int32_t level = 0;
                AudioGetRecordLevel(&level, nullptr);
                return level == 0;
            },
            kStartMs));
        return AudioStopRecord() == 0 && ReadSamples(path, recorded);
    }
};

TEST_F(PlayRecordPulseTest, ClickingRecordTwiceRecordsWhatTheSoundCardHears)
{
    soundtest::BackgroundPlayer tone(testsignals::Tone(660, 22050 * 6, 12000), 22050);
    ASSERT_TRUE(tone.start());
    ASSERT_TRUE(QTest::qWaitFor([&] { return tone.sounding(); }, kStartMs));

    Click(form->RecordButton);
    ASSERT_TRUE(form->Recorder().IsRecording());
    const QString file = QString::fromStdString(form->Recorder().FileName());
    EXPECT_TRUE(QFileInfo::exists(file));
    // The meter shows the tone (of 12000, which peaks at 37 %) and the
    // read-out passes a second.
    float loudest = 0;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            loudest = std::max(loudest, form->VolLED->Progress());
            return loudest > 0.2f && ReadOutSeconds() > 1.0;
        },
        kStartMs))
        << loudest;
    Click(form->RecordButton);

    ASSERT_FALSE(form->Recorder().IsRecording());
    EXPECT_TRUE(messages.empty());
    const Samples voice(Voice().VoiceData.samples(), Voice().VoiceData.samples() + Voice().VoiceBytes() / 2);
    ASSERT_GT(voice.size(), 22050u);
    EXPECT_NEAR(soundtest::HeardFrequency(voice, 2000, voice.size() - 2000, 22050), 660, 1);
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

// At 11025 samples per second the voice comes out stretched to twice its
// length: what the monitor records at 22050 is the voice with a sample between
// every two, four seconds of it.
Samples Stretched(const Samples& voice)
{
    Samples stretched;
    for (size_t i = 0; i < voice.size(); ++i) {
        stretched.push_back(voice[i]);
        const int next = i + 1 < voice.size() ? voice[i + 1] : voice[i];
        stretched.push_back(int16_t((voice[i] + next) / 2));
    }
    return stretched;
}

TEST_F(PlayRecordPulseTest, SlowMonsterPlaysATwoSecondVoiceForFourSecondsWhileTheReadOutReachesTwo)
{
    const Samples voice = testsignals::SpeechLike(44100);
    LoadVoice(voice);
    form->SlowMonstButton->SetDown(true);
    // The read-out shows the voice's length until the first tick shows the
    // position, which then climbs at half speed to the voice's length.
    double highest = 0;
    Samples recorded;
    // Recording keeps the null sink awake, as a sound card is.
    ASSERT_TRUE(RecordWhile(
        [&] {
            Click(form->PlayButton);
            ASSERT_TRUE(form->Player().IsPlaying());
            EXPECT_TRUE(QTest::qWaitFor(
                [&] {
                    const double shown = ReadOutSeconds();
                    if (form->Player().IsPlaying() && (highest > 0 || shown < 1.9))
                        highest = std::max(highest, shown);
                    return !form->Player().IsPlaying();
                },
                kStartMs + 8000));
        },
        recorded));
    const soundtest::Alignment match = soundtest::FindInRecording(recorded, Stretched(voice));
    EXPECT_GT(match.correlation, 0.9) << "lag " << match.lag;
    EXPECT_NEAR(highest, 2.0, 0.15);
    EXPECT_EQ(form->timeDisplay->text(), " POS: 00:02:00");  // the length again
    RecordProperty("correlation", std::to_string(match.correlation));
    RecordProperty("highest_read_out", std::to_string(highest));
}

TEST_F(PlayRecordPulseTest, WhatIsPlayedIsTheProcessedVoice)
{
    LoadVoice(testsignals::SpeechLike(44100));
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
    const soundtest::Alignment match = soundtest::FindInRecording(recorded, processed);
    EXPECT_GT(match.correlation, 0.95) << "lag " << match.lag;
    // The unprocessed voice is not what was heard.
    const Samples original(Voice().VoiceData.samples(), Voice().VoiceData.samples() + 44100);
    EXPECT_LT(soundtest::FindInRecording(recorded, original).correlation, 0.8);
    RecordProperty("correlation", std::to_string(match.correlation));
}

}  // namespace
