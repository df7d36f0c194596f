#include "mixer/alsa_devices.h"

#include "mixer/mixer_text.h"

#include <alsa/asoundlib.h>

#include <cstdlib>
#include <map>
#include <optional>

namespace platform {

namespace {

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

constexpr const char* kDefaultDeviceName = "Default Audio Device";

// A product name from a device description: its first line when it fits the
// 31 characters of the classic field; otherwise the fallback, or the line cut
// at a word boundary.
std::string ProductName(const std::string& description, const std::string& fallback = {})
{
    std::string line = description.substr(0, description.find('\n'));
    constexpr size_t kLimit = kProductNameChars - 1;
    if (line.size() <= kLimit)
        return line;
    if (!fallback.empty())
        return fallback;
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
        devices.push_back({ProductName(defaultDescription.value_or(kDefaultDeviceName), kDefaultDeviceName), 0});
    for (const auto& [card, description] : cardDescriptions)
        devices.push_back({ProductName(description), mixerOfCard.at(card)});
    return devices;
}

}  // namespace

AlsaMixerSetup SystemAlsaSetup()
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

}  // namespace platform
