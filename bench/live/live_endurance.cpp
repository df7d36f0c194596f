// Live Voice for an hour (or as long as asked) with every live effect on:
// a voice is played into the null sink (the microphone) without a pause and
// "Warblecast Voice" is recorded all the while. Every report line gives the
// engine's underruns, overruns, dropped samples and input gaps, the effects'
// time and the process's CPU time per second of voice, the resident memory,
// and how much the recorder of the virtual microphone received.
//
//   live_endurance [--seconds N] [--report N]
#include <pulse/error.h>
#include <pulse/simple.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>

#include "live_voice.h"
#include "test_signals.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr uint32_t kRate = 22050;
constexpr pa_sample_spec kFormat{PA_SAMPLE_S16LE, kRate, 1};

double ProcessCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double ResidentMegabytes()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// Plays the voice over and over into the sink until told to stop.
void PlayLoop(const testsignals::Voice& voice, const std::atomic<bool>& stop)
{
    // A short queue keeps the null sink, and so its monitor (the microphone),
    // working in small steps, as a sound card's input does.
    pa_buffer_attr attr{};
    attr.maxlength = attr.prebuf = attr.minreq = uint32_t(-1);
    attr.tlength = kRate / 1000 * 30 * 2;
    int error = 0;
    pa_simple* s = pa_simple_new(nullptr, "live endurance", PA_STREAM_PLAYBACK, "nullsink", "voice", &kFormat,
                                 nullptr, &attr, &error);
    if (!s) {
        std::fprintf(stderr, "cannot play: %s\n", pa_strerror(error));
        return;
    }
    const size_t piece = kRate / 10;
    for (size_t at = 0; !stop; at = (at + piece) % voice.size())
        pa_simple_write(s, voice.data() + at, std::min(piece, voice.size() - at) * 2, &error);
    pa_simple_free(s);
}

// Records the source in 20 ms fragments until told to stop, counting samples.
void RecordLoop(const char* source, std::atomic<uint64_t>& received, const std::atomic<bool>& stop)
{
    pa_buffer_attr attr{};
    attr.maxlength = uint32_t(-1);
    attr.fragsize = kRate / 50 * 2;
    int error = 0;
    pa_simple* s = pa_simple_new(nullptr, "live endurance", PA_STREAM_RECORD, source, "record", &kFormat, nullptr,
                                 &attr, &error);
    if (!s) {
        std::fprintf(stderr, "cannot record: %s\n", pa_strerror(error));
        return;
    }
    int16_t piece[kRate / 50];
    while (!stop && pa_simple_read(s, piece, sizeof piece, &error) == 0)
        received += sizeof piece / 2;
    pa_simple_free(s);
}

}  // namespace

int main(int argc, char** argv)
{
    double seconds = 3600, reportEvery = 300;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--seconds"))
            seconds = std::atof(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--report"))
            reportEvery = std::atof(argv[i + 1]);
    }

    voice::EffectSwitches all;
    for (voice::Effect e : {voice::Effect::Echo, voice::Effect::Chorus, voice::Effect::Robotvoice,
                            voice::Effect::Flange, voice::Effect::BassOnly, voice::Effect::TrebleOnly})
        all[e] = true;
    all.pitchPosition = 3;

    // Ten seconds of a voice with a tone under it, played round and round.
    testsignals::Voice voice = testsignals::SpeechLike(10 * kRate, 12000);
    const testsignals::Voice tone = testsignals::Tone(330, 10 * kRate, 3000);
    for (size_t i = 0; i < voice.size(); ++i)
        voice[i] = int16_t(voice[i] + tone[i]);

    live::LiveVoice liveVoice;
    if (std::string error = liveVoice.Start(all, false); !error.empty()) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    std::atomic<bool> stop{false};
    std::atomic<uint64_t> received{0};
    std::thread player(PlayLoop, std::cref(voice), std::cref(stop));
    std::thread recorder(RecordLoop, "warblecast_voice", std::ref(received), std::cref(stop));

    const double cpuAtStart = ProcessCpuSeconds();
    std::printf("%8s %10s %9s %9s %9s %7s %12s %12s %8s %10s\n", "time_s", "voice_s", "underruns", "overruns",
                "dropped", "gaps", "effects_ms/s", "process_ms/s", "rss_MB", "heard_s");
    auto report = [&] {
        const platform::live::LiveCounters c = liveVoice.Counters();
        const double voiceSeconds = double(c.samplesIn) / kRate;
        const double effectsMs = std::chrono::duration<double, std::milli>(liveVoice.ProcessingTime()).count();
        const double processMs = (ProcessCpuSeconds() - cpuAtStart) * 1000;
        std::printf("%8.0f %10.1f %9llu %9llu %9llu %7llu %12.3f %12.3f %8.1f %10.1f\n",
                    liveVoice.RunningTime().count() / 1000.0, voiceSeconds, (unsigned long long)c.underruns,
                    (unsigned long long)c.overruns, (unsigned long long)c.droppedSamples,
                    (unsigned long long)c.inputGaps, voiceSeconds > 0 ? effectsMs / voiceSeconds : 0,
                    voiceSeconds > 0 ? processMs / voiceSeconds : 0, ResidentMegabytes(), double(received) / kRate);
        std::fflush(stdout);
    };
    report();
    const Clock::time_point start = Clock::now();
    Clock::time_point nextReport = start + std::chrono::duration_cast<Clock::duration>(
                                               std::chrono::duration<double>(std::min(reportEvery, 10.0)));
    std::string why;
    while (Clock::now() - start < std::chrono::duration<double>(seconds)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        if (liveVoice.EndedOnItsOwn(&why)) {
            std::printf("ended on its own: %s\n", why.c_str());
            break;
        }
        if (Clock::now() >= nextReport) {
            report();
            nextReport += std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(reportEvery));
        }
    }
    report();
    stop = true;
    player.join();
    recorder.join();
    liveVoice.Stop();
    return why.empty() ? 0 : 1;
}
