// Playback on the simulated wave output device: the test decides when each
// buffer comes back and how far the device has played, so the double buffer,
// the refills, the read-out, the scrolling and the end are checked exactly.
#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QLabel>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstring>

#include "messages/messages.h"
#include "prtlsbtn.h"
#include "prtltbar.h"
#include "prtlwpnl.h"
#include "voice_player.h"
#include "voice_recorder.h"
#include "wave_file.h"
#include "window_fixture.h"

namespace {

using platform::WAVEHDR;

constexpr int32_t kHeaderBytes = 8096;

class PlaybackTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        form->Timer->stop();  // the test ticks
    }

    // Loads a tone of that many samples as the voice.
    void LoadVoice(int samples)
    {
        voice = TestTone(samples);
        const QString path = PathOf("voice.wav");
        WriteVoice(path, voice);
        Open(path);
        ASSERT_EQ(Voice().VoiceBytes(), samples * 2);
    }

    void Tick() { form->TimerTimer(); }
    // Delivers the done messages the device has posted.
    static void Deliver() { QCoreApplication::sendPostedEvents(); }

    // The bytes of the working copy from offset, as the device should play them.
    std::vector<uint8_t> Processed(int32_t offset, int32_t bytes) const
    {
        const uint8_t* start = Voice().WorkBuffer.data() + offset;
        return std::vector<uint8_t>(start, start + bytes);
    }

    static std::vector<uint8_t> Played(const WAVEHDR& header)
    {
        const auto* start = reinterpret_cast<const uint8_t*>(header.lpData);
        return std::vector<uint8_t>(start, start + header.dwBufferLength);
    }

    QString ReadOut() const { return form->timeDisplay->text(); }

    std::vector<int16_t> voice;
};

TEST_F(PlaybackTest, AShortVoiceIsOnePartialBufferAndEndsWhenThePositionReachesIt)
{
    LoadVoice(1000);
    Click(form->PlayButton);
    ASSERT_TRUE(form->Player().IsPlaying());
    EXPECT_TRUE(form->PlayButton->Down());
    const platform::WAVEFORMATEX format = waveOut->format();
    EXPECT_EQ(format.wFormatTag, platform::WAVE_FORMAT_PCM);
    EXPECT_EQ(format.nChannels, 1);
    EXPECT_EQ(format.nSamplesPerSec, 22050u);
    EXPECT_EQ(format.nAvgBytesPerSec, 44100u);
    EXPECT_EQ(format.nBlockAlign, 2);
    EXPECT_EQ(format.wBitsPerSample, 16);
    EXPECT_FALSE(waveOut->paused());
    EXPECT_EQ(waveOut->queuedHeaders(), 1u);  // header 1 got nothing

    // The position is what has been heard; the view trails it by a tick.
    waveOut->setPosition(500);
    Tick();
    EXPECT_EQ(ReadOut(), " POS: 00:00:03");  // 23 ms, one 1/32 second
    EXPECT_EQ(form->WaveDisplay->StartingPosition(), 0);
    waveOut->setPosition(800);
    Tick();
    EXPECT_EQ(form->WaveDisplay->StartingPosition(), 1000);

    // The end of the data: the device is reset, the returned header finishes
    // playback, and the next tick winds it up.
    waveOut->setPosition(1000);
    Tick();
    EXPECT_EQ(waveOut->queuedHeaders(), 0u);
    EXPECT_TRUE(form->Player().IsPlaying());
    Deliver();
    EXPECT_TRUE(form->Player().IsFinished());
    Tick();
    EXPECT_FALSE(form->Player().IsPlaying());
    EXPECT_FALSE(waveOut->isOpen());
    EXPECT_EQ(form->WaveDisplay->StartingPosition(), 0);
    EXPECT_EQ(ReadOut(), " POS: 00:00:04");  // the voice's length, 45 ms
    EXPECT_TRUE(form->PlayButton->Down());   // released by the following tick
    Tick();
    EXPECT_FALSE(form->PlayButton->Down());
    EXPECT_TRUE(messages.empty());
}

TEST_F(PlaybackTest, ExactlyTwoBuffersOfVoiceFillBothHeadersAndNeedNoRefill)
{
    LoadVoice(kHeaderBytes);  // 16192 bytes
    Click(form->PlayButton);
    ASSERT_EQ(waveOut->queuedHeaders(), 2u);

    WAVEHDR* first = waveOut->completeNextHeader();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(Played(*first), Processed(0, kHeaderBytes));
    Deliver();
    EXPECT_EQ(waveOut->queuedHeaders(), 1u);  // not written again
    EXPECT_FALSE(form->Player().IsFinished());

    WAVEHDR* second = waveOut->completeNextHeader();
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second, first);
    EXPECT_EQ(Played(*second), Processed(kHeaderBytes, kHeaderBytes));
    Deliver();
    EXPECT_TRUE(form->Player().IsFinished());
    EXPECT_EQ(waveOut->queuedHeaders(), 0u);
    Tick();
    EXPECT_FALSE(form->Player().IsPlaying());
    EXPECT_FALSE(waveOut->isOpen());
}

TEST_F(PlaybackTest, ALongVoiceIsRefilledInOrderFromTheProcessedVoice)
{
    LoadVoice(25000);  // 50000 bytes: six full buffers and 1424 bytes
    form->BackwardButton->SetDown(true);
    Click(form->PlayButton);
    ASSERT_TRUE(form->Player().IsPlaying());

    // What is played is the processed voice: the recording reversed.
    std::vector<int16_t> reversed(voice.rbegin(), voice.rend());
    std::vector<uint8_t> expected(reversed.size() * 2);
    std::memcpy(expected.data(), reversed.data(), expected.size());
    std::vector<uint8_t> heard;
    std::vector<const WAVEHDR*> order;
    while (WAVEHDR* header = waveOut->completeNextHeader()) {
        const std::vector<uint8_t> chunk = Played(*header);
        heard.insert(heard.end(), chunk.begin(), chunk.end());
        order.push_back(header);
        ASSERT_FALSE(form->Player().IsFinished());
        Deliver();  // refills the header just returned
        ASSERT_LE(waveOut->queuedHeaders(), 2u);
    }
    EXPECT_EQ(heard, expected);
    ASSERT_EQ(order.size(), 7u);
    for (size_t i = 2; i < order.size(); ++i)
        EXPECT_EQ(order[i], order[i - 2]);  // the two headers take turns
    EXPECT_NE(order[0], order[1]);
    EXPECT_TRUE(form->Player().IsFinished());
    Tick();
    EXPECT_FALSE(form->Player().IsPlaying());
    EXPECT_EQ(ReadOut(), " POS: 00:01:13");  // 50000 bytes: 1133.8 ms
}

TEST_F(PlaybackTest, AClickWhilePlayingResetsTheDeviceAndTheNextTickWindsUp)
{
    LoadVoice(40000);
    Click(form->PlayButton);
    waveOut->completeNextHeader();
    Deliver();
    waveOut->setPosition(6000);
    Tick();
    Tick();
    ASSERT_EQ(form->WaveDisplay->StartingPosition(), 12000);

    Click(form->PlayButton);
    EXPECT_FALSE(form->PlayButton->Down());
    EXPECT_TRUE(form->Player().IsFinished());
    EXPECT_EQ(waveOut->queuedHeaders(), 0u);  // the reset returned both
    Deliver();
    EXPECT_EQ(waveOut->queuedHeaders(), 0u);  // and they are not refilled
    EXPECT_TRUE(waveOut->isOpen());

    Tick();
    EXPECT_FALSE(form->Player().IsPlaying());
    EXPECT_FALSE(waveOut->isOpen());
    EXPECT_EQ(form->WaveDisplay->StartingPosition(), 0);
    EXPECT_EQ(ReadOut(), " POS: 00:01:81");

    // Playing again opens a new device and starts from the beginning.
    Click(form->PlayButton);
    ASSERT_TRUE(form->Player().IsPlaying());
    EXPECT_EQ(waveOut->successfulOpens(), 2);
    WAVEHDR* first = waveOut->completeNextHeader();
    EXPECT_EQ(Played(*first), Processed(0, kHeaderBytes));
}

TEST_F(PlaybackTest, DoneMessagesForAnotherDeviceAreIgnored)
{
    LoadVoice(40000);
    Click(form->PlayButton);
    WAVEHDR* first = waveOut->completeNextHeader();
    Deliver();
    ASSERT_EQ(waveOut->queuedHeaders(), 2u);
    const uintptr_t handle = waveOut->handle();
    // A stray message naming our header: nothing is written twice.
    platform::PostWindowMessage(form->Player().Handle(), platform::MM_WOM_DONE, handle + 1,
                                intptr_t(reinterpret_cast<uintptr_t>(first)));
    Deliver();
    EXPECT_EQ(waveOut->queuedHeaders(), 2u);
    // The data goes on where it was: the third buffer, then the fourth.
    WAVEHDR* second = waveOut->completeNextHeader();
    EXPECT_EQ(Played(*second), Processed(kHeaderBytes, kHeaderBytes));
    Deliver();
    WAVEHDR* third = waveOut->completeNextHeader();
    EXPECT_EQ(Played(*third), Processed(2 * kHeaderBytes, kHeaderBytes));
}

TEST_F(PlaybackTest, PlayDoesNothingWhileRecording)
{
    LoadVoice(4000);
    StartRecording();
    Click(form->PlayButton);
    EXPECT_FALSE(form->Player().IsPlaying());
    EXPECT_FALSE(form->PlayButton->Down());
    EXPECT_EQ(waveOut->successfulOpens(), 0);
    EXPECT_TRUE(messages.empty());
}

TEST_F(PlaybackTest, RecordDoesNothingWhilePlayingAndTheTickReleasesIt)
{
    LoadVoice(40000);
    Click(form->PlayButton);
    Click(form->RecordButton);
    EXPECT_FALSE(form->Recorder().IsRecording());
    EXPECT_TRUE(form->RecordButton->Down());
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(Voice().VoiceBytes(), 80000);
    Tick();
    EXPECT_FALSE(form->RecordButton->Down());
    EXPECT_TRUE(form->Player().IsPlaying());
}

TEST_F(PlaybackTest, SpaceWhilePlayingStopsAtTheNextTick)
{
    LoadVoice(40000);
    form->show();
    QApplication::setActiveWindow(form.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    // The key goes where the keyboard focus is; the window sees it first.
    auto press = [&] {
        QWidget* focused = QApplication::focusWidget();
        QTest::keyClick(focused ? focused : form.get(), Qt::Key_Space);
    };
    press();
    QCoreApplication::processEvents();
    ASSERT_TRUE(form->Player().IsPlaying());

    press();
    QCoreApplication::processEvents();
    EXPECT_TRUE(form->Player().IsPlaying());
    EXPECT_EQ(waveOut->queuedHeaders(), 0u);
    Tick();
    EXPECT_FALSE(form->Player().IsPlaying());
    EXPECT_FALSE(waveOut->isOpen());
}

TEST_F(PlaybackTest, EachOpenFailureHasItsMessage)
{
    LoadVoice(4000);
    const std::pair<platform::MMRESULT, QString> failures[] = {
        {platform::WAVERR_BADFORMAT,
         "Error: The Wave Output Device does not support the format required to run this program"},
        {platform::MMSYSERR_ALLOCATED, "Error: The Wave Output Device is being used by another program"},
        {platform::MMSYSERR_ERROR, "Error: Cannot open the Wave Output Device"},
        {platform::MMSYSERR_NODRIVER, "Error: Cannot open the Wave Output Device"}};
    for (const auto& [result, text] : failures) {
        messages.clear();
        waveOut->failOpens(result);
        Click(form->PlayButton);
        ASSERT_EQ(messages.size(), 1u) << result;
        EXPECT_EQ(messages[0].text, text);
        EXPECT_EQ(messages[0].caption, kApplicationTitle);
        EXPECT_FALSE(form->Player().IsPlaying());
        EXPECT_FALSE(form->PlayButton->Down());
    }
    waveOut->failOpens(platform::MMSYSERR_NOERROR);
    Click(form->PlayButton);
    EXPECT_TRUE(form->Player().IsPlaying());
}

TEST_F(PlaybackTest, WithoutAVoicePlaySaysSo)
{
    Click(form->PlayButton);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text,
              "There is no voice in memory, either record a voice or load one from a file on disk.");
    EXPECT_FALSE(form->PlayButton->Down());
    EXPECT_EQ(waveOut->successfulOpens(), 0);
}

TEST_F(PlaybackTest, NothingLeftAfterTheEffectsPlaysNothing)
{
    // One byte of voice: the echo leaves no whole sample.
    const QString path = PathOf("byte.wav");
    const uint8_t byte = 7;
    ASSERT_TRUE(voice::WriteWaveFile(path.toStdString(), 22050, 16, 1, &byte, 1, nullptr));
    Open(path);
    ASSERT_EQ(Voice().VoiceBytes(), 1);
    form->EchoButton->SetDown(true);
    Click(form->PlayButton);
    EXPECT_FALSE(form->Player().IsPlaying());
    EXPECT_FALSE(form->PlayButton->Down());
    EXPECT_EQ(waveOut->successfulOpens(), 0);
}

TEST_F(PlaybackTest, TheSpeedSwitchesChooseTheDeviceRateAndTheReadOutFollowsTheVoice)
{
    LoadVoice(60000);
    struct Case {
        bool slow, fast;
        uint32_t rate;
    };
    for (const Case c : {Case{false, false, 22050}, Case{true, false, 11025}, Case{false, true, 44100},
                         Case{true, true, 11025}}) {
        form->SlowMonstButton->SetDown(c.slow);
        form->FastSqueakButton->SetDown(c.fast);
        Click(form->PlayButton);
        ASSERT_TRUE(form->Player().IsPlaying());
        EXPECT_EQ(waveOut->format().nSamplesPerSec, c.rate);
        EXPECT_EQ(waveOut->format().nAvgBytesPerSec, 2 * c.rate);
        // A second of the voice, whatever the rate.
        waveOut->setPosition(22050);
        Tick();
        EXPECT_EQ(ReadOut(), " POS: 00:01:00") << c.rate;
        waveOut->setPosition(33075);
        Tick();
        EXPECT_EQ(ReadOut(), " POS: 00:01:50") << c.rate;
        EXPECT_EQ(form->WaveDisplay->StartingPosition(), 44100);
        Click(form->PlayButton);
        Tick();
        ASSERT_FALSE(form->Player().IsPlaying());
    }
}

TEST_F(PlaybackTest, ExitAndClosingTheWindowStopTheDevice)
{
    LoadVoice(40000);
    Click(form->PlayButton);
    form->Exit1->trigger();
    EXPECT_EQ(waveOut->queuedHeaders(), 0u);
    Deliver();
    EXPECT_EQ(waveOut->queuedHeaders(), 0u);  // nothing is refilled after the reset
    form.reset();  // the device reads the window's buffers: it is closed first
    EXPECT_FALSE(waveOut->isOpen());
}

}  // namespace
