// How the sound devices keep time, measured against the wall clock on a
// real sound server (the tests only wait for what the devices deliver):
//
//   recording length      a recording lasts from the return of
//                         AudioStartRecord to the call of AudioStopRecord
//                         (goal: within 50 ms)
//   stop                  AudioStopRecord returns quickly (goal: under 500 ms),
//                         also after the sound server went away
//   slow playback         a two-second voice played at half its rate ends
//                         four seconds after it began (goal: within 0.25 s),
//                         two seconds in it is halfway
//
// Prints each figure with its goal; the goals are reported, not enforced.
//
//   bash scripts/pulse-null.sh run build/bin/sound_timing [--runs N]
#include "sound_support.h"
#include "tapedeck/tapedeck.h"
#include "test_signals.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace platform;
using namespace soundtest;
using Seconds = std::chrono::duration<double>;

constexpr double kRecordSeconds = 2.0;
constexpr double kRecordingGoalMs = 50;
constexpr double kStopGoalMs = 500;
constexpr double kSlowPlaybackSeconds = 4.0;
constexpr double kSlowPlaybackGoal = 0.25;

double Ms(Clock::duration d) { return Seconds(d).count() * 1000; }

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

void Report(const char* what, const std::vector<double>& values, const char* unit, bool met, const char* goal)
{
    const auto [low, high] = std::minmax_element(values.begin(), values.end());
    const int digits = std::strcmp(unit, "s") == 0 ? 3 : 1;
    std::printf("%-34s median %9.*f %s (min %.*f, max %.*f, %zu runs)  goal %s: %s\n", what, digits, Median(values),
                unit, digits, values.empty() ? 0 : *low, digits, values.empty() ? 0 : *high, values.size(), goal,
                met ? "met" : "MISSED");
}

bool AllWithin(const std::vector<double>& values, double limit)
{
    return std::all_of(values.begin(), values.end(), [&](double v) { return std::abs(v) <= limit; });
}

// One recording of kRecordSeconds: its length minus the time it ran, and how
// long the stop took, in milliseconds.
bool TimeOneRecording(const std::string& path, double& lengthMinusWall, double& stopMs)
{
    if (AudioStartRecord(path.c_str(), 22050, 16, 1, 0) != TAPEDECK_OK)
        return false;
    const Clock::time_point started = Clock::now();
    RunEventLoopFor(std::chrono::milliseconds(long(kRecordSeconds * 1000)));
    const Clock::time_point stopping = Clock::now();
    const bool stopped = AudioStopRecord() == 0;
    stopMs = Ms(Clock::now() - stopping);
    WaveFile file;
    if (!stopped || !ReadWaveFile(path, file))
        return false;
    lengthMinusWall = (file.seconds() - Seconds(stopping - started).count()) * 1000;
    return true;
}

// A recording on a server of its own, which goes away half-way; how long
// the stop takes then.
bool TimeStopAfterServerLoss(const ScratchFolder& scratch, double& stopMs)
{
    PrivateSoundServer server(scratch.File("server"));
    if (!server.running() || AudioStartRecord(scratch.File("lost.wav").c_str(), 22050, 16, 1, 0) != TAPEDECK_OK)
        return false;
    RunEventLoopFor(std::chrono::seconds(1));
    server.stop();
    RunEventLoopFor(std::chrono::milliseconds(500));
    const Clock::time_point stopping = Clock::now();
    const bool stopped = AudioStopRecord() == 0;
    stopMs = Ms(Clock::now() - stopping);
    return stopped;
}

// A two-second voice at 11025 Hz: seconds from the first move of the
// position to the last done message, and the position two seconds in.
bool TimeSlowPlayback(const std::string& path, double& seconds, double& halfwaySamples)
{
    const Samples voice = testsignals::SpeechLike(44100);
    DoubleBufferPlayer player(PlayOnce(voice));
    std::vector<std::pair<Clock::time_point, uint32_t>> positions;
    WaveFile recorded;
    // Recording keeps the null sink awake, as a sound card is.
    const bool played = RecordWhile(path, [&] {
        if (player.open(11025) != MMSYSERR_NOERROR)
            return;
        player.start();
        RunEventLoopUntil(
            [&] {
                MMTIME time{TIME_SAMPLES, {}};
                waveOutGetPosition(player.device(), &time, sizeof time);
                positions.emplace_back(Clock::now(), time.u.sample);
                return player.finished();
            },
            std::chrono::seconds(20));
    }, recorded);
    const auto moved = std::find_if(positions.begin(), positions.end(), [](const auto& p) { return p.second > 0; });
    if (!played || !player.finished() || moved == positions.end() || player.doneTimes().empty())
        return false;
    seconds = Seconds(player.doneTimes().back() - moved->first).count();
    const auto halfway = std::find_if(moved, positions.end(),
                                      [&](const auto& p) { return p.first - moved->first >= std::chrono::seconds(2); });
    halfwaySamples = halfway == positions.end() ? 0 : halfway->second;
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    int runs = 5;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else {
            std::fprintf(stderr, "usage: sound_timing [--runs N]\n");
            return 2;
        }
    }
    // The test helpers report through GoogleTest's assertions; outside a test
    // they only print.
    EnsureQtApplication();
    UseAlsaWaveOut();
    AudioSetRecordDevice(nullptr);
    ScratchFolder scratch;

    std::vector<double> lengths, stops, lostStops, slow, halfway;
    for (int run = 0; run < runs; ++run) {
        double lengthMinusWall = 0, stopMs = 0, seconds = 0, samples = 0;
        if (TimeOneRecording(scratch.File("timed.wav"), lengthMinusWall, stopMs)) {
            lengths.push_back(lengthMinusWall);
            stops.push_back(stopMs);
        }
        if (TimeSlowPlayback(scratch.File("slow.wav"), seconds, samples)) {
            slow.push_back(seconds);
            halfway.push_back(samples);
        }
    }
    double lostStopMs = 0;
    if (TimeStopAfterServerLoss(scratch, lostStopMs))
        lostStops.push_back(lostStopMs);

    Report("recording length minus wall time", lengths, "ms", !lengths.empty() && AllWithin(lengths, kRecordingGoalMs),
           "within 50 ms");
    Report("stop", stops, "ms", !stops.empty() && AllWithin(stops, kStopGoalMs), "under 500 ms");
    Report("stop after the server went away", lostStops, "ms", !lostStops.empty() && AllWithin(lostStops, kStopGoalMs),
           "under 500 ms");
    std::vector<double> slowError;
    for (const double s : slow)
        slowError.push_back(s - kSlowPlaybackSeconds);
    Report("2 s voice at 11025 Hz, played for", slow, "s", !slow.empty() && AllWithin(slowError, kSlowPlaybackGoal),
           "4.0 s within 0.25 s");
    std::vector<double> halfwayError;
    for (const double h : halfway)
        halfwayError.push_back(h - 22050);
    Report("  position two seconds in", halfway, "samples",
           !halfway.empty() && AllWithin(halfwayError, 22050 * 0.05), "22050 within 5 %");
    return 0;
}
