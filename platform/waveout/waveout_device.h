// One open wave output device, whatever it plays through: the queue of
// written headers, their flags, the done messages and the position. A
// subclass moves the queued bytes to a real or simulated output and reports
// how far playback has come.
#pragma once

#include "waveout/waveout.h"

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

namespace platform {

class WaveOutDevice {
public:
    explicit WaveOutDevice(const WAVEFORMATEX& format);
    virtual ~WaveOutDevice() = default;
    WaveOutDevice(const WaveOutDevice&) = delete;
    WaveOutDevice& operator=(const WaveOutDevice&) = delete;

    // Where done messages go; set once, before the device is used.
    void setNotification(HWAVEOUT handle, uintptr_t callback, uint32_t flags);
    // Starts whatever thread the subclass runs; stops it for good.
    virtual void start() {}
    virtual void stop() {}

    MMRESULT write(WAVEHDR* header);
    MMRESULT pause();
    MMRESULT restart();
    MMRESULT reset();
    MMRESULT position(MMTIME& time);
    bool hasQueuedHeaders();
    virtual WaveOutCounters counters();

    const WAVEFORMATEX& format() const { return format_; }
    HWAVEOUT handle();

protected:
    // Everything below is called with mutex_ held.

    // Copies up to maxBytes of queued data that has not been taken yet.
    size_t takeLocked(uint8_t* destination, size_t maxBytes);
    uint64_t untakenBytesLocked() const { return queuedBytes_ - takenBytes_; }
    uint64_t queuedBytesLocked() const { return queuedBytes_; }
    // Playback has reached this byte of the data written since the last
    // reset: the position follows, and every header that ends there is done.
    void playedLocked(uint64_t bytes);
    // Sets the position, whatever was written, without completing headers.
    void setPositionLocked(uint64_t bytes);
    // Returns the oldest queued header as done, whatever was played.
    WAVEHDR* completeOldestLocked();
    size_t queuedHeaderCountLocked() const { return queue_.size(); }

    // Wakes a waiting device thread; changes_ counts the wake-ups so that
    // one given while the thread was busy is not lost.
    void signalLocked();

    std::mutex mutex_;
    std::condition_variable changed_;
    uint64_t changes_ = 0;             // every write, pause, restart and reset
    bool paused_ = false;
    uint64_t resets_ = 0;              // a subclass drops its buffered sound when this changes

private:
    struct Queued {
        WAVEHDR* header;
        uint64_t start;  // byte offsets in the data written since the last reset
        uint64_t end;
    };

    void completeLocked(WAVEHDR* header);

    const WAVEFORMATEX format_;
    HWAVEOUT handle_ = 0;
    uintptr_t callback_ = 0;
    uint32_t notifyFlags_ = CALLBACK_NULL;

    std::deque<Queued> queue_;
    uint64_t queuedBytes_ = 0;
    uint64_t takenBytes_ = 0;
    uint64_t positionBytes_ = 0;
};

// Opens a device for a format that passed the common checks: a result code,
// and the device when that is MMSYSERR_NOERROR.
using WaveOutFactory = std::function<MMRESULT(const WAVEFORMATEX&, std::shared_ptr<WaveOutDevice>&)>;
// Devices opened from now on come from factory.
void SetWaveOutFactory(WaveOutFactory factory);

// Sets and clears header flags with atomic access: the GUI thread reads them
// while the device thread completes headers.
void SetHeaderFlags(WAVEHDR& header, uint32_t set, uint32_t clear);

}  // namespace platform
