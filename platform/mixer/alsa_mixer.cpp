#include "mixer/alsa_mixer.h"

#include "mixer/alsa_layout.h"
#include "mixer/mixer_text.h"

#include <alsa/asoundlib.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <mutex>
#include <thread>

namespace platform {

namespace {

// ---------------------------------------------------------------------------
// One simple-mixer connection to a control device

class AlsaConnection {
public:
    static std::unique_ptr<AlsaConnection> open(const std::string& device)
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

    ~AlsaConnection() { snd_mixer_close(mixer_); }
    AlsaConnection(const AlsaConnection&) = delete;
    AlsaConnection& operator=(const AlsaConnection&) = delete;

    snd_mixer_t* mixer() const { return mixer_; }

    // Takes in the changes made elsewhere, so that the values read are current.
    int catchUp() { return snd_mixer_handle_events(mixer_); }

    snd_mixer_elem_t* find(const AlsaElementRef& ref) const
    {
        snd_mixer_selem_id_t* id;
        snd_mixer_selem_id_alloca(&id);
        snd_mixer_selem_id_set_name(id, ref.name.c_str());
        snd_mixer_selem_id_set_index(id, ref.index);
        return snd_mixer_find_selem(mixer_, id);
    }

    std::string cardName() const
    {
        snd_hctl_t* hctl = nullptr;
        snd_ctl_card_info_t* info;
        snd_ctl_card_info_alloca(&info);
        if (snd_mixer_get_hctl(mixer_, device_.c_str(), &hctl) < 0 ||
            snd_ctl_card_info(snd_hctl_ctl(hctl), info) < 0 || !*snd_ctl_card_info_get_name(info))
            return device_;
        return snd_ctl_card_info_get_name(info);
    }

private:
    AlsaConnection(snd_mixer_t* mixer, std::string device) : mixer_(mixer), device_(std::move(device)) {}

    snd_mixer_t* mixer_;
    std::string device_;
};

// ---------------------------------------------------------------------------
// Elements

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

std::vector<AlsaElementInfo> DescribeElements(const AlsaConnection& connection)
{
    std::vector<AlsaElementInfo> elements;
    for (snd_mixer_elem_t* elem = snd_mixer_first_elem(connection.mixer()); elem; elem = snd_mixer_elem_next(elem))
        if (snd_mixer_selem_is_active(elem))
            elements.push_back(DescribeElement(elem));
    return elements;
}

// ---------------------------------------------------------------------------
// Control values on the elements

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

// ---------------------------------------------------------------------------
// Notifications: a thread per open mixer waits on a connection of its own and
// posts every control whose values differ from what it saw last.

class AlsaWatch : public MixerWatch {
public:
    AlsaWatch(std::unique_ptr<AlsaConnection> connection, std::shared_ptr<const AlsaLayout> layout,
              WindowHandle window, uintptr_t wParam, int stopFd)
        : connection_(std::move(connection)), layout_(std::move(layout)), window_(window), wParam_(wParam),
          stopFd_(stopFd)
    {
        for (const AlsaBinding& binding : layout_->bindings)
            ReadBinding(*connection_, binding, seen_[binding.controlId]);
        thread_ = std::thread([this] { run(); });
    }

    ~AlsaWatch() override
    {
        const uint64_t one = 1;
        [[maybe_unused]] ssize_t written = write(stopFd_, &one, sizeof one);
        thread_.join();
        close(stopFd_);
    }

private:
    // Waits for the control device or the stop signal; false when stopping.
    bool wait(bool& ready)
    {
        snd_mixer_t* mixer = connection_->mixer();
        const int count = snd_mixer_poll_descriptors_count(mixer);
        if (count < 0)
            return false;
        std::vector<pollfd> fds(size_t(count) + 1);
        if (snd_mixer_poll_descriptors(mixer, fds.data(), unsigned(count)) < 0)
            return false;
        fds[size_t(count)] = {stopFd_, POLLIN, 0};
        if (poll(fds.data(), fds.size(), -1) < 0)
            return errno == EINTR;
        if (fds[size_t(count)].revents)
            return false;
        unsigned short revents = 0;
        if (snd_mixer_poll_descriptors_revents(mixer, fds.data(), unsigned(count), &revents) < 0 ||
            (revents & (POLLERR | POLLNVAL | POLLHUP)))
            return false;  // the device or the sound server went away
        ready = std::ranges::any_of(fds.begin(), fds.end() - 1, [](const pollfd& fd) { return fd.revents != 0; });
        return true;
    }

    void run()
    {
        bool ready = false;
        while (wait(ready)) {
            if (!ready)
                continue;
            // A wake-up may bring no change at all (PulseAudio's first one
            // does): only values that differ are posted.
            const int events = connection_->catchUp();
            const int posted = postChanges();
            if (events <= 0 && posted == 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));  // never spin on a readable descriptor
        }
    }

    int postChanges()
    {
        int posted = 0;
        for (const AlsaBinding& binding : layout_->bindings) {
            std::vector<uint32_t> values;
            if (ReadBinding(*connection_, binding, values) != MMSYSERR_NOERROR)
                continue;
            std::vector<uint32_t>& seen = seen_[binding.controlId];
            if (values == seen)
                continue;
            seen = std::move(values);
            PostWindowMessage(window_, MM_MIXM_CONTROL_CHANGE, wParam_, intptr_t(binding.controlId));
            ++posted;
        }
        return posted;
    }

    std::unique_ptr<AlsaConnection> connection_;
    std::shared_ptr<const AlsaLayout> layout_;
    WindowHandle window_;
    uintptr_t wParam_;
    int stopFd_;
    std::map<uint32_t, std::vector<uint32_t>> seen_;
    std::thread thread_;
};

// ---------------------------------------------------------------------------
// The backend

class AlsaMixerBackend : public MixerBackend {
public:
    explicit AlsaMixerBackend(AlsaMixerSetup setup) : setup_(std::move(setup)), mixers_(setup_.controlDevices.size())
    {
    }

    std::vector<WaveDeviceDescription> waveOutDevices() override { return setup_.waveOut; }
    std::vector<WaveDeviceDescription> waveInDevices() override { return setup_.waveIn; }
    uint32_t mixerCount() override { return uint32_t(mixers_.size()); }

    std::shared_ptr<const MixerDescription> describe(uint32_t mixerId) override
    {
        std::lock_guard lock(mutex_);
        std::shared_ptr<const AlsaLayout> layout = layoutOf(mixerId);
        if (!layout)
            return nullptr;
        return std::shared_ptr<const MixerDescription>(layout, &layout->description);
    }

    MMRESULT readValues(uint32_t mixerId, const ControlDescription& control, std::vector<uint32_t>& values) override
    {
        std::lock_guard lock(mutex_);
        return access(mixerId, control.id, [&](AlsaConnection& connection, const AlsaBinding& binding) {
            connection.catchUp();
            return ReadBinding(connection, binding, values);
        });
    }

    MMRESULT writeValues(uint32_t mixerId, const ControlDescription& control,
                         const std::vector<uint32_t>& values) override
    {
        std::lock_guard lock(mutex_);
        return access(mixerId, control.id, [&](AlsaConnection& connection, const AlsaBinding& binding) {
            connection.catchUp();
            return WriteBinding(connection, binding, values);
        });
    }

    std::unique_ptr<MixerWatch> watch(uint32_t mixerId, WindowHandle window, uintptr_t wParam) override
    {
        std::shared_ptr<const AlsaLayout> layout;
        {
            std::lock_guard lock(mutex_);
            layout = layoutOf(mixerId);
        }
        if (!layout)
            return nullptr;
        auto connection = AlsaConnection::open(setup_.controlDevices[mixerId]);
        const int stopFd = eventfd(0, EFD_CLOEXEC);
        if (!connection || stopFd < 0) {
            if (stopFd >= 0)
                close(stopFd);
            return nullptr;
        }
        return std::make_unique<AlsaWatch>(std::move(connection), std::move(layout), window, wParam, stopFd);
    }

private:
    struct Mixer {
        bool described = false;
        std::shared_ptr<const AlsaLayout> layout;  // null when the device cannot be opened
        std::unique_ptr<AlsaConnection> connection;
    };

    // The layout is read once, on first use. Mutex held.
    std::shared_ptr<const AlsaLayout> layoutOf(uint32_t mixerId)
    {
        if (mixerId >= mixers_.size())
            return nullptr;
        Mixer& mixer = mixers_[mixerId];
        if (!mixer.described) {
            mixer.described = true;
            mixer.connection = AlsaConnection::open(setup_.controlDevices[mixerId]);
            if (mixer.connection)
                mixer.layout = std::make_shared<AlsaLayout>(
                    BuildAlsaLayout(mixer.connection->cardName(), DescribeElements(*mixer.connection), mixerId));
        }
        return mixer.layout;
    }

    // Runs operation on the mixer's value connection, opened on demand and
    // dropped after a failure so that the next call starts afresh.
    template <typename Operation>
    MMRESULT access(uint32_t mixerId, uint32_t controlId, Operation operation)
    {
        std::shared_ptr<const AlsaLayout> layout = layoutOf(mixerId);
        const AlsaBinding* binding = layout ? layout->binding(controlId) : nullptr;
        if (!binding)
            return MIXERR_INVALCONTROL;
        Mixer& mixer = mixers_[mixerId];
        if (!mixer.connection)
            mixer.connection = AlsaConnection::open(setup_.controlDevices[mixerId]);
        if (!mixer.connection)
            return MMSYSERR_NODRIVER;
        const MMRESULT result = operation(*mixer.connection, *binding);
        if (result != MMSYSERR_NOERROR)
            mixer.connection.reset();
        return result;
    }

    AlsaMixerSetup setup_;
    std::mutex mutex_;
    std::vector<Mixer> mixers_;
};

// ---------------------------------------------------------------------------
// The system's devices

struct PcmHint {
    std::string name;
    std::string description;
    std::string direction;  // "Output", "Input" or empty for both
};

std::string HintField(void* hint, const char* field)
{
    char* value = snd_device_name_get_hint(hint, field);
    std::string text = value ? value : "";
    free(value);
    return text;
}

std::vector<PcmHint> PcmHints()
{
    std::vector<PcmHint> hints;
    void** list = nullptr;
    if (snd_device_name_hint(-1, "pcm", &list) < 0)
        return hints;
    for (void** hint = list; *hint; ++hint)
        hints.push_back({HintField(*hint, "NAME"), HintField(*hint, "DESC"), HintField(*hint, "IOID")});
    snd_device_name_free_hint(list);
    return hints;
}

std::vector<int> Cards()
{
    std::vector<int> cards;
    for (int card = -1; snd_card_next(&card) == 0 && card >= 0;)
        cards.push_back(card);
    return cards;
}

// A product name from a device description: its first line, cut at a word
// boundary to fit the 31 characters of the classic field.
std::string ProductName(const std::string& description)
{
    std::string line = description.substr(0, description.find('\n'));
    constexpr size_t kLimit = kProductNameChars - 1;
    if (line.size() <= kLimit)
        return line;
    const size_t blank = line.rfind(' ', kLimit);
    return std::string(blank != std::string::npos && blank > 0 ? line.substr(0, blank) : Utf8Prefix(line, kLimit));
}

// The card a device name such as "sysdefault:CARD=PCH" belongs to, or -1.
int CardOfDevice(const std::string& name)
{
    const size_t at = name.find("CARD=");
    if (at == std::string::npos)
        return -1;
    const std::string card = name.substr(at + 5, name.find(',', at) - (at + 5));
    return snd_card_get_index(card.c_str());
}

bool StartsWith(const std::string& text, const char* prefix)
{
    return text.rfind(prefix, 0) == 0;
}

// "default" first, then each card's own default device.
std::vector<WaveDeviceDescription> WaveDevices(const std::vector<PcmHint>& hints, const char* direction,
                                               const std::map<int, uint32_t>& mixerOfCard)
{
    std::optional<std::string> defaultDescription;
    std::map<int, std::string> cardDescriptions;
    for (const PcmHint& hint : hints) {
        if (!hint.direction.empty() && hint.direction != direction)
            continue;
        if (hint.name == "default")
            defaultDescription = hint.description;
        else if (StartsWith(hint.name, "sysdefault:") || StartsWith(hint.name, "default:"))
            if (const int card = CardOfDevice(hint.name); mixerOfCard.contains(card))
                cardDescriptions.emplace(card, hint.description);
    }
    std::vector<WaveDeviceDescription> devices;
    if (defaultDescription || !cardDescriptions.empty())
        devices.push_back({ProductName(defaultDescription.value_or("Default Audio Device")), 0});
    for (const auto& [card, description] : cardDescriptions)
        devices.push_back({ProductName(description), mixerOfCard.at(card)});
    return devices;
}

AlsaMixerSetup SystemSetup()
{
    AlsaMixerSetup setup;
    setup.controlDevices.push_back("default");
    std::map<int, uint32_t> mixerOfCard;
    for (int card : Cards()) {
        mixerOfCard[card] = uint32_t(setup.controlDevices.size());
        setup.controlDevices.push_back("hw:" + std::to_string(card));
    }
    const std::vector<PcmHint> hints = PcmHints();
    setup.waveOut = WaveDevices(hints, "Output", mixerOfCard);
    setup.waveIn = WaveDevices(hints, "Input", mixerOfCard);
    return setup;
}

}  // namespace

std::shared_ptr<MixerBackend> CreateAlsaMixerBackend()
{
    return std::make_shared<AlsaMixerBackend>(SystemSetup());
}

std::shared_ptr<MixerBackend> CreateAlsaMixerBackend(AlsaMixerSetup setup)
{
    return std::make_shared<AlsaMixerBackend>(std::move(setup));
}

}  // namespace platform
