// "Export Sound to RealAudio": the output file, the clip's title, author and
// copyright and two options; Export converts on a worker thread while a
// progress bar runs. The controls carry their resource ids as object names
// ("1003" is the file box), so tests and scripts can find them.
#pragma once

#include <QDialog>
#include <QString>

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

class QCheckBox;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace realconv {

// What the dialog, its worker and RAExport share. Only the atomics are
// touched by the worker.
struct ExportState {
    std::string sourcePath;
    QString targetPath;
    std::atomic<bool> stop{false};     // set by Cancel or Close
    std::atomic<bool> running{false};  // a worker converts
    bool completed = false;            // the last conversion finished a file
    int32_t errorCode = 0;             // result of the last conversion
};

// The library's message texts.
inline constexpr char kMessageTitle[] = "Real Audio Conversion";
inline constexpr char kInvalidPathMessage[] = "Error: Invalid Path. Please select a valid path.";
inline constexpr char kOverwriteQuestion[] = "%s file already exists. Do you want to overwrite it?";

// Paths travel in 260-character buffers, the terminating zero included.
constexpr int kMaxPathBytes = 259;

// The controls' object names: the dialog's resource ids, by which hosts and
// tests find the controls.
namespace control {
inline constexpr char kProgressBar[] = "1000";
inline constexpr char kExportButton[] = "1002";
inline constexpr char kFileBox[] = "1003";
inline constexpr char kBrowseButton[] = "1004";
inline constexpr char kTitleBox[] = "1005";
inline constexpr char kAuthorBox[] = "1006";
inline constexpr char kCopyrightBox[] = "1008";
inline constexpr char kSelectiveRecordBox[] = "1010";
inline constexpr char kPerfectPlayBox[] = "1011";
inline constexpr char kEncoderLabel[] = "1013";
inline constexpr char kCancelButton[] = "2";
}  // namespace control

class ExportDialog : public QDialog {
public:
    ExportDialog(ExportState& state, QWidget* owner);
    // Waits for a worker that is still running.
    ~ExportDialog() override;

    // Cancel, Escape and the window's close button: ask the worker to stop;
    // the dialog ends when it has.
    void reject() override;

private:
    void buildControls();
    void browseClicked();
    void exportClicked();
    bool confirmTarget(const QString& path);
    void startWorker();
    void setControlsEnabled(bool enabled);
    void showProgress(int percent);
    void workerFinished(int32_t result);

    ExportState& state_;
    std::thread worker_;

    QLineEdit* fileBox_ = nullptr;
    QPushButton* browseButton_ = nullptr;
    QLineEdit* titleBox_ = nullptr;
    QLineEdit* authorBox_ = nullptr;
    QLineEdit* copyrightBox_ = nullptr;
    QCheckBox* selectiveRecordBox_ = nullptr;
    QCheckBox* perfectPlayBox_ = nullptr;
    QPushButton* exportButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    QProgressBar* progressBar_ = nullptr;
};

}  // namespace realconv
