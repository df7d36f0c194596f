#include "wave_to_mp3_form.h"

#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>

#include <chrono>
#include <system_error>

#include "conversion_messages.h"
#include "dialogs/dialogs.h"
#include "export_prompts.h"
#include "form_font.h"
#include "lame_route.h"
#include "result_codes.h"

namespace {

constexpr int kClientWidth = 440;
constexpr int kClientHeight = 112;
constexpr int kPercentIntervalMs = 500;
// How often a closed dialog repeats its stop request while the worker ends.
constexpr auto kStopRepeat = std::chrono::milliseconds(10);

const QString kLameEncoder = QStringLiteral("Lame Encoder");
const QString kSystemEncoder = QStringLiteral("Windows ACM Default");
const QString kMessageCaption = QStringLiteral("Warblecast");
const QString kFormatMessage = QStringLiteral(
    "Error : The selected codec cannot produce MP3 files with given source format. Please change the source format "
    "and try again.");
const QString kNoComponentQuestion = QStringLiteral(
    "Warning: This machine does not have the suitable component required to use MP3 functionality. Do you want to "
    "download this component now? Please make sure you are connected to the Internet before pressing the Yes "
    "button.");
const QString kBridgeCallMessage = QStringLiteral(
    "Error: Could not make a required call into the mp3bridge.dll while converting. Please contact TavrinAudio "
    "Support for more information.");

bool IsLameEncoder(const QString& name) { return name.compare(kLameEncoder, Qt::CaseInsensitive) == 0; }

QStringList ToTexts(const std::vector<int>& rates)
{
    QStringList texts;
    for (const int rate : rates)
        texts << QString::number(rate);
    return texts;
}

}  // namespace

TWaveToMP3ConversionForm::TWaveToMP3ConversionForm(QWidget* parent, TCodecMessageForm* codecMessageForm)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      codecMessageForm_(codecMessageForm ? codecMessageForm : new TCodecMessageForm(this)),
      bridge_(mp3::Mp3BridgeApi::System()),
      openUrl_(DesktopUrlOpener()),
      lameLibrary_(mp3::kLameLibraryFileName)
{
    setWindowTitle(QStringLiteral("Tavrin Audio Discwright MP3 Conversion"));
    setFont(mp3::DialogFont());
    setFixedSize(kClientWidth, kClientHeight);
    setModal(true);

    Label1 = new QLabel(QStringLiteral("Available Codecs "), this);
    Label1->setGeometry(12, 8, 190, 16);
    codecNamesComboBox = new QComboBox(this);
    codecNamesComboBox->setGeometry(12, 26, 190, 24);
    Label2 = new QLabel(QStringLiteral("BitRate (kbit)"), this);
    Label2->setGeometry(216, 8, 112, 16);
    BitRateComboBox = new QComboBox(this);
    BitRateComboBox->setGeometry(216, 26, 112, 24);
    StartButton = new QPushButton(QStringLiteral("&Start"), this);
    StartButton->setGeometry(348, 12, 80, 26);
    StartButton->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("&Cancel"), this);
    CancelBtn->setGeometry(348, 46, 80, 26);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setGeometry(12, 82, 416, 18);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    PercentTimer = new QTimer(this);
    PercentTimer->setInterval(kPercentIntervalMs);

    connect(codecNamesComboBox, &QComboBox::currentIndexChanged, this, [this] { codecNamesComboBoxChange(); });
    connect(StartButton, &QPushButton::clicked, this, [this] { StartButtonClick(); });
    connect(CancelBtn, &QPushButton::clicked, this, [this] { CancelBtnClick(); });
    connect(PercentTimer, &QTimer::timeout, this, [this] { PercentTimerTimer(); });
}

TWaveToMP3ConversionForm::~TWaveToMP3ConversionForm()
{
    StopConversion();
    WaitForWorker();
}

void TWaveToMP3ConversionForm::SetUrlOpener(UrlOpener opener)
{
    openUrl_ = opener;
    codecMessageForm_->SetUrlOpener(std::move(opener));
}

bool TWaveToMP3ConversionForm::PrepareAndShow(const QString& sourceWave, const QString& defaultDestination)
{
    succeeded_ = false;
    if (Prepare(sourceWave, defaultDestination))
        exec();
    StopConversion();
    WaitForWorker();
    return succeeded_;
}

bool TWaveToMP3ConversionForm::Prepare(const QString& sourceWave, const QString& defaultDestination)
{
    // Filling the boxes must not run the change handler half-way.
    const QSignalBlocker blocker(codecNamesComboBox);
    const bool lameAvailable = mp3::IsLameAvailable(lameLibrary_.c_str());
    PercentTimer->stop();
    ProgressBar1->setValue(0);
    job_ = Job{sourceWave.toStdString(), defaultDestination.toStdString(), 0};

    codecNamesComboBox->clear();
    codecNamesComboBox->setVisible(true);
    ProgressBar1->setVisible(true);
    if (lameAvailable)
        codecNamesComboBox->addItem(kLameEncoder);
    if (!CheckSystemCodec(lameAvailable))
        return false;

    BuildBitrateLists(lameAvailable);
    if (!acmList_.isEmpty())
        codecNamesComboBox->addItem(kSystemEncoder);
    codecNamesComboBox->setCurrentIndex(0);
    codecNamesComboBoxChange();
    if (lameList_.isEmpty() && acmList_.isEmpty()) {
        Message(kFormatMessage);
        return false;
    }
    return true;
}

// Without LAME, the system codec is the only way: its problems end the export.
bool TWaveToMP3ConversionForm::CheckSystemCodec(bool lameAvailable)
{
    int16_t code = mp3::kCodecNotFound;
    try {
        code = bridge_.isValidMP3CodecFound(job_.source.c_str());
    } catch (...) {
    }
    if (lameAvailable || code == mp3::kResultOk)
        return true;
    if (code == mp3::kDecodeOnlyCodec) {
        codecMessageForm_->exec();
    } else if (code == mp3::kNoMp3Component) {
        platform::MessageRequest question;
        question.text = kNoComponentQuestion;
        question.caption = kMessageCaption;
        question.buttons = platform::MessageButtons::YesNo;
        question.icon = platform::MessageIcon::Warning;
        question.owner = this;
        if (platform::ShowMessage(question) == platform::MessageAnswer::Yes && openUrl_)
            openUrl_(codecMessageForm_->downloadUrl());
    } else {
        Message(kFormatMessage);
    }
    return false;
}

void TWaveToMP3ConversionForm::BuildBitrateLists(bool lameAvailable)
{
    BitRateComboBox->clear();
    lameList_.clear();
    acmList_.clear();
    if (lameAvailable) {
        mp3::WaveSource wave;
        const mp3::WaveStatus status = wave.Open(job_.source);
        if (status == mp3::WaveStatus::CannotOpen)
            Message(QStringLiteral("Not Opened"));
        else if (status == mp3::WaveStatus::Ok)
            lameList_ = ToTexts(mp3::LameBitrates(wave.format(), lameLibrary_.c_str()));
    }
    for (const int kbit : mp3::kBitRateTable) {
        uint8_t supported = 0;
        try {
            bridge_.isBitrateSupported(job_.source.c_str(), kbit * 1000, &supported);
        } catch (...) {
            supported = 0;
        }
        if (supported)
            acmList_ << QString::number(kbit);
    }
}

void TWaveToMP3ConversionForm::codecNamesComboBoxChange()
{
    BitRateComboBox->clear();
    BitRateComboBox->addItems(IsLameEncoder(codecNamesComboBox->currentText()) ? lameList_ : acmList_);
    BitRateComboBox->setCurrentIndex(BitRateComboBox->count() > 0 ? 0 : -1);
    StartButton->setEnabled(BitRateComboBox->count() > 0);
}

void TWaveToMP3ConversionForm::StartButtonClick()
{
    const QString name = mp3::AskExportFileName(this, QStringLiteral("Mp3 files (*.mp3)"), QStringLiteral("mp3"));
    if (name.isEmpty()) {
        reject();
        return;
    }
    if (name.trimmed().isEmpty())
        return;
    job_.destination = name.toStdString();
    PercentTimer->start();
    ProgressBar1->setValue(0);
    encoderName_ = codecNamesComboBox->currentText();
    job_.kbit = BitRateComboBox->currentText().toInt();
    lameRoute_ = IsLameEncoder(encoderName_);
    StartButton->setEnabled(false);
    StartWorker();
}

void TWaveToMP3ConversionForm::StartWorker()
{
    WaitForWorker();  // the thread of an earlier try has already posted its result
    lameStop_.store(false);
    lamePercent_.store(0);
    workerDone_.store(false);
    const uint64_t jobNumber = ++jobNumber_;
    try {
        worker_ = std::thread([this, jobNumber, job = job_, lameRoute = lameRoute_, library = lameLibrary_] {
            RunConversion(jobNumber, job, lameRoute, library);
        });
    } catch (const std::system_error&) {
        workerDone_.store(true);
        PercentTimer->stop();
        Message(QStringLiteral("Error In creating thread"));
        return;
    }
    converting_ = true;
}

// On the worker thread: convert, then hand the result to the GUI thread.
void TWaveToMP3ConversionForm::RunConversion(uint64_t jobNumber, const Job& job, bool lameRoute,
                                             const std::string& lameLibrary)
{
    int16_t result = mp3::kCannotOpenCodecStream;
    bool bridgeRaised = false;
    if (lameRoute) {
        result = mp3::EncodeWaveWithLame(job.source, job.destination, job.kbit, lamePercent_, lameStop_,
                                         lameLibrary.c_str());
    } else if (job.kbit > 0) {
        try {
            result = int16_t(bridge_.convertWaveFileToMp3(job.source.c_str(), job.destination.c_str(),
                                                          job.kbit * 1000) & 0xFFFF);
        } catch (...) {
            bridgeRaised = true;
        }
    }
    QMetaObject::invokeMethod(
        this, [this, jobNumber, result, bridgeRaised] { ConversionFinished(jobNumber, result, bridgeRaised); },
        Qt::QueuedConnection);
    workerDone_.store(true);
}

void TWaveToMP3ConversionForm::ConversionFinished(uint64_t jobNumber, int16_t result, bool bridgeRaised)
{
    // A conversion the user stopped, or one of an earlier export, ends quietly.
    if (jobNumber != jobNumber_ || !converting_)
        return;
    converting_ = false;
    lastResult_ = result;
    EndConversion();
    if (bridgeRaised) {
        Message(kBridgeCallMessage);
        done(QDialog::Rejected);
    } else if (result == mp3::kResultOk) {
        ProgressBar1->setValue(0);
        succeeded_ = true;
        Message(QStringLiteral("Export to %1 was successful.").arg(destination()));
        done(QDialog::Accepted);
    } else if (result == mp3::kCannotOpenCodecStream) {
        // Another bit rate or codec may work: the dialog stays open.
        Message(QStringLiteral("The selected Codec cannot produce MP3 files at %1 kbit Bitrate. Please select "
                               "another bit-rate or a different codec and try again.")
                    .arg(job_.kbit));
    } else {
        Message(mp3::ConversionResultMessage(result));
        done(QDialog::Rejected);
    }
}

void TWaveToMP3ConversionForm::EndConversion()
{
    PercentTimer->stop();
    StartButton->setEnabled(true);
}

void TWaveToMP3ConversionForm::PercentTimerTimer()
{
    int percent = 0;
    if (lameRoute_) {
        percent = lamePercent_.load();
    } else {
        try {
            percent = bridge_.getStatusWavToMP3();
        } catch (...) {
            Message(QStringLiteral("Error : Could not get status."));
            CancelBtnClick();
            return;
        }
    }
    if (percent < 100)
        ProgressBar1->setValue(percent);
}

void TWaveToMP3ConversionForm::CancelBtnClick() { reject(); }

void TWaveToMP3ConversionForm::reject()
{
    StopConversion();
    QDialog::reject();
}

void TWaveToMP3ConversionForm::StopConversion()
{
    PercentTimer->stop();
    if (!converting_)
        return;
    converting_ = false;
    if (lameRoute_) {
        lameStop_.store(true);
    } else {
        try {
            bridge_.stopConversionWavToMP3();
        } catch (...) {
        }
    }
}

// The worker may still be converting when the dialog closes; the caller may
// delete the source only after it has ended.
void TWaveToMP3ConversionForm::WaitForWorker()
{
    if (!worker_.joinable())
        return;
    while (!workerDone_.load()) {
        // The system route forgets a stop that came before its conversion
        // began, so the request is repeated until the worker is done.
        if (lameRoute_)
            lameStop_.store(true);
        else if (bridge_.stopConversionWavToMP3)
            try {
                bridge_.stopConversionWavToMP3();
            } catch (...) {
            }
        std::this_thread::sleep_for(kStopRepeat);
    }
    worker_.join();
}

void TWaveToMP3ConversionForm::Message(const QString& text) { mp3::ShowExportMessage(this, text); }
