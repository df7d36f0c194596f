// TMainForm: export to MP3 and to RealAudio, and the preferences commands.
#include <QAction>
#include <QDir>
#include <QFile>

#include <algorithm>
#include <array>
#include <cstring>

#include "auc_preference_form.h"
#include "export_files.h"
#include "main_feedback.h"
#include "mainform.h"
#include "realconv.h"
#include "wave_to_mp3_form.h"

using export_files::ExportFiles;

void TMainForm::SetMp3ConversionForm(TWaveToMP3ConversionForm* form)
{
    mp3ConversionForm_ = form;
}

void TMainForm::SetPreferenceForm(prefs::TAucPreferenceForm* form)
{
    if (preferenceForm_)
        disconnect(preferenceForm_, nullptr, CheckForUpdates1, nullptr);
    preferenceForm_ = form;
    if (form)
        connect(form, &prefs::TAucPreferenceForm::CheckForUpdatesEnabledChanged, CheckForUpdates1,
                &QAction::setEnabled);
}

// ---- The processed voice for an encoder ----------------------------------------------

std::unique_ptr<ExportFiles> TMainForm::WriteProcessedVoiceForExport()
{
    auto files = std::make_unique<ExportFiles>(export_files::TempFolder());
    if (!files->CreateProcessedFile()) {
        Inform("Cannot write file: " + files->processedPattern());
        return nullptr;
    }
    const bool written = ApplyEffects(files->processed());
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

// ---- MP3 ------------------------------------------------------------------------------------

// The dialog returns only after its conversion thread has ended, so the files
// may go as soon as it does.
void TMainForm::ExportVoiceToMp3()
{
    if (Voice.VoiceBytes() == 0 || !mp3ConversionForm_)
        return;
    LongWork work(*this);
    const std::unique_ptr<ExportFiles> files = WriteProcessedVoiceForExport();
    if (files)
        mp3ConversionForm_->PrepareAndShow(files->copy(),
                                           QDir(files->tempFolder()).filePath(export_files::kMp3DestinationName));
}

void TMainForm::ExportToMP3FileClick()
{
    if (!IsBusy())
        ExportVoiceToMp3();
}

// ---- RealAudio --------------------------------------------------------------------------

// RAExport returns only after its conversion thread has ended; what the user
// chose is of no further use here.
void TMainForm::ExportVoiceToRealAudio()
{
    if (Voice.VoiceBytes() == 0)
        return;
    LongWork work(*this);
    const std::unique_ptr<ExportFiles> files = WriteProcessedVoiceForExport();
    if (!files)
        return;
    const std::string proposed = export_files::DefaultRealAudioName(
        Voice.VoiceFileName, QFile::encodeName(files->tempFolder()).toStdString());
    std::array<char, export_files::kRealAudioPathBuffer> target{};
    std::memcpy(target.data(), proposed.data(), std::min(proposed.size(), target.size() - 1));
    QWidget* owner = this;
    RAExport(owner, QFile::encodeName(files->copy()).constData(), target.data());
}

void TMainForm::ExportToRealAudioFormat1Click()
{
    if (!IsBusy())
        ExportVoiceToRealAudio();
}

// ---- Preferences --------------------------------------------------------------------------

void TMainForm::Preferences1Click()
{
    if (preferenceForm_)
        preferenceForm_->exec();
}

void TMainForm::CheckForUpdates1Click()
{
    if (preferenceForm_)
        preferenceForm_->CheckForUpdates();
}
