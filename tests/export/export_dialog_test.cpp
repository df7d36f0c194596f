// The MP3 export dialogs, shown modally as the program shows them. Message
// boxes and the save dialog are answered by the test; the LAME route and the
// system route are the real ones unless a case needs codes that only other
// machines give, which a scripted bridge supplies.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <thread>

#include "codec_message_form.h"
#include "conversion_messages.h"
#include "dialogs/dialogs.h"
#include "lame_library.h"
#include "mp3_test_support.h"
#include "wave_to_mp3_form.h"

namespace {

using namespace std::chrono_literals;

const QString kFormatMessage = QStringLiteral(
    "Error : The selected codec cannot produce MP3 files with given source format. Please change the source format "
    "and try again.");
const char* kMissingLame = "libmp3lame-missing.so.0";

QStringList Items(const QComboBox* box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

QStringList Texts(std::initializer_list<int> rates)
{
    QStringList texts;
    for (const int rate : rates)
        texts << QString::number(rate);
    return texts;
}

// A system route that answers as the test says.
struct ScriptedBridge {
    int16_t valid = 0;
    std::vector<int> rates;
    int32_t convertResult = -1;  // -1: convert until stopped, then 431
    bool convertRaises = false;
    bool statusRaises = false;
    std::atomic<int16_t> status{0};
    std::atomic<bool> stopped{false};
    std::atomic<int> conversions{0};

    mp3::Mp3BridgeApi Api()
    {
        mp3::Mp3BridgeApi api;
        api.isValidMP3CodecFound = [this](const char*) { return valid; };
        api.isBitrateSupported = [this](const char*, int32_t bitsPerSecond, uint8_t* supported) {
            if (std::find(rates.begin(), rates.end(), bitsPerSecond / 1000) != rates.end())
                *supported = 1;
            return int32_t(0);
        };
        api.convertWaveFileToMp3 = [this](const char*, const char*, int32_t) -> int32_t {
            ++conversions;
            if (convertRaises)
                throw std::runtime_error("bridge failed");
            if (convertResult >= 0)
                return convertResult;
            // Runs until it is stopped (within a generous minute, so a stop
            // that never comes fails the test instead of hanging it).
            const auto deadline = std::chrono::steady_clock::now() + 60s;
            while (!stopped && std::chrono::steady_clock::now() < deadline)
                std::this_thread::sleep_for(1ms);
            return stopped ? 431 : 0;
        };
        api.getStatusWavToMP3 = [this]() -> int16_t {
            if (statusRaises)
                throw std::runtime_error("no status");
            return status;
        };
        api.stopConversionWavToMP3 = [this] { stopped = true; };
        return api;
    }
};

class ExportDialog : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        static int argc = 1;
        static char name[] = "export_dialog_test";
        static char* argv[] = {name, nullptr};
        if (!qApp)
            new QApplication(argc, argv);
    }

    void SetUp() override
    {
        previousMessage_ = platform::SetMessageFunction([this](const platform::MessageRequest& request) {
            messages.push_back(request);
            if (onMessage)
                QTimer::singleShot(0, form.get(), onMessage);
            return answer;
        });
        previousFileDialog_ = platform::SetFileDialogFunction([this](const platform::FileDialogRequest& request) {
            fileRequests.push_back(request);
            return fileAnswer;
        });
        form = std::make_unique<TWaveToMP3ConversionForm>();
        form->SetUrlOpener([this](const QUrl& url) { openedUrls.push_back(url); });
    }

    void TearDown() override
    {
        form.reset();
        platform::SetMessageFunction(previousMessage_);
        platform::SetFileDialogFunction(previousFileDialog_);
    }

    std::string Voice(double seconds = 1.0, int sampleRate = 22050)
    {
        const std::string path = folder.File("MYFILE.WAV");
        mp3test::WriteWave(path, mp3test::MakeVoice(sampleRate, seconds), sampleRate, 1);
        return path;
    }

    // Prepares and shows the dialog; whileShown runs once a modal window is up.
    bool Show(const std::string& source, std::function<void()> whileShown)
    {
        QTimer::singleShot(0, form.get(), [this, whileShown] {
            shownModal = QApplication::activeModalWidget();
            whileShown();
        });
        return form->PrepareAndShow(QString::fromStdString(source), QString::fromStdString(folder.File("MYFILE.MP3")));
    }

    void UseScriptedBridge(bool withLame)
    {
        form->SetMp3Bridge(bridge.Api());
        if (!withLame)
            form->SetLameLibrary(kMissingLame);
    }

    std::vector<QString> MessageTexts() const
    {
        std::vector<QString> texts;
        for (const auto& message : messages)
            texts.push_back(message.text);
        return texts;
    }

    mp3test::ScratchFolder folder;
    std::unique_ptr<TWaveToMP3ConversionForm> form;
    ScriptedBridge bridge;
    std::vector<platform::MessageRequest> messages;
    std::function<void()> onMessage;
    platform::MessageAnswer answer = platform::MessageAnswer::Ok;
    std::vector<platform::FileDialogRequest> fileRequests;
    QString fileAnswer;
    std::vector<QUrl> openedUrls;
    QWidget* shownModal = nullptr;

private:
    platform::MessageFunction previousMessage_;
    platform::FileDialogFunction previousFileDialog_;
};

TEST_F(ExportDialog, OffersLameAndTheSystemRouteWithLameRatesFirst)
{
    bool checked = false;
    EXPECT_FALSE(Show(Voice(), [&] {
        EXPECT_EQ(shownModal, form.get());
        EXPECT_EQ(form->windowTitle(), "Tavrin Audio Discwright MP3 Conversion");
        EXPECT_EQ(form->size(), QSize(440, 112));
        EXPECT_EQ(form->Label1->text(), "Available Codecs ");
        EXPECT_EQ(form->Label2->text(), "BitRate (kbit)");
        EXPECT_EQ(Items(form->codecNamesComboBox), (QStringList{"Lame Encoder", "Windows ACM Default"}));
        EXPECT_EQ(Items(form->BitRateComboBox), Texts({24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160}));
        EXPECT_EQ(form->BitRateComboBox->currentIndex(), 0);
        EXPECT_TRUE(form->StartButton->isEnabled());
        EXPECT_FALSE(form->PercentTimer->isActive());
        checked = true;
        form->CancelBtnClick();
    }));
    EXPECT_TRUE(checked);
    EXPECT_TRUE(messages.empty());
}

TEST_F(ExportDialog, SystemRouteAloneOffersItsRatesAndTheCodecBoxSwitchesLists)
{
    UseScriptedBridge(false);
    bridge.rates = {32, 40, 48, 56, 64};
    EXPECT_FALSE(Show(Voice(), [&] {
        EXPECT_EQ(Items(form->codecNamesComboBox), QStringList{"Windows ACM Default"});
        EXPECT_EQ(Items(form->BitRateComboBox), Texts({32, 40, 48, 56, 64}));
        EXPECT_EQ(form->BitRateComboBox->currentText(), "32");
        form->CancelBtnClick();
    }));

    form->SetLameLibrary(mp3::kLameLibraryFileName);
    bridge.rates = {48, 192};
    EXPECT_FALSE(Show(Voice(), [&] {
        EXPECT_EQ(Items(form->codecNamesComboBox), (QStringList{"Lame Encoder", "Windows ACM Default"}));
        form->codecNamesComboBox->setCurrentIndex(1);
        EXPECT_EQ(Items(form->BitRateComboBox), Texts({48, 192}));
        form->codecNamesComboBox->setCurrentIndex(0);
        EXPECT_EQ(form->BitRateComboBox->count(), 11);
        EXPECT_EQ(form->BitRateComboBox->currentText(), "24");
        form->CancelBtnClick();
    }));
}

TEST_F(ExportDialog, LameAloneWhenTheSystemRouteHasNoCodec)
{
    UseScriptedBridge(true);
    bridge.valid = 436;
    EXPECT_FALSE(Show(Voice(), [&] {
        EXPECT_EQ(Items(form->codecNamesComboBox), QStringList{"Lame Encoder"});
        EXPECT_TRUE(form->StartButton->isEnabled());
        form->CancelBtnClick();
    }));
    EXPECT_TRUE(messages.empty());
}

TEST_F(ExportDialog, WithoutLameTheSystemCodecsProblemsEndTheExport)
{
    UseScriptedBridge(false);
    const std::string source = Voice();

    bridge.valid = 438;  // decode only: the codec message form explains
    EXPECT_FALSE(Show(source, [&] { form->codecMessageForm()->OKButton->click(); }));
    EXPECT_EQ(shownModal, form->codecMessageForm());
    EXPECT_TRUE(messages.empty());

    bridge.valid = 436;  // nothing at all: offer the download
    answer = platform::MessageAnswer::Yes;
    EXPECT_FALSE(form->PrepareAndShow(QString::fromStdString(source), QString()));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].text.startsWith("Warning: This machine does not have the suitable component"));
    EXPECT_TRUE(messages[0].text.endsWith("before pressing the Yes button."));
    EXPECT_EQ(messages[0].caption, "Warblecast");
    EXPECT_EQ(messages[0].buttons, platform::MessageButtons::YesNo);
    EXPECT_EQ(openedUrls, std::vector<QUrl>{kCodecDownloadUrl});
    answer = platform::MessageAnswer::No;
    EXPECT_FALSE(form->PrepareAndShow(QString::fromStdString(source), QString()));
    EXPECT_EQ(openedUrls.size(), 1u);

    messages.clear();
    bridge.valid = 405;  // this source's format
    answer = platform::MessageAnswer::Ok;
    EXPECT_FALSE(form->PrepareAndShow(QString::fromStdString(source), QString()));
    EXPECT_EQ(MessageTexts(), std::vector<QString>{kFormatMessage});
    EXPECT_EQ(bridge.conversions, 0);
}

TEST_F(ExportDialog, NoRateAnywhereIsReportedAndTheDialogStaysHidden)
{
    UseScriptedBridge(true);
    const std::string source = folder.File("eight.wav");
    mp3test::WriteWave(source, mp3test::MakeVoice(22050, 0.2), 22050, 1);
    std::string bytes = mp3test::ReadAll(source);
    bytes[34] = 8, bytes[32] = 1;  // 8-bit: not for the LAME route
    std::ofstream(source, std::ios::binary | std::ios::trunc) << bytes;
    EXPECT_FALSE(form->PrepareAndShow(QString::fromStdString(source), QString()));
    EXPECT_EQ(MessageTexts(), std::vector<QString>{kFormatMessage});
    EXPECT_TRUE(form->lameBitrates().isEmpty());
}

struct RouteCase {
    int codecIndex;
    int kbit;
};

class ExportRoute : public ExportDialog, public testing::WithParamInterface<RouteCase> {};

TEST_P(ExportRoute, ExportsAtTheChosenRateAndSaysSo)
{
    const std::string mp3 = folder.File("voice.mp3");
    fileAnswer = QString::fromStdString(mp3);
    EXPECT_TRUE(Show(Voice(1.0), [&] {
        form->codecNamesComboBox->setCurrentIndex(GetParam().codecIndex);
        form->BitRateComboBox->setCurrentText(QString::number(GetParam().kbit));
        form->StartButtonClick();
        EXPECT_TRUE(form->isConverting());
        EXPECT_FALSE(form->StartButton->isEnabled());
        EXPECT_TRUE(form->PercentTimer->isActive());
    }));
    ASSERT_EQ(fileRequests.size(), 1u);
    EXPECT_EQ(fileRequests[0].kind, platform::FileDialogKind::Save);
    EXPECT_EQ(fileRequests[0].filter, "Mp3 files (*.mp3)");
    EXPECT_EQ(fileRequests[0].defaultExtension, "mp3");
    EXPECT_TRUE(fileRequests[0].promptOverwrite);
    EXPECT_TRUE(fileRequests[0].initialName.isEmpty());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, QString("Export to %1 was successful.").arg(fileAnswer));
    EXPECT_EQ(messages[0].caption, "Warblecast");
    EXPECT_FALSE(form->PercentTimer->isActive());
    EXPECT_EQ(form->ProgressBar1->value(), 0);

    const mp3test::DecodedMp3 decoded = mp3test::DecodeMp3(mp3);
    ASSERT_TRUE(decoded.ok);
    EXPECT_EQ(decoded.frameBitratesKbit, std::set<int>{GetParam().kbit});
    EXPECT_EQ(decoded.frameSampleRates, std::set<int>{22050});
}

INSTANTIATE_TEST_SUITE_P(Routes, ExportRoute, testing::Values(RouteCase{0, 32}, RouteCase{1, 48}),
                         [](const testing::TestParamInfo<RouteCase>& info) {
                             return std::string(info.param.codecIndex == 0 ? "Lame" : "System");
                         });

TEST_P(ExportRoute, CancelDuringTheConversionStopsItAndLeavesNoFile)
{
    const std::string source = Voice(60);
    fileAnswer = QString::fromStdString(folder.File("long.mp3"));
    EXPECT_FALSE(Show(source, [&] {
        form->codecNamesComboBox->setCurrentIndex(GetParam().codecIndex);
        form->StartButtonClick();
        ASSERT_TRUE(form->isConverting());
        form->CancelBtnClick();
    }));
    // PrepareAndShow has returned, so the worker has ended.
    EXPECT_EQ(folder.Files(), std::vector<std::string>{"MYFILE.WAV"});
    EXPECT_TRUE(messages.empty());
}

TEST_F(ExportDialog, BitRateTheCodecCannotMakeKeepsTheDialogOpenForAnotherTry)
{
    UseScriptedBridge(false);
    bridge.rates = {32, 64};
    bridge.convertResult = 406;
    fileAnswer = QString::fromStdString(folder.File("voice.mp3"));
    bool stillOpen = false;
    onMessage = [&] {
        stillOpen = form->isVisible();
        EXPECT_TRUE(form->StartButton->isEnabled());
        EXPECT_FALSE(form->PercentTimer->isActive());
        form->CancelBtnClick();
    };
    EXPECT_FALSE(Show(Voice(), [&] { form->StartButtonClick(); }));
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(MessageTexts(), std::vector<QString>{"The selected Codec cannot produce MP3 files at 32 kbit Bitrate. "
                                                   "Please select another bit-rate or a different codec and try "
                                                   "again."});
}

TEST_F(ExportDialog, SaveDialogAnswers)
{
    UseScriptedBridge(false);
    bridge.rates = {32};
    const std::string source = Voice();

    fileAnswer = "   ";  // blanks: nothing starts, the dialog stays
    EXPECT_FALSE(Show(source, [&] {
        form->StartButtonClick();
        EXPECT_TRUE(form->isVisible());
        EXPECT_FALSE(form->isConverting());
        EXPECT_TRUE(form->StartButton->isEnabled());
        form->CancelBtnClick();
    }));

    fileAnswer = "";  // cancelled: the conversion dialog closes too
    bool closed = false;
    EXPECT_FALSE(Show(source, [&] {
        form->StartButtonClick();
        closed = !form->isVisible();
    }));
    EXPECT_TRUE(closed);
    EXPECT_EQ(bridge.conversions, 0);
    EXPECT_TRUE(messages.empty());
}

TEST_F(ExportDialog, ProgressFollowsTheStatusBelowOneHundredOnly)
{
    UseScriptedBridge(false);
    bridge.rates = {64};
    fileAnswer = QString::fromStdString(folder.File("voice.mp3"));
    EXPECT_FALSE(Show(Voice(), [&] {
        form->StartButtonClick();
        bridge.status = 40;
        form->PercentTimerTimer();
        EXPECT_EQ(form->ProgressBar1->value(), 40);
        for (const int16_t status : {100, 250, 99}) {
            bridge.status = status;
            form->PercentTimerTimer();
        }
        EXPECT_EQ(form->ProgressBar1->value(), 99);
        bridge.status = 100;
        form->PercentTimerTimer();
        EXPECT_EQ(form->ProgressBar1->value(), 99);
        form->CancelBtnClick();
    }));
    EXPECT_TRUE(bridge.stopped);
    EXPECT_TRUE(messages.empty());  // the user stopped it: no message follows
}

TEST_F(ExportDialog, SystemRouteCallsThatRaiseAreReportedAndCloseTheDialog)
{
    UseScriptedBridge(false);
    bridge.rates = {64};
    fileAnswer = QString::fromStdString(folder.File("voice.mp3"));
    bridge.statusRaises = true;
    EXPECT_FALSE(Show(Voice(), [&] {
        form->StartButtonClick();
        form->PercentTimerTimer();
        EXPECT_FALSE(form->isVisible());
    }));
    EXPECT_EQ(MessageTexts(), std::vector<QString>{"Error : Could not get status."});
    EXPECT_TRUE(bridge.stopped);

    messages.clear();
    bridge.statusRaises = false;
    bridge.convertRaises = true;
    EXPECT_FALSE(Show(Voice(), [&] { form->StartButtonClick(); }));
    EXPECT_EQ(MessageTexts(), std::vector<QString>{"Error: Could not make a required call into the mp3bridge.dll while "
                                                   "converting. Please contact TavrinAudio Support for more "
                                                   "information."});
}

TEST_F(ExportDialog, FailedExportShowsItsMessageAndCloses)
{
    fileAnswer = QString::fromStdString(folder.File("gone/voice.mp3"));
    EXPECT_FALSE(Show(Voice(), [&] { form->StartButtonClick(); }));
    EXPECT_EQ(MessageTexts(), std::vector<QString>{"Error: Could not Open Output File"});
    EXPECT_EQ(form->lastResult(), 408);
    EXPECT_FALSE(form->isVisible());
}

TEST(ConversionMessages, TheLameRoutesOwnCodesHaveTextsOfTheirOwn)
{
    std::set<QString> texts;
    for (int16_t code = 500; code <= 508; ++code) {
        const QString text = mp3::ConversionResultMessage(code);
        EXPECT_TRUE(text.startsWith("Error: ")) << code;
        EXPECT_FALSE(text.contains(QString::number(code))) << code;  // not the fallback for unknown codes
        texts.insert(text);
    }
    EXPECT_EQ(texts.size(), 9u);
    EXPECT_EQ(mp3::ConversionResultMessage(420), "Error: File Creating Error");
    EXPECT_EQ(mp3::ConversionResultMessage(424), "Error: Stream not Created");
}

TEST_F(ExportDialog, CodecMessageFormOpensTheDownloadPage)
{
    TCodecMessageForm* message = form->codecMessageForm();
    EXPECT_EQ(message->windowTitle(), "Tavrin Audio Parrotel");
    EXPECT_EQ(message->GoToLabel->text(), "1. Go to");
    EXPECT_EQ(message->InstallLabel->text(), "install the Lame encoder.");
    EXPECT_TRUE(message->RenameLabel->text().startsWith("2. Find the file l3codecx.acm in your Windows\\System"));
    EXPECT_TRUE(message->LinkLabel->text().contains(kCodecDownloadUrl.toString()));
    message->LinkLabelClick();
    EXPECT_EQ(openedUrls, std::vector<QUrl>{kCodecDownloadUrl});
}

}  // namespace
