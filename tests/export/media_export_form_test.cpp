// The Opus and FLAC export dialogs, shown modally as the program shows them,
// with the real library behind them; messages and the file dialog are
// answered by the test.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTimer>

#include <filesystem>
#include <thread>

#include "dialogs/dialogs.h"
#include "media_export_form.h"
#include "media_test_support.h"
#include "mp3_test_support.h"

namespace {

using namespace std::chrono_literals;

std::atomic<bool> g_sawStop{false};

// An export that goes on until it is asked to stop.
int32_t EndlessFlac(const char*, const char*, const MediaCallbacks* callbacks)
{
    while (!callbacks->stopRequested(callbacks->context)) {
        callbacks->progress(callbacks->context, 1);
        std::this_thread::sleep_for(2ms);
    }
    g_sawStop = true;
    return MEDIA_STOPPED;
}

class MediaExportForm : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        static int argc = 1;
        static char name[] = "media_export_form_test";
        static char* argv[] = {name, nullptr};
        if (!qApp)
            new QApplication(argc, argv);
    }

    void SetUp() override
    {
        previousMessage_ = platform::SetMessageFunction([this](const platform::MessageRequest& request) {
            messages.push_back(request.text);
            return platform::MessageAnswer::Ok;
        });
        previousFileDialog_ = platform::SetFileDialogFunction([this](const platform::FileDialogRequest& request) {
            fileRequests.push_back(request);
            return fileAnswer;
        });
        voice = mp3test::MakeVoice(22050, 2.0);
        mp3test::WriteWave(folder.File("MYFILE.WAV"), voice, 22050, 1);
    }

    void TearDown() override
    {
        platform::SetMessageFunction(previousMessage_);
        platform::SetFileDialogFunction(previousFileDialog_);
    }

    // Shows the dialog; whileShown runs once it is up.
    bool Show(TMediaExportForm& form, std::function<void()> whileShown)
    {
        QTimer::singleShot(0, &form, whileShown);
        return form.PrepareAndShow(QString::fromStdString(folder.File("MYFILE.WAV")), "/home/me/note.flac");
    }

    mp3test::ScratchFolder folder;
    std::vector<int16_t> voice;
    QStringList messages;
    std::vector<platform::FileDialogRequest> fileRequests;
    QString fileAnswer;

private:
    platform::MessageFunction previousMessage_;
    platform::FileDialogFunction previousFileDialog_;
};

TEST_F(MediaExportForm, OpusExportsAtTheChosenBitRate)
{
    TMediaExportForm form(MediaExportKind::Opus);
    fileAnswer = QString::fromStdString(folder.File("voice.opus"));
    QString offered;
    const bool written = Show(form, [&] {
        offered = form.BitRateComboBox->currentText();
        form.BitRateComboBox->setCurrentText("64");
        form.StartButton->click();
    });
    EXPECT_TRUE(written);
    EXPECT_EQ(offered, "32") << "the bit rate for a voice comes first";
    EXPECT_EQ(messages, QStringList{"Export to " + fileAnswer + " was successful."});
    ASSERT_EQ(fileRequests.size(), 1u);
    EXPECT_EQ(fileRequests[0].filter, "Opus files (*.opus *.ogg)");
    EXPECT_TRUE(fileRequests[0].promptOverwrite);
    const std::string opus = fileAnswer.toStdString();
    EXPECT_EQ(mediatest::Probe(opus, "codec_name"), "opus");
    EXPECT_NEAR(double(mediatest::DecodeWithFfmpeg(opus, 22050).size()), double(voice.size()), 960 / 48000.0 * 22050);
    // Two seconds at 64 kbit/s: 16000 bytes, give or take what the encoder saves on a voice and Ogg adds.
    EXPECT_NEAR(double(std::filesystem::file_size(opus)), 16000, 4000);
}

TEST_F(MediaExportForm, FlacAsksNoRateAndKeepsTheVoice)
{
    TMediaExportForm form(MediaExportKind::Flac);
    fileAnswer = QString::fromStdString(folder.File("voice.flac"));
    bool rateShown = true;
    EXPECT_TRUE(Show(form, [&] {
        rateShown = form.BitRateComboBox->isVisible();
        form.StartButton->click();
    }));
    EXPECT_FALSE(rateShown);
    EXPECT_EQ(fileRequests.at(0).initialName, "/home/me/note.flac");
    EXPECT_EQ(mediatest::DecodeWithFfmpeg(fileAnswer.toStdString(), 22050), voice);
}

TEST_F(MediaExportForm, CancelStopsTheExportQuietly)
{
    media::MediaFunctions endless = media::LinkedMediaFunctions();
    endless.exportFlac = EndlessFlac;
    TMediaExportForm form(MediaExportKind::Flac, nullptr, endless);
    fileAnswer = QString::fromStdString(folder.File("voice.flac"));
    g_sawStop = false;
    EXPECT_FALSE(Show(form, [&] {
        form.StartButton->click();
        QTimer::singleShot(50, &form, [&] { form.CancelBtn->click(); });
    }));
    EXPECT_TRUE(g_sawStop);
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(MediaExportForm, FailuresSayWhatWentWrong)
{
    TMediaExportForm form(MediaExportKind::Flac);
    fileAnswer = QString::fromStdString(folder.File("no/such/folder/voice.flac"));
    EXPECT_FALSE(Show(form, [&] { form.StartButton->click(); }));
    EXPECT_EQ(messages, QStringList{"Error: Could not Open Output File"});

    messages.clear();
    fileAnswer.clear();  // the file dialog cancelled: the export ends, nothing said
    EXPECT_FALSE(Show(form, [&] { form.StartButton->click(); }));
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(folder.Files(), std::vector<std::string>{"MYFILE.WAV"});
}

}  // namespace
