// RAExport as the program uses it: the dialog is driven through its controls
// (found by their resource ids), message boxes and the file dialog are
// answered by functions installed for the test.
#include "realconv.h"

#include "dialogs/dialogs.h"
#include "export_dialog.h"
#include "realaudio_export.h"
#include "realaudio_probe.h"
#include "test_support.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstring>

using namespace realconv_test;

namespace {

constexpr char kCaption[] = "Export Sound to RealAudio";

template <typename T>
T* Control(QDialog& dialog, const char* id)
{
    T* control = dialog.findChild<T*>(id);
    if (!control)
        ADD_FAILURE() << "no control " << id;
    return control;
}

QDialog* OpenExportDialog()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* dialog = qobject_cast<QDialog*>(widget); dialog && dialog->isVisible() && dialog->windowTitle() == kCaption)
            return dialog;
    return nullptr;
}

class RAExportDialog : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        static int argc = 1;
        static char name[] = "export_dialog_test";
        static char* argv[] = {name, nullptr};
        if (!QApplication::instance())
            new QApplication(argc, argv);
    }

    void SetUp() override
    {
        platform::SetMessageFunction([this](const platform::MessageRequest& request) {
            messages.push_back(request);
            return answer;
        });
        platform::SetFileDialogFunction([this](const platform::FileDialogRequest& request) {
            fileRequests.push_back(request);
            return chosenFile;
        });
        WriteFile(folder.File("voice.wav"), WaveFile(Voice(22050 * 4, 22050)));
    }

    void TearDown() override
    {
        platform::SetMessageFunction({});
        platform::SetFileDialogFunction({});
        realconv::testing::SetBlockHook({});
    }

    // Opens the dialog through RAExport and runs script on it once it shows.
    int32_t Export(const std::string& source, const std::string& proposedTarget,
                   const std::function<void(QDialog&)>& script, QWidget* owner = nullptr)
    {
        std::strncpy(target, proposedTarget.c_str(), sizeof target - 1);
        bool ran = false;
        QTimer::singleShot(0, [&] {
            QDialog* dialog = OpenExportDialog();
            ASSERT_NE(dialog, nullptr);
            ran = true;
            script(*dialog);
        });
        const int32_t result = RAExport(owner, source.c_str(), target);
        EXPECT_TRUE(ran);
        EXPECT_EQ(OpenExportDialog(), nullptr);
        return result;
    }

    // The controls that Export disables, in the order the user meets them.
    static std::vector<QWidget*> EditableControls(QDialog& dialog)
    {
        std::vector<QWidget*> controls;
        for (const char* id : {realconv::control::kFileBox, realconv::control::kBrowseButton,
                               realconv::control::kTitleBox, realconv::control::kAuthorBox,
                               realconv::control::kCopyrightBox, realconv::control::kSelectiveRecordBox,
                               realconv::control::kPerfectPlayBox, realconv::control::kExportButton})
            controls.push_back(Control<QWidget>(dialog, id));
        return controls;
    }

    static bool AllEnabled(QDialog& dialog, bool enabled)
    {
        for (QWidget* control : EditableControls(dialog))
            if (!control || control->isEnabled() != enabled)
                return false;
        return true;
    }

    TempFolder folder;
    char target[260] = {};
    std::vector<platform::MessageRequest> messages;
    std::vector<platform::FileDialogRequest> fileRequests;
    platform::MessageAnswer answer = platform::MessageAnswer::Ok;
    QString chosenFile;
};

TEST_F(RAExportDialog, ExportsTheVoiceWithWhatTheUserTyped)
{
    QWidget owner;
    const std::string output = folder.File("greeting.ra");
    const int32_t result = Export(
        folder.File("voice.wav"), folder.File("proposed.ra"),
        [&](QDialog& dialog) {
            EXPECT_EQ(dialog.parentWidget(), &owner);
            EXPECT_TRUE(dialog.isModal());
            EXPECT_EQ(Control<QLineEdit>(dialog, realconv::control::kFileBox)->text(), QString::fromStdString(folder.File("proposed.ra")));
            EXPECT_EQ(Control<QLabel>(dialog, realconv::control::kEncoderLabel)->text(), "RealAudio G2 6.0");
            EXPECT_EQ(Control<QPushButton>(dialog, realconv::control::kBrowseButton)->text(), "B&rowse..");
            EXPECT_EQ(Control<QPushButton>(dialog, realconv::control::kCancelButton)->text(), "&Cancel");
            EXPECT_TRUE(Control<QPushButton>(dialog, realconv::control::kExportButton)->isDefault());
            EXPECT_FALSE(Control<QProgressBar>(dialog, realconv::control::kProgressBar)->isVisible());
            EXPECT_TRUE(AllEnabled(dialog, true));

            Control<QLineEdit>(dialog, realconv::control::kFileBox)->setText(QString::fromStdString(output));
            Control<QLineEdit>(dialog, realconv::control::kTitleBox)->setText("Greeting");
            Control<QLineEdit>(dialog, realconv::control::kAuthorBox)->setText("Grace Hopper");
            Control<QLineEdit>(dialog, realconv::control::kCopyrightBox)->setText("(c) 2024 the speaker");
            Control<QCheckBox>(dialog, realconv::control::kPerfectPlayBox)->setChecked(true);
            Control<QPushButton>(dialog, realconv::control::kExportButton)->click();
            EXPECT_TRUE(AllEnabled(dialog, false));
            EXPECT_TRUE(Control<QPushButton>(dialog, realconv::control::kCancelButton)->isEnabled());
        },
        &owner);

    EXPECT_EQ(result, 0);
    EXPECT_STREQ(target, output.c_str());
    EXPECT_TRUE(messages.empty());
    const ProbedAudio file = ProbeRealAudio(output);
    ASSERT_EQ(file.error, "");
    EXPECT_EQ(file.codecName, "ra_144");
    EXPECT_NEAR(file.durationSeconds, 4.0, 0.040);
    EXPECT_EQ(file.metadata.at("title"), "Greeting");
    EXPECT_EQ(file.metadata.at("author"), "Grace Hopper");
    EXPECT_EQ(file.metadata.at("copyright"), "(c) 2024 the speaker");
    EXPECT_GT(MatchVoice(file.decoded, 0).correlation, 0.9);
}

TEST_F(RAExportDialog, RefusesATargetWithoutAnExistingWritableFolder)
{
    std::filesystem::create_directory(folder.File("old.ra"));
    // /proc/sys/kernel exists but takes no new files, not even from root.
    const std::vector<std::string> badTargets = {folder.File("missing/out.ra"), "out.ra", "", folder.File("old.ra"),
                                                 folder.Path() + "/", "/proc/sys/kernel/voice.ra"};
    const int32_t result = Export(folder.File("voice.wav"), folder.File("out.ra"), [&](QDialog& dialog) {
        for (const std::string& bad : badTargets) {
            SCOPED_TRACE(bad);
            messages.clear();
            Control<QLineEdit>(dialog, realconv::control::kFileBox)->setText(QString::fromStdString(bad));
            Control<QPushButton>(dialog, realconv::control::kExportButton)->click();
            ASSERT_EQ(messages.size(), 1u);
            EXPECT_EQ(messages[0].text, "Error: Invalid Path. Please select a valid path.");
            EXPECT_EQ(messages[0].caption, "Real Audio Conversion");
            EXPECT_EQ(messages[0].buttons, platform::MessageButtons::Ok);
            EXPECT_EQ(messages[0].owner, nullptr);
            EXPECT_TRUE(dialog.isVisible());
            EXPECT_TRUE(AllEnabled(dialog, true));
        }
        Control<QPushButton>(dialog, realconv::control::kCancelButton)->click();
    });
    EXPECT_EQ(result, 1);
    EXPECT_STREQ(target, badTargets.back().c_str());
    EXPECT_EQ(folder.Files().size(), 2u);  // the voice and the folder
}

TEST_F(RAExportDialog, AsksBeforeOverwritingAndKeepsTheFileOnNo)
{
    const std::string output = folder.File("taken.ra");
    const std::vector<uint8_t> previous = Bytes().text("an older clip").data;
    WriteFile(output, previous);

    answer = platform::MessageAnswer::No;
    const int32_t refused = Export(folder.File("voice.wav"), output, [&](QDialog& dialog) {
        Control<QPushButton>(dialog, realconv::control::kExportButton)->click();
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].text, QString::fromStdString(output) + " file already exists. Do you want to overwrite it?");
        EXPECT_EQ(messages[0].caption, "Real Audio Conversion");
        EXPECT_EQ(messages[0].buttons, platform::MessageButtons::YesNo);
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_TRUE(AllEnabled(dialog, true));
        EXPECT_FALSE(Control<QProgressBar>(dialog, realconv::control::kProgressBar)->isVisible());
        Control<QPushButton>(dialog, realconv::control::kCancelButton)->click();
    });
    EXPECT_EQ(refused, 1);
    EXPECT_EQ(ReadFile(output), previous);

    answer = platform::MessageAnswer::Yes;
    messages.clear();
    const int32_t replaced =
        Export(folder.File("voice.wav"), output, [&](QDialog& dialog) { Control<QPushButton>(dialog, realconv::control::kExportButton)->click(); });
    EXPECT_EQ(replaced, 0);
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_EQ(ProbeRealAudio(output).codecName, "ra_144");
}

TEST_F(RAExportDialog, CancelBeforeExportHandsBackWhatTheFileBoxHolds)
{
    const std::string typed = folder.File("typed by hand.ra");
    const int32_t byButton = Export(folder.File("voice.wav"), folder.File("proposed.ra"), [&](QDialog& dialog) {
        Control<QLineEdit>(dialog, realconv::control::kFileBox)->setText(QString::fromStdString(typed));
        Control<QPushButton>(dialog, realconv::control::kCancelButton)->click();
    });
    EXPECT_EQ(byButton, 1);
    EXPECT_STREQ(target, typed.c_str());

    // The window's close button does the same.
    const int32_t byClose = Export(folder.File("voice.wav"), folder.File("proposed.ra"), [&](QDialog& dialog) {
        Control<QLineEdit>(dialog, realconv::control::kFileBox)->setText("elsewhere.ra");
        dialog.close();
    });
    EXPECT_EQ(byClose, 1);
    EXPECT_STREQ(target, "elsewhere.ra");
    EXPECT_EQ(folder.Files().size(), 1u);
}

// Stops an export after its fifth block, from the dialog, while the worker
// waits; records what the dialog showed at that moment.
class StopDuringEncoding : public RAExportDialog, public ::testing::WithParamInterface<bool> {};

TEST_P(StopDuringEncoding, EndsTheDialogOnlyAfterTheWorkerHasCleanedUp)
{
    const bool byCloseButton = GetParam();
    const std::string output = folder.File("stopped.ra");
    QDialog* dialog = nullptr;
    int blocks = 0;
    bool controlsDisabled = false, progressShown = false, stillOpenAfterStop = false;
    realconv::testing::SetBlockHook([&](uint32_t) {
        if (++blocks != 5)
            return;
        QMetaObject::invokeMethod(
            dialog,
            [&] {
                controlsDisabled = AllEnabled(*dialog, false);
                progressShown = Control<QProgressBar>(*dialog, realconv::control::kProgressBar)->isVisible();
                if (byCloseButton)
                    dialog->close();
                else
                    Control<QPushButton>(*dialog, realconv::control::kCancelButton)->click();
                stillOpenAfterStop = dialog->isVisible();
            },
            Qt::BlockingQueuedConnection);
    });

    const int32_t result = Export(folder.File("voice.wav"), output, [&](QDialog& d) {
        dialog = &d;
        Control<QPushButton>(d, realconv::control::kExportButton)->click();
    });
    EXPECT_EQ(result, 1);
    EXPECT_TRUE(controlsDisabled);
    EXPECT_TRUE(progressShown);
    EXPECT_TRUE(stillOpenAfterStop);
    EXPECT_EQ(blocks, 5);  // the worker stopped right after the request
    // By the time RAExport returns the worker has removed its partial file.
    EXPECT_EQ(folder.Files(), std::vector<std::string>{"voice.wav"});
    EXPECT_STREQ(target, output.c_str());
}

INSTANTIATE_TEST_SUITE_P(CancelOrClose, StopDuringEncoding, ::testing::Bool());

TEST_F(RAExportDialog, AFailedExportIsToldAndDoesNotSpoilTheNextOne)
{
    WriteFile(folder.File("broken.wav"), Bytes().text("RIFF").u32(4).text("WAVE").data);
    const auto exportNow = [](QDialog& dialog) { Control<QPushButton>(dialog, realconv::control::kExportButton)->click(); };

    EXPECT_EQ(Export(folder.File("broken.wav"), folder.File("out.ra"), exportNow), 1);
    ASSERT_EQ(messages.size(), 1u);  // the file and the reason
    EXPECT_EQ(messages[0].text,
              QString::fromStdString("Cannot export " + folder.File("out.ra") + ": the wave file holds no readable PCM sound."));
    EXPECT_EQ(messages[0].caption, "Real Audio Conversion");
    EXPECT_FALSE(std::filesystem::exists(folder.File("out.ra")));
    messages.clear();

    EXPECT_EQ(Export(folder.File("voice.wav"), folder.File("out.ra"), exportNow), 0);
    EXPECT_EQ(ProbeRealAudio(folder.File("out.ra")).codecName, "ra_144");
}

// The file cannot take its name at the end (a folder has taken it meanwhile).
TEST_F(RAExportDialog, AFileThatCannotBeWrittenIsToldByItsName)
{
    const std::string output = folder.File("taken.ra");
    realconv::testing::SetBlockHook([&](uint32_t) { std::filesystem::create_directories(output + "/inside"); });
    const int32_t result = Export(folder.File("voice.wav"), output,
                                  [](QDialog& dialog) { Control<QPushButton>(dialog, realconv::control::kExportButton)->click(); });
    EXPECT_EQ(result, 1);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, QString::fromStdString("Cannot write file: " + output));
    EXPECT_TRUE(std::filesystem::is_directory(output + "/inside"));
    EXPECT_EQ(folder.Files().size(), 2u) << "no temporary file is left";
}

TEST_F(RAExportDialog, BrowseOffersRealAudioFilesAndTakesNamesThatFit)
{
    const QString chosen = QString::fromStdString(folder.File("chosen.ra"));
    const int32_t result = Export(folder.File("voice.wav"), folder.File("proposed.ra"), [&](QDialog& dialog) {
        chosenFile = chosen;
        Control<QPushButton>(dialog, realconv::control::kBrowseButton)->click();
        ASSERT_EQ(fileRequests.size(), 1u);
        const platform::FileDialogRequest& request = fileRequests[0];
        EXPECT_EQ(request.kind, platform::FileDialogKind::Save);
        EXPECT_EQ(request.title, "Choose an Output Filename:");
        EXPECT_EQ(request.filter, "RealAudio Files (*.ra)");
        EXPECT_EQ(request.defaultExtension, "ra");
        EXPECT_TRUE(request.initialName.isEmpty());
        EXPECT_TRUE(request.promptOverwrite);
        EXPECT_TRUE(request.mustExist);
        EXPECT_EQ(Control<QLineEdit>(dialog, realconv::control::kFileBox)->text(), chosen);

        // Too long for the caller's buffer (260 bytes with the zero), and
        // nothing chosen: the file box keeps its name.
        chosenFile = QString::fromStdString(folder.Path() + "/" + std::string(260, 'a') + ".ra");
        Control<QPushButton>(dialog, realconv::control::kBrowseButton)->click();
        chosenFile.clear();
        Control<QPushButton>(dialog, realconv::control::kBrowseButton)->click();
        EXPECT_EQ(Control<QLineEdit>(dialog, realconv::control::kFileBox)->text(), chosen);
        Control<QPushButton>(dialog, realconv::control::kCancelButton)->click();
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(fileRequests.size(), 3u);
    EXPECT_EQ(target, chosen.toStdString());
}

TEST_F(RAExportDialog, RefusesPathsThatDoNotFitWithoutShowingTheDialog)
{
    const std::string longSource = folder.Path() + "/" + std::string(300, 'v') + ".wav";
    std::strcpy(target, "unchanged.ra");
    EXPECT_EQ(RAExport(nullptr, longSource.c_str(), target), 1);
    EXPECT_STREQ(target, "unchanged.ra");
    EXPECT_EQ(RAExport(nullptr, nullptr, target), 1);
    EXPECT_EQ(RAExport(nullptr, longSource.c_str(), nullptr), 1);
    EXPECT_EQ(OpenExportDialog(), nullptr);
}

}  // namespace
