// TMainForm: the commands. The effect switches, the File menu (the work is
// DocumentCommands'), dropping a wave file, closing, the preferences, help
// and About.
#include <QAction>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QUrl>

#include "auc_preference_form.h"
#include "dialogs/dialogs.h"
#include "document_commands.h"
#include "effect_controls.h"
#include "decode_progress_form.h"
#include "help_window.h"
#include "live_mode.h"
#include "media_export_form.h"
#include "mainform.h"
#include "voice_player.h"
#include "voice_recorder.h"

using voice::Effect;

// ---- The effect switches -------------------------------------------------------------------

// Switching marks the voice changed (the effects run at the next play or
// export) and reaches a live voice at once.
void TMainForm::EffectButtonClick(Effect effect)
{
    effects_->ButtonClicked(effect);
    document_->MarkChanged();
    live_->SwitchesChanged();
}

void TMainForm::EffectMenuItemClick(Effect effect)
{
    effects_->MenuItemChosen(effect);
    document_->MarkChanged();
    live_->SwitchesChanged();
}

void TMainForm::EchoButtonClick() { EffectButtonClick(Effect::Echo); }
void TMainForm::ChorusButtonClick() { EffectButtonClick(Effect::Chorus); }
void TMainForm::FlangeButtonClick() { EffectButtonClick(Effect::Flange); }
void TMainForm::FadeInButtonClick() { EffectButtonClick(Effect::FadeIn); }
void TMainForm::fadeOutButtonClick() { EffectButtonClick(Effect::FadeOut); }
void TMainForm::BassOnlyButtonClick() { EffectButtonClick(Effect::BassOnly); }
void TMainForm::TrebleOnlyButtonClick() { EffectButtonClick(Effect::TrebleOnly); }
void TMainForm::RobotvoiceButtonClick() { EffectButtonClick(Effect::Robotvoice); }
void TMainForm::BackwardButtonClick() { EffectButtonClick(Effect::Backward); }
void TMainForm::SweepUpButtonClick() { EffectButtonClick(Effect::SweepUp); }
void TMainForm::SweepDownButtonClick() { EffectButtonClick(Effect::SweepDown); }
void TMainForm::SlowMonstButtonClick() { EffectButtonClick(Effect::SlowMonster); }
void TMainForm::FastSqueakButtonClick() { EffectButtonClick(Effect::FastSqueaker); }

void TMainForm::Echo1Click() { EffectMenuItemClick(Effect::Echo); }
void TMainForm::Chorus1Click() { EffectMenuItemClick(Effect::Chorus); }
void TMainForm::Flange1Click() { EffectMenuItemClick(Effect::Flange); }
void TMainForm::FadeIn1Click() { EffectMenuItemClick(Effect::FadeIn); }
void TMainForm::FadeOut1Click() { EffectMenuItemClick(Effect::FadeOut); }
void TMainForm::BassOnly1Click() { EffectMenuItemClick(Effect::BassOnly); }
void TMainForm::TrebleOnly1Click() { EffectMenuItemClick(Effect::TrebleOnly); }
void TMainForm::Robotvoice1Click() { EffectMenuItemClick(Effect::Robotvoice); }
void TMainForm::Backward1Click() { EffectMenuItemClick(Effect::Backward); }
void TMainForm::SweepUp1Click() { EffectMenuItemClick(Effect::SweepUp); }
void TMainForm::SweepDown1Click() { EffectMenuItemClick(Effect::SweepDown); }
void TMainForm::SlowMonster1Click() { EffectMenuItemClick(Effect::SlowMonster); }
void TMainForm::FastSqeaker1Click() { EffectMenuItemClick(Effect::FastSqueaker); }

void TMainForm::PitchBarChange()
{
    document_->MarkChanged();
    live_->SwitchesChanged();
}

// ---- The File menu -----------------------------------------------------------------------

void TMainForm::Inform(const QString& text)
{
    platform::ShowMessage(text, kApplicationTitle, this);
}

bool TMainForm::IsBusy()
{
    const bool recording = recorder_->IsRecording();
    if (recording)
        Inform("Please Wait until recording is over");
    else if (player_->IsPlaying())
        Inform("Please Wait until playback is over");
    return recording || player_->IsPlaying();
}

bool TMainForm::RefusedWhileLive()
{
    if (live_->Running())
        Inform("Please turn Live Voice off first");
    return live_->Running();
}

void TMainForm::ShowCaption(const QString& documentCaption)
{
    documentCaption_ = documentCaption;
    setWindowTitle(live_->Running() ? documentCaption + " - Live" : documentCaption);
}

void TMainForm::EnableVoiceCommands(bool enabled)
{
    Save1->setEnabled(enabled);
    SaveAs1->setEnabled(enabled);
    Export1->menuAction()->setEnabled(enabled);
}

void TMainForm::SetSampleFolder(const QString& folder) { document_->SetSampleFolder(folder); }

void TMainForm::OpenNamedFile(const QString& path)
{
    if (IsBusy())
        return;
    if (QFileInfo(path).isFile())
        document_->OpenFile(path);
    else
        Inform("Error: The file named " + path + " does not exist.");
}

// Every command that replaces, writes or exports the voice waits for a
// running recording or playback; those that replace or export it also for
// the end of Live Voice.
void TMainForm::New1Click()
{
    if (!IsBusyOrLive())
        document_->New();
}

void TMainForm::Open1Click()
{
    if (!IsBusyOrLive())
        document_->Open();
}

void TMainForm::SF1ButtonClick()
{
    if (!IsBusyOrLive())
        document_->LoadSampleVoice(1);
}

void TMainForm::SF2ButtonClick()
{
    if (!IsBusyOrLive())
        document_->LoadSampleVoice(2);
}

void TMainForm::SF3ButtonClick()
{
    if (!IsBusyOrLive())
        document_->LoadSampleVoice(3);
}

void TMainForm::Save1Click()
{
    if (!IsBusy())
        document_->Save();
}

void TMainForm::SaveAs1Click()
{
    if (!IsBusy())
        document_->SaveAs();
}

void TMainForm::ExportToWaveFormat1Click()
{
    if (!IsBusyOrLive())
        document_->ExportToWave();
}

void TMainForm::ExportToMP3FileClick()
{
    if (!IsBusyOrLive() && mp3ConversionForm_)
        document_->ExportToMp3(*mp3ConversionForm_);
}

// Whether a file was written comes back here; the library's dialog has
// already told the user why when it was not.
void TMainForm::ExportToRealAudioFormat1Click()
{
    if (!IsBusyOrLive())
        document_->ExportToRealAudio();
}

void TMainForm::ExportToOpusFileClick()
{
    if (IsBusyOrLive())
        return;
    TMediaExportForm form(MediaExportKind::Opus, this);
    document_->ExportToMedia(form);
}

void TMainForm::ExportToFLACFileClick()
{
    if (IsBusyOrLive())
        return;
    TMediaExportForm form(MediaExportKind::Flac, this);
    document_->ExportToMedia(form);
}

// ---- Closing -------------------------------------------------------------------------------

// Exit and the window's close button: a running recording is stopped and
// kept as the voice, a recorded voice never saved is asked about, and only
// then do the playback and Live Voice stop (the virtual devices go) and the
// window close.
void TMainForm::closeEvent(QCloseEvent* event)
{
    if (document_->Busy()) {
        event->ignore();
        return;
    }
    if (recorder_->IsRecording() && StopRecording())
        EnableVoiceCommands(true);
    if (!document_->KeepRecordedVoice()) {
        event->ignore();
        return;
    }
    if (player_->IsPlaying())
        player_->Stop();
    if (live_->Running())
        EndLiveMode();
    QMainWindow::closeEvent(event);
}

void TMainForm::Exit1Click() { close(); }

// ---- Dropping a wave file ------------------------------------------------------------------------

// The one local file a drag carries, or an empty string. Whether it holds
// sound is for the opening to find out, with its message.
QString TMainForm::DroppedVoiceFile(const QMimeData* data) const
{
    if (!data || !data->hasUrls() || data->urls().size() != 1)
        return QString();
    const QUrl url = data->urls().front();
    if (!url.isLocalFile())
        return QString();
    const QString path = url.toLocalFile();
    return QFileInfo(path).isFile() ? path : QString();
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
            if (!IsBusyOrLive())
                document_->OpenFile(path);
        },
        Qt::QueuedConnection);
}

// ---- Preferences --------------------------------------------------------------------------

void TMainForm::SetPreferenceForm(prefs::TAucPreferenceForm* form)
{
    if (preferenceForm_)
        disconnect(preferenceForm_, nullptr, CheckForUpdates1, nullptr);
    preferenceForm_ = form;
    if (form)
        connect(form, &prefs::TAucPreferenceForm::CheckForUpdatesEnabledChanged, CheckForUpdates1,
                &QAction::setEnabled);
}

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

// ---- Help and About ------------------------------------------------------------------------------

void TMainForm::About1Click()
{
    platform::MessageRequest request;
    request.caption = QString("About ") + kApplicationTitle;
    request.text = QString(kApplicationTitle) + "\n" + help_window::VersionText(PARROTEL_VERSION);
    request.icon = platform::MessageIcon::Information;
    request.owner = this;
    platform::ShowMessage(request);
}

void TMainForm::HelpTopics1Click()
{
    const QString index = help_window::HelpIndexPath();
    if (!QFileInfo::exists(index)) {
        Inform("Error: The file named " + index + " does not exist.");
        return;
    }
    helpWindow_ = help_window::ShowHelpIndex(helpWindow_, this, index);
}
