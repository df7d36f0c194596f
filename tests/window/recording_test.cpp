// Recording from the window: a scripted recording library answers with the
// codes and levels a real sound card gives only rarely, writes the "recorded"
// file when it is stopped, and shows what the window asked of it; the real
// library is used where it can fail without a sound card.
#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QTimer>

#include "mixer_panel.h"
#include "prtlsbtn.h"
#include "prtltbar.h"
#include "prtlvled.h"
#include "voice_recorder.h"
#include "wave_file.h"
#include "window_fixture.h"

namespace {

using mixertest::CardOptions;
using mixertest::Selector;

class RecordingTest : public WindowTest {
protected:
    void SetUp() override
    {
        InstallTestPlatform();
        card = mixertest::AddCard(*mixer, cardOptions);
        CreateForm();
        form->Timer->stop();  // the test ticks
        form->SetRecordingApi(recorder.Api());
        QCoreApplication::sendPostedEvents();  // the set-up's own mixer notifications
    }

    // A voice that the recording replaces (or, when it fails, keeps).
    QString LoadPreviousVoice()
    {
        const QString path = PathOf("previous.wav");
        WriteVoice(path, TestTone(4410));
        Open(path);
        return path;
    }

    bool VoiceCommandsEnabled() const
    {
        return form->Save1->isEnabled() && form->SaveAs1->isEnabled() && form->Export1->menuAction()->isEnabled();
    }
    bool VoiceCommandsDisabled() const
    {
        return !form->Save1->isEnabled() && !form->SaveAs1->isEnabled() && !form->Export1->menuAction()->isEnabled();
    }

    QStringList MessageTexts() const
    {
        QStringList texts;
        for (const auto& message : messages)
            texts << message.text;
        return texts;
    }

    CardOptions cardOptions;
};

TEST_F(RecordingTest, RecordingTwiceWithTheButtonMakesTheRecordedFileTheVoice)
{
    LoadPreviousVoice();
    form->EchoButton->SetDown(true);
    form->PitchBar->SetPosition(3);
    const std::vector<int16_t> recorded = TestTone(33075);
    recorder.recordedFile = WaveBytes(recorded);

    Click(form->RecordButton);
    ASSERT_TRUE(form->Recorder().IsRecording());
    EXPECT_TRUE(form->RecordButton->Down());
    EXPECT_EQ(recorder.starts, 1);
    EXPECT_EQ(recorder.rate, 22050u);
    EXPECT_EQ(recorder.bits, 16);
    EXPECT_EQ(recorder.channels, 1);
    EXPECT_EQ(recorder.source, form->Mixer().RecordSource());
    // A new empty file of its own in the temporary folder.
    const QFileInfo file(QString::fromStdString(recorder.path));
    EXPECT_TRUE(recorder.pathExistedEmpty);
    EXPECT_TRUE(file.fileName().startsWith("PRT"));
    EXPECT_EQ(file.absolutePath(), QFileInfo(QDir::tempPath()).absoluteFilePath());
    EXPECT_EQ(form->Recorder().FileName(), recorder.path);
    // The old voice and the effects are gone.
    EXPECT_EQ(Voice().VoiceBytes(), 0);
    EXPECT_FALSE(form->EchoButton->Down());
    EXPECT_EQ(form->PitchBar->Position(), 6);
    EXPECT_EQ(form->windowTitle(), "Warblecast - New File");

    // Each tick shows the level and the time since the start.
    recorder.level = 37;
    recorder.now += 83456;
    form->TimerTimer();
    EXPECT_FLOAT_EQ(form->VolLED->Progress(), 0.37f);
    EXPECT_EQ(form->timeDisplay->text(), " POS: 01:23:46");  // 2671/32 s
    recorder.now += 44;
    form->TimerTimer();
    EXPECT_EQ(form->timeDisplay->text(), " POS: 01:23:50");  // 2672/32 s: the read-out steps in 1/32 s

    Click(form->RecordButton);
    EXPECT_EQ(recorder.stops, 1);
    EXPECT_FALSE(form->Recorder().IsRecording());
    EXPECT_FALSE(form->RecordButton->Down());
    ASSERT_EQ(Voice().VoiceBytes(), int32_t(recorded.size() * 2));
    EXPECT_EQ(std::memcmp(Voice().VoiceData.data(), recorded.data(), recorded.size() * 2), 0);
    EXPECT_EQ(Voice().WorkCapacity(), Voice().VoiceBytes());
    EXPECT_TRUE(Voice().VoiceChanged);
    EXPECT_EQ(form->timeDisplay->text(), " POS: 00:01:50");  // the voice's exact length
    EXPECT_TRUE(VoiceCommandsEnabled());
    EXPECT_EQ(form->windowTitle(), "Warblecast - New File");
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(recorder.path)));
    EXPECT_EQ(form->VolLED->Progress(), 0.0f);
    EXPECT_TRUE(form->Recorder().FileName().empty());
    EXPECT_TRUE(messages.empty());

    // Save asks for a name and writes the recorded samples.
    const QString saved = PathOf("saved.wav");
    AnswerFileDialogs({saved});
    form->Save1->trigger();
    EXPECT_EQ(ReadChunks(saved).data.size(), recorded.size() * 2);
}

TEST_F(RecordingTest, AStopThatFailsIsRetriedByTheTimerWhichLeavesTheFileMenuAlone)
{
    recorder.recordedFile = WaveBytes(TestTone(2205));
    recorder.stopResults = {9, 9};
    Click(form->RecordButton);
    ASSERT_TRUE(form->Recorder().IsRecording());

    Click(form->RecordButton);
    EXPECT_EQ(recorder.stops, 1);
    EXPECT_TRUE(form->Recorder().IsRecording());  // the recording goes on
    EXPECT_FALSE(form->RecordButton->Down());
    form->TimerTimer();
    EXPECT_EQ(recorder.stops, 2);
    EXPECT_TRUE(form->Recorder().IsRecording());
    form->TimerTimer();
    EXPECT_EQ(recorder.stops, 3);
    EXPECT_FALSE(form->Recorder().IsRecording());
    EXPECT_EQ(Voice().VoiceBytes(), 4410);
    EXPECT_TRUE(VoiceCommandsDisabled());
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(recorder.path)));
    form->TimerTimer();
    EXPECT_EQ(recorder.stops, 3);
}

TEST_F(RecordingTest, AStartThatFailsSaysWhyAndKeepsTheVoice)
{
    const QString previous = LoadPreviousVoice();
    form->EchoButton->SetDown(true);
    struct Case {
        uint16_t code;
        QString caption;
        QString text;
    };
    const Case cases[] = {
        {201, "Recording Error ",
         "Your device is unable to record at the rate or mode you have selected.  Please check your manual."},
        {202, "Recording Error",
         "Unable to allocate sufficient memory for record operation.  Please exit from other applications and try "
         "again.\")"},
        {203, "Recording Error",
         "Unable to open file for temporary storage of record data.  Please exit from other applications and try "
         "again."},
        {204, "Recording Error", "Your device is unavailable or unable to record .  Please check your installation."},
        {205, "Recording Error", "Unable to start recording."},
        {206, "Recording Error", "Recording already in progress."},
        {207, "Recording Error", "Recording file not specified."},
        {208, "", ""},
        {1, "", ""}};
    for (const Case& c : cases) {
        messages.clear();
        recorder.startResults = {c.code};
        Click(form->RecordButton);
        if (c.text.isEmpty()) {
            EXPECT_TRUE(messages.empty()) << c.code;
        } else {
            ASSERT_EQ(messages.size(), 1u) << c.code;
            EXPECT_EQ(messages[0].caption, c.caption);
            EXPECT_EQ(messages[0].text, c.text);
        }
        EXPECT_FALSE(form->Recorder().IsRecording());
        EXPECT_FALSE(form->RecordButton->Down());
        EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(recorder.path))) << c.code;
        EXPECT_EQ(Voice().VoiceBytes(), 8820);
        EXPECT_TRUE(form->EchoButton->Down());
        EXPECT_EQ(form->windowTitle(), "Warblecast - " + QFileInfo(previous).fileName());
    }
}

TEST_F(RecordingTest, WithoutATemporaryFolderTheLibraryIsNotAsked)
{
    // A temporary folder that is no folder takes no files.
    const QString notAFolder = PathOf("file.txt");
    QFile(notAFolder).open(QIODevice::WriteOnly);
    const QByteArray saved = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(notAFolder));
    Click(form->RecordButton);
    if (saved.isNull())
        qunsetenv("TMPDIR");
    else
        qputenv("TMPDIR", saved);
    EXPECT_EQ(recorder.starts, 0);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text,
              "Unable to open file for temporary storage of record data.  Please exit from other applications and "
              "try again.");
    EXPECT_FALSE(form->RecordButton->Down());
}

TEST_F(RecordingTest, TheRealLibraryWithoutACaptureDeviceSaysSo)
{
    form->SetRecordingApi(RecordingApi::Library());
    Click(form->RecordButton);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].caption, "Recording Error");
    EXPECT_EQ(messages[0].text, "Your device is unavailable or unable to record .  Please check your installation.");
    EXPECT_FALSE(form->Recorder().IsRecording());
    EXPECT_FALSE(form->RecordButton->Down());
    recorder.path.clear();
}

TEST_F(RecordingTest, AFileTheReaderRefusesLeavesNoVoice)
{
    recorder.recordedFile = "not a wave file at all";
    Click(form->RecordButton);
    Click(form->RecordButton);
    EXPECT_EQ(MessageTexts(), QStringList{"Incompatible file format of: " + QString::fromStdString(recorder.path)});
    EXPECT_EQ(Voice().VoiceBytes(), 0);
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(recorder.path)));
    EXPECT_EQ(form->timeDisplay->text(), " POS: 00:00:00");
    EXPECT_FALSE(form->Recorder().IsRecording());

    // A file in another accepted format is converted on the way in.
    std::vector<int16_t> stereo(4410 * 2, 1000);
    recorder.recordedFile = WaveBytes(stereo, 44100, 2);
    messages.clear();
    Click(form->RecordButton);
    Click(form->RecordButton);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(Voice().VoiceBytes(), 4410);  // 0.1 s at 22050 Hz, one channel
}

TEST_F(RecordingTest, ClosingTheWindowStopsTheRecordingAndLeavesItsFile)
{
    recorder.recordedFile = WaveBytes(TestTone(2205));
    Click(form->RecordButton);
    ASSERT_TRUE(form->Recorder().IsRecording());
    form.reset();
    EXPECT_EQ(recorder.stops, 1);
    EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(recorder.path)));
}

TEST_F(RecordingTest, ANewRecordingStartsItsClockAfresh)
{
    recorder.recordedFile = WaveBytes(TestTone(2205));
    Click(form->RecordButton);
    recorder.now += 3000;
    Click(form->RecordButton);
    Click(form->RecordButton);
    recorder.now += 500;
    form->TimerTimer();
    EXPECT_EQ(form->timeDisplay->text(), " POS: 00:00:50");
    Click(form->RecordButton);
}

// A recording starts from the source the read-out shows and writes nothing
// to the mixer: whatever another program set there stays, quiet or muted.
class RecordSourceTest : public RecordingTest, public ::testing::WithParamInterface<Selector> {
protected:
    void SetUp() override
    {
        cardOptions.selector = GetParam();
        cardOptions.sources = {"Mic", "Line In", "CD"};
        RecordingTest::SetUp();
    }
};

TEST_P(RecordSourceTest, RecordingTakesTheSourceShownAndLeavesTheMixerAlone)
{
    if (GetParam() == Selector::Neither) {
        // Another program records from CD by muting the others; the window
        // does not follow a choice made by muting, and still shows Mic.
        mixer->setValues(card.sourceMutes[2], {0});
        mixer->setValues(card.sourceMutes[0], {1});
    } else {
        Click(form->RecSourceToggleButton);
        Click(form->RecSourceToggleButton);
        ASSERT_EQ(form->RecSourceLabel->text(), "CD");
        // Another program chooses Mic, and the window records before it hears of it.
        mixer->setValues(card.selector, {1, 0, 0});
    }
    const uint16_t shown = GetParam() == Selector::Neither ? 0 : 2;
    // The recording turned down to 3 % and muted elsewhere.
    mixer->setValues(card.sourceVolumes[shown], {1966, 1966});
    mixer->setValues(card.recordVolume, {1966, 1966});
    mixer->setValues(card.recordMute, {1});
    mixer->clearWrites();
    Click(form->RecordButton);
    ASSERT_TRUE(form->Recorder().IsRecording());
    EXPECT_EQ(recorder.source, shown);
    EXPECT_TRUE(mixer->writes().empty());
    EXPECT_EQ(mixer->value(card.sourceVolumes[shown]), 1966u);
    EXPECT_EQ(mixer->value(card.recordMute), 1u);
}

INSTANTIATE_TEST_SUITE_P(AllKinds, RecordSourceTest,
                         ::testing::Values(Selector::Mux, Selector::Mixer, Selector::Neither),
                         [](const auto& info) { return std::string(mixertest::SelectorName(info.param)); });

}  // namespace
