// TMainForm: the sound. Play and Record, Live Voice, the timer's share while
// they run, and the mixer's sliders and record-source button; the work is
// done by VoicePlayer, VoiceRecorder, LiveMode and MixerPanel.
#include <QLabel>

#include <cmath>

#include "application_exit.h"
#include "dialogs/dialogs.h"
#include "document_commands.h"
#include "effect_controls.h"
#include "export_files.h"
#include "live_mode.h"
#include "mainform.h"
#include "mixer_panel.h"
#include "prtlsbtn.h"
#include "prtlvled.h"
#include "prtlwpnl.h"
#include "tapedeck/tapedeck.h"
#include "time_readout.h"
#include "voice_player.h"
#include "voice_recorder.h"
#include "wave_format.h"

namespace {

QString OpenFailureText(platform::MMRESULT result)
{
    switch (result) {
    case platform::WAVERR_BADFORMAT:
        return "Error: The Wave Output Device does not support the format required to run this program";
    case platform::MMSYSERR_ALLOCATED:
        return "Error: The Wave Output Device is being used by another program";
    default:
        return "Error: Cannot open the Wave Output Device";
    }
}

// The device's position as a place in the voice: samples at the voice's
// rate in milliseconds, then in the read-out's 1/32 seconds. At 11025 samples
// per second the read-out therefore advances at half the clock's speed.
uint32_t PositionInThirtySeconds(uint32_t samples)
{
    const long long ms = std::llrint((long double)samples * 1000 / voice::VoiceFormat.samplesPerSecond);
    return voice::SecondsToThirtySeconds(double(ms) / 1000);
}

}  // namespace

void TMainForm::ShowTime(uint32_t thirtySeconds)
{
    const bool running = recorder_->IsRecording() || document_->Voice().VoiceBytes() > 0;
    const uint32_t ms = running ? voice::ThirtySecondsToMs(thirtySeconds) : 0;
    timeDisplay->setText(QString::fromStdString(voice::TimeReadoutText(ms)));
}

// ---- Playback ----------------------------------------------------------------------------

void TMainForm::PlayButtonClick()
{
    if (player_->IsPlaying()) {
        player_->Stop();  // the next tick winds up
        return;
    }
    if (RefusedWhileLive()) {
        PlayButton->SetDown(false);
        return;
    }
    StartPlayback(voice::PlaybackSampleRate(effects_->Current()));
    if (!player_->IsPlaying())
        PlayButton->SetDown(false);
}

// Every play runs the effects afresh; the player is lent the working copy.
void TMainForm::StartPlayback(uint32_t samplesPerSecond)
{
    if (recorder_->IsRecording())
        return;
    const voice::VoiceDocument& voice = document_->Voice();
    if (voice.VoiceBytes() == 0) {
        Inform("There is no voice in memory, either record a voice or load one from a file on disk.");
        return;
    }
    document_->RunEffects(QString());
    // The effects can leave nothing to play (Echo on a voice of one byte).
    if (voice.ProcessedBytes <= 0) {
        document_->ShowVoice();
        return;
    }
    const platform::MMRESULT opened = player_->Start(voice.WorkBuffer.data(), voice.ProcessedBytes, samplesPerSecond);
    if (opened != platform::MMSYSERR_NOERROR)
        Inform(OpenFailureText(opened));
}

void TMainForm::FollowPlayback()
{
    const VoicePlayer::Progress progress = player_->Follow();
    ShowTime(PositionInThirtySeconds(progress.samplesPlayed));
    if (progress.viewPosition)
        WaveDisplay->SetStartingPosition(*progress.viewPosition);
    if (progress.windUp)
        WindUpPlayback();
}

// The device closes; the view shows the unprocessed voice from its start and
// the read-out its length again.
void TMainForm::WindUpPlayback()
{
    player_->WindUp();
    document_->ShowVoice();
    document_->ShowVoiceLength();
}

// ---- Recording ---------------------------------------------------------------------------

void TMainForm::OldRecordButtonClick()
{
    if (player_->IsPlaying())
        return;
    if (recorder_->IsRecording()) {
        // Stopped from the button: the new voice may be saved and exported.
        if (StopRecording())
            EnableVoiceCommands(true);
        return;
    }
    StartRecording();
    if (!recorder_->IsRecording())
        RecordButton->SetDown(false);
}

// The voice in memory is replaced only once the recording runs: a start that
// fails (no microphone, a full disk) leaves it as it was. The recording takes
// the source the read-out shows and writes nothing to the mixer: what the
// user or another program set there stays.
void TMainForm::StartRecording()
{
    if (recorder_->IsRecording() || player_->IsPlaying())
        return;
    const uint16_t result = recorder_->Start(export_files::TempFolder(), mixer_->RecordSource());
    if (result != TAPEDECK_OK) {
        if (const std::optional<VoiceRecorder::Error> error = VoiceRecorder::ErrorFor(result))
            platform::ShowMessage(error->text, error->caption, this);
        return;
    }
    // Live Voice goes on sounding as it did: its switches stay.
    document_->ClearForRecording(live_->Running() ? DocumentCommands::Switches::Keep
                                                  : DocumentCommands::Switches::Reset);
}

bool TMainForm::StopRecording()
{
    if (!recorder_->Stop())
        return false;
    document_->AdoptRecording(recorder_->FileName());
    RecordButton->SetDown(false);
    recorder_->RemoveFile();
    VolLED->SetProgress(0);
    return true;
}

void TMainForm::FollowRecording()
{
    VolLED->SetProgress(recorder_->Level());
    ShowTime(voice::SecondsToThirtySeconds(double(recorder_->ElapsedMs()) / 1000));
}

void TMainForm::SetRecordingApi(RecordingApi api) { recorder_->SetApi(std::move(api)); }

// ---- Live Voice ----------------------------------------------------------------------------

void TMainForm::LiveVoice1Click()
{
    if (live_->Running())
        EndLiveMode();
    else
        StartLiveMode();
}

void TMainForm::HearYourself1Click() { live_->SetHearYourself(HearYourself1->isChecked()); }

// Live Voice and playback would share the speakers: one waits for the other.
void TMainForm::StartLiveMode()
{
    LiveVoice1->setChecked(false);
    if (player_->IsPlaying()) {
        Inform("Please Wait until playback is over");
        return;
    }
    const QString refusal = live_->Start(HearYourself1->isChecked());
    if (!refusal.isEmpty()) {
        Inform(refusal);
        return;
    }
    LiveVoice1->setChecked(true);
    ShowCaption(documentCaption_);
}

// The wave view, the meter and the read-out go back to the voice in memory
// (a running recording keeps the meter and the read-out).
void TMainForm::EndLiveMode()
{
    live_->Stop();
    LiveVoice1->setChecked(false);
    ShowCaption(documentCaption_);
    document_->ShowVoice();
    if (recorder_->IsRecording())
        return;
    VolLED->SetProgress(0);
    if (document_->Voice().VoiceBytes() > 0)
        document_->ShowVoiceLength();
    else
        timeDisplay->setText(voice::kClearedTimeReadout);
}

// Live mode that ended on its own has already stopped: the controls are back
// before the message shows.
void TMainForm::FollowLiveMode()
{
    if (const std::optional<QString> why = live_->Follow(!recorder_->IsRecording())) {
        EndLiveMode();
        Inform(*why);
    }
}

// ---- The mixer ---------------------------------------------------------------------------

void TMainForm::SetUpMixer()
{
    const MixerPanel::SetUpResult result = mixer_->SetUp();
    if (result == MixerPanel::SetUpResult::Ready)
        return;
    Inform(result == MixerPanel::SetUpResult::NoWaveOutput
               ? "There are no Wave Out Devices installed on your system, Terminating..."
               : "There are no Wave Input Devices installed on your system, Terminating...");
    terminating_ = true;
    application::Terminate();
}

void TMainForm::SpeakerSliderChange() { mixer_->SpeakerSliderMoved(); }
void TMainForm::MikeSliderChange() { mixer_->MikeSliderMoved(); }
void TMainForm::RecSourceToggleButtonClick() { mixer_->StepRecordSource(); }
