// The delay Live Voice adds between the microphone and the virtual
// microphone. Clicks are played into the null sink, whose monitor is the
// microphone. Two recorders, set up alike, each stamping a 5 ms fragment with
// the time it arrived, record "Warblecast Voice" (a source over the monitor of
// the live sink) and a source of the same kind over the microphone, made for
// the measurement. A click's delay is the difference of its arrival times in
// the two recordings: what both paths share (the source over a monitor, the
// recorder's own buffering) cancels.
//
//   live_latency [--clicks N] [EFFECTS: --robot --echo ...] [--pitch POSITION]
#include <pulse/error.h>
#include <pulse/simple.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "live_voice.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr uint32_t kRate = 22050;
constexpr pa_sample_spec kFormat{PA_SAMPLE_S16LE, kRate, 1};
constexpr size_t kFragment = kRate / 200;      // 5 ms
constexpr size_t kClickEvery = kRate / 2;      // a click every half second
constexpr size_t kClickLength = 44;            // 2 ms burst
constexpr int kThreshold = 4000;

struct Recording {
    std::vector<int16_t> samples;
    std::vector<Clock::time_point> arrivals;  // arrival time of each fragment
};

void RecordInto(const char* source, Recording& recording, const std::atomic<bool>& stop)
{
    pa_buffer_attr attr{};
    attr.maxlength = uint32_t(-1);
    attr.fragsize = kFragment * 2;
    int error = 0;
    pa_simple* s =
        pa_simple_new(nullptr, "live latency", PA_STREAM_RECORD, source, "record", &kFormat, nullptr, &attr, &error);
    if (!s) {
        std::fprintf(stderr, "cannot record %s: %s\n", source, pa_strerror(error));
        return;
    }
    int16_t fragment[kFragment];
    while (!stop && pa_simple_read(s, fragment, sizeof fragment, &error) == 0) {
        recording.arrivals.push_back(Clock::now());
        recording.samples.insert(recording.samples.end(), fragment, fragment + kFragment);
    }
    pa_simple_free(s);
}

void PlayClicks(int clicks)
{
    std::vector<int16_t> sound(kClickEvery * size_t(clicks + 2), 0);
    for (int c = 1; c <= clicks; ++c)
        for (size_t i = 0; i < kClickLength; ++i)
            sound[size_t(c) * kClickEvery + i] = int16_t(i % 4 < 2 ? 16000 : -16000);
    pa_buffer_attr attr{};
    attr.maxlength = attr.prebuf = attr.minreq = uint32_t(-1);
    attr.tlength = kFragment * 2 * 4;
    int error = 0;
    pa_simple* s = pa_simple_new(nullptr, "live latency", PA_STREAM_PLAYBACK, "nullsink", "clicks", &kFormat,
                                 nullptr, &attr, &error);
    if (!s) {
        std::fprintf(stderr, "cannot play: %s\n", pa_strerror(error));
        return;
    }
    pa_simple_write(s, sound.data(), sound.size() * 2, &error);
    pa_simple_drain(s, &error);
    pa_simple_free(s);
}

// Arrival times of the clicks: the first loud sample after a quiet stretch,
// dated back from the arrival of its fragment.
std::vector<Clock::time_point> ClickTimes(const Recording& r)
{
    std::vector<Clock::time_point> times;
    size_t quietSince = 0;
    for (size_t i = 0; i < r.samples.size(); ++i) {
        if (std::abs(int(r.samples[i])) < kThreshold)
            continue;
        if (i - quietSince > kClickEvery / 2) {
            const size_t fragment = i / kFragment;
            const auto after = std::chrono::duration<double>(double(kFragment * (fragment + 1) - i) / kRate);
            times.push_back(r.arrivals[fragment] - std::chrono::duration_cast<Clock::duration>(after));
        }
        quietSince = i;
    }
    return times;
}

}  // namespace

int main(int argc, char** argv)
{
    int clicks = 20;
    voice::EffectSwitches switches;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--clicks" && i + 1 < argc)
            clicks = std::atoi(argv[++i]);
        else if (a == "--pitch" && i + 1 < argc)
            switches.pitchPosition = std::atoi(argv[++i]);
        else if (a == "--robot")
            switches[voice::Effect::Robotvoice] = true;
        else if (a == "--echo")
            switches[voice::Effect::Echo] = true;
        else if (a == "--chorus")
            switches[voice::Effect::Chorus] = true;
        else if (a == "--flange")
            switches[voice::Effect::Flange] = true;
    }

    // The reference: a source over the microphone, of the kind "Warblecast Voice" is.
    FILE* loaded = popen("pactl load-module module-remap-source source_name=latency_reference "
                         "master=nullsink.monitor channels=1", "r");
    char module[32] = "";
    if (!loaded || !std::fgets(module, sizeof module, loaded)) {
        std::fprintf(stderr, "cannot make the reference source\n");
        return 1;
    }
    pclose(loaded);

    live::LiveVoice liveVoice;
    if (std::string error = liveVoice.Start(switches, false); !error.empty()) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    std::atomic<bool> stop{false};
    Recording microphone, virtualMicrophone;
    std::thread a(RecordInto, "latency_reference", std::ref(microphone), std::cref(stop));
    std::thread b(RecordInto, "warblecast_voice", std::ref(virtualMicrophone), std::cref(stop));
    // Let every stream settle; an idle null sink takes up to two seconds to
    // begin, and what piled up meanwhile is dropped over the next seconds.
    std::this_thread::sleep_for(std::chrono::seconds(5));
    PlayClicks(clicks);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    stop = true;
    a.join();
    b.join();
    const platform::live::LiveCounters counters = liveVoice.Counters();
    liveVoice.Stop();
    std::system(("pactl unload-module " + std::string(module)).c_str());

    const std::vector<Clock::time_point> in = ClickTimes(microphone), out = ClickTimes(virtualMicrophone);
    if (in.size() != out.size() || in.empty()) {
        std::fprintf(stderr, "heard %zu clicks on the microphone and %zu on the virtual microphone\n", in.size(),
                     out.size());
        return 1;
    }
    std::vector<double> delays;
    for (size_t k = 0; k < in.size(); ++k)
        delays.push_back(std::chrono::duration<double, std::milli>(out[k] - in[k]).count());
    std::vector<double> sorted = delays;
    std::sort(sorted.begin(), sorted.end());
    std::printf("clicks %zu  delay ms: median %.1f  min %.1f  max %.1f  (underruns %llu, dropped %llu)\n",
                delays.size(), sorted[sorted.size() / 2], sorted.front(), sorted.back(),
                (unsigned long long)counters.underruns, (unsigned long long)counters.droppedSamples);
    return 0;
}
