#include "decode_progress_form.h"

#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <thread>

#include "bridge_decoder.h"

namespace {

constexpr int kPercentIntervalMs = 100;
constexpr int kWidth = 380;

}  // namespace

TDecodeProgressForm::TDecodeProgressForm(QWidget* parent, media::MediaFunctions functions)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      functions_(functions)
{
    setObjectName("DecodeProgressForm");
    setWindowTitle(QStringLiteral("Warblecast"));
    setModal(true);
    setFixedWidth(kWidth);
    FileLabel = new QLabel(this);
    FileLabel->setTextFormat(Qt::PlainText);
    ProgressBar = new QProgressBar(this);
    ProgressBar->setRange(0, 100);
    CancelButton = new QPushButton(QStringLiteral("&Cancel"), this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(FileLabel);
    layout->addWidget(ProgressBar);
    layout->addWidget(CancelButton, 0, Qt::AlignRight);
    percentTimer_ = new QTimer(this);
    percentTimer_->setInterval(kPercentIntervalMs);
    connect(percentTimer_, &QTimer::timeout, this, [this] { ProgressBar->setValue(percent_.load()); });
    connect(CancelButton, &QPushButton::clicked, this, [this] { reject(); });
}

voice::MediaDecoder::Result TDecodeProgressForm::Decode(const std::string& path, int32_t maxBytes,
                                                        voice::SampleBlock& voice)
{
    const uint64_t job = ++job_;
    stop_ = false;
    percent_ = 0;
    {
        std::lock_guard lock(mutex_);
        finished_ = false;
    }
    Result result = Result::Undecodable;
    voice::SampleBlock decoded;
    std::thread worker([&, job] {
        media::BridgeDecoder decoder(functions_, [this](int32_t percent) { percent_ = percent; }, &stop_);
        result = decoder.Decode(path, maxBytes, decoded);
        {
            std::lock_guard lock(mutex_);
            finished_ = true;
        }
        finishedChanged_.notify_all();
        QMetaObject::invokeMethod(this, [this, job] { WorkerFinished(job); }, Qt::QueuedConnection);
    });
    // Most files decode in a moment: the window would only flicker.
    if (!WaitForWorker(showDelay_)) {
        FileLabel->setText(QStringLiteral("Opening %1 ...").arg(QFileInfo(QString::fromStdString(path)).fileName()));
        ProgressBar->setValue(percent_.load());
        CancelButton->setEnabled(true);
        percentTimer_->start();
        ++timesShown_;
        exec();
        percentTimer_->stop();
    }
    worker.join();
    if (result == Result::Ok)
        voice = std::move(decoded);
    return result;
}

bool TDecodeProgressForm::WaitForWorker(std::chrono::milliseconds limit)
{
    std::unique_lock lock(mutex_);
    return finishedChanged_.wait_for(lock, limit, [this] { return finished_; });
}

// On the GUI thread, once the worker is done; a message of an earlier decode
// (one that never showed the window) changes nothing.
void TDecodeProgressForm::WorkerFinished(uint64_t job)
{
    if (job == job_ && isVisible())
        done(stop_ ? QDialog::Rejected : QDialog::Accepted);
}

void TDecodeProgressForm::reject()
{
    // The window stays until the decoder has stopped.
    stop_ = true;
    CancelButton->setEnabled(false);
    FileLabel->setText(QStringLiteral("Stopping ..."));
    std::lock_guard lock(mutex_);
    if (finished_)
        QDialog::reject();
}
