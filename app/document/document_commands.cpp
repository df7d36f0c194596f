#include "document_commands.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <array>
#include <cstring>

#include "application_title.h"
#include "dialogs/dialogs.h"
#include "export_files.h"
#include "media_export_form.h"
#include "realconv.h"
#include "time_readout.h"
#include "wave_format.h"
#include "wave_to_mp3_form.h"

using export_files::ExportFiles;

namespace {

const QString kWaveFilter = "Wave Files (*.wav)";
const QString kWaveExtension = "wav";
const QString kCaptionPrefix = "Warblecast - ";

std::string LocalPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

QString FromLocalPath(const std::string& path) { return QFile::decodeName(path.c_str()); }

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

// The wait cursor for the lifetime of a load; the arrow comes back however
// the load ends.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace

// Marks the document busy for the lifetime of a long piece of work.
class DocumentCommands::Work {
public:
    explicit Work(DocumentCommands& document) : document_(document) { ++document_.busy_; }
    ~Work() { --document_.busy_; }
    Work(const Work&) = delete;
    Work& operator=(const Work&) = delete;

private:
    DocumentCommands& document_;
};

DocumentCommands::DocumentCommands(DocumentView& view)
    : view_(view), sampleFolder_(QCoreApplication::applicationDirPath())
{
}

void DocumentCommands::Inform(const QString& text) { view_.ShowMessage(LocalPath(text)); }

// ---- The voice ---------------------------------------------------------------------

void DocumentCommands::ClearVoice()
{
    voice_.ReleaseSamples();
    voice_.ProcessedBytes = 0;
    view_.ShowReadout(voice::kClearedTimeReadout);
    voice_.VoiceChanged = false;
    voice_.VoiceFileName.clear();
    decodedFrom_.clear();
    unsavedRecording_ = false;
    UpdateCaption();
    ShowVoice();
}

// A decoded voice shows the name of the file it came from.
void DocumentCommands::UpdateCaption()
{
    const std::string& shown = voice_.VoiceFileName.empty() ? decodedFrom_ : voice_.VoiceFileName;
    if (shown.empty())
        view_.ShowCaption(kCaptionPrefix + "New File");
    else
        view_.ShowCaption(kCaptionPrefix + QFileInfo(FromLocalPath(shown)).fileName());
}

QString DocumentCommands::VoiceNameWith(const QString& extension) const
{
    const std::string& name = voice_.VoiceFileName.empty() ? decodedFrom_ : voice_.VoiceFileName;
    if (name.empty())
        return QDir(export_files::UserAudioFolder()).filePath("voice." + extension);
    const QFileInfo file(FromLocalPath(name));
    return file.dir().filePath(file.completeBaseName() + "." + extension);
}

void DocumentCommands::ShowVoice() { view_.ShowWaveData(voice_.VoiceData.data(), voice_.VoiceBytes()); }

void DocumentCommands::ShowVoiceLength()
{
    view_.ShowReadout(QString::fromStdString(voice::TimeReadoutText(voice::VoiceLengthMs(voice_.VoiceBytes()))));
}

bool DocumentCommands::RunEffects(const QString& fileName)
{
    Work work(*this);
    return voice::ApplyEffects(voice_, view_.Switches(), LocalPath(fileName), view_);
}

// ---- Loading -----------------------------------------------------------------------------

void DocumentCommands::New()
{
    if (!KeepRecordedVoice())
        return;
    view_.ResetSwitches();
    ClearVoice();
    view_.EnableVoiceCommands(false);
}

void DocumentCommands::Open()
{
    platform::FileDialogRequest request =
        WaveFileDialog(platform::FileDialogKind::Open, "Open a Voice File", view_.DialogOwner());
    request.filter = voice::kOpenVoiceFilter;
    const QString path = platform::AskFileName(request);
    if (!path.isEmpty())
        OpenFile(path);
}

void DocumentCommands::OpenFile(const QString& path)
{
    if (KeepRecordedVoice())
        LoadVoiceFile(path);
}

void DocumentCommands::LoadSampleVoice(int number)
{
    const QString path = sampleFolder_ + QString("/SF%1.WAV").arg(number);
    if (!QFileInfo::exists(path)) {
        Inform("Error: The file named " + path + " does not exist.");
        return;
    }
    OpenFile(path);
}

void DocumentCommands::LoadVoiceFile(const QString& path)
{
    ClearVoice();
    view_.ResetSwitches();
    // The defaults, unless the file has settings of its own.
    voice::EffectSettings settings = voice::CaptureSettings(view_.Switches());
    voice::OpenedVoice opened;
    {
        Work work(*this);
        WaitCursor wait;
        opened = voice::OpenVoiceFile(LocalPath(path), settings, view_, decoder_);
        const bool read = bool(opened.samples);
        if (!voice_.AdoptVoice(std::move(opened.samples)) && read)
            Inform("Unable to allocate memory");
    }
    if (opened.origin == voice::VoiceOrigin::WaveFile)
        voice_.VoiceFileName = LocalPath(path);
    else if (opened.origin == voice::VoiceOrigin::Decoded)
        decodedFrom_ = LocalPath(path);
    ShowVoiceLength();
    view_.RestoreSwitches(settings);
    if (voice_.VoiceBytes() <= 0) {
        ClearVoice();
        return;
    }
    // Not yet in any wave file: Save asks where to put it.
    if (!decodedFrom_.empty())
        voice_.VoiceChanged = true;
    UpdateCaption();
    ShowVoice();
    view_.EnableVoiceCommands(true);
}

// ---- Recording ---------------------------------------------------------------------------

void DocumentCommands::ClearForRecording(Switches switches)
{
    if (switches == Switches::Reset)
        view_.ResetSwitches();
    ClearVoice();
}

// A file the reader refuses (or none at all) leaves no voice, with the
// reader's own message; only a voice without memory for its working copy
// counts as a failure.
void DocumentCommands::AdoptRecording(const std::string& path)
{
    bool loaded = true;
    {
        Work work(*this);
        WaitCursor wait;
        voice::EffectSettings discarded = voice::CaptureSettings(view_.Switches());
        voice::SampleBlock samples = voice::ReadWaveFile(path, discarded, view_);
        if (samples && !voice_.AdoptVoice(std::move(samples))) {
            Inform("cannot allocate memory!!!");
            loaded = false;
        }
    }
    if (loaded) {
        ShowVoiceLength();
        ShowVoice();
    } else {
        Inform("Create final buffer failed.");
    }
    voice_.VoiceChanged = true;
    unsavedRecording_ = true;
}

// Busy meanwhile: a second close request while the question shows must not
// ask again.
bool DocumentCommands::KeepRecordedVoice()
{
    if (!HoldsUnsavedRecording())
        return true;
    Work work(*this);
    platform::MessageRequest question;
    question.text = "Save the recorded voice?";
    question.caption = kApplicationTitle;
    question.buttons = platform::MessageButtons::SaveDiscardCancel;
    question.icon = platform::MessageIcon::Question;
    question.owner = view_.DialogOwner();
    switch (platform::ShowMessage(question)) {
    case platform::MessageAnswer::Save:
        return SaveAs();
    case platform::MessageAnswer::Discard:
        return true;
    default:
        return false;
    }
}

// ---- Saving ------------------------------------------------------------------------------

// Writes the unprocessed voice with its effect settings to VoiceFileName;
// says so when the file cannot be written.
bool DocumentCommands::WriteVoiceFile()
{
    const voice::EffectSettings settings = voice::CaptureSettings(view_.Switches());
    const auto& format = voice::VoiceFormat;
    if (voice::WriteWaveFile(voice_.VoiceFileName, format.samplesPerSecond, format.bitsPerSample, format.channels,
                             voice_.VoiceData.data(), voice_.VoiceBytes(), &settings)) {
        unsavedRecording_ = false;
        return true;
    }
    Inform("Cannot write file: " + FromLocalPath(voice_.VoiceFileName));
    return false;
}

void DocumentCommands::Save()
{
    if (!voice_.VoiceChanged || voice_.VoiceBytes() == 0)
        return;
    if (voice_.VoiceFileName.empty() && !SaveAs())
        return;
    if (WriteVoiceFile())
        voice_.VoiceChanged = false;
}

// A failed write keeps the voice's previous file name: the voice is still
// where it was, not in the file that could not be written.
bool DocumentCommands::SaveAs()
{
    if (voice_.VoiceBytes() == 0)
        return false;
    platform::FileDialogRequest request =
        WaveFileDialog(platform::FileDialogKind::Save, "Save Voice As File", view_.DialogOwner());
    if (!decodedFrom_.empty())
        request.initialName = FromLocalPath(voice::WaveNameFor(decodedFrom_));
    const QString path = platform::AskFileName(request);
    if (path.isEmpty())
        return false;
    const std::string previousName = voice_.VoiceFileName;
    voice_.VoiceFileName = LocalPath(path);
    UpdateCaption();
    if (WriteVoiceFile()) {
        decodedFrom_.clear();  // the voice is now this wave file's
        return true;
    }
    voice_.VoiceFileName = previousName;
    UpdateCaption();
    return false;
}

// ---- Exporting ---------------------------------------------------------------------------

void DocumentCommands::ExportToWave()
{
    if (voice_.VoiceBytes() == 0)
        return;
    const QString path = platform::AskFileName(
        WaveFileDialog(platform::FileDialogKind::Save, "Export File As", view_.DialogOwner()));
    if (path.isEmpty())
        return;
    if (!RunEffects(path))
        Inform("Cannot write file: " + path);
    ShowVoice();
}

std::unique_ptr<ExportFiles> DocumentCommands::WriteProcessedVoiceForExport()
{
    auto files = std::make_unique<ExportFiles>(export_files::TempFolder());
    if (!files->CreateProcessedFile()) {
        Inform("Cannot write file: " + files->processedPattern());
        return nullptr;
    }
    const bool written = RunEffects(files->processed());
    ShowVoice();
    if (!written) {
        Inform("Cannot write file: " + files->processed());
        return nullptr;
    }
    if (!files->CopyForEncoder()) {
        Inform("Cannot write file: " + (files->copy().isEmpty() ? files->copyPattern() : files->copy()));
        return nullptr;
    }
    return files;
}

// The dialog returns only after its conversion thread has ended, so the files
// may go as soon as it does.
void DocumentCommands::ExportToMp3(TWaveToMP3ConversionForm& form)
{
    if (voice_.VoiceBytes() == 0)
        return;
    Work work(*this);
    const std::unique_ptr<ExportFiles> files = WriteProcessedVoiceForExport();
    if (files)
        form.PrepareAndShow(files->copy(), QDir(files->tempFolder()).filePath(export_files::kMp3DestinationName));
}

// RAExport returns only after its conversion thread has ended.
bool DocumentCommands::ExportToRealAudio()
{
    if (voice_.VoiceBytes() == 0)
        return false;
    Work work(*this);
    const std::unique_ptr<ExportFiles> files = WriteProcessedVoiceForExport();
    if (!files)
        return false;
    const std::string proposed =
        export_files::DefaultRealAudioName(voice_.VoiceFileName, QFile::encodeName(files->tempFolder()).toStdString(),
                                           QFile::encodeName(export_files::UserAudioFolder()).toStdString());
    std::array<char, export_files::kRealAudioPathBuffer> target{};
    std::memcpy(target.data(), proposed.data(), std::min(proposed.size(), target.size() - 1));
    QWidget* owner = view_.DialogOwner();
    return RAExport(owner, QFile::encodeName(files->copy()).constData(), target.data()) == 0;
}

// The dialog returns only after its export thread has ended.
void DocumentCommands::ExportToMedia(TMediaExportForm& form)
{
    if (voice_.VoiceBytes() == 0)
        return;
    Work work(*this);
    const std::unique_ptr<ExportFiles> files = WriteProcessedVoiceForExport();
    if (files)
        form.PrepareAndShow(files->copy(), VoiceNameWith(form.FileExtension()));
}
