// The sound card mixer, in the shape of the classic multimedia mixer API:
// mixer devices with identifiers, destination lines (speakers, recording)
// with their source lines, controls on the lines (volume, mute, record
// selectors) with bounds and items, and control details read and written per
// channel and per item. An open mixer posts MM_MIXM_CONTROL_CHANGE (0x3D1,
// lParam = control identifier, wParam = the mixer handle) to a window of
// platform/messages whenever one of its controls changes, whoever changed it.
//
// The wave device counts and product names live here too: a wave device
// number leads to its mixer through MixerGetID.
//
// Every call goes to the process-wide backend (mixer_backend.h): ALSA unless
// a test installed another one.
#pragma once

#include "messages/messages.h"
#include "messages/multimedia.h"

#include <cstdint>

namespace platform {

constexpr MMRESULT MIXERR_INVALLINE = 1024;
constexpr MMRESULT MIXERR_INVALCONTROL = 1025;
constexpr MMRESULT MIXERR_INVALVALUE = 1026;

// Line component types.
constexpr uint32_t MIXERLINE_COMPONENTTYPE_DST_UNDEFINED = 0;
constexpr uint32_t MIXERLINE_COMPONENTTYPE_DST_SPEAKERS = 4;
constexpr uint32_t MIXERLINE_COMPONENTTYPE_DST_WAVEIN = 7;
constexpr uint32_t MIXERLINE_COMPONENTTYPE_SRC_UNDEFINED = 0x1000;
constexpr uint32_t MIXERLINE_COMPONENTTYPE_SRC_DIGITAL = 0x1001;
constexpr uint32_t MIXERLINE_COMPONENTTYPE_SRC_LINE = 0x1002;
constexpr uint32_t MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE = 0x1003;
constexpr uint32_t MIXERLINE_COMPONENTTYPE_SRC_SYNTHESIZER = 0x1004;
constexpr uint32_t MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC = 0x1005;
constexpr uint32_t MIXERLINE_COMPONENTTYPE_SRC_TELEPHONE = 0x1006;
constexpr uint32_t MIXERLINE_COMPONENTTYPE_SRC_PCSPEAKER = 0x1007;
constexpr uint32_t MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT = 0x1008;
constexpr uint32_t MIXERLINE_COMPONENTTYPE_SRC_AUXILIARY = 0x1009;
constexpr uint32_t MIXERLINE_COMPONENTTYPE_SRC_ANALOG = 0x100A;

// Control types.
constexpr uint32_t MIXERCONTROL_CONTROLTYPE_VOLUME = 0x50030001;
constexpr uint32_t MIXERCONTROL_CONTROLTYPE_MUTE = 0x20010002;
constexpr uint32_t MIXERCONTROL_CONTROLTYPE_MUX = 0x70010001;
constexpr uint32_t MIXERCONTROL_CONTROLTYPE_MIXER = 0x71010001;

// Control flags.
constexpr uint32_t MIXERCONTROL_CONTROLF_UNIFORM = 0x1;   // one value for all channels
constexpr uint32_t MIXERCONTROL_CONTROLF_MULTIPLE = 0x2;  // one value per item

// MixerGetID: what the object number names.
constexpr uint32_t MIXER_OBJECTF_MIXER = 0x00000000;
constexpr uint32_t MIXER_OBJECTF_WAVEOUT = 0x10000000;
constexpr uint32_t MIXER_OBJECTF_WAVEIN = 0x20000000;

// MixerGetLineInfo: which fields of the MixerLine select the line.
constexpr uint32_t MIXER_GETLINEINFOF_DESTINATION = 0x0;    // destination (index)
constexpr uint32_t MIXER_GETLINEINFOF_SOURCE = 0x1;         // destination and source (indexes)
constexpr uint32_t MIXER_GETLINEINFOF_LINEID = 0x2;         // lineId
constexpr uint32_t MIXER_GETLINEINFOF_COMPONENTTYPE = 0x3;  // componentType (first destination of it)

// MixerGetLineControls.
constexpr uint32_t MIXER_GETLINECONTROLSF_ONEBYID = 0x1;
constexpr uint32_t MIXER_GETLINECONTROLSF_ONEBYTYPE = 0x2;

// MixerGetControlDetails / MixerSetControlDetails.
constexpr uint32_t MIXER_GETCONTROLDETAILSF_VALUE = 0x0;
constexpr uint32_t MIXER_GETCONTROLDETAILSF_LISTTEXT = 0x1;
constexpr uint32_t MIXER_SETCONTROLDETAILSF_VALUE = 0x0;

// MixerOpen takes CALLBACK_NULL or CALLBACK_WINDOW (multimedia.h).

constexpr uint32_t kMixerShortNameChars = 16;
constexpr uint32_t kMixerNameChars = 64;
constexpr uint32_t kProductNameChars = 32;

struct WaveDevCaps {
    char productName[kProductNameChars];  // at most 31 characters and the terminator
};

struct MixerCaps {
    char productName[kProductNameChars];
    uint32_t destinations;
};

struct MixerLine {
    uint32_t destination = 0;    // index of the destination line
    uint32_t source = 0;         // index of the source line within its destination
    uint32_t lineId = 0;
    uint32_t componentType = 0;
    uint32_t channels = 0;
    uint32_t connections = 0;    // source lines of a destination; 0 for a source
    uint32_t controls = 0;
    char shortName[kMixerShortNameChars] = {};
    char name[kMixerNameChars] = {};
};

struct MixerControl {
    uint32_t controlId = 0;
    uint32_t controlType = 0;
    uint32_t flags = 0;          // MIXERCONTROL_CONTROLF_...
    uint32_t multipleItems = 0;  // items of a MUX or MIXER control; 0 otherwise
    uint32_t minimum = 0;
    uint32_t maximum = 0;
    char shortName[kMixerShortNameChars] = {};
    char name[kMixerNameChars] = {};
};

struct MixerLineControls {
    uint32_t lineId = 0;             // in for ONEBYTYPE; out for ONEBYID
    uint32_t controlIdOrType = 0;    // the control identifier (ONEBYID) or type (ONEBYTYPE)
    MixerControl control;            // out
};

// One item name of a MUX or MIXER control: 72 bytes as the classic API lays
// them out. param1 is the line identifier of the item's source line (0 when
// the item has none), param2 its component type.
struct MixerControlDetailsListText {
    uint32_t param1;
    uint32_t param2;
    char name[kMixerNameChars];
};
static_assert(sizeof(MixerControlDetailsListText) == 72);

// details holds channels x max(multipleItems, 1) entries, channel by channel
// and item by item within each channel: uint32_t values, or list texts.
// A channel count of 1 reads the first channel of a multi-channel control and
// writes all its channels with one value; a count above the control's channels
// reads its last channel again for the extra ones.
struct MixerControlDetails {
    uint32_t controlId = 0;
    uint32_t channels = 1;
    uint32_t multipleItems = 0;
    uint32_t detailBytes = 0;  // size of one entry: 4 for values, 72 for list texts
    void* details = nullptr;
};

using MixerHandle = struct OpenMixer*;

uint32_t WaveOutGetNumDevs();
MMRESULT WaveOutGetDevCaps(uint32_t device, WaveDevCaps* caps);
uint32_t WaveInGetNumDevs();
MMRESULT WaveInGetDevCaps(uint32_t device, WaveDevCaps* caps);

uint32_t MixerGetNumDevs();
MMRESULT MixerGetDevCaps(uint32_t mixerId, MixerCaps* caps);
// The mixer that belongs to a wave device (MIXER_OBJECTF_WAVEOUT / _WAVEIN) or
// checks a mixer identifier (MIXER_OBJECTF_MIXER). MMSYSERR_NODRIVER when the
// device has no mixer.
MMRESULT MixerGetID(uint32_t object, uint32_t* mixerId, uint32_t flags);
MMRESULT MixerGetLineInfo(uint32_t mixerId, MixerLine* line, uint32_t flags);
MMRESULT MixerGetLineControls(uint32_t mixerId, MixerLineControls* request, uint32_t flags);
MMRESULT MixerGetControlDetails(uint32_t mixerId, MixerControlDetails* details, uint32_t flags);
MMRESULT MixerSetControlDetails(uint32_t mixerId, const MixerControlDetails* details, uint32_t flags);

// Opens the mixer for notifications: with CALLBACK_WINDOW, every change of one
// of its controls is posted to window until the handle is closed. Values are
// read and written through the mixer identifier, open or not.
MMRESULT MixerOpen(MixerHandle* handle, uint32_t mixerId, WindowHandle window, uint32_t flags);
MMRESULT MixerClose(MixerHandle handle);

}  // namespace platform
