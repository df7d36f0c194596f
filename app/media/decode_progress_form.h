// TDecodeProgressForm: the window that a long decode shows. It is the
// window's MediaDecoder: Decode runs the decoder on a worker thread, and
// only when that takes longer than a moment does the window appear, modal,
// with the file's name, a progress bar and Cancel. Cancel (or Escape, or the
// close button) asks the decoder to stop; the window closes when the worker
// has ended, so Decode returns only then.
#pragma once

#include <QDialog>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "media_functions.h"
#include "voice_source.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

class TDecodeProgressForm : public QDialog, public voice::MediaDecoder {
public:
    explicit TDecodeProgressForm(QWidget* parent = nullptr,
                                 media::MediaFunctions functions = media::LinkedMediaFunctions());

    Result Decode(const std::string& path, int32_t maxBytes, voice::SampleBlock& voice) override;

    // How long a decode runs before the window shows.
    void SetShowDelay(std::chrono::milliseconds delay) { showDelay_ = delay; }
    // How often the window has been shown (for tests).
    int timesShown() const { return timesShown_; }

    QLabel* FileLabel;
    QProgressBar* ProgressBar;
    QPushButton* CancelButton;

protected:
    void reject() override;

private:
    bool WaitForWorker(std::chrono::milliseconds limit);
    void WorkerFinished(uint64_t job);

    media::MediaFunctions functions_;
    std::chrono::milliseconds showDelay_{400};
    QTimer* percentTimer_;
    int timesShown_ = 0;
    uint64_t job_ = 0;

    std::atomic<bool> stop_{false};
    std::atomic<int32_t> percent_{0};
    std::mutex mutex_;
    std::condition_variable finishedChanged_;
    bool finished_ = false;
};
