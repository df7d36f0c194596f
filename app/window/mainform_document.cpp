// TMainForm: the voice document commands (New, Open, the sample voices, Save,
// Save As, Export to wave, dropping a wave file), the caption, the time
// read-out, help and About.
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QTextBrowser>
#include <QUrl>

#include "dialogs/dialogs.h"
#include "main_feedback.h"
#include "mainform.h"
#include "prtlwpnl.h"
#include "time_readout.h"
#include "wave_format.h"

namespace {

const QString kWaveFilter = "Wave Files (*.wav)";
const QString kWaveExtension = "wav";
const QString kCaptionPrefix = "Warblecast - ";

std::string LocalPath(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

QString FromLocalPath(const std::string& path)
{
    return QFile::decodeName(path.c_str());
}

platform::FileDialogRequest WaveFileDialog(platform::FileDialogKind kind, const QString& title, QWidget* owner)
{
    platform::FileDialogRequest request;
    request.kind = kind;
    request.title = title;
    request.filter = kWaveFilter;
    request.defaultExtension = kWaveExtension;
    request.promptOverwrite = kind == platform::FileDialogKind::Save;
    request.mustExist = true;
    request.owner = owner;
    return request;
}

}  // namespace

void TMainForm::Inform(const QString& text)
{
    platform::ShowMessage(text, kApplicationTitle, this);
}

bool TMainForm::IsBusy()
{
    if (recording)
        Inform("Please Wait until recording is over");
    else if (playing)
        Inform("Please Wait until playback is over");
    return recording || playing;
}

void TMainForm::EnableVoiceCommands(bool enabled)
{
    Save1->setEnabled(enabled);
    SaveAs1->setEnabled(enabled);
    Export1->menuAction()->setEnabled(enabled);
}

// ---- The voice ---------------------------------------------------------------------

void TMainForm::ClearVoice()
{
    Voice.ReleaseSamples();
    Voice.ProcessedBytes = 0;
    timeDisplay->setText(voice::kClearedTimeReadout);
    Voice.VoiceChanged = false;
    Voice.VoiceFileName.clear();
    UpdateCaption();
    ShowVoice();
}

void TMainForm::UpdateCaption()
{
    if (Voice.VoiceFileName.empty())
        setWindowTitle(kCaptionPrefix + "New File");
    else
        setWindowTitle(kCaptionPrefix + QFileInfo(FromLocalPath(Voice.VoiceFileName)).fileName());
}

void TMainForm::ShowVoice()
{
    WaveDisplay->SetWaveData(Voice.VoiceData.data(), Voice.VoiceBytes());
    WaveDisplay->SetStartingPosition(0);
}

void TMainForm::ShowTime(uint32_t thirtySeconds)
{
    const bool running = recording || Voice.VoiceBytes() > 0;
    const uint32_t ms = running ? voice::ThirtySecondsToMs(thirtySeconds) : 0;
    timeDisplay->setText(QString::fromStdString(voice::TimeReadoutText(ms)));
}

void TMainForm::ShowVoiceLength()
{
    timeDisplay->setText(QString::fromStdString(voice::TimeReadoutText(voice::VoiceLengthMs(Voice.VoiceBytes()))));
}

void TMainForm::LoadVoiceFile(const QString& path)
{
    ClearVoice();
    Voice.VoiceFileName = LocalPath(path);
    ResetEffects();
    voice::EffectSettings settings = CaptureSettings();  // the defaults, unless the file has its own
    {
        LongWork work(*this);
        WaitCursor wait;
        voice::SampleBlock samples = voice::ReadWaveFile(Voice.VoiceFileName, settings, *feedback_);
        const bool read = bool(samples);
        if (!Voice.AdoptVoice(std::move(samples)) && read)
            Inform("Unable to allocate memory");
    }
    ShowVoiceLength();
    RestoreSettings(settings);
    if (Voice.VoiceBytes() <= 0) {
        ClearVoice();
        return;
    }
    UpdateCaption();
    ShowVoice();
    EnableVoiceCommands(true);
}

void TMainForm::LoadSampleVoice(int number)
{
    const QString path = sampleFolder_ + QString("/SF%1.WAV").arg(number);
    if (!QFileInfo::exists(path)) {
        Inform("Error: The file named " + path + " does not exist.");
        return;
    }
    LoadVoiceFile(path);
}

// ---- Saving and exporting ------------------------------------------------------------------

// Writes the unprocessed voice with its effect settings to VoiceFileName;
// says so when the file cannot be written.
bool TMainForm::WriteVoiceFile()
{
    const voice::EffectSettings settings = CaptureSettings();
    const auto& format = voice::VoiceFormat;
    if (voice::WriteWaveFile(Voice.VoiceFileName, format.samplesPerSecond, format.bitsPerSample, format.channels,
                             Voice.VoiceData.data(), Voice.VoiceBytes(), &settings))
        return true;
    Inform("Cannot write file: " + FromLocalPath(Voice.VoiceFileName));
    return false;
}

void TMainForm::SaveVoice()
{
    if (!Voice.VoiceChanged || Voice.VoiceBytes() == 0)
        return;
    if (Voice.VoiceFileName.empty() && !SaveVoiceAs())
        return;
    if (WriteVoiceFile())
        Voice.VoiceChanged = false;
}

// A failed write keeps the voice's previous file name: the voice is still
// where it was, not in the file that could not be written.
bool TMainForm::SaveVoiceAs()
{
    if (Voice.VoiceBytes() == 0)
        return false;
    const QString path =
        platform::AskFileName(WaveFileDialog(platform::FileDialogKind::Save, "Save Voice As File", this));
    if (path.isEmpty())
        return false;
    const std::string previousName = Voice.VoiceFileName;
    Voice.VoiceFileName = LocalPath(path);
    UpdateCaption();
    if (WriteVoiceFile())
        return true;
    Voice.VoiceFileName = previousName;
    UpdateCaption();
    return false;
}

void TMainForm::ExportVoice()
{
    if (Voice.VoiceBytes() == 0)
        return;
    const QString path = platform::AskFileName(WaveFileDialog(platform::FileDialogKind::Save, "Export File As", this));
    if (path.isEmpty())
        return;
    if (!ApplyEffects(path))
        Inform("Cannot write file: " + path);
    ShowVoice();
}

// ---- Command handlers --------------------------------------------------------------------------

void TMainForm::New1Click()
{
    if (IsBusy())
        return;
    ResetEffects();
    ClearVoice();
    EnableVoiceCommands(false);
}

void TMainForm::Open1Click()
{
    if (IsBusy())
        return;
    const QString path =
        platform::AskFileName(WaveFileDialog(platform::FileDialogKind::Open, "Open a Voice File", this));
    if (!path.isEmpty())
        LoadVoiceFile(path);
}

// Loading a sample voice replaces the voice like Open, so it waits for a
// running recording or playback as Open does.
void TMainForm::SF1ButtonClick()
{
    if (!IsBusy())
        LoadSampleVoice(1);
}

void TMainForm::SF2ButtonClick()
{
    if (!IsBusy())
        LoadSampleVoice(2);
}

void TMainForm::SF3ButtonClick()
{
    if (!IsBusy())
        LoadSampleVoice(3);
}

void TMainForm::Save1Click()
{
    if (!IsBusy())
        SaveVoice();
}

void TMainForm::SaveAs1Click()
{
    if (!IsBusy())
        SaveVoiceAs();
}

void TMainForm::ExportToWaveFormat1Click()
{
    if (!IsBusy())
        ExportVoice();
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    if (longWork_ > 0)
        event->ignore();
    else
        QMainWindow::closeEvent(event);
}

void TMainForm::Exit1Click()
{
    if (playing)
        StopPlayback();
    close();
}

// ---- Dropping a wave file ------------------------------------------------------------------------

// The one local .wav file a drag carries, or an empty string.
QString TMainForm::DroppedVoiceFile(const QMimeData* data) const
{
    if (!data || !data->hasUrls() || data->urls().size() != 1)
        return QString();
    const QUrl url = data->urls().front();
    if (!url.isLocalFile())
        return QString();
    const QString path = url.toLocalFile();
    return QFileInfo(path).suffix().compare(kWaveExtension, Qt::CaseInsensitive) == 0 ? path : QString();
}

void TMainForm::dragEnterEvent(QDragEnterEvent* event)
{
    if (!DroppedVoiceFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* event)
{
    const QString path = DroppedVoiceFile(event->mimeData());
    if (path.isEmpty())
        return;
    event->acceptProposedAction();
    // Opened once the drop is over, so the program the file came from is not
    // kept waiting by a message or a long conversion.
    QMetaObject::invokeMethod(
        this,
        [this, path] {
            if (!IsBusy())
                LoadVoiceFile(path);
        },
        Qt::QueuedConnection);
}

// ---- Help and About ------------------------------------------------------------------------------

QString TMainForm::ProgramFolder()
{
    return QCoreApplication::applicationDirPath();
}

QString TMainForm::VersionText(const QString& version)
{
    return "Version " + (version.isEmpty() ? QString("No Version Information Found") : version);
}

void TMainForm::About1Click()
{
    platform::MessageRequest request;
    request.caption = QString("About ") + kApplicationTitle;
    request.text = QString(kApplicationTitle) + "\n" + VersionText(PARROTEL_VERSION);
    request.icon = platform::MessageIcon::Information;
    request.owner = this;
    platform::ShowMessage(request);
}

QString TMainForm::HelpIndexPath()
{
    const QString beside = ProgramFolder() + "/help/index.html";
    const QString installed = QDir::cleanPath(ProgramFolder() + "/" PARROTEL_INSTALLED_HELP "/index.html");
    return QFileInfo::exists(beside) || !QFileInfo::exists(installed) ? beside : installed;
}

void TMainForm::HelpTopics1Click()
{
    const QString index = HelpIndexPath();
    if (!QFileInfo::exists(index)) {
        Inform("Error: The file named " + index + " does not exist.");
        return;
    }
    if (!helpWindow_) {
        helpWindow_ = new QTextBrowser(this);
        helpWindow_->setObjectName("HelpWindow");
        helpWindow_->setWindowFlag(Qt::Window);
        helpWindow_->setWindowTitle(QString(kApplicationTitle) + " Help");
        helpWindow_->setOpenExternalLinks(true);
        helpWindow_->resize(640, 520);
    }
    helpWindow_->setSource(QUrl::fromLocalFile(index));
    helpWindow_->show();
    helpWindow_->raise();
    helpWindow_->activateWindow();
}
