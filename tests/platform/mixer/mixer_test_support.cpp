#include "mixer_test_support.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

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

namespace mixertest {

using namespace platform;

MixerLine DestinationOf(uint32_t mixer, uint32_t componentType)
{
    MixerLine line;
    line.componentType = componentType;
    EXPECT_EQ(MixerGetLineInfo(mixer, &line, MIXER_GETLINEINFOF_COMPONENTTYPE), MMSYSERR_NOERROR)
        << "no destination of type " << componentType;
    return line;
}

MixerLine SourceOf(uint32_t mixer, const MixerLine& destination, uint32_t index)
{
    MixerLine line;
    line.destination = destination.destination;
    line.source = index;
    EXPECT_EQ(MixerGetLineInfo(mixer, &line, MIXER_GETLINEINFOF_SOURCE), MMSYSERR_NOERROR) << "no source " << index;
    return line;
}

std::vector<std::string> SourceNames(uint32_t mixer, const MixerLine& destination)
{
    std::vector<std::string> names;
    for (uint32_t index = 0; index < destination.connections; ++index)
        names.push_back(SourceOf(mixer, destination, index).name);
    return names;
}

uint32_t ControlOf(uint32_t mixer, uint32_t lineId, uint32_t controlType)
{
    MixerLineControls request;
    request.lineId = lineId;
    request.controlIdOrType = controlType;
    if (MixerGetLineControls(mixer, &request, MIXER_GETLINECONTROLSF_ONEBYTYPE) != MMSYSERR_NOERROR)
        return kNoControl;
    return request.control.controlId;
}

std::vector<uint32_t> ReadValues(uint32_t mixer, uint32_t control, uint32_t channels, uint32_t items)
{
    std::vector<uint32_t> values(channels * std::max<uint32_t>(items, 1), 0xAAAAAAAA);
    MixerControlDetails details{control, channels, items, sizeof(uint32_t), values.data()};
    EXPECT_EQ(MixerGetControlDetails(mixer, &details, MIXER_GETCONTROLDETAILSF_VALUE), MMSYSERR_NOERROR)
        << "cannot read control " << control;
    return values;
}

MMRESULT WriteValues(uint32_t mixer, uint32_t control, std::vector<uint32_t> values, uint32_t items)
{
    const uint32_t channels = uint32_t(values.size()) / std::max<uint32_t>(items, 1);
    MixerControlDetails details{control, channels, items, sizeof(uint32_t), values.data()};
    return MixerSetControlDetails(mixer, &details, MIXER_SETCONTROLDETAILSF_VALUE);
}

std::string Pactl(const std::string& arguments)
{
    std::string output;
    FILE* pipe = popen(("pactl " + arguments + " 2>&1").c_str(), "r");
    if (!pipe)
        return output;
    char buffer[256];
    while (fgets(buffer, sizeof buffer, pipe))
        output += buffer;
    pclose(pipe);
    return output;
}

void RestoreServerLevels()
{
    Pactl("set-sink-volume @DEFAULT_SINK@ 100%");
    Pactl("set-sink-mute @DEFAULT_SINK@ 0");
    Pactl("set-source-volume @DEFAULT_SOURCE@ 100%");
    Pactl("set-source-mute @DEFAULT_SOURCE@ 0");
}

long PactlVolume(const std::string& report)
{
    // "Volume: front-left: 32768 /  50% / -18.06 dB,   front-right: ..."
    const size_t colon = report.find(':', report.find("front-left"));
    if (colon == std::string::npos)
        return -1;
    return std::strtol(report.c_str() + colon + 1, nullptr, 10);
}

}  // namespace mixertest
