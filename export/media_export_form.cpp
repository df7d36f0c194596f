#include "media_export_form.h"

#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <system_error>

#include "conversion_messages.h"
#include "dialogs/dialogs.h"
#include "export_prompts.h"
#include "form_font.h"
#include "result_codes.h"

namespace {

constexpr int kClientWidth = 440;
constexpr int kClientHeight = 112;
constexpr int kPercentIntervalMs = 500;

struct KindTexts {
    QString title, filter, extension;
};

KindTexts TextsFor(MediaExportKind kind)
{
    if (kind == MediaExportKind::Opus)
        return {QStringLiteral("Export to Opus"), QStringLiteral("Opus files (*.opus *.ogg)"), QStringLiteral("opus")};
    return {QStringLiteral("Export to FLAC"), QStringLiteral("FLAC files (*.flac)"), QStringLiteral("flac")};
}

}  // namespace

const int TMediaExportForm::kOpusBitrates[] = {16, 24, 32, 48, 64, 96, 128};

QString TMediaExportForm::FileExtension() const { return TextsFor(kind_).extension; }

QString MediaExportFailureMessage(int32_t result)
{
    int16_t code = mp3::kCalculationError;
    switch (result) {
    case MEDIA_NO_ENCODER: code = mp3::kCodecNotFound; break;
    case MEDIA_NO_MEMORY: code = mp3::kNoMemory; break;
    case MEDIA_CANNOT_OPEN:
    case MEDIA_UNDECODABLE: code = mp3::kCannotOpenInputWave; break;
    case MEDIA_CANNOT_CREATE: code = mp3::kCannotOpenOutputFile; break;
    case MEDIA_DISK_FULL: code = mp3::kSpaceNotAvailable; break;
    case MEDIA_WRITE_FAILED: code = mp3::kFileCreatingError; break;
    }
    return mp3::ConversionResultMessage(code);
}

TMediaExportForm::TMediaExportForm(MediaExportKind kind, QWidget* parent, media::MediaFunctions functions)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), kind_(kind), functions_(functions)
{
    setWindowTitle(TextsFor(kind).title);
    setFont(mp3::DialogFont());
    setFixedSize(kClientWidth, kClientHeight);
    setModal(true);

    BitRateLabel = new QLabel(QStringLiteral("BitRate (kbit)"), this);
    BitRateLabel->setGeometry(12, 8, 112, 16);
    BitRateComboBox = new QComboBox(this);
    BitRateComboBox->setGeometry(12, 26, 112, 24);
    for (const int kbit : kOpusBitrates)
        BitRateComboBox->addItem(QString::number(kbit));
    const bool choosesRate = kind == MediaExportKind::Opus;
    BitRateLabel->setVisible(choosesRate);
    BitRateComboBox->setVisible(choosesRate);
    StartButton = new QPushButton(QStringLiteral("&Start"), this);
    StartButton->setGeometry(348, 12, 80, 26);
    StartButton->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("&Cancel"), this);
    CancelBtn->setGeometry(348, 46, 80, 26);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setGeometry(12, 82, 416, 18);
    ProgressBar1->setRange(0, 100);
    PercentTimer = new QTimer(this);
    PercentTimer->setInterval(kPercentIntervalMs);

    connect(StartButton, &QPushButton::clicked, this, [this] { StartButtonClick(); });
    connect(CancelBtn, &QPushButton::clicked, this, [this] { reject(); });
    connect(PercentTimer, &QTimer::timeout, this, [this] { ProgressBar1->setValue(percent_.load()); });
}

TMediaExportForm::~TMediaExportForm() { StopAndWait(); }

bool TMediaExportForm::PrepareAndShow(const QString& sourceWave, const QString& defaultDestination)
{
    source_ = sourceWave.toStdString();
    destination_ = defaultDestination.toStdString();
    proposedName_ = defaultDestination;
    succeeded_ = false;
    ProgressBar1->setValue(0);
    StartButton->setEnabled(true);
    BitRateComboBox->setCurrentText(QString::number(kOpusVoiceBitrate));
    exec();
    StopAndWait();
    return succeeded_;
}

void TMediaExportForm::StartButtonClick()
{
    const KindTexts texts = TextsFor(kind_);
    const QString name = mp3::AskExportFileName(this, texts.filter, texts.extension, proposedName_);
    if (name.isEmpty()) {
        reject();
        return;
    }
    if (name.trimmed().isEmpty())
        return;
    destination_ = name.toStdString();
    StartButton->setEnabled(false);
    StartWorker(BitRateComboBox->currentText().toInt());
}

void TMediaExportForm::StartWorker(int kbit)
{
    StopAndWait();  // an earlier worker has already posted its result
    stop_ = false;
    percent_ = 0;
    ProgressBar1->setValue(0);
    const uint64_t job = ++job_;
    try {
        worker_ = std::thread([this, job, kbit, source = source_, destination = destination_] {
            MediaCallbacks callbacks{};
            callbacks.context = this;
            callbacks.progress = [](void* self, int32_t percent) { static_cast<TMediaExportForm*>(self)->percent_ = percent; };
            callbacks.stopRequested = [](void* self) -> int32_t { return static_cast<TMediaExportForm*>(self)->stop_.load(); };
            const int32_t result = kind_ == MediaExportKind::Opus
                                       ? functions_.exportOpus(source.c_str(), destination.c_str(), kbit * 1000, &callbacks)
                                       : functions_.exportFlac(source.c_str(), destination.c_str(), &callbacks);
            QMetaObject::invokeMethod(this, [this, job, result] { ExportFinished(job, result); }, Qt::QueuedConnection);
        });
    } catch (const std::system_error&) {
        Message(QStringLiteral("Error In creating thread"));
        return;
    }
    exporting_ = true;
    PercentTimer->start();
}

void TMediaExportForm::ExportFinished(uint64_t job, int32_t result)
{
    // An export the user stopped ends quietly.
    if (job != job_ || !exporting_)
        return;
    exporting_ = false;
    PercentTimer->stop();
    StartButton->setEnabled(true);
    if (result == MEDIA_OK) {
        succeeded_ = true;
        Message(QStringLiteral("Export to %1 was successful.").arg(destination()));
        done(QDialog::Accepted);
    } else {
        Message(MediaExportFailureMessage(result));
        done(QDialog::Rejected);
    }
}

void TMediaExportForm::reject()
{
    exporting_ = false;
    PercentTimer->stop();
    stop_ = true;
    QDialog::reject();
}

void TMediaExportForm::StopAndWait()
{
    stop_ = true;
    if (worker_.joinable())
        worker_.join();
}

void TMediaExportForm::Message(const QString& text) { mp3::ShowExportMessage(this, text); }
