// TMediaExportForm: the Opus and FLAC export dialogs, in the pattern of the
// MP3 dialog. Opus offers a bit rate (32 kbit/s for a voice unless chosen
// otherwise); FLAC is lossless at the voice's rate and asks nothing. Start
// asks for the file name, a worker thread exports through libmediabridge
// while a 500 ms timer shows its progress, and the result comes back to the
// GUI thread: "Export to <path> was successful." or the failure's message.
// Cancel stops the export; a stopped or failed export leaves no file.
#pragma once

#include <QDialog>
#include <QString>

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

#include "media_functions.h"

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

enum class MediaExportKind { Opus, Flac };

class TMediaExportForm : public QDialog {
public:
    explicit TMediaExportForm(MediaExportKind kind, QWidget* parent = nullptr,
                              media::MediaFunctions functions = media::LinkedMediaFunctions());
    ~TMediaExportForm() override;

    // Shows the dialog modally for one export of sourceWave (the processed
    // voice) and returns once it has closed and the worker has ended, so the
    // caller may then delete the source. True when a file was written (its
    // path is destination()). defaultDestination is the name the file
    // dialog proposes.
    bool PrepareAndShow(const QString& sourceWave, const QString& defaultDestination);
    QString destination() const { return QString::fromStdString(destination_); }
    bool isExporting() const { return exporting_; }
    // "opus" or "flac", without the dot.
    QString FileExtension() const;

    // The bit rates offered for Opus (kbit/s) and the one first chosen.
    static const int kOpusBitrates[];
    static constexpr int kOpusVoiceBitrate = MEDIA_OPUS_VOICE_BITRATE / 1000;

    QLabel* BitRateLabel;
    QComboBox* BitRateComboBox;  // hidden for FLAC
    QProgressBar* ProgressBar1;
    QPushButton* StartButton;
    QPushButton* CancelBtn;
    QTimer* PercentTimer;

    void StartButtonClick();

protected:
    // Escape, the close button and Cancel all stop the export.
    void reject() override;

private:
    void StartWorker(int kbit);
    void ExportFinished(uint64_t job, int32_t result);
    void StopAndWait();
    void Message(const QString& text);

    MediaExportKind kind_;
    media::MediaFunctions functions_;
    std::string source_;
    std::string destination_;
    QString proposedName_;
    bool exporting_ = false;
    bool succeeded_ = false;
    uint64_t job_ = 0;

    std::thread worker_;
    std::atomic<bool> stop_{false};
    std::atomic<int32_t> percent_{0};
};

// The message of a failed export, in the words of the MP3 export's table.
QString MediaExportFailureMessage(int32_t result);
