// TMainForm: the program's one window. It owns the voice document, holds the
// effect switches (the saw-tooth buttons, mirrored by the Options menu) and
// the pitch bar, runs the document commands of the File menu, and drives
// everything that changes over time from its 100 ms timer.
#pragma once

#include <QMainWindow>
#include <QString>

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "effect_pipeline.h"
#include "effect_settings.h"
#include "messages/messages.h"
#include "recording_api.h"
#include "voice_document.h"
#include "waveout/waveout.h"

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QTextBrowser;
class QTimer;
class TPRTL_EllipticalButton;
class TPRTL_EllipticalPanel;
class TPRTL_SawToothButton;
class TPRTL_TrackBar;
class TPRTL_VerticalLEDs;
class TPRTL_Wave_Display;
class TProgressForm;
class TWaveToMP3ConversionForm;
namespace export_files {
class ExportFiles;
}
namespace prefs {
class TAucPreferenceForm;
}

// The title of every plain message box, and the About box's first line.
inline constexpr const char* kApplicationTitle = "Tavrin Audio Warblecast";

class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainForm(QWidget* parent = nullptr);
    ~TMainForm() override;

    // The progress window shown during effect runs and file conversions; the
    // main routine creates it after the main window. Without one the work
    // runs without a gauge.
    void SetProgressForm(TProgressForm* form);
    TProgressForm* ProgressForm() const { return progressForm_; }
    // The MP3 conversion dialog and the preferences dialog, created once by
    // the main routine and reused. Without them their commands do nothing.
    // The preferences dialog decides whether "Check For Updates" is enabled.
    void SetMp3ConversionForm(TWaveToMP3ConversionForm* form);
    TWaveToMP3ConversionForm* Mp3ConversionForm() const { return mp3ConversionForm_; }
    void SetPreferenceForm(prefs::TAucPreferenceForm* form);
    prefs::TAucPreferenceForm* PreferenceForm() const { return preferenceForm_; }

    // Where posted window messages (wave output done, mixer change) reach the
    // window.
    platform::WindowHandle Handle() const { return messageTarget_.handle(); }

    // ---- The voice document and the run state ----
    voice::VoiceDocument Voice;
    bool recording = false;        // a recording runs
    bool playing = false;          // the wave output device is open and playing
    bool playbackFinished = true;  // playback must be wound up at the next tick

    // ---- The mixer (mainform_mixer.cpp) ----
    // The record source that recording hands to the recording library when
    // it starts: the index of the mixer's record source, kept in step with
    // the read-out (RecSourceLabel) by the set-up, the record-source button
    // and the mixer's change notifications.
    uint16_t recordSource = 0;
    // The record source as the window keeps it (a failed lookup's negative
    // code held unsigned), and the number of sources taken at set-up.
    uint32_t CurrentRecordSource() const { return mixer_.recordSource; }
    uint32_t RecordSourceCount() const { return mixer_.recordSourceCount; }
    // True from the end of the mixer set-up until the window is destroyed;
    // change notifications are ignored while it is false.
    bool MixerReady() const { return mixer_.ready; }
    // The set-up found no wave output or input device, said so and asked the
    // application to end.
    bool TerminationRequested() const { return terminating_; }

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
    QMenu* Help1;
    QAction* HelpTopics1;
    QAction* About1;

    // The button and menu item of an effect switch.
    TPRTL_SawToothButton* ButtonOf(voice::Effect effect) const;
    QAction* MenuItemOf(voice::Effect effect) const;
    // The switches as the buttons and the pitch bar show them.
    voice::EffectSwitches CurrentSwitches() const;

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

    void TimerTimer();

    // ---- Operations ----
    // Runs the switched-on effects over the working copy (and writes them to
    // fileName when it is not empty). False when that file could not be written.
    bool ApplyEffects(const QString& fileName);
    // Shows a busy message and returns true while a recording or playback runs.
    bool IsBusy();
    void ClearVoice();
    void ResetEffects();
    voice::EffectSettings CaptureSettings() const;
    void RestoreSettings(const voice::EffectSettings& settings);
    void UpdateCaption();
    void ShowVoice();
    void ShowTime(uint32_t thirtySeconds);
    void ShowVoiceLength();
    void LoadVoiceFile(const QString& path);
    void LoadSampleVoice(int number);
    void SaveVoice();
    bool SaveVoiceAs();
    void ExportVoice();
    // The MP3 and RealAudio exports: the processed voice goes to temporary
    // files, the encoder's dialog converts a copy, the files are removed.
    void ExportVoiceToMp3();
    void ExportVoiceToRealAudio();
    // Writes the processed voice to a unique temporary file and copies it for
    // an encoder; null, after saying so, when a file cannot be written.
    std::unique_ptr<export_files::ExportFiles> WriteProcessedVoiceForExport();
    bool WriteVoiceFile();
    // Save, Save As and Export, enabled once a voice is loaded or recorded.
    void EnableVoiceCommands(bool enabled);
    // Shows a plain message: the application title as caption, one OK button.
    void Inform(const QString& text);

    // ---- Playback (mainform_playback.cpp) ----
    // Runs the effects and plays the result at this rate; says why when there
    // is no voice or the device cannot be opened (playing then stays false).
    void StartPlayback(uint32_t samplesPerSecond);
    // Stops a running playback; the next tick winds it up.
    void StopPlayback();
    // MM_WOM_DONE: the device returned a header; refills it while data is left.
    void WaveOutDone(platform::HWAVEOUT device, const platform::WAVEHDR* header);
    // The tick's share while playing: the read-out, the wave view trailing the
    // sound by one tick, and the end of the data.
    void FollowPlayback();
    // Closes the device and shows the unprocessed voice and its length again.
    void WindUpPlayback();

    // ---- Recording (mainform_recording.cpp) ----
    // What recording calls outside the window: the recording library and the
    // clock the elapsed time is read from. Tests script them.
    void SetRecordingApi(RecordingApi api) { recordingApi_ = std::move(api); }
    // Records a new voice into a temporary file; says why when it cannot start.
    void StartRecording();
    // Asks the library to stop; once it has, the recorded voice is loaded.
    // False while the recording goes on.
    bool StopRecording();
    void FinishRecording();
    // The tick's share while recording: the level meter and the elapsed time.
    void FollowRecording();
    // The file the running recording goes to (empty when none runs).
    const std::string& RecordingFileName() const { return recording_.fileName; }

    // The mixer: the sliders and the read-out from the mixer's values.
    void RefreshSpeakerSlider();
    void RefreshMikeSlider();
    // Shows the current record source's name, hands its index to recording
    // and refreshes the recording slider from that source.
    void RefreshRecordSource();
    // MM_MIXM_CONTROL_CHANGE: the mixer control with this identifier changed.
    void MixerControlChange(intptr_t controlId);
    // Selects the record source the read-out shows on the input mixer.
    void SelectRecordSource();

    // The folder of the running program, where the sample voices lie.
    static QString ProgramFolder();
    // Where LoadSampleVoice looks: the program's folder unless set otherwise.
    void SetSampleFolder(const QString& folder) { sampleFolder_ = folder; }
    // The help's index page: beside the program, or where it is installed.
    static QString HelpIndexPath();
    // "Version " and the program's version, or the stand-in text.
    static QString VersionText(const QString& version);

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    class Feedback;
    struct EffectControl {
        voice::Effect effect;
        TPRTL_SawToothButton* button;
        QAction* menuItem;
    };

    void CreateComponents(QWidget* client);
    void CreateEffectButtons(QWidget* client);
    void CreateSliderPanels(QWidget* client);
    void CreateMenu();
    void CreateOptionsMenu();
    void ConnectHandlers();
    void FormCreate();
    void SetUpMixer();
    void TearDownMixer();
    void EndForMissingDevice(const QString& text);
    void RefreshVolumeIds();
    void FollowRecordSourceChosenElsewhere();
    void FormKeyPress(QChar key);

    void EffectButtonToggled(voice::Effect effect);
    void EffectMenuItemChosen(voice::Effect effect);
    void SpeedButtonToggled(voice::Effect effect, voice::Effect other);
    void SpeedMenuItemChosen(voice::Effect effect, voice::Effect other);
    void ApplyRegion();
    void FillAndWrite(int index);
    void CloseWaveOut();
    bool LoadRecordedFile();
    void ShowRecordingError(uint16_t code);
    void WindowMessage(uint32_t message, uintptr_t wParam, intptr_t lParam);
    QString DroppedVoiceFile(const class QMimeData* data) const;

    // Effect runs and file loads let the window system deliver its events
    // while the progress window moves; the window must not close under them.
    class LongWork;
    int longWork_ = 0;

    struct MixerState {
        bool ready = false;
        uint32_t recordSource = 0;
        uint32_t recordSourceCount = 0;
        // What GetVolumeIDs names, refreshed at set-up and at every change.
        uint32_t waveOutVolumeId = 0xFFFFFFFF;
        uint32_t recordMasterVolumeId = 0xFFFFFFFF;
        uint32_t recordSelectorId = 0xFFFFFFFF;
        uint32_t sourceVolumeId = 0xFFFFFFFF;
    };
    MixerState mixer_;
    bool terminating_ = false;

    // The double buffer: two headers, each with its own buffer, refilled in
    // turn from WorkBuffer as the device returns them.
    struct PlaybackState {
        platform::HWAVEOUT device = 0;
        std::array<platform::WAVEHDR, 2> headers{};
        std::array<std::vector<char>, 2> buffers;
        int32_t currentHeader = 0;    // the header to refill next
        int32_t queuedBytes = 0;      // bytes of WorkBuffer handed to the device
        int32_t writtenCount = 0;     // headers written since the start
        int32_t displayPosition = 0;  // the byte position at the previous tick
    };
    PlaybackState playback_;

    struct RecordingState {
        std::string fileName;  // the temporary file the library records into
        std::optional<uint32_t> startTime;  // the clock when the recording started
    };
    RecordingState recording_;
    RecordingApi recordingApi_ = RecordingApi::Library();

    platform::MessageTargetRegistration messageTarget_{this};
    std::unique_ptr<Feedback> feedback_;
    TProgressForm* progressForm_ = nullptr;
    TWaveToMP3ConversionForm* mp3ConversionForm_ = nullptr;
    prefs::TAucPreferenceForm* preferenceForm_ = nullptr;
    QTextBrowser* helpWindow_ = nullptr;
    QString sampleFolder_ = ProgramFolder();
    std::array<EffectControl, voice::kEffectCount> effects_{};
};
