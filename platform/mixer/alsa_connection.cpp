#include "mixer/alsa_connection.h"

#include "mixer/mixer_text.h"

#include <algorithm>

namespace platform {

std::unique_ptr<AlsaConnection> AlsaConnection::open(const std::string& device)
{
    snd_mixer_t* mixer = nullptr;
    if (snd_mixer_open(&mixer, 0) < 0)
        return nullptr;
    auto connection = std::unique_ptr<AlsaConnection>(new AlsaConnection(mixer, device));
    snd_hctl_t* hctl = nullptr;
    if (snd_mixer_attach(mixer, device.c_str()) < 0 || snd_mixer_get_hctl(mixer, device.c_str(), &hctl) < 0 ||
        snd_hctl_nonblock(hctl, 1) < 0 || snd_mixer_selem_register(mixer, nullptr, nullptr) < 0 ||
        snd_mixer_load(mixer) < 0)
        return nullptr;
    return connection;
}

AlsaConnection::AlsaConnection(snd_mixer_t* mixer, std::string device) : mixer_(mixer), device_(std::move(device)) {}

AlsaConnection::~AlsaConnection()
{
    snd_mixer_close(mixer_);
}

int AlsaConnection::catchUp()
{
    return snd_mixer_handle_events(mixer_);
}

snd_mixer_elem_t* AlsaConnection::find(const AlsaElementRef& ref) const
{
    snd_mixer_selem_id_t* id;
    snd_mixer_selem_id_alloca(&id);
    snd_mixer_selem_id_set_name(id, ref.name.c_str());
    snd_mixer_selem_id_set_index(id, ref.index);
    return snd_mixer_find_selem(mixer_, id);
}

std::string AlsaConnection::cardName() const
{
    snd_hctl_t* hctl = nullptr;
    snd_ctl_card_info_t* info;
    snd_ctl_card_info_alloca(&info);
    if (snd_mixer_get_hctl(mixer_, device_.c_str(), &hctl) < 0 || snd_ctl_card_info(snd_hctl_ctl(hctl), info) < 0 ||
        !*snd_ctl_card_info_get_name(info))
        return device_;
    return snd_ctl_card_info_get_name(info);
}

// ---------------------------------------------------------------------------
// Elements

namespace {

std::vector<int> Channels(snd_mixer_elem_t* elem, bool playback)
{
    std::vector<int> channels;
    for (int channel = 0; channel <= SND_MIXER_SCHN_LAST; ++channel) {
        const auto id = snd_mixer_selem_channel_id_t(channel);
        if (playback ? snd_mixer_selem_has_playback_channel(elem, id) : snd_mixer_selem_has_capture_channel(elem, id))
            channels.push_back(channel);
    }
    return channels;
}

AlsaElementInfo DescribeElement(snd_mixer_elem_t* elem)
{
    AlsaElementInfo info;
    info.name = snd_mixer_selem_get_name(elem);
    info.index = snd_mixer_selem_get_index(elem);
    info.playbackVolume = snd_mixer_selem_has_playback_volume(elem);
    info.playbackSwitch = snd_mixer_selem_has_playback_switch(elem);
    info.captureVolume = snd_mixer_selem_has_capture_volume(elem);
    info.captureSwitch = snd_mixer_selem_has_capture_switch(elem);
    info.captureSwitchExclusive = snd_mixer_selem_has_capture_switch_exclusive(elem);
    if (info.captureSwitchExclusive)
        info.captureGroup = snd_mixer_selem_get_capture_group(elem);
    info.captureEnum = snd_mixer_selem_is_enum_capture(elem);
    info.playbackChannels = Channels(elem, true);
    info.captureChannels = Channels(elem, false);
    if (info.playbackVolume)
        snd_mixer_selem_get_playback_volume_range(elem, &info.playbackMinimum, &info.playbackMaximum);
    if (info.captureVolume)
        snd_mixer_selem_get_capture_volume_range(elem, &info.captureMinimum, &info.captureMaximum);
    if (info.captureEnum) {
        const int items = snd_mixer_selem_get_enum_items(elem);
        for (int item = 0; item < items; ++item) {
            char name[kMixerNameChars] = {};
            snd_mixer_selem_get_enum_item_name(elem, unsigned(item), sizeof name, name);
            info.enumItems.push_back(name);
        }
    }
    return info;
}

}  // namespace

std::vector<AlsaElementInfo> AlsaConnection::describeElements() const
{
    std::vector<AlsaElementInfo> elements;
    for (snd_mixer_elem_t* elem = snd_mixer_first_elem(mixer_); elem; elem = snd_mixer_elem_next(elem))
        if (snd_mixer_selem_is_active(elem))
            elements.push_back(DescribeElement(elem));
    return elements;
}

// ---------------------------------------------------------------------------
// Control values on the elements

namespace {

snd_mixer_selem_channel_id_t FirstChannel(snd_mixer_elem_t* elem, bool playback)
{
    const std::vector<int> channels = Channels(elem, playback);
    return snd_mixer_selem_channel_id_t(channels.empty() ? 0 : channels.front());
}

bool ReadSwitch(snd_mixer_elem_t* elem, bool playback, uint32_t& on)
{
    int value = 0;
    const auto channel = FirstChannel(elem, playback);
    const int err = playback ? snd_mixer_selem_get_playback_switch(elem, channel, &value)
                             : snd_mixer_selem_get_capture_switch(elem, channel, &value);
    on = value != 0;
    return err >= 0;
}

bool WriteSwitch(snd_mixer_elem_t* elem, bool playback, uint32_t on)
{
    return (playback ? snd_mixer_selem_set_playback_switch_all(elem, int(on))
                     : snd_mixer_selem_set_capture_switch_all(elem, int(on))) >= 0;
}

bool IsPlayback(AlsaControlKind kind)
{
    return kind == AlsaControlKind::PlaybackVolume || kind == AlsaControlKind::PlaybackMute;
}

}  // namespace

MMRESULT ReadBinding(const AlsaConnection& connection, const AlsaBinding& binding, std::vector<uint32_t>& values)
{
    values.clear();
    std::vector<snd_mixer_elem_t*> elems;
    for (const AlsaElementRef& ref : binding.elements) {
        elems.push_back(connection.find(ref));
        if (!elems.back())
            return MMSYSERR_ERROR;
    }
    const bool playback = IsPlayback(binding.kind);
    switch (binding.kind) {
    case AlsaControlKind::PlaybackVolume:
    case AlsaControlKind::CaptureVolume:
        for (int channel : binding.channels) {
            long raw = 0;
            const auto id = snd_mixer_selem_channel_id_t(channel);
            if ((playback ? snd_mixer_selem_get_playback_volume(elems[0], id, &raw)
                          : snd_mixer_selem_get_capture_volume(elems[0], id, &raw)) < 0)
                return MMSYSERR_ERROR;
            values.push_back(VolumeFromRaw(raw, binding.rawMinimum, binding.rawMaximum));
        }
        return MMSYSERR_NOERROR;
    case AlsaControlKind::PlaybackMute:
    case AlsaControlKind::CaptureMute: {
        uint32_t on = 0;
        if (!ReadSwitch(elems[0], playback, on))
            return MMSYSERR_ERROR;
        values.push_back(on ? 0 : 1);
        return MMSYSERR_NOERROR;
    }
    case AlsaControlKind::EnumSelector: {
        unsigned selected = 0;
        if (snd_mixer_selem_get_enum_item(elems[0], SND_MIXER_SCHN_MONO, &selected) < 0)
            return MMSYSERR_ERROR;
        for (uint32_t item = 0; item < binding.items; ++item)
            values.push_back(item == selected);
        return MMSYSERR_NOERROR;
    }
    case AlsaControlKind::CaptureSwitches:
        for (snd_mixer_elem_t* elem : elems) {
            uint32_t on = 0;
            if (!ReadSwitch(elem, false, on))
                return MMSYSERR_ERROR;
            values.push_back(on);
        }
        return MMSYSERR_NOERROR;
    }
    return MMSYSERR_ERROR;
}

namespace {

bool WriteVolume(snd_mixer_elem_t* elem, const AlsaBinding& binding, const std::vector<uint32_t>& values)
{
    const bool playback = binding.kind == AlsaControlKind::PlaybackVolume;
    if (std::ranges::all_of(values, [&](uint32_t v) { return v == values.front(); })) {
        const long raw = RawFromVolume(values.front(), binding.rawMinimum, binding.rawMaximum);
        return (playback ? snd_mixer_selem_set_playback_volume_all(elem, raw)
                         : snd_mixer_selem_set_capture_volume_all(elem, raw)) >= 0;
    }
    for (size_t i = 0; i < binding.channels.size() && i < values.size(); ++i) {
        const long raw = RawFromVolume(values[i], binding.rawMinimum, binding.rawMaximum);
        const auto id = snd_mixer_selem_channel_id_t(binding.channels[i]);
        if ((playback ? snd_mixer_selem_set_playback_volume(elem, id, raw)
                      : snd_mixer_selem_set_capture_volume(elem, id, raw)) < 0)
            return false;
    }
    return true;
}

bool WriteEnumItem(snd_mixer_elem_t* elem, const std::vector<uint32_t>& values)
{
    const auto selected = std::ranges::find(values, 1u);
    if (selected == values.end())
        return false;
    const unsigned item = unsigned(selected - values.begin());
    if (snd_mixer_selem_set_enum_item(elem, SND_MIXER_SCHN_MONO, item) < 0)
        return false;
    // A list may hold one entry per channel; the others follow the first.
    for (int channel = 1; channel <= SND_MIXER_SCHN_LAST; ++channel)
        if (snd_mixer_selem_set_enum_item(elem, snd_mixer_selem_channel_id_t(channel), item) < 0)
            break;
    return true;
}

// Switches on first, then off: mutually exclusive switches turn the others
// off by themselves, and a source is never left without a switch meanwhile.
bool WriteCaptureSwitches(const std::vector<snd_mixer_elem_t*>& elems, const std::vector<uint32_t>& values)
{
    for (uint32_t pass : {1u, 0u}) {
        for (size_t i = 0; i < elems.size() && i < values.size(); ++i) {
            uint32_t on = 0;
            if (values[i] != pass || !ReadSwitch(elems[i], false, on))
                continue;
            if (on != pass && !WriteSwitch(elems[i], false, pass))
                return false;
        }
    }
    return true;
}

}  // namespace

MMRESULT WriteBinding(const AlsaConnection& connection, const AlsaBinding& binding,
                      const std::vector<uint32_t>& values)
{
    std::vector<snd_mixer_elem_t*> elems;
    for (const AlsaElementRef& ref : binding.elements) {
        elems.push_back(connection.find(ref));
        if (!elems.back())
            return MMSYSERR_ERROR;
    }
    if (values.empty())
        return MMSYSERR_INVALPARAM;
    bool written = false;
    switch (binding.kind) {
    case AlsaControlKind::PlaybackVolume:
    case AlsaControlKind::CaptureVolume:
        written = WriteVolume(elems[0], binding, values);
        break;
    case AlsaControlKind::PlaybackMute:
    case AlsaControlKind::CaptureMute:
        written = WriteSwitch(elems[0], IsPlayback(binding.kind), values[0] ? 0 : 1);
        break;
    case AlsaControlKind::EnumSelector:
        written = WriteEnumItem(elems[0], values);
        break;
    case AlsaControlKind::CaptureSwitches:
        written = WriteCaptureSwitches(elems, values);
        break;
    }
    return written ? MMSYSERR_NOERROR : MMSYSERR_ERROR;
}

}  // namespace platform
