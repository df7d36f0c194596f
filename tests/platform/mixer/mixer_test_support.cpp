#include "mixer_test_support.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <thread>

namespace mixertest {

using namespace platform;

void EnsureApplication()
{
    if (QCoreApplication::instance())
        return;
    static int argc = 1;
    static char name[] = "mixer-test";
    static char* argv[] = {name, nullptr};
    static QCoreApplication application(argc, argv);
}

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < limit.count()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    QCoreApplication::processEvents();
    return done();
}

MessageRecorder::MessageRecorder() : registration_((EnsureApplication(), this)) {}

const std::vector<Message>& MessageRecorder::deliver()
{
    QCoreApplication::sendPostedEvents(this);
    return messages_;
}

bool MessageRecorder::received(intptr_t controlId) const
{
    for (const Message& message : messages_)
        if (message.message == MM_MIXM_CONTROL_CHANGE && message.lParam == controlId)
            return true;
    return false;
}

bool MessageRecorder::event(QEvent* event)
{
    if (event->type() != WindowMessageEvent::eventType())
        return QObject::event(event);
    const auto* message = static_cast<WindowMessageEvent*>(event);
    messages_.push_back({message->message, message->wParam, message->lParam});
    return true;
}

Card AddCard(ScriptedMixerBackend& backend, const CardOptions& options)
{
    Card card;
    const uint32_t half = options.maximum / 2;
    card.mixer = backend.addMixer("Scripted Card");
    const uint32_t speakers = backend.addDestination(card.mixer, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, "Speakers");
    card.speakersVolume = backend.addVolume(card.mixer, speakers, 0, options.maximum, half);
    card.speakersMute = backend.addMute(card.mixer, speakers, 0);
    card.waveOutLine = backend.addSource(card.mixer, speakers, MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT, "Wave");
    card.waveOutVolume = backend.addVolume(card.mixer, card.waveOutLine, 0, options.maximum, half);
    if (options.waveOutMute)
        card.waveOutMute = backend.addMute(card.mixer, card.waveOutLine, 0);

    card.waveIn = backend.addDestination(card.mixer, MIXERLINE_COMPONENTTYPE_DST_WAVEIN, "Recording Control");
    card.recordVolume = backend.addVolume(card.mixer, card.waveIn, 0, options.maximum, half);
    card.recordMute = backend.addMute(card.mixer, card.waveIn, 0);
    for (size_t i = 0; i < options.sources.size(); ++i) {
        const std::string& name = options.sources[i];
        const uint32_t line = backend.addSource(card.mixer, card.waveIn, MIXERLINE_COMPONENTTYPE_SRC_ANALOG, name);
        card.sourceLines.push_back(line);
        card.sourceVolumes.push_back(backend.addVolume(card.mixer, line, 0, options.maximum, half));
        if (options.selector == Selector::Neither)
            card.sourceMutes.push_back(backend.addMute(card.mixer, line, i == 0 ? 0 : 1));
    }
    std::vector<uint32_t> selected(options.sources.size(), 0);
    if (!selected.empty())
        selected[0] = 1;
    if (options.selector == Selector::Mux)
        card.selector = backend.addSelector(card.mixer, card.waveIn, MIXERCONTROL_CONTROLTYPE_MUX, card.sourceLines,
                                            selected);
    else if (options.selector == Selector::Mixer)
        card.selector = backend.addSelector(card.mixer, card.waveIn, MIXERCONTROL_CONTROLTYPE_MIXER,
                                            card.sourceLines, selected);
    backend.addWaveOutDevice("Scripted Card", card.mixer);
    backend.addWaveInDevice("Scripted Card", card.mixer);
    return card;
}

}  // namespace mixertest
