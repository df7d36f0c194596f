#include "tapedeck/recorder.h"

#include "tapedeck/tapedeck.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <new>
#include <system_error>

namespace tapedeck {

namespace {

// A long buffer rides out a busy machine; a short period keeps the level
// and the end of the recording close to the moment.
constexpr unsigned kBufferMicroseconds = 500000;
constexpr unsigned kPeriodMicroseconds = 20000;
// How long a device may take to deliver its first sound (a sound server's
// first stream can take more than a second).
constexpr auto kStartTimeout = std::chrono::seconds(5);
constexpr int kWaitMilliseconds = 100;
// How long a stop waits for the last captured frames to arrive.
constexpr auto kStopTimeout = std::chrono::seconds(1);

bool IsRecordableFormat(const pcm::Format& format)
{
    return (format.bitsPerSample == 8 || format.bitsPerSample == 16) &&
           (format.channels == 1 || format.channels == 2) && format.samplesPerSecond > 0;
}

}  // namespace

Recorder::~Recorder() { stop(); }

void Recorder::setDevice(const char* alsaName)
{
    std::lock_guard lock(mutex_);
    deviceName_ = alsaName && *alsaName ? alsaName : "default";
}

uint16_t Recorder::start(const char* path, const pcm::Format& format)
{
    std::lock_guard lock(mutex_);
    if (!path || !*path)
        return TAPEDECK_NO_FILE_NAME;
    if (recording_)
        return TAPEDECK_ALREADY_RECORDING;
    if (!IsRecordableFormat(format))
        return TAPEDECK_BAD_FORMAT;
    if (const uint16_t opened = openDevice(format); opened != TAPEDECK_OK)
        return opened;
    uint16_t result = TAPEDECK_OK;
    try {
        buffer_.assign(size_t(device_.bufferFrames) * format.bytesPerFrame(), 0);
        if (snd_pcm_start(device_.handle) < 0 || !waitForSound())
            result = TAPEDECK_CANNOT_START;
        else if (!file_.create(path, format))
            result = TAPEDECK_CANNOT_CREATE_FILE;
        else {
            // Delivered before start returns: before the recording.
            const snd_pcm_sframes_t early = snd_pcm_avail_update(device_.handle);
            firstFrame_ = early > 0 ? uint64_t(early) : 0;
            framesRead_ = 0;
            lastArrival_ = previousArrival_ = {std::chrono::steady_clock::now(), firstFrame_};
            endFrame_ = UINT64_MAX;
            meter_.clear();
            stopRequested_ = false;
            thread_ = std::thread([this] { capture(); });
        }
    } catch (const std::bad_alloc&) {
        result = TAPEDECK_NO_MEMORY;
    } catch (const std::system_error&) {
        result = TAPEDECK_CANNOT_START;  // no thread to record on
    }
    if (result != TAPEDECK_OK) {
        if (file_.isOpen())
            file_.finish();
        pcm::Close(device_);
        buffer_ = {};
        return result;
    }
    recording_ = true;
    return TAPEDECK_OK;
}

uint16_t Recorder::openDevice(const pcm::Format& format)
{
    format_ = format;
    switch (pcm::Open(device_, deviceName_, SND_PCM_STREAM_CAPTURE, format,
                      {kBufferMicroseconds, kPeriodMicroseconds})) {
    case pcm::OpenResult::Ok:
        return TAPEDECK_OK;
    case pcm::OpenResult::NoDevice:
    case pcm::OpenResult::Busy:
        return TAPEDECK_NO_DEVICE;
    case pcm::OpenResult::FormatRefused:
        return TAPEDECK_BAD_FORMAT;
    case pcm::OpenResult::SetupFailed:
        break;
    }
    return TAPEDECK_CANNOT_START;
}

// Waits until the device delivers sound, so that the recording is running
// when start returns.
bool Recorder::waitForSound()
{
    const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
    while (std::chrono::steady_clock::now() < deadline) {
        const snd_pcm_sframes_t avail = snd_pcm_avail_update(device_.handle);
        if (avail > 0)
            return true;
        if (avail < 0 || snd_pcm_wait(device_.handle, kWaitMilliseconds) < 0)
            return false;
    }
    return false;
}

uint16_t Recorder::stop()
{
    std::lock_guard lock(mutex_);
    if (!recording_)
        return TAPEDECK_OK;
    stopRequestedAt_ = std::chrono::steady_clock::now();
    stopRequested_ = true;
    thread_.join();
    file_.finish();
    pcm::Close(device_);
    buffer_ = {};
    meter_.clear();
    recording_ = false;
    return TAPEDECK_OK;
}

Levels Recorder::levels() const { return meter_.read(LevelMeter::Clock::now()); }

void Recorder::capture()
{
    bool deviceWorks = true;
    while (deviceWorks && !stopRequested_) {
        const int ready = snd_pcm_wait(device_.handle, kWaitMilliseconds);
        deviceWorks = (ready >= 0 || recover(ready)) && readAvailable();
    }
    if (deviceWorks)
        captureToTheStop();
}

// Reads on until the frames captured up to the moment of the stop are in:
// those of the last fragment that arrived before it, and as many more as
// the time from that arrival to the stop holds.
void Recorder::captureToTheStop()
{
    const Arrival& before = lastArrival_.at <= stopRequestedAt_ ? lastArrival_ : previousArrival_;
    const double sinceArrival = std::chrono::duration<double>(stopRequestedAt_ - before.at).count();
    endFrame_ = before.framesRead + uint64_t(std::max(0.0, sinceArrival) * format_.samplesPerSecond + 0.5);
    const auto deadline = std::chrono::steady_clock::now() + kStopTimeout;
    while (framesRead_ < endFrame_ && std::chrono::steady_clock::now() < deadline) {
        const int ready = snd_pcm_wait(device_.handle, kWaitMilliseconds);
        if ((ready < 0 && !recover(ready)) || !readAvailable())
            break;
    }
}

bool Recorder::readAvailable()
{
    const uint32_t frameBytes = format_.bytesPerFrame();
    const snd_pcm_uframes_t capacity = buffer_.size() / frameBytes;
    const uint64_t before = framesRead_;
    bool deviceWorks = true;
    for (;;) {
        const snd_pcm_sframes_t frames = snd_pcm_readi(device_.handle, buffer_.data(), capacity);
        if (frames == -EAGAIN || frames == 0)
            break;
        if (frames < 0) {
            if (recover(int(frames)))
                continue;
            deviceWorks = false;
            break;
        }
        keep(buffer_.data(), uint64_t(frames));
    }
    if (framesRead_ != before) {
        previousArrival_ = lastArrival_;
        lastArrival_ = {std::chrono::steady_clock::now(), framesRead_};
    }
    return deviceWorks;
}

// Keeps the part of the frames just read that lies inside the recording.
void Recorder::keep(const uint8_t* frames, uint64_t count)
{
    const uint64_t first = framesRead_;
    framesRead_ += count;
    const uint64_t from = std::clamp(firstFrame_, first, framesRead_);
    const uint64_t to = std::clamp(endFrame_, from, framesRead_);
    if (to == from)
        return;
    const uint32_t frameBytes = format_.bytesPerFrame();
    const uint8_t* kept = frames + (from - first) * frameBytes;
    meter_.add(PeakLevels(kept, size_t(to - from), format_), LevelMeter::Clock::now());
    file_.append(kept, size_t(to - from) * frameBytes);
}

// An overrun loses what did not fit and goes on; a lost device ends the
// capture (the file keeps what was recorded).
bool Recorder::recover(int error)
{
    if (error != -EPIPE && error != -ESTRPIPE)
        return false;
    return snd_pcm_prepare(device_.handle) >= 0 && snd_pcm_start(device_.handle) >= 0;
}

}  // namespace tapedeck
