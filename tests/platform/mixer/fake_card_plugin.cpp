// An ALSA control plugin that plays a sound card's mixer, so that the ALSA
// backend can be tested through the real simple-mixer layer without a card.
//
//   ctl.NAME { type fakecard layout selector|exclusive|switches }
//
// Every instance of one layout in a process shares the same elements, and a
// write through any instance queues a change event for every subscribed
// instance, as the kernel does for a real card.
#include <alsa/asoundlib.h>
#include <alsa/control_external.h>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace {

struct Element {
    std::string name;
    int type;  // SND_CTL_ELEM_TYPE_INTEGER, _BOOLEAN or _ENUMERATED
    unsigned channels;
    long minimum;
    long maximum;
    std::vector<std::string> items;
    std::vector<long> values;
};

Element Integer(const char* name, unsigned channels, long maximum, long value)
{
    return {name, SND_CTL_ELEM_TYPE_INTEGER, channels, 0, maximum, {}, std::vector<long>(channels, value)};
}

Element Boolean(const char* name, unsigned channels, bool on)
{
    return {name, SND_CTL_ELEM_TYPE_BOOLEAN, channels, 0, 1, {}, std::vector<long>(channels, on)};
}

Element Enumerated(const char* name, std::vector<std::string> items, long value)
{
    const long last = long(items.size()) - 1;
    return {name, SND_CTL_ELEM_TYPE_ENUMERATED, 1, 0, last, std::move(items), {value}};
}

// A card whose recording source is chosen by an "Input Source" list, with a
// capture volume of its own for one of the sources, and another capture list
// that chooses no source.
std::vector<Element> SelectorCard()
{
    return {Integer("Master Playback Volume", 2, 87, 60),  Boolean("Master Playback Switch", 2, true),
            Integer("PCM Playback Volume", 2, 255, 200),   Integer("Capture Volume", 2, 63, 40),
            Boolean("Capture Switch", 2, true),            Integer("Line Capture Volume", 2, 31, 10),
            Enumerated("A Channel Mode Capture Enum", {"Stereo", "Mono"}, 0),
            Enumerated("Input Source", {"Mic", "Front Mic", "Line"}, 0)};
}

// A card with a "Capture Source" list, which the simple mixer turns into
// mutually exclusive capture switches on the sources; no PCM element.
std::vector<Element> ExclusiveCard()
{
    return {Integer("Master Playback Volume", 2, 31, 20), Boolean("Master Playback Switch", 1, false),
            Integer("Capture Volume", 2, 15, 8),          Boolean("Capture Switch", 2, true),
            Integer("Mic Capture Volume", 1, 31, 12),     Enumerated("Capture Source", {"Mic", "CD", "Line"}, 1)};
}

// A card with a capture switch and volume per source, a PCM volume without a
// switch, and a capture volume without a switch.
std::vector<Element> SwitchesCard()
{
    return {Integer("Master Playback Volume", 2, 31, 31), Boolean("Master Playback Switch", 1, true),
            Integer("PCM Playback Volume", 2, 255, 128),  Integer("Capture Volume", 2, 63, 63),
            Integer("Mic Capture Volume", 1, 31, 3),      Boolean("Mic Capture Switch", 1, false),
            Integer("Line Capture Volume", 2, 31, 16),    Boolean("Line Capture Switch", 2, true),
            Integer("CD Capture Volume", 2, 31, 16),      Boolean("CD Capture Switch", 2, false)};
}

struct Instance;

struct Card {
    std::vector<Element> elements;
    std::vector<Instance*> instances;
};

struct Instance {
    snd_ctl_ext_t ext{};
    Card* card = nullptr;
    int pipe[2] = {-1, -1};
    bool subscribed = false;
    std::deque<unsigned> events;
};

std::mutex& Lock()
{
    static std::mutex mutex;
    return mutex;
}

Card* CardFor(const std::string& layout)
{
    static std::map<std::string, Card> cards;
    auto found = cards.find(layout);
    if (found != cards.end())
        return &found->second;
    std::vector<Element> elements;
    if (layout == "selector")
        elements = SelectorCard();
    else if (layout == "exclusive")
        elements = ExclusiveCard();
    else if (layout == "switches")
        elements = SwitchesCard();
    else
        return nullptr;
    return &(cards[layout] = Card{std::move(elements), {}});
}

Instance* Of(snd_ctl_ext_t* ext)
{
    return static_cast<Instance*>(ext->private_data);
}

Element& ElementOf(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key)
{
    return Of(ext)->card->elements.at(key);
}

void Notify(Card& card, unsigned element)
{
    for (Instance* instance : card.instances) {
        if (!instance->subscribed)
            continue;
        instance->events.push_back(element);
        const char byte = 1;
        [[maybe_unused]] ssize_t written = write(instance->pipe[1], &byte, 1);
    }
}

int ElemCount(snd_ctl_ext_t* ext)
{
    return int(Of(ext)->card->elements.size());
}

int ElemList(snd_ctl_ext_t* ext, unsigned offset, snd_ctl_elem_id_t* id)
{
    snd_ctl_elem_id_set_interface(id, SND_CTL_ELEM_IFACE_MIXER);
    snd_ctl_elem_id_set_name(id, Of(ext)->card->elements.at(offset).name.c_str());
    return 0;
}

snd_ctl_ext_key_t FindElem(snd_ctl_ext_t* ext, const snd_ctl_elem_id_t* id)
{
    const auto& elements = Of(ext)->card->elements;
    const char* name = snd_ctl_elem_id_get_name(id);
    for (size_t i = 0; i < elements.size(); ++i)
        if (elements[i].name == name && snd_ctl_elem_id_get_index(id) == 0)
            return i;
    return SND_CTL_EXT_KEY_NOT_FOUND;
}

int GetAttribute(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, int* type, unsigned* access, unsigned* count)
{
    const Element& element = ElementOf(ext, key);
    *type = element.type;
    *access = SND_CTL_EXT_ACCESS_READWRITE;
    *count = element.channels;
    return 0;
}

int GetIntegerInfo(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, long* minimum, long* maximum, long* step)
{
    const Element& element = ElementOf(ext, key);
    *minimum = element.minimum;
    *maximum = element.maximum;
    *step = 1;
    return 0;
}

int GetEnumeratedInfo(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, unsigned* items)
{
    *items = unsigned(ElementOf(ext, key).items.size());
    return 0;
}

int GetEnumeratedName(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, unsigned item, char* name, size_t capacity)
{
    const Element& element = ElementOf(ext, key);
    if (item >= element.items.size() || capacity == 0)
        return -EINVAL;
    snprintf(name, capacity, "%s", element.items[item].c_str());
    return 0;
}

int ReadInteger(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, long* values)
{
    std::lock_guard lock(Lock());
    const Element& element = ElementOf(ext, key);
    std::copy(element.values.begin(), element.values.end(), values);
    return 0;
}

int ReadEnumerated(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, unsigned* values)
{
    std::lock_guard lock(Lock());
    const Element& element = ElementOf(ext, key);
    std::transform(element.values.begin(), element.values.end(), values, [](long v) { return unsigned(v); });
    return 0;
}

int Store(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, const std::vector<long>& values)
{
    Element& element = ElementOf(ext, key);
    for (long value : values)
        if (value < element.minimum || value > element.maximum)
            return -EINVAL;
    if (values == element.values)
        return 0;
    element.values = values;
    Notify(*Of(ext)->card, unsigned(key));
    return 1;
}

int WriteInteger(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, long* values)
{
    std::lock_guard lock(Lock());
    return Store(ext, key, std::vector<long>(values, values + ElementOf(ext, key).channels));
}

int WriteEnumerated(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, unsigned* values)
{
    std::lock_guard lock(Lock());
    return Store(ext, key, std::vector<long>(values, values + ElementOf(ext, key).channels));
}

void SubscribeEvents(snd_ctl_ext_t* ext, int subscribe)
{
    std::lock_guard lock(Lock());
    Of(ext)->subscribed = subscribe != 0;
}

void DrainPipe(Instance& instance)
{
    char bytes[64];
    while (read(instance.pipe[0], bytes, sizeof bytes) > 0) {
    }
}

int ReadEvent(snd_ctl_ext_t* ext, snd_ctl_elem_id_t* id, unsigned* mask)
{
    std::lock_guard lock(Lock());
    Instance& instance = *Of(ext);
    if (instance.events.empty()) {
        DrainPipe(instance);
        return -EAGAIN;
    }
    const unsigned element = instance.events.front();
    instance.events.pop_front();
    if (instance.events.empty())
        DrainPipe(instance);
    ElemList(ext, element, id);
    *mask = SND_CTL_EVENT_MASK_VALUE;
    return 1;
}

int PollRevents(snd_ctl_ext_t* ext, struct pollfd*, unsigned, unsigned short* revents)
{
    std::lock_guard lock(Lock());
    *revents = Of(ext)->events.empty() ? 0 : POLLIN;
    return 0;
}

void Close(snd_ctl_ext_t* ext)
{
    std::lock_guard lock(Lock());
    Instance* instance = Of(ext);
    auto& instances = instance->card->instances;
    instances.erase(std::remove(instances.begin(), instances.end(), instance), instances.end());
    close(instance->pipe[0]);
    close(instance->pipe[1]);
    delete instance;
}

const snd_ctl_ext_callback_t kCallbacks = [] {
    snd_ctl_ext_callback_t callbacks{};
    callbacks.close = Close;
    callbacks.elem_count = ElemCount;
    callbacks.elem_list = ElemList;
    callbacks.find_elem = FindElem;
    callbacks.get_attribute = GetAttribute;
    callbacks.get_integer_info = GetIntegerInfo;
    callbacks.get_enumerated_info = GetEnumeratedInfo;
    callbacks.get_enumerated_name = GetEnumeratedName;
    callbacks.read_integer = ReadInteger;
    callbacks.read_enumerated = ReadEnumerated;
    callbacks.write_integer = WriteInteger;
    callbacks.write_enumerated = WriteEnumerated;
    callbacks.subscribe_events = SubscribeEvents;
    callbacks.read_event = ReadEvent;
    callbacks.poll_revents = PollRevents;
    return callbacks;
}();

const char* LayoutOf(snd_config_t* conf)
{
    snd_config_iterator_t i, next;
    const char* layout = nullptr;
    snd_config_for_each(i, next, conf)
    {
        snd_config_t* entry = snd_config_iterator_entry(i);
        const char* id;
        if (snd_config_get_id(entry, &id) == 0 && strcmp(id, "layout") == 0)
            snd_config_get_string(entry, &layout);
    }
    return layout;
}

}  // namespace

extern "C" {

SND_CTL_PLUGIN_DEFINE_FUNC(fakecard)
{
    (void)root;
    const char* layout = LayoutOf(conf);
    std::lock_guard lock(Lock());
    Card* card = layout ? CardFor(layout) : nullptr;
    if (!card)
        return -EINVAL;
    auto* instance = new Instance;
    instance->card = card;
    if (pipe2(instance->pipe, O_NONBLOCK | O_CLOEXEC) < 0) {
        delete instance;
        return -errno;
    }
    snd_ctl_ext_t& ext = instance->ext;
    ext.version = SND_CTL_EXT_VERSION;
    ext.card_idx = 0;
    snprintf(ext.id, sizeof ext.id, "Fake");
    snprintf(ext.driver, sizeof ext.driver, "Fake");
    snprintf(ext.name, sizeof ext.name, "Fake %s card", layout);
    snprintf(ext.longname, sizeof ext.longname, "Fake %s card", layout);
    snprintf(ext.mixername, sizeof ext.mixername, "Fake");
    ext.poll_fd = instance->pipe[0];
    ext.callback = &kCallbacks;
    ext.private_data = instance;
    const int err = snd_ctl_ext_create(&ext, name, mode);
    if (err < 0) {
        close(instance->pipe[0]);
        close(instance->pipe[1]);
        delete instance;
        return err;
    }
    card->instances.push_back(instance);
    *handlep = ext.handle;
    return 0;
}

SND_CTL_PLUGIN_SYMBOL(fakecard)

}  // extern "C"
