// One recording at a time: an ALSA capture device read on a thread of its
// own into a wave file, with the input level on the side.
#pragma once

#include "pcm/pcm.h"
#include "tapedeck/level_meter.h"
#include "tapedeck/wave_file.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tapedeck {

class Recorder {
public:
    Recorder() = default;
    ~Recorder();
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    // Result codes as AudioStartRecord and AudioStopRecord give them.
    uint16_t start(const char* path, const pcm::Format& format);
    uint16_t stop();
    Levels levels() const;
    void setDevice(const char* alsaName);

private:
    uint16_t openDevice(const pcm::Format& format);
    bool waitForSound();
    void capture();
    void captureToTheStop();
    bool readAvailable();
    void keep(const uint8_t* frames, uint64_t count);
    bool recover(int error);

    mutable std::mutex mutex_;  // start, stop and the device name
    std::string deviceName_ = "default";
    bool recording_ = false;

    // Owned by the capture thread while it runs.
    pcm::Device device_;
    pcm::Format format_;
    WaveFileWriter file_;
    std::vector<uint8_t> buffer_;
    // The recording runs from the return of start to the call of stop: what
    // the device delivered before is skipped, what it captured after is cut.
    // Sound arrives in fragments; the last two arrivals date the frames.
    struct Arrival {
        std::chrono::steady_clock::time_point at;
        uint64_t framesRead;  // up to and including this fragment
    };
    uint64_t framesRead_ = 0;
    uint64_t firstFrame_ = 0;
    uint64_t endFrame_ = UINT64_MAX;
    Arrival lastArrival_{};
    Arrival previousArrival_{};
    std::chrono::steady_clock::time_point stopRequestedAt_;

    std::thread thread_;
    std::atomic<bool> stopRequested_{false};
    LevelMeter meter_;
};

}  // namespace tapedeck
