// The main window's playback and recording, measured through the window's own
// code and the real devices (run-window-sound.sh starts a private sound
// server):
//
//   window_sound click [--runs N] [--seconds S]
//       from PlayButtonClick to the first samples handed to ALSA, for a voice
//       of S seconds (60) with all twelve processing effects on; the effect
//       run alone is timed as well
//   window_sound play --seconds S
//       plays a tone of S seconds from the window while the recording library
//       records the sink: ALSA underruns, gaps in the recorded tone, lengths
//   window_sound record --seconds S
//       records S seconds by clicking Record twice: the recorded length
//       against the time between the clicks
//   window_sound exit [--runs N] [--seconds S]
//       File > Exit while a voice plays and while a recording runs (S
//       seconds into it, 1 by default; the question about the recorded voice
//       answered Discard at once): the close, the window's destruction, both
//
// Program-level exit times (the whole process, from Ctrl+Q) come from
// exit-time.sh.
//
// The first write to ALSA is seen by standing in for snd_pcm_writei: the
// program exports its own, which the wave output library's calls reach first.
#include <alsa/asoundlib.h>
#include <dlfcn.h>

#include <QAbstractSlider>
#include <QApplication>
#include <QMouseEvent>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "dialogs/dialogs.h"
#include "document_commands.h"
#include "mainform.h"
#include "sound_support.h"
#include "tapedeck/tapedeck.h"
#include "test_signals.h"
#include "voice_player.h"
#include "voice_recorder.h"
#include "wave_file.h"

namespace {

using soundtest::Clock;

std::atomic<bool> watchingWrites{false};
std::atomic<Clock::rep> firstWrite{0};
std::atomic<uint64_t> underruns{0};

}  // namespace

extern "C" snd_pcm_sframes_t snd_pcm_writei(snd_pcm_t* pcm, const void* buffer, snd_pcm_uframes_t size)
{
    using Write = snd_pcm_sframes_t (*)(snd_pcm_t*, const void*, snd_pcm_uframes_t);
    static const auto real = reinterpret_cast<Write>(dlsym(RTLD_NEXT, "snd_pcm_writei"));
    if (watchingWrites.exchange(false))
        firstWrite = Clock::now().time_since_epoch().count();
    const snd_pcm_sframes_t written = real(pcm, buffer, size);
    if (written == -EPIPE)
        ++underruns;
    return written;
}

namespace {

constexpr double kToneHz = 441;
constexpr double kToneAmplitude = 12000;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// A left click on one of the window's buttons, delivered at once.
void Click(TMainForm& form, const char* button)
{
    auto* widget = form.findChild<QWidget*>(button);
    const QPointF centre = QRectF(widget->rect()).center();
    const QPointF global = widget->mapToGlobal(centre);
    QMouseEvent press(QEvent::MouseButtonPress, centre, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, centre, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QApplication::sendEvent(widget, &release);
}

struct Options {
    std::string mode;
    int runs = 9;
    double seconds = 60;
};

bool ParseOptions(int argc, char** argv, Options& options)
{
    if (argc < 2)
        return false;
    options.mode = argv[1];
    if (options.mode == "exit")
        options.seconds = 1;  // into the recording
    for (int i = 2; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        if (name == "--runs")
            options.runs = std::atoi(argv[i + 1]);
        else if (name == "--seconds")
            options.seconds = std::atof(argv[i + 1]);
        else
            return false;
    }
    return (options.mode == "click" || options.mode == "play" || options.mode == "record" ||
            options.mode == "exit") &&
           options.runs > 0 && options.seconds > 0;
}

// Opens the voice through File > Open, the dialog answered with its path.
bool LoadVoice(TMainForm& form, const testsignals::Voice& samples, const std::string& path)
{
    if (!voice::WriteWaveFile(path, 22050, 16, 1, reinterpret_cast<const uint8_t*>(samples.data()),
                              int32_t(samples.size() * 2), nullptr))
        return false;
    const platform::FileDialogFunction previous = platform::SetFileDialogFunction(
        [&](const platform::FileDialogRequest&) { return QString::fromStdString(path); });
    form.Open1Click();
    platform::SetFileDialogFunction(previous);
    return form.Document().Voice().VoiceBytes() == int32_t(samples.size() * 2);
}

// Every processing switch down and the pitch bar away from the middle; the
// speed switches stay up (they process nothing).
voice::EffectSwitches TwelveEffects()
{
    voice::EffectSwitches switches;
    for (voice::Effect effect : {voice::Effect::Echo, voice::Effect::Chorus, voice::Effect::Flange,
                                 voice::Effect::FadeIn, voice::Effect::FadeOut, voice::Effect::BassOnly,
                                 voice::Effect::Robotvoice, voice::Effect::Backward, voice::Effect::TrebleOnly,
                                 voice::Effect::SweepUp, voice::Effect::SweepDown})
        switches[effect] = true;
    switches.pitchPosition = 3;
    return switches;
}

// Clicks the buttons of the switches above and moves the pitch bar.
void SwitchOnTwelveEffects(TMainForm& form, const voice::EffectSwitches& switches)
{
    for (const char* button : {"EchoButton", "ChorusButton", "FlangeButton", "FadeInButton", "fadeOutButton",
                               "BassOnlyButton", "RobotvoiceButton", "BackwardButton", "TrebleOnlyButton",
                               "SweepUpButton", "SweepDownButton"})
        Click(form, button);
    form.findChild<QAbstractSlider*>("PitchBar")->setValue(switches.pitchPosition);
}

// An effect run that shows nothing.
class SilentHost final : public voice::EffectRunHost {
public:
    void ShowMessage(const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }
    void ShowProgressWindow() override {}
    void HideProgressWindow() override {}
    void ResetProgress(int32_t) override {}
    void StepProgress() override {}
    void ShowWaveData(const uint8_t*, int32_t) override {}
};

// The effect run alone, on a copy of the window's voice.
double EffectRunMs(const TMainForm& form, const voice::EffectSwitches& switches)
{
    const voice::VoiceDocument& shown = form.Document().Voice();
    voice::SampleBlock samples = voice::AllocateSamples(shown.VoiceBytes());
    std::memcpy(samples.data(), shown.VoiceData.data(), size_t(shown.VoiceBytes()));
    voice::VoiceDocument copy;
    copy.AdoptVoice(std::move(samples));
    SilentHost host;
    const Clock::time_point before = Clock::now();
    voice::ApplyEffects(copy, switches, std::string(), host);
    return Ms(Clock::now() - before);
}

bool StopAndWindUp(TMainForm& form)
{
    if (form.Player().IsPlaying())
        Click(form, "PlayButton");
    return soundtest::RunEventLoopUntil([&] { return !form.Player().IsPlaying(); }, std::chrono::seconds(5));
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

int ClickToSound(TMainForm& form, const Options& options, const soundtest::ScratchFolder& scratch)
{
    if (!LoadVoice(form, testsignals::SpeechLike(int32_t(options.seconds * 22050)), scratch.File("voice.wav")))
        return 1;
    const voice::EffectSwitches switches = TwelveEffects();
    SwitchOnTwelveEffects(form, switches);
    std::vector<double> clicks, effects;
    for (int run = 0; run < options.runs; ++run) {
        effects.push_back(EffectRunMs(form, switches));

        firstWrite = 0;
        watchingWrites = true;
        const Clock::time_point clicked = Clock::now();
        Click(form, "PlayButton");
        if (!form.Player().IsPlaying() || !soundtest::RunEventLoopUntil([] { return firstWrite != 0; }, std::chrono::seconds(5))) {
            std::fprintf(stderr, "playback did not start\n");
            return 1;
        }
        clicks.push_back(Ms(Clock::time_point(Clock::duration(firstWrite.load())) - clicked));
        soundtest::RunEventLoopFor(std::chrono::milliseconds(300));
        if (!StopAndWindUp(form))
            return 1;
        std::printf("run %d: effects %.1f ms, click to first write %.1f ms\n", run + 1, effects.back(), clicks.back());
    }
    std::printf("%.0f s voice, 12 effects, %d runs: click to first write median %.1f ms (min %.1f, max %.1f); "
                "effect run alone median %.1f ms\n",
                options.seconds, options.runs, Median(clicks), *std::min_element(clicks.begin(), clicks.end()),
                *std::max_element(clicks.begin(), clicks.end()), Median(effects));
    return 0;
}

// Gaps in the recorded tone: 5 ms windows between its first and last loud
// sample whose peak stays below half the tone's amplitude.
size_t ToneGaps(const soundtest::Samples& recorded, double& seconds)
{
    const int half = int(kToneAmplitude / 2);
    const size_t first = soundtest::FirstLoudSample(recorded, half);
    size_t last = first;
    for (size_t i = first; i < recorded.size(); ++i)
        if (std::abs(int(recorded[i])) >= half)
            last = i;
    seconds = first < recorded.size() ? double(last - first) / 22050 : 0;
    size_t gaps = 0;
    for (size_t at = first; at + 110 <= last; at += 110)
        gaps += soundtest::PeakIn(recorded, at, at + 110) < half;
    return gaps;
}

int PlayFromTheWindow(TMainForm& form, const Options& options, const soundtest::ScratchFolder& scratch)
{
    const int32_t samples = int32_t(options.seconds * 22050);
    if (!LoadVoice(form, testsignals::Tone(kToneHz, samples, kToneAmplitude), scratch.File("tone.wav")))
        return 1;
    const std::string recording = scratch.File("monitor.wav");
    if (AudioStartRecord(recording.c_str(), 22050, 16, 1, 0) != 0)
        return 1;
    const Clock::time_point clicked = Clock::now();
    Click(form, "PlayButton");
    const bool ended = soundtest::RunEventLoopUntil([&] { return !form.Player().IsPlaying(); },
                                                    std::chrono::milliseconds(long(options.seconds * 1000) + 10000));
    const double took = Ms(Clock::now() - clicked) / 1000;
    soundtest::RunEventLoopFor(std::chrono::milliseconds(300));
    AudioStopRecord();
    soundtest::WaveFile file;
    if (!ended || !soundtest::ReadWaveFile(recording, file))
        return 1;
    double toneSeconds = 0;
    const soundtest::Samples heard = file.firstChannel();
    const size_t gaps = ToneGaps(heard, toneSeconds);
    std::printf("played %.3f s of tone from the window in %.3f s (click to wind-up); %llu ALSA underruns\n",
                options.seconds, took, (unsigned long long)underruns.load());
    std::printf("recorded tone %.3f s (%+.1f ms), %.4f Hz, %zu gaps of 5 ms\n", toneSeconds,
                (toneSeconds - options.seconds) * 1000, testsignals::ZeroCrossingFrequency(heard, 0, heard.size()), gaps);
    return underruns == 0 && gaps == 0 ? 0 : 1;
}

// The recording spans the time from the return of the library's start to
// its stop: here from the return of the first click to the second click.
int RecordFromTheWindow(TMainForm& form, const Options& options)
{
    Click(form, "RecordButton");
    const Clock::time_point started = Clock::now();
    if (!form.Recorder().IsRecording())
        return 1;
    soundtest::RunEventLoopFor(std::chrono::milliseconds(long(options.seconds * 1000)));
    const Clock::time_point stopping = Clock::now();
    Click(form, "RecordButton");
    if (form.Recorder().IsRecording())
        return 1;
    const double wall = Ms(stopping - started) / 1000;
    const double recorded = double(form.Document().Voice().VoiceBytes()) / 44100;
    std::printf("recorded from the window: %.3f s of sound between clicks %.3f s apart (%+.1f ms)\n", recorded, wall,
                (recorded - wall) * 1000);
    return std::abs(recorded - wall) <= 0.05 ? 0 : 1;
}

struct ExitTimes {
    std::vector<double> close, destroy;
};

// Exits one window through File > Exit once it plays or records, and times
// the close (stopping the sound, keeping a recording) and the destruction.
bool TimeOneExit(bool recording, const Options& options, const soundtest::ScratchFolder& scratch, ExitTimes& times)
{
    auto* form = new TMainForm;
    if (form->TerminationRequested())
        return false;
    if (recording) {
        Click(*form, "RecordButton");
        if (!form->Recorder().IsRecording())
            return false;
        soundtest::RunEventLoopFor(std::chrono::milliseconds(long(options.seconds * 1000)));
    } else {
        if (!LoadVoice(*form, testsignals::Tone(kToneHz, 22050 * 10, kToneAmplitude), scratch.File("exit.wav")))
            return false;
        firstWrite = 0;
        watchingWrites = true;
        Click(*form, "PlayButton");
        if (!soundtest::RunEventLoopUntil([] { return firstWrite != 0; }, std::chrono::seconds(5)))
            return false;
        soundtest::RunEventLoopFor(std::chrono::milliseconds(500));
    }
    const Clock::time_point exit = Clock::now();
    form->Exit1Click();
    const Clock::time_point closed = Clock::now();
    const bool gone = !form->isVisible();
    delete form;
    times.close.push_back(Ms(closed - exit));
    times.destroy.push_back(Ms(Clock::now() - closed));
    return gone;
}

int ExitFromTheWindow(const Options& options, const soundtest::ScratchFolder& scratch)
{
    platform::SetMessageFunction([](const platform::MessageRequest& request) {
        return request.buttons == platform::MessageButtons::SaveDiscardCancel ? platform::MessageAnswer::Discard
                                                                               : platform::MessageAnswer::Ok;
    });
    for (const bool recording : {false, true}) {
        ExitTimes times;
        for (int run = 0; run < options.runs; ++run) {
            if (!TimeOneExit(recording, options, scratch, times)) {
                std::fprintf(stderr, "the window did not %s, or did not close\n", recording ? "record" : "play");
                return 1;
            }
        }
        std::vector<double> total;
        for (size_t i = 0; i < times.close.size(); ++i)
            total.push_back(times.close[i] + times.destroy[i]);
        std::printf("exit while %s, %d runs: close median %.1f ms, destruction median %.1f ms, "
                    "both median %.1f ms (max %.1f)\n",
                    recording ? "recording" : "playing", options.runs, Median(times.close), Median(times.destroy),
                    Median(total), *std::max_element(total.begin(), total.end()));
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr,
                     "usage: %s click [--runs N] [--seconds S] | play --seconds S | record --seconds S | "
                     "exit [--runs N] [--seconds S]\n",
                     argv[0]);
        return 2;
    }
    QApplication application(argc, argv);
    soundtest::ScratchFolder scratch;
    if (options.mode == "exit")
        return ExitFromTheWindow(options, scratch);
    TMainForm form;
    if (form.TerminationRequested())
        return 1;
    if (options.mode == "click")
        return ClickToSound(form, options, scratch);
    if (options.mode == "play")
        return PlayFromTheWindow(form, options, scratch);
    return RecordFromTheWindow(form, options);
}
