// MixerPanel: the window's mixer controls over libfaderbox: the playback and
// recording volume sliders (top is loud), the record-source read-out, the
// button that steps through the sources, and the mixer's change messages
// (MM_MIXM_CONTROL_CHANGE, posted to the panel's own message handle) that
// keep them in step with changes made elsewhere.
//
// Rules:
// - Set up once, when the window is created; torn down first when it goes.
// - Failures other than a missing wave device leave the controls as they are.
// - Only the user writes volumes: a slider moves the mixer when the user
//   moves it, never when it shows a value the mixer reports. A volume set in
//   another program (out of balance, or above full scale) stays exactly as
//   set; the slider shows its louder channel, at the top for anything at or
//   above full scale.
// - A choice of record source made in another program becomes the panel's
//   (on mixers with a record selector).
// - The slider arithmetic lives in mixer_sliders.h.
#pragma once

#include <QObject>

#include <cstdint>

#include "messages/messages.h"

class QLabel;
class TPRTL_TrackBar;

class MixerPanel : public QObject {
    Q_OBJECT
public:
    MixerPanel(TPRTL_TrackBar& speakerSlider, TPRTL_TrackBar& mikeSlider, QLabel& sourceReadout,
               QObject* parent = nullptr);

    enum class SetUpResult { Ready, NoWaveOutput, NoWaveInput };
    // Selects the first wave output and input devices that work and the
    // microphone (else the first source), and shows the volumes and the
    // source. Without a wave output or input device it stops there.
    SetUpResult SetUp();
    void TearDown();

    // A volume slider moved: its value goes to the mixer, unless the panel
    // itself moved it to show the mixer's value.
    void SpeakerSliderMoved();
    void MikeSliderMoved();
    // The source button: the next record source, wrapping to the first.
    void StepRecordSource();

    // From the end of the set-up until the tear-down; change messages are
    // ignored otherwise.
    bool Ready() const { return ready_; }
    // The record source as the panel keeps it (a failed lookup's negative
    // code held unsigned), and the number of sources taken at set-up.
    uint32_t CurrentRecordSource() const { return recordSource_; }
    uint32_t RecordSourceCount() const { return recordSourceCount_; }
    // What recording hands to the recording library: the source's index in
    // 16 bits, as the read-out last showed it.
    uint16_t RecordSource() const { return shownRecordSource_; }
    // Where the mixer posts its change messages.
    platform::WindowHandle Handle() const { return messageTarget_.handle(); }

protected:
    bool event(QEvent* event) override;

private:
    void ControlChanged(intptr_t controlId);
    void RefreshVolumeIds();
    void RefreshSpeakerSlider();
    void RefreshMikeSlider();
    void RefreshRecordSource();
    void FollowRecordSourceChosenElsewhere();
    void ShowVolume(TPRTL_TrackBar& slider, uint32_t volume);

    TPRTL_TrackBar& speakerSlider_;
    TPRTL_TrackBar& mikeSlider_;
    QLabel& sourceReadout_;
    bool ready_ = false;
    uint32_t recordSource_ = 0;
    uint32_t recordSourceCount_ = 0;
    uint16_t shownRecordSource_ = 0;
    bool showingVolume_ = false;  // a slider moves to show the mixer's value
    // What GetVolumeIDs names, refreshed at set-up and at every change.
    uint32_t waveOutVolumeId_ = 0xFFFFFFFF;
    uint32_t recordMasterVolumeId_ = 0xFFFFFFFF;
    uint32_t recordSelectorId_ = 0xFFFFFFFF;
    uint32_t sourceVolumeId_ = 0xFFFFFFFF;
    platform::MessageTargetRegistration messageTarget_{this};
};
