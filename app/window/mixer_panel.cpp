#include "mixer_panel.h"

#include <QLabel>
#include <QScopedValueRollback>

#include <algorithm>
#include <array>

#include "faderbox/faderbox.h"
#include "mixer_sliders.h"
#include "prtltbar.h"

namespace {

constexpr size_t kSourceTextBytes = 256;

uint32_t VolumeOf(const TPRTL_TrackBar& slider)
{
    return mixer_sliders::VolumeFromSliderValue(slider.Max() - slider.Position(), slider.Max());
}

// Tries the devices in turn until one can be selected.
void SelectFirstWorking(int32_t count, int32_t (*select)(int32_t))
{
    for (int32_t device = 0; device < count; ++device)
        if (select(device) == 0)
            return;
}

}  // namespace

MixerPanel::MixerPanel(TPRTL_TrackBar& speakerSlider, TPRTL_TrackBar& mikeSlider, QLabel& sourceReadout,
                       QObject* parent)
    : QObject(parent), speakerSlider_(speakerSlider), mikeSlider_(mikeSlider), sourceReadout_(sourceReadout)
{
}

// ---- Set-up and tear-down ------------------------------------------------------------

MixerPanel::SetUpResult MixerPanel::SetUp()
{
    SetCallbackWindow(Handle());
    const int32_t outputDevices = GetNumberOfOutputDevices();
    if (outputDevices <= 0)
        return SetUpResult::NoWaveOutput;
    SelectFirstWorking(outputDevices, SelectOutputDevice);
    const int32_t inputDevices = GetNumberOfInputDevices();
    if (inputDevices <= 0)
        return SetUpResult::NoWaveInput;
    SelectFirstWorking(inputDevices, SelectInputDevice);

    recordSource_ = uint32_t(GetMicrophoneSourceIndex());
    recordSourceCount_ = uint32_t(GetNumberOfInputSources());
    // No source is named like a microphone (PulseAudio's one "Capture", a
    // card with only line inputs): record from the first source rather than
    // from none, so the recording slider and the read-out work from the start.
    if (int32_t(recordSource_) < 0 && int32_t(recordSourceCount_) > 0)
        recordSource_ = 0;
    SelectInputSource(int32_t(recordSource_));
    RefreshVolumeIds();
    RefreshRecordSource();
    RefreshSpeakerSlider();
    ready_ = true;
    return SetUpResult::Ready;
}

void MixerPanel::TearDown()
{
    DeSelectOutputDevice();
    DeSelectInputDevice();
    ready_ = false;
}

// ---- The user's controls ---------------------------------------------------------------

void MixerPanel::SpeakerSliderMoved()
{
    if (showingVolume_)
        return;
    const std::array<uint32_t, 2> volume{VolumeOf(speakerSlider_), 0};
    SetCurrentOutputVolSetting(1, volume.data());
}

void MixerPanel::MikeSliderMoved()
{
    if (showingVolume_)
        return;
    const std::array<uint32_t, 2> volume{VolumeOf(mikeSlider_), 0};
    SetCurrentInputVolSetting(1, volume.data());
}

void MixerPanel::StepRecordSource()
{
    const std::optional<uint32_t> next = mixer_sliders::NextRecordSource(recordSource_, recordSourceCount_);
    if (!next)
        return;
    recordSource_ = *next;
    SelectInputSource(int32_t(recordSource_));
    RefreshRecordSource();
}

// ---- Changes made elsewhere --------------------------------------------------------------

bool MixerPanel::event(QEvent* event)
{
    if (event->type() != platform::WindowMessageEvent::eventType())
        return QObject::event(event);
    const auto* message = static_cast<platform::WindowMessageEvent*>(event);
    if (message->message == platform::MM_MIXM_CONTROL_CHANGE)
        ControlChanged(message->lParam);
    return true;
}

// The identifier arrives as a 32-bit signed number: a negative one (the
// platform's "no control") matches none of the ids, not even a missing one.
void MixerPanel::ControlChanged(intptr_t controlId)
{
    if (!ready_)
        return;
    RefreshVolumeIds();
    const int64_t identifier = int32_t(uint32_t(uintptr_t(controlId)));
    const auto is = [identifier](uint32_t id) { return identifier == int64_t(id); };
    if (is(waveOutVolumeId_))
        RefreshSpeakerSlider();
    else if (is(sourceVolumeId_))
        RefreshRecordSource();
    else if (is(recordSelectorId_))
        FollowRecordSourceChosenElsewhere();
    else if (is(recordMasterVolumeId_))
        RefreshMikeSlider();
}

// Another program chose a record source: the first selected source other
// than the panel's own becomes the panel's. On a mixer that chooses by
// muting the other lines, "selected" answers whether the line is muted.
void MixerPanel::FollowRecordSourceChosenElsewhere()
{
    const bool answersMuted = IsMixerMuxType() == 0 && IsMixerMixerType() == 0;
    const int32_t count = int32_t(recordSourceCount_);
    for (int32_t source = 0; source < count; ++source) {
        const bool selected = (IsCurrentInputSourceSelected(source) != 0) != answersMuted;
        if (selected && uint32_t(source) != recordSource_) {
            recordSource_ = uint32_t(source);
            SelectInputSource(source);
            RefreshRecordSource();
            return;
        }
    }
}

// ---- Refreshing from the mixer -----------------------------------------------------------

void MixerPanel::RefreshVolumeIds()
{
    GetVolumeIDs(&waveOutVolumeId_, &recordMasterVolumeId_, &recordSelectorId_, &sourceVolumeId_);
}

// The slider's change handler runs (the control raises it for every change),
// and finds the panel showing.
void MixerPanel::ShowVolume(TPRTL_TrackBar& slider, uint32_t volume)
{
    const QScopedValueRollback showing(showingVolume_, true);
    slider.SetPosition(mixer_sliders::SliderPositionFromVolume(volume, slider.Min(), slider.Max()));
}

void MixerPanel::RefreshSpeakerSlider()
{
    std::array<uint32_t, 2> volume{};
    if (GetCurrentOutputVolSetting(2, volume.data()) == 0)
        ShowVolume(speakerSlider_, std::max(volume[0], volume[1]));
}

void MixerPanel::RefreshMikeSlider()
{
    std::array<uint32_t, 2> volume{};
    if (GetCurrentInputVolSetting(1, volume.data()) == 0)
        ShowVolume(mikeSlider_, volume[0]);
}

// Shows the current record source's name, hands its index to recording and
// refreshes the recording slider from that source.
void MixerPanel::RefreshRecordSource()
{
    std::array<char, kSourceTextBytes> text{};
    if (GetInputSourceDescription(int32_t(recordSource_), text.data()) != 0)
        text[0] = '\0';
    text.back() = '\0';
    const QString name = QString::fromUtf8(text.data());
    sourceReadout_.setText(name);
    sourceReadout_.setToolTip(name);
    shownRecordSource_ = uint16_t(recordSource_);
    RefreshMikeSlider();
}
