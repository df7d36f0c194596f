// TWaveToMP3ConversionForm: the MP3 export dialog. The user picks an encoder
// ("Lame Encoder", the program's own LAME route, or "Windows ACM Default",
// libmp3bridge) and a bit rate, then a file name; a worker thread converts
// while a 500 ms timer shows its progress. Everything the worker's end does
// to the window happens on the GUI thread.
#pragma once

#include <QDialog>
#include <QStringList>

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

#include "codec_message_form.h"
#include "mp3_bridge_api.h"

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

class TWaveToMP3ConversionForm : public QDialog {
    Q_OBJECT
public:
    // codecMessageForm: the form shown when the system codec only decodes;
    // the dialog makes its own when none is given.
    explicit TWaveToMP3ConversionForm(QWidget* parent = nullptr, TCodecMessageForm* codecMessageForm = nullptr);
    ~TWaveToMP3ConversionForm() override;

    // Prepares the dialog for one export of sourceWave and shows it modally.
    // Returns when the dialog has closed and the conversion thread has ended,
    // so the caller may then delete the source; true when an MP3 file was
    // written (its path is destination()).
    bool PrepareAndShow(const QString& sourceWave, const QString& defaultDestination);
    QString destination() const { return QString::fromStdString(job_.destination); }

    // The LAME library's file name (libmp3lame.so.0 unless set).
    void SetLameLibrary(const QString& fileName) { lameLibrary_ = fileName.toStdString(); }
    // The system route's functions (libmp3bridge unless set).
    void SetMp3Bridge(mp3::Mp3BridgeApi bridge) { bridge_ = std::move(bridge); }
    void SetUrlOpener(UrlOpener opener);
    TCodecMessageForm* codecMessageForm() const { return codecMessageForm_; }

    // The bit rates each route offers for the prepared source.
    const QStringList& lameBitrates() const { return lameList_; }
    const QStringList& acmBitrates() const { return acmList_; }
    bool isConverting() const { return converting_; }
    int16_t lastResult() const { return lastResult_; }

    QLabel* Label1;
    QComboBox* codecNamesComboBox;
    QLabel* Label2;
    QComboBox* BitRateComboBox;
    QProgressBar* ProgressBar1;
    QPushButton* StartButton;
    QPushButton* CancelBtn;
    QTimer* PercentTimer;

    void codecNamesComboBoxChange();
    void StartButtonClick();
    void CancelBtnClick();
    void PercentTimerTimer();

protected:
    // Escape, the window manager's close and Cancel all stop the conversion.
    void reject() override;

private:
    struct Job {
        std::string source;
        std::string destination;
        int kbit = 0;
    };

    bool Prepare(const QString& sourceWave, const QString& defaultDestination);
    bool CheckSystemCodec(bool lameAvailable);
    void BuildBitrateLists(bool lameAvailable);
    void StartWorker();
    void RunConversion(uint64_t jobNumber, const Job& job, bool lameRoute, const std::string& lameLibrary);
    void ConversionFinished(uint64_t jobNumber, int16_t result, bool bridgeRaised);
    void EndConversion();
    void StopConversion();
    void WaitForWorker();
    void Message(const QString& text);

    TCodecMessageForm* codecMessageForm_;
    mp3::Mp3BridgeApi bridge_;
    UrlOpener openUrl_;
    std::string lameLibrary_;

    Job job_;
    QStringList lameList_;
    QStringList acmList_;
    QString encoderName_;
    bool lameRoute_ = false;
    int16_t lastResult_ = 0;
    bool converting_ = false;
    bool succeeded_ = false;
    uint64_t jobNumber_ = 0;

    std::thread worker_;
    std::atomic<bool> workerDone_{true};
    std::atomic<bool> lameStop_{false};
    std::atomic<int16_t> lamePercent_{0};
};
