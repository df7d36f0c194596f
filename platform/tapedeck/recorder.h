// One recording at a time: an ALSA capture device read on a thread of its
// own into a wave file, with the input level on the side.
#pragma once

#include "pcm/pcm.h"
#include "tapedeck/level_meter.h"
#include "tapedeck/wave_file.h"

#include <atomic>
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
    bool readAvailable();
    bool recover(int error);

    mutable std::mutex mutex_;  // start, stop and the device name
    std::string deviceName_ = "default";
    bool recording_ = false;

    // Owned by the capture thread while it runs.
    pcm::Device device_;
    pcm::Format format_;
    WaveFileWriter file_;
    std::vector<uint8_t> buffer_;

    std::thread thread_;
    std::atomic<bool> stopRequested_{false};
    LevelMeter meter_;
};

}  // namespace tapedeck
