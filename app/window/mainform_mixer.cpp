// TMainForm: the sound card's mixer. The playback and recording volume
// sliders, the record-source button with its read-out, and the change
// notifications that keep them in step with the mixer when another program
// (or the window's own writes) change it. Everything goes through
// libfaderbox; failures other than a missing wave device leave the controls
// as they are.
#include <QLabel>

#include <algorithm>
#include <array>

#include "application_exit.h"
#include "faderbox/faderbox.h"
#include "mainform.h"
#include "mixer_sliders.h"
#include "prtlsbtn.h"
#include "prtltbar.h"

namespace {

constexpr size_t kSourceTextBytes = 256;

uint32_t VolumeOf(const TPRTL_TrackBar& slider)
{
    return mixer_sliders::VolumeFromSliderValue(slider.Max() - slider.Position(), slider.Max());
}

void ShowVolume(TPRTL_TrackBar& slider, uint32_t volume)
{
    slider.SetPosition(mixer_sliders::SliderPositionFromVolume(volume, slider.Min(), slider.Max()));
}

// Tries the devices in turn until one can be selected.
void SelectFirstWorking(int32_t count, int32_t (*select)(int32_t))
{
    for (int32_t device = 0; device < count; ++device)
        if (select(device) == 0)
            return;
}

}  // namespace

// ---- Set-up and tear-down ------------------------------------------------------------

void TMainForm::SetUpMixer()
{
    SetCallbackWindow(Handle());
    const int32_t outputDevices = GetNumberOfOutputDevices();
    if (outputDevices <= 0) {
        EndForMissingDevice("There are no Wave Out Devices installed on your system, Terminating...");
        return;
    }
    SelectFirstWorking(outputDevices, SelectOutputDevice);
    const int32_t inputDevices = GetNumberOfInputDevices();
    if (inputDevices <= 0) {
        EndForMissingDevice("There are no Wave Input Devices installed on your system, Terminating...");
        return;
    }
    SelectFirstWorking(inputDevices, SelectInputDevice);

    mixer_.recordSource = uint32_t(GetMicrophoneSourceIndex());
    mixer_.recordSourceCount = uint32_t(GetNumberOfInputSources());
    // No source is named like a microphone (PulseAudio's one "Capture", a
    // card with only line inputs): record from the first source rather than
    // from none, so the recording slider and the read-out work from the start.
    if (int32_t(mixer_.recordSource) < 0 && int32_t(mixer_.recordSourceCount) > 0)
        mixer_.recordSource = 0;
    SelectInputSource(int32_t(mixer_.recordSource));
    RefreshVolumeIds();
    RefreshRecordSource();
    RefreshSpeakerSlider();
    mixer_.ready = true;
}

void TMainForm::EndForMissingDevice(const QString& text)
{
    Inform(text);
    terminating_ = true;
    application::Terminate();
}

void TMainForm::TearDownMixer()
{
    DeSelectOutputDevice();
    DeSelectInputDevice();
    mixer_.ready = false;
}

// ---- Handlers ------------------------------------------------------------------------

void TMainForm::SpeakerSliderChange()
{
    const std::array<uint32_t, 2> volume{VolumeOf(*SpeakerSlider), 0};
    SetCurrentOutputVolSetting(1, volume.data());
}

void TMainForm::MikeSliderChange()
{
    const std::array<uint32_t, 2> volume{VolumeOf(*MikeSlider), 0};
    SetCurrentInputVolSetting(1, volume.data());
}

void TMainForm::RecSourceToggleButtonClick()
{
    const std::optional<uint32_t> next = mixer_sliders::NextRecordSource(mixer_.recordSource, mixer_.recordSourceCount);
    if (!next)
        return;
    mixer_.recordSource = *next;
    SelectInputSource(int32_t(mixer_.recordSource));
    RefreshRecordSource();
}

// The identifier arrives as a 32-bit signed number: a negative one (the
// platform's "no control") matches none of the ids, not even a missing one.
void TMainForm::MixerControlChange(intptr_t controlId)
{
    if (!mixer_.ready)
        return;
    RefreshVolumeIds();
    const int64_t identifier = int32_t(uint32_t(uintptr_t(controlId)));
    const auto is = [identifier](uint32_t id) { return identifier == int64_t(id); };
    if (is(mixer_.waveOutVolumeId))
        RefreshSpeakerSlider();
    else if (is(mixer_.sourceVolumeId))
        RefreshRecordSource();
    else if (is(mixer_.recordSelectorId))
        FollowRecordSourceChosenElsewhere();
    else if (is(mixer_.recordMasterVolumeId))
        RefreshMikeSlider();
}

// Recording takes the source the read-out shows. Another program may have
// chosen a different one since, on a mixer whose choice the window does not
// follow (one that chooses by muting lines) or before its notification came.
void TMainForm::SelectRecordSource()
{
    if (mixer_.ready)
        SelectInputSource(int32_t(mixer_.recordSource));
}

// ---- Refreshing from the mixer -------------------------------------------------------

void TMainForm::RefreshVolumeIds()
{
    GetVolumeIDs(&mixer_.waveOutVolumeId, &mixer_.recordMasterVolumeId, &mixer_.recordSelectorId,
                 &mixer_.sourceVolumeId);
}

void TMainForm::RefreshSpeakerSlider()
{
    std::array<uint32_t, 2> volume{};
    if (GetCurrentOutputVolSetting(2, volume.data()) == 0)
        ShowVolume(*SpeakerSlider, std::max(volume[0], volume[1]));
}

void TMainForm::RefreshMikeSlider()
{
    std::array<uint32_t, 2> volume{};
    if (GetCurrentInputVolSetting(1, volume.data()) == 0)
        ShowVolume(*MikeSlider, volume[0]);
}

void TMainForm::RefreshRecordSource()
{
    std::array<char, kSourceTextBytes> text{};
    if (GetInputSourceDescription(int32_t(mixer_.recordSource), text.data()) != 0)
        text[0] = '\0';
    text.back() = '\0';
    const QString name = QString::fromUtf8(text.data());
    RecSourceLabel->setText(name);
    RecSourceLabel->setToolTip(name);
    recordSource = uint16_t(mixer_.recordSource);
    RefreshMikeSlider();
}

// Another program chose a record source: the first selected source other
// than the window's own becomes the window's. On a mixer that chooses by
// muting the other lines, "selected" answers whether the line is muted.
void TMainForm::FollowRecordSourceChosenElsewhere()
{
    const bool answersMuted = IsMixerMuxType() == 0 && IsMixerMixerType() == 0;
    const int32_t count = int32_t(mixer_.recordSourceCount);
    for (int32_t source = 0; source < count; ++source) {
        const bool selected = (IsCurrentInputSourceSelected(source) != 0) != answersMuted;
        if (selected && uint32_t(source) != mixer_.recordSource) {
            mixer_.recordSource = uint32_t(source);
            SelectInputSource(source);
            RefreshRecordSource();
            return;
        }
    }
}
