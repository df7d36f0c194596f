// TMainForm: the program's one window. It lays out the designed components,
// binds their handlers and runs the 100 ms timer that drives everything that
// changes over time; the work itself is done by the parts it owns:
// - DocumentCommands: the voice and the File menu's commands,
// - VoicePlayer and VoiceRecorder: the sound,
// - MixerPanel: the volume sliders and the record source,
// - EffectControls: the effect switches and the pitch bar,
// - LiveMode: Live Voice, the microphone through the effects into the
//   virtual microphone.
//
// Rules:
// - Handlers are named as the window binds them (EchoButtonClick,
//   Echo1Click) and stay short: they forward to the parts.
// - The designed component names (Label8, fadeOutButton, FastSqeaker1, ...)
//   are kept as designed, spelling included; the components are created once,
//   with the window, and never replaced.
// - While a recording or playback runs, the document commands refuse with
//   "Please Wait until recording is over" or "... playback is over".
// - While Live Voice is on, Play and the commands that replace or export the
//   voice refuse with "Please turn Live Voice off first"; Record and Save
//   work as ever.
// - The window does not close while long work (an effect run, a load, an
//   export) is under way.
#pragma once

#include <QMainWindow>
#include <QString>

#include <cstdint>
#include <memory>

#include "application_title.h"
#include "effect_settings.h"
#include "recording_api.h"

class DocumentCommands;
class EffectControls;
class LiveMode;
class MixerPanel;
class QAction;
class QFrame;
class QLabel;
class QMenu;
class QMimeData;
class QTextBrowser;
class QTimer;
class TPRTL_EllipticalButton;
class TPRTL_EllipticalPanel;
class TPRTL_SawToothButton;
class TPRTL_TrackBar;
class TPRTL_VerticalLEDs;
class TPRTL_Wave_Display;
class TDecodeProgressForm;
class TProgressForm;
class TWaveToMP3ConversionForm;
class VoicePlayer;
class VoiceRecorder;
namespace prefs {
class TAucPreferenceForm;
}

class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainForm(QWidget* parent = nullptr);
    ~TMainForm() override;

    // The progress window shown during effect runs and file conversions, the
    // MP3 conversion dialog and the preferences dialog, created once by the
    // main routine and reused. Without them their commands run without a
    // gauge or do nothing. The preferences dialog decides whether "Check For
    // Updates" is enabled.
    void SetProgressForm(TProgressForm* form) { progressForm_ = form; }
    TProgressForm* ProgressForm() const { return progressForm_; }
    void SetMp3ConversionForm(TWaveToMP3ConversionForm* form) { mp3ConversionForm_ = form; }
    TWaveToMP3ConversionForm* Mp3ConversionForm() const { return mp3ConversionForm_; }
    void SetPreferenceForm(prefs::TAucPreferenceForm* form);
    prefs::TAucPreferenceForm* PreferenceForm() const { return preferenceForm_; }

    // The mixer set-up found no wave output or input device, said so and
    // asked the application to end.
    bool TerminationRequested() const { return terminating_; }

    // The parts, to observe.
    const DocumentCommands& Document() const { return *document_; }
    const VoicePlayer& Player() const { return *player_; }
    const VoiceRecorder& Recorder() const { return *recorder_; }
    const MixerPanel& Mixer() const { return *mixer_; }
    const EffectControls& Effects() const { return *effects_; }
    const LiveMode& Live() const { return *live_; }

    // What recording calls outside the program, and where the sample voices
    // lie (the program's folder unless set otherwise): tests set them.
    void SetRecordingApi(RecordingApi api);
    void SetSampleFolder(const QString& folder);
    // Opens a file named on the command line, or says that it does not exist.
    void OpenNamedFile(const QString& path);

    // ---- Components ----
    QLabel* ParrotelLabel;
    QLabel* Label8;  // "Helium Breath", above the pitch bar
    QLabel* Label9;  // "Sulphur Breath", below it
    QFrame* Shape1;  // backdrop of the effect buttons
    TPRTL_SawToothButton* PlayButton;
    TPRTL_SawToothButton* RecordButton;
    QFrame* TimePanel;
    QLabel* timeDisplay;
    TPRTL_VerticalLEDs* VolLED;
    TPRTL_Wave_Display* WaveDisplay;
    TPRTL_TrackBar* PitchBar;
    TPRTL_EllipticalPanel* MicSliderPanel;
    QLabel* RecordLabel;
    TPRTL_TrackBar* MikeSlider;
    TPRTL_EllipticalPanel* SpkSliderPanel;
    TPRTL_TrackBar* SpeakerSlider;
    TPRTL_SawToothButton* RecSourceToggleButton;
    QLabel* RecSourceLabel;
    TPRTL_SawToothButton* EchoButton;
    TPRTL_SawToothButton* ChorusButton;
    TPRTL_SawToothButton* FlangeButton;
    TPRTL_SawToothButton* FadeInButton;
    TPRTL_SawToothButton* fadeOutButton;
    TPRTL_SawToothButton* BassOnlyButton;
    TPRTL_SawToothButton* RobotvoiceButton;
    TPRTL_SawToothButton* BackwardButton;
    TPRTL_SawToothButton* SlowMonstButton;
    TPRTL_SawToothButton* FastSqueakButton;
    TPRTL_SawToothButton* TrebleOnlyButton;
    TPRTL_SawToothButton* SweepUpButton;
    TPRTL_SawToothButton* SweepDownButton;
    TPRTL_EllipticalButton* SF1Button;
    TPRTL_EllipticalButton* SF2Button;
    TPRTL_EllipticalButton* SF3Button;
    QTimer* Timer;

    // ---- Menu MainMenu1 ----
    QMenu* File1;
    QAction* New1;
    QAction* Open1;
    QAction* Save1;
    QAction* SaveAs1;
    QMenu* Export1;
    QAction* ExportToWaveFormat1;
    QAction* ExportToRealAudioFormat1;
    QAction* ExportToMP3File;
    QAction* ExportToOpusFile;
    QAction* ExportToFLACFile;
    QAction* N1;
    QAction* Preferences1;
    QAction* N2;
    QAction* CheckForUpdates1;
    QAction* N4;
    QAction* Exit1;
    QMenu* Options1;
    QAction* Echo1;
    QAction* Chorus1;
    QAction* Flange1;
    QAction* FadeIn1;
    QAction* FadeOut1;
    QAction* BassOnly1;
    QAction* Robotvoice1;
    QAction* Backward1;
    QAction* SlowMonster1;
    QAction* FastSqeaker1;
    QAction* TrebleOnly1;
    QAction* SweepUp1;
    QAction* SweepDown1;
    QAction* N3;
    QAction* LiveVoice1;
    QAction* HearYourself1;
    QMenu* Help1;
    QAction* HelpTopics1;
    QAction* About1;

    // ---- Handlers, named as the window binds them ----
    void EchoButtonClick();
    void ChorusButtonClick();
    void FlangeButtonClick();
    void FadeInButtonClick();
    void fadeOutButtonClick();
    void BassOnlyButtonClick();
    void TrebleOnlyButtonClick();
    void RobotvoiceButtonClick();
    void BackwardButtonClick();
    void SweepUpButtonClick();
    void SweepDownButtonClick();
    void SlowMonstButtonClick();
    void FastSqueakButtonClick();
    void Echo1Click();
    void Chorus1Click();
    void Flange1Click();
    void FadeIn1Click();
    void FadeOut1Click();
    void BassOnly1Click();
    void TrebleOnly1Click();
    void Robotvoice1Click();
    void Backward1Click();
    void SweepUp1Click();
    void SweepDown1Click();
    void SlowMonster1Click();
    void FastSqeaker1Click();
    void PitchBarChange();

    void SpeakerSliderChange();
    void MikeSliderChange();
    void RecSourceToggleButtonClick();

    void New1Click();
    void Open1Click();
    void Save1Click();
    void SaveAs1Click();
    void ExportToWaveFormat1Click();
    void ExportToMP3FileClick();
    void ExportToRealAudioFormat1Click();
    void ExportToOpusFileClick();
    void ExportToFLACFileClick();
    void Preferences1Click();
    void CheckForUpdates1Click();
    void SF1ButtonClick();
    void SF2ButtonClick();
    void SF3ButtonClick();
    void HelpTopics1Click();
    void About1Click();
    void Exit1Click();

    // Play and Record are toggle buttons: a click has already flipped the
    // button when its handler runs.
    void PlayButtonClick();
    void OldRecordButtonClick();

    // Live Voice and Hear Yourself are checkable: the check mark has
    // already flipped when the handler runs.
    void LiveVoice1Click();
    void HearYourself1Click();

    void TimerTimer();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    class View;

    void CreateComponents(QWidget* client);
    void CreateEffectButtons(QWidget* client);
    void CreateSliderPanels(QWidget* client);
    void CreateMenu();
    void CreateOptionsMenu();
    void ConnectHandlers();
    void FormCreate();
    void SetUpMixer();
    void FormKeyPress(QChar key);
    void ApplyRegion();

    void EffectButtonClick(voice::Effect effect);
    void EffectMenuItemClick(voice::Effect effect);
    // Shows a busy message and returns true while a recording or playback runs.
    bool IsBusy();
    // Shows "Please turn Live Voice off first" and returns true while live.
    bool RefusedWhileLive();
    // The commands that replace, play or export the voice: busy or live.
    bool IsBusyOrLive() { return IsBusy() || RefusedWhileLive(); }
    // The document's caption, with " - Live" while Live Voice is on.
    void ShowCaption(const QString& documentCaption);
    // Save, Save As and Export, enabled once a voice is loaded or recorded.
    void EnableVoiceCommands(bool enabled);
    // A plain message: the application title as caption, one OK button.
    void Inform(const QString& text);
    // The read-out: a time in 1/32 seconds while recording or with a voice.
    void ShowTime(uint32_t thirtySeconds);

    void StartPlayback(uint32_t samplesPerSecond);
    void FollowPlayback();
    void WindUpPlayback();
    void StartRecording();
    // Asks the library to stop; once it has, the recorded voice is loaded.
    // False while the recording goes on.
    bool StopRecording();
    void FollowRecording();
    QString DroppedVoiceFile(const QMimeData* data) const;

    void StartLiveMode();
    // Stops live mode and shows the voice in memory again.
    void EndLiveMode();
    void FollowLiveMode();

    std::unique_ptr<View> view_;
    std::unique_ptr<EffectControls> effects_;
    std::unique_ptr<DocumentCommands> document_;
    std::unique_ptr<VoicePlayer> player_;
    std::unique_ptr<VoiceRecorder> recorder_;
    std::unique_ptr<MixerPanel> mixer_;
    std::unique_ptr<LiveMode> live_;
    QString documentCaption_;
    bool terminating_ = false;
    TProgressForm* progressForm_ = nullptr;
    TDecodeProgressForm* decodeForm_ = nullptr;  // the window's child: decodes what is not a plain wave file
    TWaveToMP3ConversionForm* mp3ConversionForm_ = nullptr;
    prefs::TAucPreferenceForm* preferenceForm_ = nullptr;
    QTextBrowser* helpWindow_ = nullptr;
};
