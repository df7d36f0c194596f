// parrotel-live: Live Voice without a window. The microphone runs through the
// named effects and the pitch bar into the virtual microphone "Warblecast
// Voice" until Ctrl+C (or SIGTERM) or the given number of seconds.
#include <signal.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "effect_settings.h"
#include "live_chain.h"
#include "live_voice.h"

namespace {

using voice::Effect;

const char* const kUsage =
    "Usage: parrotel-live [EFFECTS] [--pitch POSITION] [--seconds N] [--hear]\n"
    "\n"
    "Runs the microphone (the sound server's default source) through the effects\n"
    "and the pitch bar and out of the virtual microphone \"Warblecast Voice\", which\n"
    "any program can choose as its input, until Ctrl+C or N seconds have passed.\n"
    "\n"
    "Effects that run live:\n"
    "  --echo --chorus --robot --flange --bass-only --treble-only\n"
    "Options:\n"
    "  --pitch POSITION  the pitch bar, 0 (Helium Breath) to 12 (Sulphur Breath); 6 is no change\n"
    "  --seconds N       stop after N seconds\n"
    "  --hear            also play the live voice on the default sink (Hear Yourself)\n"
    "  --help            this text\n"
    "\n"
    "Fade In, Fade Out, Backward, Sweep Up and Sweep Down need the whole voice, and\n"
    "Slow Monster and Fast Squeaker change its speed: they cannot run live.\n";

struct Options {
    voice::EffectSwitches switches;
    std::optional<double> seconds;
    bool hear = false;
    bool help = false;
};

const std::map<std::string, Effect>& EffectFlags()
{
    static const std::map<std::string, Effect> flags = {
        {"--echo", Effect::Echo},           {"--chorus", Effect::Chorus},         {"--flange", Effect::Flange},
        {"--fade-in", Effect::FadeIn},      {"--fade-out", Effect::FadeOut},      {"--bass-only", Effect::BassOnly},
        {"--treble-only", Effect::TrebleOnly}, {"--robot", Effect::Robotvoice},   {"--backward", Effect::Backward},
        {"--sweep-up", Effect::SweepUp},    {"--sweep-down", Effect::SweepDown},
        {"--slow-monster", Effect::SlowMonster},
        {"--fast-squeaker", Effect::FastSqueaker},
    };
    return flags;
}

// A whole number in [low, high] written with digits only.
std::optional<long> Number(const std::string& text, long low, long high)
{
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    const long value = std::atol(text.c_str());
    if (value < low || value > high)
        return std::nullopt;
    return value;
}

std::optional<std::string> ParseOptions(const std::vector<std::string>& arguments, Options& options)
{
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (auto flag = EffectFlags().find(a); flag != EffectFlags().end()) {
            options.switches[flag->second] = true;
        } else if (a == "--pitch") {
            const auto position = hasValue ? Number(arguments[++i], 0, voice::kPitchMax) : std::nullopt;
            if (!position)
                return "--pitch needs a position from 0 to 12";
            options.switches.pitchPosition = int32_t(*position);
        } else if (a == "--seconds") {
            const auto seconds = hasValue ? Number(arguments[++i], 1, 100000000) : std::nullopt;
            if (!seconds)
                return "--seconds needs a whole number of seconds, at least 1";
            options.seconds = double(*seconds);
        } else if (a == "--hear") {
            options.hear = true;
        } else if (a == "--help" || a == "-h") {
            options.help = true;
        } else {
            return "unknown option " + a;
        }
    }
    return std::nullopt;
}

// "Backward and Fade In cannot run live: ..." for what was asked but cannot be done.
std::optional<std::string> Refusal(const voice::EffectSwitches& switches)
{
    const std::vector<Effect> refused = live::EffectsThatCannotRunLive(switches);
    if (refused.empty())
        return std::nullopt;
    std::string names;
    for (size_t k = 0; k < refused.size(); ++k)
        names += (k == 0 ? "" : k + 1 == refused.size() ? " and " : ", ") + live::EffectName(refused[k]);
    return names +
           " cannot run live: only Echo, Chorus, Robot Voice, Flange, Bass Only, Treble Only and the pitch bar can.";
}

int Fail(const std::string& message)
{
    std::fprintf(stderr, "parrotel-live: %s\n", message.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    if (auto error = ParseOptions({argv + 1, argv + argc}, options)) {
        std::fprintf(stderr, "parrotel-live: %s\n\n%s", error->c_str(), kUsage);
        return 1;
    }
    if (options.help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (auto refusal = Refusal(options.switches))
        return Fail(*refusal);

    // Ctrl+C and SIGTERM are taken in here, by this thread; the sound threads
    // inherit the blocked mask and never see them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    live::LiveVoice liveVoice;
    if (std::string error = liveVoice.Start(options.switches, options.hear); !error.empty())
        return Fail(error);
    std::printf("Live Voice runs: record from the virtual microphone \"%s\". Ctrl+C ends it.\n",
                live::LiveVoice::VirtualMicrophoneName());
    std::fflush(stdout);

    std::string endedWhy;
    const timespec tick{0, 100 * 1000 * 1000};
    for (;;) {
        if (sigtimedwait(&stopSignals, nullptr, &tick) > 0)
            break;
        if (liveVoice.EndedOnItsOwn(&endedWhy))
            break;
        if (options.seconds && liveVoice.RunningTime().count() >= *options.seconds * 1000)
            break;
    }
    const double ran = liveVoice.RunningTime().count() / 1000.0;
    const platform::live::LiveCounters counters = liveVoice.Counters();
    liveVoice.Stop();
    std::printf("Live Voice ran %.1f s: %llu underruns, %llu overruns, %llu samples dropped.\n", ran,
                (unsigned long long)counters.underruns, (unsigned long long)counters.overruns,
                (unsigned long long)counters.droppedSamples);
    if (!endedWhy.empty())
        return Fail(endedWhy);
    return 0;
}
