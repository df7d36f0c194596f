// Shared by the mixer and libfaderbox tests: a window that records the
// messages posted to it, and sound cards arranged on the scripted backend.
#pragma once

#include "messages/messages.h"
#include "mixer/mixer.h"
#include "mixer/scripted_mixer.h"

#include <QObject>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace mixertest {

constexpr uint32_t kNoControl = 0xFFFFFFFF;

// Lookups and values through the mixer calls; failures fail the test.
platform::MixerLine DestinationOf(uint32_t mixer, uint32_t componentType);
platform::MixerLine SourceOf(uint32_t mixer, const platform::MixerLine& destination, uint32_t index);
std::vector<std::string> SourceNames(uint32_t mixer, const platform::MixerLine& destination);
// The line's control of that type, or kNoControl.
uint32_t ControlOf(uint32_t mixer, uint32_t lineId, uint32_t controlType);
std::vector<uint32_t> ReadValues(uint32_t mixer, uint32_t control, uint32_t channels, uint32_t items = 0);
platform::MMRESULT WriteValues(uint32_t mixer, uint32_t control, std::vector<uint32_t> values, uint32_t items = 0);

// Runs pactl with the arguments and returns what it printed.
std::string Pactl(const std::string& arguments);
// Puts the default sink and source back at full volume, unmuted, as the
// server started: the sound tests that follow measure levels through them.
void RestoreServerLevels();
// The first channel's raw volume in pactl's volume report (65536 is 100 %).
long PactlVolume(const std::string& report);

// A QCoreApplication for the whole test program, created on first use.
void EnsureApplication();

// Runs the event loop until done() holds or the time is up; returns done().
bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = std::chrono::seconds(5));

struct Message {
    uint32_t message;
    uintptr_t wParam;
    intptr_t lParam;
};

class MessageRecorder : public QObject {
public:
    MessageRecorder();
    platform::WindowHandle handle() const { return registration_.handle(); }
    // Delivers what is queued without waiting.
    const std::vector<Message>& deliver();
    const std::vector<Message>& messages() const { return messages_; }
    bool received(intptr_t controlId) const;
    void clear() { messages_.clear(); }

protected:
    bool event(QEvent* event) override;

private:
    platform::MessageTargetRegistration registration_;
    std::vector<Message> messages_;
};

// How a card's recording destination chooses its source.
enum class Selector { Mux, Mixer, Neither };

// The kind's name, for naming the cases of a test run on every kind.
inline const char* SelectorName(Selector selector)
{
    switch (selector) {
    case Selector::Mux: return "Mux";
    case Selector::Mixer: return "Mixer";
    case Selector::Neither: return "Muting";
    }
    return "Unknown";
}

struct CardOptions {
    Selector selector = Selector::Mux;
    std::vector<std::string> sources = {"Mic", "Line In", "CD"};
    bool waveOutMute = true;
    uint32_t maximum = 65535;
};

// The identifiers of a card made by AddCard.
struct Card {
    uint32_t mixer = 0;
    uint32_t speakersVolume = 0, speakersMute = 0;
    uint32_t waveOutLine = 0, waveOutVolume = 0, waveOutMute = 0;
    uint32_t waveIn = 0, recordVolume = 0, recordMute = 0, selector = 0;
    std::vector<uint32_t> sourceLines, sourceVolumes, sourceMutes;
};

// A mixer with a speakers destination (volume, mute) over a wave-out source
// (volume, optional mute) and a wave-in destination (volume, mute, the chosen
// selector) over one source line per name (volume; mute when without
// selector), plus a wave-out and a wave-in device leading to it. Volumes
// start at half the maximum, mutes off, the first source selected.
Card AddCard(platform::ScriptedMixerBackend& backend, const CardOptions& options = {});

}  // namespace mixertest
