// The voice document commands: New, Open, the sample voices, Save, Save As,
// Export to wave and dropping a file, with their dialogs, messages, caption,
// read-out and menu enabling.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <cstring>
#include <functional>

#include "effect_controls.h"
#include "media_test_support.h"
#include "progressform.h"
#include "prtlrbtn.h"
#include "prtlsbtn.h"
#include "prtltbar.h"
#include "voice_player.h"
#include "voice_recorder.h"
#include "window_fixture.h"

using voice::Effect;

namespace {

class DocumentTest : public WindowTest {
protected:
    // A voice file whose settings say Echo and Fade In down, pitch 9.
    QString SavedWithPitch(int pitch)
    {
        voice::EffectSwitches switches;
        switches[Effect::Echo] = true;
        switches[Effect::FadeIn] = true;
        switches.pitchPosition = pitch;
        const voice::EffectSettings settings = voice::CaptureSettings(switches);
        const QString path = PathOf(QString("pitch%1.wav").arg(pitch));
        WriteVoice(path, TestTone(), &settings);
        return path;
    }

    QString LoadedTone(const QString& name = "tone.wav")
    {
        const QString path = PathOf(name);
        WriteVoice(path, TestTone());
        Open(path);
        return path;
    }

    bool VoiceCommandsEnabled() const
    {
        const bool save = form->Save1->isEnabled();
        EXPECT_EQ(form->SaveAs1->isEnabled(), save);
        EXPECT_EQ(form->Export1->menuAction()->isEnabled(), save);
        return save;
    }

    QStringList MessageTexts() const
    {
        QStringList texts;
        for (const auto& m : messages) {
            EXPECT_EQ(m.caption, "Tavrin Audio Warblecast");
            EXPECT_EQ(m.buttons, platform::MessageButtons::Ok);
            texts << m.text;
        }
        return texts;
    }
};

TEST_F(DocumentTest, StartsWithNoVoiceAnUntitledCaptionAndTheVoiceCommandsOff)
{
    EXPECT_EQ(form->windowTitle(), "Warblecast - New File");
    EXPECT_EQ(Voice().VoiceBytes(), 0);
    EXPECT_EQ(form->timeDisplay->text(), " POS: 00:00:00 ");
    EXPECT_FALSE(VoiceCommandsEnabled());
    EXPECT_FALSE(form->Preferences1->isVisible() || form->Preferences1->isEnabled());
    EXPECT_FALSE(form->CheckForUpdates1->isVisible() || form->CheckForUpdates1->isEnabled());
}

TEST_F(DocumentTest, OpenAsksForAnExistingWaveFileAndLoadsIt)
{
    const QString path = PathOf("Hello There.wav");
    WriteVoice(path, TestTone(44100));
    AnswerFileDialogs({path});
    form->Open1->trigger();

    ASSERT_EQ(fileDialogs.size(), 1u);
    EXPECT_EQ(fileDialogs[0].kind, platform::FileDialogKind::Open);
    EXPECT_EQ(fileDialogs[0].title, "Open a Voice File");
    EXPECT_EQ(fileDialogs[0].filter, voice::kOpenVoiceFilter);
    EXPECT_TRUE(fileDialogs[0].mustExist);
    EXPECT_EQ(Voice().VoiceBytes(), 88200);
    EXPECT_EQ(Voice().WorkCapacity(), 88200);
    EXPECT_EQ(form->windowTitle(), "Warblecast - Hello There.wav");
    EXPECT_EQ(form->timeDisplay->text(), " POS: 00:02:00");
    EXPECT_TRUE(VoiceCommandsEnabled());
    EXPECT_FALSE(Voice().VoiceChanged);
    EXPECT_TRUE(messages.empty());
}

// Decoded, it becomes a voice that belongs to no file: Save asks for a wave
// file's name, and the source is never written.
TEST_F(DocumentTest, AFileOfAnotherKindOpensAsAVoiceThatSaveNeverWritesBack)
{
    const QString opus = PathOf("note.opus");
    ASSERT_EQ(mediatest::RunCommand("ffmpeg -v error " + mediatest::FfmpegTone(48000, 2) + " -c:a libopus '" +
                                    opus.toStdString() + "'"),
              0);
    const std::vector<uint8_t> source = mediatest::ReadFile(opus.toStdString());
    Open(opus);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(form->windowTitle(), "Warblecast - note.opus");
    EXPECT_NEAR(Voice().VoiceBytes() / 2, 1.5 * 22050, 1000);
    std::vector<int16_t> samples(size_t(Voice().VoiceBytes() / 2));
    std::memcpy(samples.data(), Voice().VoiceData.data(), samples.size() * 2);
    EXPECT_NEAR(mediatest::MeasureTone(samples, 22050).frequency, 440, 4.4);
    EXPECT_TRUE(Voice().VoiceFileName.empty());
    EXPECT_TRUE(VoiceCommandsEnabled());

    AnswerFileDialogs({QString()});
    form->Save1Click();  // cancelled: nothing written
    ASSERT_EQ(fileDialogs.size(), 1u);
    EXPECT_EQ(fileDialogs[0].title, "Save Voice As File");
    EXPECT_EQ(fileDialogs[0].initialName, PathOf("note.wav"));
    const QString saved = PathOf("kept.wav");
    AnswerFileDialogs({saved});
    form->Save1Click();
    EXPECT_EQ(form->windowTitle(), "Warblecast - kept.wav");
    const WaveChunks chunks = ReadChunks(saved);
    EXPECT_TRUE(chunks.hasPrtl);
    EXPECT_EQ(chunks.data.size(), size_t(Voice().VoiceBytes()));
    EXPECT_EQ(mediatest::ReadFile(opus.toStdString()), source);
}

TEST_F(DocumentTest, CancellingOpenKeepsTheVoice)
{
    LoadedTone();
    AnswerFileDialogs({QString()});
    form->Open1Click();
    EXPECT_EQ(Voice().VoiceBytes(), 44100);
    EXPECT_EQ(form->windowTitle(), "Warblecast - tone.wav");
}

TEST_F(DocumentTest, AnUnreadableFileLeavesNoVoiceAndSaysWhy)
{
    const QString path = PathOf("notes.wav");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("this is not a wave file at all");
    file.close();
    LoadedTone();
    Open(path);
    EXPECT_EQ(MessageTexts(), QStringList{"Incompatible file format of: " + path});
    EXPECT_EQ(Voice().VoiceBytes(), 0);
    EXPECT_EQ(form->windowTitle(), "Warblecast - New File");
    EXPECT_EQ(form->timeDisplay->text(), " POS: 00:00:00 ");
}

TEST_F(DocumentTest, NewClearsTheVoiceTheSwitchesAndTheVoiceCommands)
{
    LoadedTone();
    form->Echo1->trigger();
    form->PitchBar->SetPosition(3);
    form->New1->trigger();
    EXPECT_EQ(Voice().VoiceBytes(), 0);
    EXPECT_FALSE(Voice().VoiceChanged);
    EXPECT_EQ(form->Effects().Current(), voice::EffectSwitches{});
    EXPECT_FALSE(form->Echo1->isChecked());
    EXPECT_EQ(form->windowTitle(), "Warblecast - New File");
    EXPECT_EQ(form->timeDisplay->text(), " POS: 00:00:00 ");
    EXPECT_FALSE(VoiceCommandsEnabled());
}

TEST_F(DocumentTest, SampleVoiceButtonsLoadTheSamplesBesideTheProgram)
{
    Click(form->SF2Button);
    const QString sample = QCoreApplication::applicationDirPath() + "/SF2.WAV";
    EXPECT_EQ(form->windowTitle(), "Warblecast - SF2.WAV");
    EXPECT_EQ(QFile::decodeName(Voice().VoiceFileName.c_str()), sample);
    EXPECT_GT(Voice().VoiceBytes(), 0);
    EXPECT_TRUE(VoiceCommandsEnabled());
    // A momentary button: drawn pressed until the next tick.
    form->TimerTimer();
    EXPECT_FALSE(form->SF2Button->Down());
}

TEST_F(DocumentTest, AMissingSampleVoiceIsReported)
{
    form->SetSampleFolder(folder.path());
    form->SF3ButtonClick();
    EXPECT_EQ(MessageTexts(), QStringList{"Error: The file named " + folder.path() + "/SF3.WAV does not exist."});
    EXPECT_EQ(Voice().VoiceBytes(), 0);
}

TEST_F(DocumentTest, SaveWritesTheUnprocessedVoiceWithItsSettingsAndReloadsThem)
{
    const QString path = LoadedTone();
    form->Echo1->trigger();
    Click(form->FadeInButton);
    form->PitchBar->SetPosition(9);
    form->Save1->trigger();
    EXPECT_FALSE(Voice().VoiceChanged);

    const WaveChunks chunks = ReadChunks(path);
    ASSERT_TRUE(chunks.hasPrtl);
    ASSERT_EQ(chunks.prtl.size(), 514u);
    const uint16_t expected[] = {14, 1, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 9, 0, 0};
    for (size_t i = 0; i < std::size(expected); ++i)
        EXPECT_EQ(Word(chunks.prtl, 2 * i), expected[i]) << i;
    for (size_t i = 30; i < 514; ++i)
        ASSERT_EQ(chunks.prtl[i], 0) << i;
    const std::vector<int16_t> tone = TestTone();
    ASSERT_EQ(chunks.data.size(), tone.size() * 2);
    EXPECT_EQ(0, std::memcmp(chunks.data.data(), tone.data(), chunks.data.size()));

    form->New1Click();
    Open(path);
    EXPECT_TRUE(form->EchoButton->Down() && form->Echo1->isChecked());
    EXPECT_TRUE(form->FadeInButton->Down() && form->FadeIn1->isChecked());
    EXPECT_FALSE(form->ChorusButton->Down());
    EXPECT_EQ(form->PitchBar->Position(), 9);
}

TEST_F(DocumentTest, SaveRightAfterOpeningAFileWithPitchSixWritesNothing)
{
    const QString path = SavedWithPitch(6);
    Open(path);
    EXPECT_TRUE(form->EchoButton->Down());
    EXPECT_FALSE(Voice().VoiceChanged);
    ASSERT_TRUE(QFile::remove(path));
    form->Save1Click();
    EXPECT_FALSE(QFileInfo::exists(path));
}

TEST_F(DocumentTest, SaveAfterOpeningAFileWithPitchNineWrites)
{
    const QString path = SavedWithPitch(9);
    Open(path);
    EXPECT_EQ(form->PitchBar->Position(), 9);
    EXPECT_TRUE(Voice().VoiceChanged);  // restoring the pitch moved the bar
    ASSERT_TRUE(QFile::remove(path));
    form->Save1Click();
    EXPECT_TRUE(QFileInfo::exists(path));
    EXPECT_FALSE(Voice().VoiceChanged);
}

TEST_F(DocumentTest, SaveOnAnUntitledVoiceAsksForANameFirst)
{
    RecordVoice(TestTone());  // a recording has no file name
    Click(form->ChorusButton);
    const QString target = PathOf("named.wav");
    AnswerFileDialogs({target});
    form->Save1Click();
    ASSERT_EQ(fileDialogs.size(), 1u);
    EXPECT_EQ(fileDialogs[0].title, "Save Voice As File");
    EXPECT_EQ(fileDialogs[0].kind, platform::FileDialogKind::Save);
    EXPECT_TRUE(fileDialogs[0].promptOverwrite);
    EXPECT_EQ(form->windowTitle(), "Warblecast - named.wav");
    EXPECT_EQ(Word(ReadChunks(target).prtl, 4), 1);  // Chorus
    EXPECT_FALSE(Voice().VoiceChanged);
}

TEST_F(DocumentTest, SaveAsRenamesTheVoiceButLeavesItsChangedFlag)
{
    LoadedTone();
    Click(form->BackwardButton);
    const QString target = PathOf("copy.wav");
    AnswerFileDialogs({target});
    form->SaveAs1->trigger();
    EXPECT_TRUE(QFileInfo::exists(target));
    EXPECT_EQ(form->windowTitle(), "Warblecast - copy.wav");
    EXPECT_TRUE(Voice().VoiceChanged);
}

TEST_F(DocumentTest, AFailedSaveSaysSoAndKeepsTheVoiceMarkedChanged)
{
    ASSERT_TRUE(QDir(folder.path()).mkdir("gone"));
    const QString gone = PathOf("gone/tone.wav");
    WriteVoice(gone, TestTone());
    Open(gone);
    Click(form->EchoButton);
    // A file now stands where the voice's folder was.
    ASSERT_TRUE(QDir(PathOf("gone")).removeRecursively());
    ASSERT_TRUE(QFile(PathOf("gone")).open(QIODevice::WriteOnly));
    form->Save1Click();
    EXPECT_EQ(MessageTexts(), QStringList{"Cannot write file: " + gone});
    EXPECT_TRUE(Voice().VoiceChanged);

    messages.clear();
    const QString blocked = PathOf("gone/inside.wav");
    AnswerFileDialogs({blocked});
    form->SaveAs1Click();
    EXPECT_EQ(MessageTexts(), QStringList{"Cannot write file: " + blocked});
    EXPECT_EQ(form->windowTitle(), "Warblecast - tone.wav");  // still the voice's own file
    EXPECT_EQ(Voice().VoiceFileName, QFile::encodeName(gone).toStdString());
}

TEST_F(DocumentTest, ExportWritesTheProcessedVoiceAtTheSpeedSwitchesRate)
{
    const QString source = LoadedTone();
    Click(form->EchoButton);
    Click(form->SlowMonstButton);
    const QString target = PathOf("export.wav");
    AnswerFileDialogs({target});
    form->ExportToWaveFormat1->trigger();

    ASSERT_EQ(fileDialogs.size(), 1u);
    EXPECT_EQ(fileDialogs[0].title, "Export File As");
    EXPECT_TRUE(fileDialogs[0].promptOverwrite);
    const WaveChunks chunks = ReadChunks(target);
    EXPECT_FALSE(chunks.hasPrtl);
    EXPECT_EQ(DWord(chunks.fmt, 4), 11025u);
    EXPECT_EQ(DWord(chunks.fmt, 8), 22050u);
    const std::vector<int16_t> tone = TestTone();
    ASSERT_EQ(chunks.data.size(), tone.size() * 2);  // the echo tail is cut at the voice's end
    EXPECT_NE(0, std::memcmp(chunks.data.data(), tone.data(), chunks.data.size()));
    // The export does not become the voice, and the voice itself is untouched.
    EXPECT_EQ(form->windowTitle(), "Warblecast - " + QFileInfo(source).fileName());
    EXPECT_EQ(0, std::memcmp(Voice().VoiceData.data(), tone.data(), tone.size() * 2));
}

TEST_F(DocumentTest, AFailedExportSaysSo)
{
    LoadedTone();
    const QString blocked = PathOf("tone.wav/out.wav");
    AnswerFileDialogs({blocked});
    form->ExportToWaveFormat1Click();
    EXPECT_EQ(MessageTexts(), QStringList{"Cannot write file: " + blocked});
}

TEST_F(DocumentTest, TheProgressWindowShowsOnlyWhileAProcessingEffectRuns)
{
    LoadedTone();
    int shown = 0;
    struct ShowCounter : QObject {
        int& count;
        explicit ShowCounter(int& c) : count(c) {}
        bool eventFilter(QObject*, QEvent* e) override
        {
            count += e->type() == QEvent::Show;
            return false;
        }
    } counter(shown);
    progress->installEventFilter(&counter);

    Click(form->SlowMonstButton);
    AnswerFileDialogs({PathOf("slow.wav")});
    form->ExportToWaveFormat1Click();
    EXPECT_EQ(shown, 0);

    Click(form->FlangeButton);
    AnswerFileDialogs({PathOf("flange.wav")});
    form->ExportToWaveFormat1Click();
    EXPECT_EQ(shown, 1);
    EXPECT_FALSE(progress->isVisible());
    progress->removeEventFilter(&counter);
}

TEST_F(DocumentTest, EveryDocumentCommandWaitsForARecordingOrAPlayback)
{
    const QString path = LoadedTone();
    const auto commands = {&TMainForm::New1Click,  &TMainForm::Open1Click,      &TMainForm::Save1Click,
                           &TMainForm::SaveAs1Click, &TMainForm::ExportToWaveFormat1Click,
                           &TMainForm::SF1ButtonClick};
    auto expectRefused = [&](const QString& expected) {
        for (auto command : commands) {
            messages.clear();
            (form.get()->*command)();
            EXPECT_EQ(MessageTexts(), QStringList{expected});
        }
        EXPECT_TRUE(fileDialogs.empty());
    };
    Click(form->PlayButton);
    ASSERT_TRUE(form->Player().IsPlaying());
    expectRefused("Please Wait until playback is over");
    EXPECT_EQ(Voice().VoiceBytes(), 44100);
    EXPECT_EQ(form->windowTitle(), "Warblecast - " + QFileInfo(path).fileName());
    Click(form->PlayButton);
    form->TimerTimer();
    ASSERT_FALSE(form->Player().IsPlaying());

    StartRecording();
    expectRefused("Please Wait until recording is over");
    EXPECT_TRUE(form->Recorder().IsRecording());
    EXPECT_EQ(form->windowTitle(), "Warblecast - New File");
}

TEST_F(DocumentTest, DroppingAWaveFileOpensIt)
{
    const QString path = PathOf("dropped.WAV");
    WriteVoice(path, TestTone(11025));
    const QString text = PathOf("dropped.txt");
    QFile(text).open(QIODevice::WriteOnly);
    form->show();

    auto drag = [&](const QString& file) {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(file)});
        QDragEnterEvent enter(QPoint(300, 200), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(form.get(), &enter);
        if (!enter.isAccepted())
            return false;
        QDropEvent drop(QPointF(300, 200), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(form.get(), &drop);
        QCoreApplication::processEvents();
        return true;
    };
    // Any file is taken; one without sound says so.
    EXPECT_TRUE(drag(text));
    EXPECT_EQ(MessageTexts(), QStringList{"Incompatible file format of: " + text});
    messages.clear();
    EXPECT_TRUE(drag(path));
    EXPECT_EQ(form->windowTitle(), "Warblecast - dropped.WAV");
    EXPECT_EQ(Voice().VoiceBytes(), 22050);

    const QString other = PathOf("other.wav");
    WriteVoice(other, TestTone(2205));
    Click(form->PlayButton);
    ASSERT_TRUE(form->Player().IsPlaying());
    EXPECT_TRUE(drag(other));
    EXPECT_EQ(MessageTexts(), QStringList{"Please Wait until playback is over"});
    EXPECT_EQ(form->windowTitle(), "Warblecast - dropped.WAV");
}

// ---- A recorded voice never saved ----------------------------------------------------------------

class RecordedVoiceTest : public DocumentTest {
protected:
    // The questions asked so far, and forgets them.
    int Questions()
    {
        int asked = 0;
        for (const platform::MessageRequest& m : messages) {
            EXPECT_EQ(m.text, "Save the recorded voice?");
            EXPECT_EQ(m.buttons, platform::MessageButtons::SaveDiscardCancel);
            EXPECT_EQ(m.caption, "Tavrin Audio Warblecast");
            ++asked;
        }
        messages.clear();
        return asked;
    }

    bool StillTheRecording() const { return Voice().VoiceBytes() == 8820 && Voice().VoiceFileName.empty(); }
};

TEST_F(RecordedVoiceTest, EveryCommandThatWouldReplaceItAsksFirstAndCancelKeepsIt)
{
    const QString other = PathOf("other.wav");
    WriteVoice(other, TestTone(2205));
    RecordVoice(TestTone(4410));
    const std::pair<const char*, std::function<void()>> commands[] = {
        {"New", [&] { form->New1->trigger(); }},
        {"Open", [&] { Open(other); }},
        {"SF2", [&] { Click(form->SF2Button); }},
    };
    for (const auto& [name, command] : commands) {
        SCOPED_TRACE(name);
        command();
        EXPECT_EQ(Questions(), 1);
        EXPECT_TRUE(StillTheRecording());
        EXPECT_EQ(form->windowTitle(), "Warblecast - New File");
    }

    // Save runs Save As; when it saves nothing, the voice stays.
    questionAnswer = platform::MessageAnswer::Save;
    AnswerFileDialogs({QString()});
    form->New1->trigger();
    EXPECT_EQ(Questions(), 1);
    EXPECT_TRUE(StillTheRecording());

    // Discard lets it go.
    questionAnswer = platform::MessageAnswer::Discard;
    Open(other);
    EXPECT_EQ(Questions(), 1);
    EXPECT_EQ(form->windowTitle(), "Warblecast - other.wav");

    // A loaded file or sample voice goes without a question.
    Click(form->SF2Button);
    form->New1->trigger();
    EXPECT_EQ(Questions(), 0);
}

TEST_F(RecordedVoiceTest, SavingTheRecordingEndsTheQuestions)
{
    RecordVoice(TestTone(4410));
    questionAnswer = platform::MessageAnswer::Save;
    const QString saved = PathOf("kept.wav");
    AnswerFileDialogs({saved});
    form->New1->trigger();
    EXPECT_EQ(Questions(), 1);
    EXPECT_EQ(ReadChunks(saved).data.size(), 8820u);
    EXPECT_EQ(Voice().VoiceBytes(), 0);  // and New went on

    RecordVoice(TestTone(4410));
    AnswerFileDialogs({PathOf("second.wav")});
    form->Save1->trigger();
    form->New1->trigger();
    EXPECT_EQ(Questions(), 0);
}

TEST_F(RecordedVoiceTest, ExitDuringARecordingKeepsItAsTheVoiceAndAsks)
{
    form->show();
    recorder.recordedFile = WaveBytes(TestTone(4410));
    StartRecording();
    form->Exit1->trigger();
    EXPECT_EQ(Questions(), 1);
    EXPECT_FALSE(form->Recorder().IsRecording());
    EXPECT_TRUE(StillTheRecording());
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(recorder.path)));
    EXPECT_TRUE(form->Save1->isEnabled());
    EXPECT_TRUE(form->isVisible());  // Cancel: the window stays

    // Playing it, the window's close button asks too; Cancel plays on.
    Click(form->PlayButton);
    ASSERT_TRUE(form->Player().IsPlaying());
    EXPECT_FALSE(form->close());
    EXPECT_EQ(Questions(), 1);
    EXPECT_TRUE(form->Player().IsPlaying());

    questionAnswer = platform::MessageAnswer::Discard;
    form->Exit1->trigger();
    EXPECT_EQ(Questions(), 1);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(waveOut->queuedHeaders(), 0u);  // the device was reset
}

// The question as the program shows it: a real message box.
TEST_F(RecordedVoiceTest, TheQuestionOffersSaveDiscardAndCancel)
{
    RecordVoice(TestTone(4410));
    platform::SetMessageFunction({});
    QStringList buttons;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        for (QAbstractButton* button : box->buttons())
            buttons << button->text();
        box->button(QMessageBox::Discard)->click();
    });
    form->New1->trigger();
    buttons.sort();
    EXPECT_EQ(buttons, (QStringList{"&Discard", "&Save", "Cancel"}));
    EXPECT_EQ(Voice().VoiceBytes(), 0);
}

}  // namespace

namespace {

// The progress window lets window-system events through while the effects
// run; a close request among them must wait for the run to end.
TEST_F(DocumentTest, TheWindowDoesNotCloseUnderAnEffectRun)
{
    LoadedTone();
    form->show();
    Click(form->ChorusButton);
    struct CloseOnShow : QObject {
        TMainForm& form;
        bool closed = true;
        explicit CloseOnShow(TMainForm& f) : form(f) {}
        bool eventFilter(QObject*, QEvent* e) override
        {
            if (e->type() == QEvent::Show)
                closed = form.close();
            return false;
        }
    } closer(*form);
    progress->installEventFilter(&closer);
    AnswerFileDialogs({PathOf("chorus.wav")});
    form->ExportToWaveFormat1Click();
    progress->removeEventFilter(&closer);
    EXPECT_FALSE(closer.closed);
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(form->close());  // and afterwards it closes as usual
}

}  // namespace
