#include "mixer/alsa_layout.h"

#include <algorithm>
#include <cctype>
#include <optional>

namespace platform {

const AlsaBinding* AlsaLayout::binding(uint32_t controlId) const
{
    for (const AlsaBinding& candidate : bindings)
        if (candidate.controlId == controlId)
            return &candidate;
    return nullptr;
}

// ---------------------------------------------------------------------------
// Values and names

namespace {

int64_t RoundedQuotient(int64_t numerator, int64_t denominator)
{
    return (2 * numerator + denominator) / (2 * denominator);
}

std::string Lowered(std::string text)
{
    for (char& c : text)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::vector<std::string> Words(const std::string& text)
{
    std::vector<std::string> words(1);
    for (char c : Lowered(text)) {
        if (std::isalnum(static_cast<unsigned char>(c)))
            words.back() += c;
        else if (!words.back().empty())
            words.emplace_back();
    }
    return words;
}

}  // namespace

uint32_t VolumeFromRaw(long raw, long rawMinimum, long rawMaximum)
{
    if (rawMaximum <= rawMinimum || raw <= rawMinimum)
        return 0;
    if (raw >= rawMaximum)
        return kAlsaVolumeMaximum;
    return uint32_t(RoundedQuotient(int64_t(raw - rawMinimum) * kAlsaVolumeMaximum, rawMaximum - rawMinimum));
}

long RawFromVolume(uint32_t volume, long rawMinimum, long rawMaximum)
{
    if (rawMaximum <= rawMinimum)
        return rawMinimum;
    if (volume >= kAlsaVolumeMaximum)
        return rawMaximum;
    return rawMinimum + long(RoundedQuotient(int64_t(volume) * (rawMaximum - rawMinimum), kAlsaVolumeMaximum));
}

uint32_t SourceComponentType(const std::string& elementName)
{
    struct Match {
        const char* word;
        uint32_t type;
    };
    static const Match kMatches[] = {
        {"mic", MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE},     {"microphone", MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE},
        {"line", MIXERLINE_COMPONENTTYPE_SRC_LINE},          {"cd", MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC},
        {"aux", MIXERLINE_COMPONENTTYPE_SRC_AUXILIARY},      {"phone", MIXERLINE_COMPONENTTYPE_SRC_TELEPHONE},
        {"synth", MIXERLINE_COMPONENTTYPE_SRC_SYNTHESIZER},  {"beep", MIXERLINE_COMPONENTTYPE_SRC_PCSPEAKER},
        {"iec958", MIXERLINE_COMPONENTTYPE_SRC_DIGITAL},     {"spdif", MIXERLINE_COMPONENTTYPE_SRC_DIGITAL},
        {"digital", MIXERLINE_COMPONENTTYPE_SRC_DIGITAL},    {"pcm", MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT},
    };
    for (const std::string& word : Words(elementName))
        for (const Match& match : kMatches)
            if (word == match.word)
                return match.type;
    return MIXERLINE_COMPONENTTYPE_SRC_ANALOG;
}

// ---------------------------------------------------------------------------
// Building the lines and controls

namespace {

class LayoutBuilder {
public:
    LayoutBuilder(const std::vector<AlsaElementInfo>& elements, uint32_t mixerIndex)
        : elements_(elements), idBase_((mixerIndex + 1) << 16)
    {
    }

    AlsaLayout build(const std::string& mixerName)
    {
        layout_.description.name = mixerName;
        addSpeakers();
        addWaveIn();
        return std::move(layout_);
    }

private:
    using Element = AlsaElementInfo;

    const Element* find(const char* name, bool (*qualifies)(const Element&)) const
    {
        for (const Element& element : elements_)
            if (element.name == name && element.index == 0 && qualifies(element))
                return &element;
        return nullptr;
    }

    static bool Plays(const Element& e) { return e.playbackVolume || e.playbackSwitch; }
    static bool Captures(const Element& e) { return !e.captureEnum && (e.captureVolume || e.captureSwitch); }

    LineDescription newLine(uint32_t componentType, const std::string& name, size_t channels)
    {
        LineDescription line;
        line.id = idBase_ | 0x8000 | ++lineCount_;
        line.componentType = componentType;
        line.name = name;
        line.channels = uint32_t(std::max<size_t>(channels, 1));
        return line;
    }

    uint32_t newControl(ControlDescription control, AlsaBinding binding)
    {
        control.id = binding.controlId = idBase_ | ++controlCount_;
        layout_.description.controls.push_back(std::move(control));
        layout_.bindings.push_back(std::move(binding));
        return layout_.bindings.back().controlId;
    }

    uint32_t addVolume(const Element& element, bool playback)
    {
        const std::vector<int>& channels = playback ? element.playbackChannels : element.captureChannels;
        ControlDescription control;
        control.type = MIXERCONTROL_CONTROLTYPE_VOLUME;
        control.channels = uint32_t(std::max<size_t>(channels.size(), 1));
        control.maximum = kAlsaVolumeMaximum;
        control.name = element.name + " Volume";
        AlsaBinding binding;
        binding.kind = playback ? AlsaControlKind::PlaybackVolume : AlsaControlKind::CaptureVolume;
        binding.elements = {{element.name, element.index}};
        binding.channels = channels.empty() ? std::vector<int>{0} : channels;
        binding.rawMinimum = playback ? element.playbackMinimum : element.captureMinimum;
        binding.rawMaximum = playback ? element.playbackMaximum : element.captureMaximum;
        return newControl(std::move(control), std::move(binding));
    }

    uint32_t addMute(const Element& element, bool playback)
    {
        ControlDescription control;
        control.type = MIXERCONTROL_CONTROLTYPE_MUTE;
        control.maximum = 1;
        control.name = element.name + " Mute";
        AlsaBinding binding;
        binding.kind = playback ? AlsaControlKind::PlaybackMute : AlsaControlKind::CaptureMute;
        binding.elements = {{element.name, element.index}};
        return newControl(std::move(control), std::move(binding));
    }

    // Volume and mute of a playback element, as control identifiers on a line.
    std::vector<uint32_t> playbackControls(const Element& element)
    {
        std::vector<uint32_t> controls;
        if (element.playbackVolume)
            controls.push_back(addVolume(element, true));
        if (element.playbackSwitch)
            controls.push_back(addMute(element, true));
        return controls;
    }

    void addSpeakers()
    {
        const Element* speakers = find("Master", Plays);
        if (!speakers)
            speakers = find("PCM", Plays);
        if (!speakers)
            return;
        LineDescription destination =
            newLine(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, speakers->name, speakers->playbackChannels.size());
        destination.controls = playbackControls(*speakers);

        const Element* pcm = find("PCM", Plays);
        const Element* wave = pcm && pcm != speakers ? pcm : speakers;
        LineDescription source = newLine(MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT, wave->name, wave->playbackChannels.size());
        source.controls = wave == speakers ? destination.controls : playbackControls(*wave);
        destination.sources.push_back(std::move(source));
        layout_.description.destinations.push_back(std::move(destination));
    }

    // The elements other than the capture master that record something.
    std::vector<const Element*> capturingElements(const Element* master) const
    {
        std::vector<const Element*> capturing;
        for (const Element& element : elements_)
            if (&element != master && Captures(element))
                capturing.push_back(&element);
        if (capturing.empty() && master)
            capturing.push_back(master);
        return capturing;
    }

    // The list that chooses the recorded source: "Input Source" or "Capture
    // Source", else another capture list named a source (cards have other
    // capture lists too, such as channel modes).
    const Element* captureList() const
    {
        const Element* named = nullptr;
        for (const Element& element : elements_) {
            if (!element.captureEnum || element.enumItems.empty())
                continue;
            if (element.name == "Input Source" || element.name == "Capture Source")
                return &element;
            if (!named && Lowered(element.name).find("source") != std::string::npos)
                named = &element;
        }
        return named;
    }

    // The members of the first group of mutually exclusive capture switches.
    static std::vector<const Element*> ExclusiveGroup(const std::vector<const Element*>& capturing)
    {
        std::vector<const Element*> group;
        for (const Element* element : capturing)
            if (element->captureSwitch && element->captureSwitchExclusive &&
                (group.empty() || element->captureGroup == group.front()->captureGroup))
                group.push_back(element);
        return group;
    }

    // A source line's volume: its own capture volume, else the destination's.
    std::vector<uint32_t> sourceVolume(const Element* element, const Element* master,
                                       std::optional<uint32_t> masterVolume)
    {
        if (element && element->captureVolume && element != master)
            return {addVolume(*element, false)};
        if (masterVolume)
            return {*masterVolume};
        return {};
    }

    // A MUX or MIXER control over the given source lines.
    void addSelector(LineDescription& destination, uint32_t type, const std::string& name, AlsaBinding binding)
    {
        ControlDescription control;
        control.type = type;
        control.maximum = 1;
        control.name = name;
        for (const LineDescription& source : destination.sources)
            control.items.push_back({source.id, source.componentType, source.name});
        destination.controls.push_back(newControl(std::move(control), std::move(binding)));
    }

    LineDescription sourceLine(const std::string& name, const Element* element, const Element* master,
                               std::optional<uint32_t> masterVolume)
    {
        LineDescription line = newLine(SourceComponentType(name), name, element ? element->captureChannels.size() : 1);
        line.controls = sourceVolume(element, master, masterVolume);
        return line;
    }

    const Element* capturingElementNamed(const std::vector<const Element*>& capturing, const std::string& name) const
    {
        for (const Element* element : capturing)
            if (Lowered(element->name) == Lowered(name))
                return element;
        return nullptr;
    }

    void addWaveIn()
    {
        const Element* master = find("Capture", Captures);
        const std::vector<const Element*> capturing = capturingElements(master);
        const Element* list = captureList();
        if (!master && !list && capturing.empty())
            return;
        LineDescription destination = newLine(MIXERLINE_COMPONENTTYPE_DST_WAVEIN, master ? master->name : "Capture",
                                              master ? master->captureChannels.size() : 1);
        std::optional<uint32_t> masterVolume;
        if (master && master->captureVolume)
            destination.controls.push_back(*(masterVolume = addVolume(*master, false)));
        if (master && master->captureSwitch)
            destination.controls.push_back(addMute(*master, false));

        AlsaBinding selector;
        const std::vector<const Element*> exclusive = ExclusiveGroup(capturing);
        if (list) {
            for (const std::string& item : list->enumItems)
                destination.sources.push_back(
                    sourceLine(item, capturingElementNamed(capturing, item), master, masterVolume));
            selector.kind = AlsaControlKind::EnumSelector;
            selector.elements = {{list->name, list->index}};
            selector.items = uint32_t(list->enumItems.size());
            addSelector(destination, MIXERCONTROL_CONTROLTYPE_MUX, list->name, std::move(selector));
        } else {
            std::vector<const Element*> sources = exclusive;
            if (sources.empty())
                std::ranges::copy_if(capturing, std::back_inserter(sources), [](const Element* e) { return e->captureSwitch; });
            const bool switched = !sources.empty();
            if (!switched)
                sources = capturing;
            selector.kind = AlsaControlKind::CaptureSwitches;
            for (const Element* element : sources) {
                destination.sources.push_back(sourceLine(element->name, element, master, masterVolume));
                selector.elements.push_back({element->name, element->index});
            }
            if (!exclusive.empty())
                addSelector(destination, MIXERCONTROL_CONTROLTYPE_MUX, "Capture Source", std::move(selector));
            else if (switched)
                addSelector(destination, MIXERCONTROL_CONTROLTYPE_MIXER, "Capture Switches", std::move(selector));
        }
        layout_.description.destinations.push_back(std::move(destination));
    }

    const std::vector<AlsaElementInfo>& elements_;
    const uint32_t idBase_;
    uint32_t lineCount_ = 0;
    uint32_t controlCount_ = 0;
    AlsaLayout layout_;
};

}  // namespace

AlsaLayout BuildAlsaLayout(const std::string& mixerName, const std::vector<AlsaElementInfo>& elements,
                           uint32_t mixerIndex)
{
    return LayoutBuilder(elements, mixerIndex).build(mixerName);
}

}  // namespace platform
