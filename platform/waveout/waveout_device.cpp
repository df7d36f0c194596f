#include "waveout/waveout_device.h"

#include <algorithm>
#include <atomic>
#include <cstring>

namespace platform {

void SetHeaderFlags(WAVEHDR& header, uint32_t set, uint32_t clear)
{
    std::atomic_ref<uint32_t> flags(header.dwFlags);
    uint32_t old = flags.load();
    while (!flags.compare_exchange_weak(old, (old & ~clear) | set)) {
    }
}

uint32_t WaveHeaderFlags(const WAVEHDR& header)
{
    // atomic_ref needs a mutable object; the value is only read.
    return std::atomic_ref<uint32_t>(const_cast<uint32_t&>(header.dwFlags)).load();
}

WaveOutDevice::WaveOutDevice(const WAVEFORMATEX& format) : format_(format) {}

void WaveOutDevice::setNotification(HWAVEOUT handle, uintptr_t callback, uint32_t flags)
{
    std::lock_guard lock(mutex_);
    handle_ = handle;
    callback_ = callback;
    notifyFlags_ = flags;
}

HWAVEOUT WaveOutDevice::handle()
{
    std::lock_guard lock(mutex_);
    return handle_;
}

MMRESULT WaveOutDevice::write(WAVEHDR* header)
{
    if (!header || (!header->lpData && header->dwBufferLength != 0))
        return MMSYSERR_INVALPARAM;
    std::lock_guard lock(mutex_);
    const uint32_t flags = WaveHeaderFlags(*header);
    if (!(flags & WHDR_PREPARED))
        return WAVERR_UNPREPARED;
    if (flags & WHDR_INQUEUE)
        return WAVERR_STILLPLAYING;
    SetHeaderFlags(*header, WHDR_INQUEUE, WHDR_DONE);
    queue_.push_back({header, queuedBytes_, queuedBytes_ + header->dwBufferLength});
    queuedBytes_ += header->dwBufferLength;
    signalLocked();
    return MMSYSERR_NOERROR;
}

MMRESULT WaveOutDevice::pause()
{
    std::lock_guard lock(mutex_);
    paused_ = true;
    signalLocked();
    return MMSYSERR_NOERROR;
}

MMRESULT WaveOutDevice::restart()
{
    std::lock_guard lock(mutex_);
    paused_ = false;
    signalLocked();
    return MMSYSERR_NOERROR;
}

MMRESULT WaveOutDevice::reset()
{
    std::lock_guard lock(mutex_);
    while (!queue_.empty()) {
        WAVEHDR* header = queue_.front().header;
        queue_.pop_front();
        completeLocked(header);
    }
    queuedBytes_ = 0;
    takenBytes_ = 0;
    positionBytes_ = 0;
    ++resets_;
    signalLocked();
    return MMSYSERR_NOERROR;
}

MMRESULT WaveOutDevice::position(MMTIME& time)
{
    uint64_t bytes;
    {
        std::lock_guard lock(mutex_);
        bytes = positionBytes_;
    }
    const uint64_t samples = bytes / std::max<uint16_t>(format_.nBlockAlign, 1);
    switch (time.wType) {
    case TIME_SAMPLES:
        time.u.sample = uint32_t(samples);
        break;
    case TIME_MS:
        time.u.ms = uint32_t(samples * 1000 / std::max<uint32_t>(format_.nSamplesPerSec, 1));
        break;
    default:
        time.wType = TIME_BYTES;
        time.u.cb = uint32_t(bytes);
        break;
    }
    return MMSYSERR_NOERROR;
}

bool WaveOutDevice::hasQueuedHeaders()
{
    std::lock_guard lock(mutex_);
    return !queue_.empty();
}

WaveOutCounters WaveOutDevice::counters() { return {}; }

void WaveOutDevice::signalLocked()
{
    ++changes_;
    changed_.notify_all();
}

size_t WaveOutDevice::takeLocked(uint8_t* destination, size_t maxBytes)
{
    size_t copied = 0;
    for (const Queued& queued : queue_) {
        if (copied == maxBytes)
            break;
        if (queued.end <= takenBytes_)
            continue;
        const uint64_t offset = takenBytes_ - queued.start;
        const size_t n = size_t(std::min<uint64_t>(queued.end - takenBytes_, maxBytes - copied));
        std::memcpy(destination + copied, queued.header->lpData + offset, n);
        copied += n;
        takenBytes_ += n;
    }
    return copied;
}

// Nothing can have been played that was not taken yet: a header written just
// after the device thread found its queue empty must not be completed unheard
// (its samples would be skipped, and the next take would read before it).
void WaveOutDevice::playedLocked(uint64_t bytes)
{
    positionBytes_ = std::min({bytes, queuedBytes_, takenBytes_});
    while (!queue_.empty() && queue_.front().end <= positionBytes_) {
        WAVEHDR* header = queue_.front().header;
        queue_.pop_front();
        completeLocked(header);
    }
}

void WaveOutDevice::setPositionLocked(uint64_t bytes) { positionBytes_ = bytes; }

WAVEHDR* WaveOutDevice::completeOldestLocked()
{
    if (queue_.empty())
        return nullptr;
    const Queued oldest = queue_.front();
    queue_.pop_front();
    takenBytes_ = std::max(takenBytes_, oldest.end);
    completeLocked(oldest.header);
    return oldest.header;
}

void WaveOutDevice::completeLocked(WAVEHDR* header)
{
    SetHeaderFlags(*header, WHDR_DONE, WHDR_INQUEUE);
    if (notifyFlags_ == CALLBACK_WINDOW)
        PostWindowMessage(callback_, MM_WOM_DONE, handle_, intptr_t(reinterpret_cast<uintptr_t>(header)));
}

}  // namespace platform
