// Plays a continuous tone through the wave output device for minutes on
// end, fed as the program feeds it (two 8096-byte buffers refilled from the
// done messages), while the recording library records the null sink's
// monitor. Reports what a listener would notice: underruns and gaps in the
// recorded tone, and how the lengths of playback and recording compare with
// the time they took.
//
//   audio_endurance [--seconds N] [--rate R] [--play-only | --record-only] [--keep FILE]
#include "sound_support.h"
#include "tapedeck/tapedeck.h"
#include "test_signals.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

namespace {

using namespace platform;
using namespace soundtest;

constexpr double kToneHz = 441;
constexpr double kAmplitude = 12000;
constexpr uint32_t kRecordRate = 22050;

struct Options {
    double seconds = 600;
    uint32_t rate = 22050;
    bool play = true;
    bool record = true;
    std::string keep;
};

bool ParseOptions(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--seconds" && i + 1 < argc)
            options.seconds = std::atof(argv[++i]);
        else if (arg == "--rate" && i + 1 < argc)
            options.rate = uint32_t(std::atoi(argv[++i]));
        else if (arg == "--play-only")
            options.record = false;
        else if (arg == "--record-only")
            options.play = false;
        else if (arg == "--keep" && i + 1 < argc)
            options.keep = argv[++i];
        else
            return false;
    }
    return options.seconds > 0 && options.rate > 0;
}

// A tone that goes on for the given number of samples, its phase unbroken
// across buffers.
DoubleBufferPlayer::Source Tone(uint64_t totalSamples, uint32_t rate)
{
    uint64_t produced = 0;
    return [=](uint8_t* destination, size_t maxBytes) mutable {
        const size_t n = size_t(std::min<uint64_t>(maxBytes / 2, totalSamples - produced));
        for (size_t i = 0; i < n; ++i) {
            const double t = double(produced + i) / rate;
            const auto sample = int16_t(std::lround(kAmplitude * std::sin(2 * M_PI * kToneHz * t)));
            std::memcpy(destination + 2 * i, &sample, 2);
        }
        produced += n;
        return n * 2;
    };
}

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

struct PlaybackReport {
    bool ok = false;
    double audioSeconds = 0;
    // From the first done message to the last: the sound between them, and
    // the time it took. Their ratio is the speed of the sound card's clock.
    double timedAudioSeconds = 0;
    double timedSeconds = 0;
    size_t doneMessages = 0;
    WaveOutCounters counters;

    double clockPpm() const { return timedSeconds > 0 ? (timedAudioSeconds / timedSeconds - 1) * 1e6 : 0; }
};

PlaybackReport Play(const Options& options, uint64_t samples)
{
    PlaybackReport report;
    report.audioSeconds = double(samples) / options.rate;
    DoubleBufferPlayer player(Tone(samples, options.rate));
    if (player.open(options.rate) != MMSYSERR_NOERROR) {
        std::fprintf(stderr, "cannot open the wave output device\n");
        return report;
    }
    player.start();
    bool reportedStall = false;
    const bool finished = RunEventLoopUntil(
        [&] {
            report.counters = GetWaveOutCounters(player.device());
            const auto& done = player.doneTimes();
            if (!reportedStall && !done.empty() && Clock::now() - done.back() > std::chrono::seconds(2)) {
                std::fprintf(stderr, "no buffer came back for two seconds, after %zu\n", done.size());
                reportedStall = true;
            }
            return player.finished();
        },
        std::chrono::milliseconds(long(report.audioSeconds * 1000) + 10000));
    report.ok = finished && player.doneTimes().size() > 1;
    if (report.ok) {
        const double firstHeaderSeconds = double(DoubleBufferPlayer::kHeaderBytes / 2) / options.rate;
        report.timedAudioSeconds = report.audioSeconds - firstHeaderSeconds;
        report.timedSeconds = Seconds(player.doneTimes().back() - player.doneTimes().front());
    }
    report.doneMessages = player.doneTimes().size();
    return report;
}

// Gaps in the recorded tone: 5-millisecond windows between its first and
// last loud sample whose peak falls below half the tone's amplitude.
struct ToneReport {
    double seconds = 0;
    size_t gaps = 0;
    std::vector<double> gapTimes;  // the first few, seconds into the recording
    double frequency = 0;
};

ToneReport AnalyseTone(const Samples& recorded)
{
    ToneReport report;
    const size_t first = FirstLoudSample(recorded, int(kAmplitude / 2));
    if (first == recorded.size())
        return report;
    size_t last = first;
    for (size_t i = first; i < recorded.size(); ++i)
        if (std::abs(int(recorded[i])) >= int(kAmplitude / 2))
            last = i;
    report.seconds = double(last - first) / kRecordRate;
    const size_t window = kRecordRate / 200;
    for (size_t at = first; at + window <= last; at += window)
        if (PeakIn(recorded, at, at + window) < int(kAmplitude / 2) && ++report.gaps <= 10)
            report.gapTimes.push_back(double(at) / kRecordRate);
    report.frequency = testsignals::ZeroCrossingFrequency(recorded, first, last, kRecordRate);
    return report;
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr, "usage: %s [--seconds N] [--rate R] [--play-only | --record-only] [--keep FILE]\n",
                     argv[0]);
        return 2;
    }
    EnsureQtApplication();
    ScratchFolder scratch;
    const std::string path = options.keep.empty() ? scratch.File("endurance.wav") : options.keep;

    Clock::time_point recordStarted{};
    if (options.record) {
        const uint16_t started = AudioStartRecord(path.c_str(), kRecordRate, 16, 1, 0);
        if (started != 0) {
            std::fprintf(stderr, "AudioStartRecord failed: %u\n", started);
            return 1;
        }
        recordStarted = Clock::now();
    }

    const uint64_t samples = uint64_t(options.seconds * options.rate);
    PlaybackReport playback;
    if (options.play) {
        playback = Play(options, samples);
        RunEventLoopFor(std::chrono::milliseconds(300));
    } else {
        RunEventLoopFor(std::chrono::milliseconds(long(options.seconds * 1000)));
    }

    int failures = 0;
    if (options.play) {
        std::printf("playback: %.3f s of sound at %u Hz, %zu done messages; from the first to the last, %.3f s of "
                    "sound in %.3f s (%+.1f ms: the card's clock runs %+.0f ppm)\n",
                    playback.audioSeconds, options.rate, playback.doneMessages, playback.timedAudioSeconds,
                    playback.timedSeconds, (playback.timedSeconds - playback.timedAudioSeconds) * 1000,
                    playback.clockPpm());
        std::printf("playback: %llu underruns reported by ALSA, %llu times the device ran dry\n",
                    (unsigned long long)playback.counters.underruns, (unsigned long long)playback.counters.starved);
        failures += !playback.ok || playback.counters.underruns != 0 || playback.counters.starved != 0;
    }
    if (options.record) {
        const Clock::time_point stopping = Clock::now();
        if (AudioStopRecord() != 0) {
            std::fprintf(stderr, "AudioStopRecord failed\n");
            return 1;
        }
        const double wall = Seconds(stopping - recordStarted);
        WaveFile file;
        if (!ReadWaveFile(path, file)) {
            std::fprintf(stderr, "the recording is no wave file\n");
            return 1;
        }
        const double error = (file.seconds() - wall) * 1000;
        std::printf("recording: %.3f s of sound over %.3f s of wall time (%+.1f ms)\n", file.seconds(), wall, error);
        if (options.play) {
            // Sound is counted on the card's clock: against that clock the
            // recording must neither lose nor gain anything.
            const double onCardClock = wall * (1 + playback.clockPpm() * 1e-6);
            const double cardError = (file.seconds() - onCardClock) * 1000;
            std::printf("recording: against the card's clock %.3f s (%+.1f ms)\n", onCardClock, cardError);
            failures += std::abs(cardError) > 50;
        } else {
            failures += std::abs(error) > 50;
        }
        if (options.play) {
            const ToneReport tone = AnalyseTone(file.firstChannel());
            std::printf("recorded tone: %.3f s long (%+.1f ms against the sound played), %.4f Hz, %zu gaps of 5 ms\n",
                        tone.seconds, (tone.seconds - playback.audioSeconds) * 1000, tone.frequency, tone.gaps);
            for (const double at : tone.gapTimes)
                std::printf("  gap at %.3f s\n", at);
            failures += tone.gaps != 0;
        }
    }
    std::printf(failures == 0 ? "PASS\n" : "FAIL\n");
    return failures == 0 ? 0 : 1;
}
