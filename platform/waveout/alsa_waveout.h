// A wave output device that plays through an ALSA PCM device on a thread of
// its own.
//
// Rules:
// - All ALSA calls after the open are made on the device thread; the API
//   calls only change state under the device's lock and wake the thread.
// - The thread copies whatever is queued into a 200 ms buffer (10 ms
//   periods) at once, so a thread held up by a busy machine does not let the
//   sound run dry, and every 10 ms asks how far playback has come.
// - A header is done once its last byte has been heard (snd_pcm_delay, never
//   less than what the server has not yet taken).
// - When the data runs out, a few periods of silence follow it, so the server
//   plays the last fragment and the stream never underruns; silence that ends
//   up between data counts as starved (counters()).
// - A device whose server went away returns every header as played, so
//   playback ends instead of hanging; a stream whose position stops for three
//   seconds with sound still to play is started afresh.
#pragma once

#include "pcm/pcm.h"
#include "waveout/waveout_device.h"

#include <chrono>
#include <deque>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace platform {

class AlsaWaveOutDevice final : public WaveOutDevice {
public:
    // Opens the named PCM device for the format: MMSYSERR_NOERROR and the
    // device, or the reason it could not be opened.
    static MMRESULT Open(const std::string& pcmName, const WAVEFORMATEX& format,
                         std::shared_ptr<WaveOutDevice>& device);
    ~AlsaWaveOutDevice() override;

    void start() override;
    void stop() override;
    WaveOutCounters counters() override;

private:
    // Silence played between stretches of data: where it starts in the
    // stream and how long it is.
    struct Silence {
        uint64_t start;
        uint64_t frames;
    };
    // The ALSA stream from one prepare to the next drop. Frames count both
    // the data written and the silence that keeps the stream going.
    struct Run {
        bool started = false;
        bool paused = false;
        uint64_t framesWritten = 0;
        uint64_t dataFramesWritten = 0;
        std::deque<Silence> silences;
        uint64_t silencePassed = 0;  // frames of silences already played
        std::chrono::steady_clock::time_point allPlayedSince{};
        bool allPlayed = false;
        uint64_t streamPlayed = 0;  // last measured, and when it last moved
        std::chrono::steady_clock::time_point movedAt{};
    };

    // How much of the data written since the last reset has been heard.
    struct Progress {
        uint64_t dataFrames;
        bool allPlayed;  // everything taken from the headers, and heard
    };

    AlsaWaveOutDevice(const WAVEFORMATEX& format, pcm::Device device);

    void run();
    void dropStream();
    void endRun();
    void applyPause(bool paused);
    void feed(bool moreQueued);
    bool writeFrames(const uint8_t* frames, uint64_t count, uint64_t& written);
    void padWithSilence(snd_pcm_sframes_t avail);
    void startIfFilled(snd_pcm_sframes_t availAfterWriting, bool dataLeft);
    Progress measureProgress(bool moreQueued, bool paused);
    uint64_t framesUnheard(snd_pcm_sframes_t delay);
    bool isStuck(uint64_t streamPlayed, std::chrono::steady_clock::time_point now);
    uint64_t silencePlayed(uint64_t streamPlayed);
    uint64_t pendingFrames() const;
    void recover(int error, bool dataWaiting);

    pcm::Device pcm_;
    const uint32_t bytesPerFrame_;
    std::thread thread_;
    bool stopping_ = false;  // under mutex_

    // Owned by the device thread.
    Run run_;
    uint64_t dataFramesBefore_ = 0;  // data frames of earlier runs since the last reset
    bool silenceAfterData_ = false;  // silence was played after data since the last reset
    bool lost_ = false;              // the device failed for good
    uint64_t dataFramesHeard_ = 0;   // the last position reported: it never goes back
    std::vector<uint8_t> pending_;   // taken from the headers; [offset, size) not yet written
    size_t pendingSize_ = 0;
    size_t pendingOffset_ = 0;
    std::vector<uint8_t> silence_;

    // Counters, under mutex_.
    WaveOutCounters counters_;
};

}  // namespace platform
