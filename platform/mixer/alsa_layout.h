// How the elements of an ALSA simple mixer become mixer lines and controls.
//
// Speakers destination: the "Master" element ("PCM" when there is no Master):
// its playback volume as VOLUME, its playback switch as MUTE (inverted: a
// switch that is on is not muted). Under it one wave-out source line: the
// "PCM" element, or the Master element itself when there is no PCM (the line
// then carries the very same controls).
//
// Wave-in destination: the "Capture" element: capture volume as VOLUME,
// capture switch as MUTE (inverted). Its record selector and source lines:
//   - a capture-source list (an enumerated capture element named a source,
//     "Input Source" or "Capture Source" first): a MUX with one item and one
//     source line per entry;
//   - otherwise mutually exclusive capture switches (what ALSA makes of a
//     "Capture Source" list): a MUX over the elements of that group;
//   - otherwise elements with capture switches: a MIXER over them;
//   - otherwise no selector, the capturing elements as plain source lines.
// The capturing elements are every element other than "Capture" with a
// capture volume or switch; with none, "Capture" itself is the one source
// (PulseAudio's mixer has only Master and Capture). Source lines are named
// after their elements; a source without a capture volume of its own carries
// the destination's VOLUME.
#pragma once

#include "mixer/mixer_backend.h"

#include <string>
#include <vector>

namespace platform {

// What the simple mixer tells about one element.
struct AlsaElementInfo {
    std::string name;
    unsigned index = 0;
    bool playbackVolume = false;
    bool playbackSwitch = false;
    bool captureVolume = false;
    bool captureSwitch = false;
    bool captureSwitchExclusive = false;
    int captureGroup = -1;
    bool captureEnum = false;
    std::vector<int> playbackChannels;  // ALSA channel ids, in order
    std::vector<int> captureChannels;
    long playbackMinimum = 0, playbackMaximum = 0;
    long captureMinimum = 0, captureMaximum = 0;
    std::vector<std::string> enumItems;
};

struct AlsaElementRef {
    std::string name;
    unsigned index = 0;
};

enum class AlsaControlKind {
    PlaybackVolume,
    PlaybackMute,     // inverted playback switch
    CaptureVolume,
    CaptureMute,      // inverted capture switch
    EnumSelector,     // one item per entry of an enumerated element
    CaptureSwitches,  // one item per element: its capture switch
};

// Where a control's values live.
struct AlsaBinding {
    uint32_t controlId = 0;
    AlsaControlKind kind = AlsaControlKind::PlaybackVolume;
    std::vector<AlsaElementRef> elements;  // one, or one per item for CaptureSwitches
    std::vector<int> channels;             // ALSA channel ids of a volume
    long rawMinimum = 0, rawMaximum = 0;   // the element's volume range
    uint32_t items = 0;                    // entries of an EnumSelector
};

struct AlsaLayout {
    MixerDescription description;
    std::vector<AlsaBinding> bindings;

    const AlsaBinding* binding(uint32_t controlId) const;
};

// Control and line identifiers are unique across mixers: they carry
// mixerIndex + 1 in their upper half.
AlsaLayout BuildAlsaLayout(const std::string& mixerName, const std::vector<AlsaElementInfo>& elements,
                           uint32_t mixerIndex);

// Volume values of the model (0..65535) and of the element.
constexpr uint32_t kAlsaVolumeMaximum = 65535;
uint32_t VolumeFromRaw(long raw, long rawMinimum, long rawMaximum);
long RawFromVolume(uint32_t volume, long rawMinimum, long rawMaximum);

// The component type a source line gets from its name.
uint32_t SourceComponentType(const std::string& elementName);

}  // namespace platform
