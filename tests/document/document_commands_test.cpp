// DocumentCommands through a view of the test's own: what a command shows,
// when the document counts as busy, and what a failure leaves.
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "dialogs/dialogs.h"
#include "document_commands.h"
#include "wave_file.h"

namespace {

int argc = 1;
char name[] = "document_commands_test";
char* argv[] = {name, nullptr};

// Keeps what the document shows; the switches are plain values.
class RecordingView final : public DocumentView {
public:
    void ShowMessage(const std::string& text) override { messages.push_back(QString::fromStdString(text)); }
    void ShowProgressWindow() override { busyWhileProgressShows.push_back(document->Busy()); }
    void HideProgressWindow() override {}
    void ResetProgress(int32_t) override {}
    void StepProgress() override {}
    void ShowWaveData(const uint8_t* data, int32_t bytes) override
    {
        wave = data;
        waveBytes = bytes;
    }
    voice::EffectSwitches Switches() const override { return switches; }
    void ResetSwitches() override { switches = {}; }
    void RestoreSwitches(const voice::EffectSettings& settings) override { voice::RestoreSettings(settings, switches); }
    void ShowCaption(const QString& text) override { caption = text; }
    void ShowReadout(const QString& text) override { readout = text; }
    void EnableVoiceCommands(bool enabled) override { commandsEnabled = enabled; }
    QWidget* DialogOwner() override { return nullptr; }

    DocumentCommands* document = nullptr;
    voice::EffectSwitches switches;
    QStringList messages;
    std::vector<bool> busyWhileProgressShows;
    const uint8_t* wave = nullptr;
    int32_t waveBytes = -1;
    QString caption, readout;
    bool commandsEnabled = false;
};

class DocumentCommandsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!QApplication::instance())
            new QApplication(argc, argv);
    }

    void SetUp() override
    {
        view.document = &document;
        platform::SetFileDialogFunction([this](const platform::FileDialogRequest&) { return answer; });
        platform::SetMessageFunction([this](const platform::MessageRequest& request) {
            questions << request.text;
            return questionAnswer;
        });
    }
    void TearDown() override
    {
        platform::SetFileDialogFunction({});
        platform::SetMessageFunction({});
    }

    // A file of samples, with the settings of these switches.
    QString VoiceFile(const QString& fileName, int32_t samples, const voice::EffectSwitches& switches = {})
    {
        const std::vector<int16_t> voice(size_t(samples), 1000);
        const voice::EffectSettings settings = voice::CaptureSettings(switches);
        const QString path = folder.filePath(fileName);
        EXPECT_TRUE(voice::WriteWaveFile(QFile::encodeName(path).toStdString(), 22050, 16, 1,
                                         reinterpret_cast<const uint8_t*>(voice.data()), samples * 2, &settings));
        return path;
    }

    QTemporaryDir folder;
    RecordingView view;
    DocumentCommands document{view};
    QString answer;  // what the file dialogs answer
    QStringList questions;
    platform::MessageAnswer questionAnswer = platform::MessageAnswer::Cancel;
};

TEST_F(DocumentCommandsTest, AnOpenedVoiceIsShownWithItsSettingsAndCanBeExported)
{
    voice::EffectSwitches saved;
    saved[voice::Effect::Chorus] = true;
    saved.pitchPosition = 9;
    view.switches[voice::Effect::Echo] = true;  // what the controls showed before
    document.OpenFile(VoiceFile("Spoken.wav", 22050, saved));

    EXPECT_EQ(document.Voice().VoiceBytes(), 44100);
    EXPECT_EQ(view.caption, "Warblecast - Spoken.wav");
    EXPECT_EQ(view.readout, " POS: 00:01:00");
    EXPECT_EQ(view.wave, document.Voice().VoiceData.data());
    EXPECT_EQ(view.waveBytes, 44100);
    EXPECT_TRUE(view.commandsEnabled);
    EXPECT_EQ(view.switches, saved);
    EXPECT_FALSE(document.Busy());

    // An export runs the effects with the progress window showing, busy
    // meanwhile, and shows the unprocessed voice again afterwards.
    answer = folder.filePath("export.wav");
    document.ExportToWave();
    EXPECT_EQ(view.busyWhileProgressShows, std::vector<bool>{true});
    EXPECT_FALSE(document.Busy());
    EXPECT_TRUE(QFile::exists(answer));
    EXPECT_EQ(view.wave, document.Voice().VoiceData.data());
    EXPECT_TRUE(view.messages.isEmpty());
}

TEST_F(DocumentCommandsTest, AFileThatCannotBeReadLeavesNoVoiceAndSaysWhy)
{
    document.OpenFile(VoiceFile("first.wav", 2205));
    const QString broken = folder.filePath("broken.wav");
    QFile file(broken);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("RIFF") == 4);
    file.close();
    document.OpenFile(broken);
    EXPECT_EQ(view.messages, QStringList{"Incompatible file format of: " + broken});
    EXPECT_EQ(document.Voice().VoiceBytes(), 0);
    EXPECT_EQ(view.caption, "Warblecast - New File");
    EXPECT_EQ(view.readout, " POS: 00:00:00 ");
    EXPECT_EQ(view.waveBytes, 0);

    // Nothing to save or export: no dialog is even asked for.
    answer = folder.filePath("never.wav");
    EXPECT_FALSE(document.SaveAs());
    document.ExportToWave();
    EXPECT_FALSE(QFile::exists(answer));
}

TEST_F(DocumentCommandsTest, ARecordingIsKeptUntilItIsSavedOrDiscarded)
{
    const QString recorded = VoiceFile("PRT123456", 2205);
    document.AdoptRecording(QFile::encodeName(recorded).toStdString());
    EXPECT_TRUE(document.HoldsUnsavedRecording());
    EXPECT_TRUE(document.Voice().VoiceChanged);

    document.OpenFile(VoiceFile("other.wav", 100));
    EXPECT_EQ(questions, QStringList{"Save the recorded voice?"});
    EXPECT_EQ(document.Voice().VoiceBytes(), 4410);

    questionAnswer = platform::MessageAnswer::Save;
    answer = folder.filePath("kept.wav");
    EXPECT_TRUE(document.KeepRecordedVoice());
    EXPECT_TRUE(QFile::exists(answer));
    EXPECT_FALSE(document.HoldsUnsavedRecording());
    EXPECT_EQ(view.caption, "Warblecast - kept.wav");
    EXPECT_EQ(questions.size(), 2);
}

// Runs script on the first modal dialog that shows.
void WhenADialogShows(std::function<void(QDialog&)> script)
{
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, script] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        timer->deleteLater();
        timer->stop();
        script(*dialog);
    });
    timer->start();
}

TEST_F(DocumentCommandsTest, ARealAudioExportSaysWhetherAFileWasWritten)
{
    document.OpenFile(VoiceFile("voice.wav", 22050));
    const QString target = folder.filePath("voice.ra");
    // The target box and the Export button; Cancel.
    WhenADialogShows([&](QDialog& dialog) {
        auto* box = dialog.findChild<QLineEdit*>("1003");
        auto* exportButton = dialog.findChild<QPushButton*>("1002");
        if (!box || !exportButton) {
            ADD_FAILURE() << "the dialog has no target box or Export button";
            dialog.reject();
            return;
        }
        EXPECT_EQ(box->text(), target);  // the voice's name, beside it
        exportButton->click();           // the conversion's end closes the dialog
    });
    EXPECT_TRUE(document.ExportToRealAudio());
    EXPECT_GT(QFileInfo(target).size(), 0);

    WhenADialogShows([](QDialog& dialog) { dialog.reject(); });
    EXPECT_FALSE(document.ExportToRealAudio());
}

}  // namespace
