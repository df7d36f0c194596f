#include "waveout/alsa_waveout.h"

#include <algorithm>
#include <cerrno>

namespace platform {

namespace {

// Whatever the caller has queued goes into the device buffer at once, so a
// device thread held up by a busy machine does not let the sound run dry.
// (The position comes from the delay the device reports, whatever the
// buffer's size, and a reset drops the buffer at once.)
constexpr unsigned kBufferMicroseconds = 200000;
constexpr unsigned kPeriodMicroseconds = 10000;
// While sound runs, the thread looks at the device this often.
constexpr auto kPollInterval = std::chrono::milliseconds(10);
// When the data runs out, this many periods of silence stay queued behind
// it: the sound system then plays the data to its end instead of holding
// back the last fragment, and new data follows without an underrun.
constexpr snd_pcm_uframes_t kSilencePeriods = 3;
// Silence played after the last data before the stream is stopped.
constexpr auto kDrainTail = std::chrono::milliseconds(100);
// A stream whose position has not moved for this long, with sound still to
// play, is stuck (a sound server waiting for more than it will get): it is
// started afresh and what it held is given up. Longer than the second or two
// an idle server may take to begin a stream.
constexpr auto kStuckAfter = std::chrono::seconds(3);

MMRESULT ResultOf(pcm::OpenResult result)
{
    switch (result) {
    case pcm::OpenResult::Ok:
        return MMSYSERR_NOERROR;
    case pcm::OpenResult::NoDevice:
        return MMSYSERR_NODRIVER;
    case pcm::OpenResult::Busy:
        return MMSYSERR_ALLOCATED;
    case pcm::OpenResult::FormatRefused:
        return WAVERR_BADFORMAT;
    case pcm::OpenResult::SetupFailed:
        break;
    }
    return MMSYSERR_ERROR;
}

}  // namespace

MMRESULT AlsaWaveOutDevice::Open(const std::string& pcmName, const WAVEFORMATEX& format,
                                 std::shared_ptr<WaveOutDevice>& device)
{
    pcm::Device opened;
    const pcm::Format pcmFormat{format.nSamplesPerSec, format.wBitsPerSample, format.nChannels};
    const pcm::OpenResult result = pcm::Open(opened, pcmName, SND_PCM_STREAM_PLAYBACK, pcmFormat,
                                             {kBufferMicroseconds, kPeriodMicroseconds});
    if (result != pcm::OpenResult::Ok)
        return ResultOf(result);
    device.reset(new AlsaWaveOutDevice(format, opened));
    return MMSYSERR_NOERROR;
}

AlsaWaveOutDevice::AlsaWaveOutDevice(const WAVEFORMATEX& format, pcm::Device device)
    : WaveOutDevice(format), pcm_(device), bytesPerFrame_(format.nBlockAlign)
{
    pending_.resize(size_t(pcm_.bufferFrames) * bytesPerFrame_);
    pendingSize_ = 0;
    silence_.assign(size_t(pcm_.bufferFrames) * bytesPerFrame_, format.wBitsPerSample == 8 ? 0x80 : 0);
}

AlsaWaveOutDevice::~AlsaWaveOutDevice() { stop(); }

void AlsaWaveOutDevice::start() { thread_ = std::thread([this] { run(); }); }

void AlsaWaveOutDevice::stop()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        signalLocked();
    }
    if (thread_.joinable())
        thread_.join();
    pcm::Close(pcm_);
}

WaveOutCounters AlsaWaveOutDevice::counters()
{
    std::lock_guard lock(mutex_);
    return counters_;
}

void AlsaWaveOutDevice::run()
{
    std::unique_lock lock(mutex_);
    uint64_t resetsSeen = resets_;
    while (!stopping_) {
        const uint64_t changesSeen = changes_;
        if (resets_ != resetsSeen) {
            resetsSeen = resets_;
            lock.unlock();
            dropStream();
            dataFramesBefore_ = 0;
            dataFramesHeard_ = 0;
            silenceAfterData_ = false;
            pendingSize_ = pendingOffset_ = 0;
            lock.lock();
            continue;
        }
        if (lost_) {
            // Nothing can be played any more: what is written counts as
            // played, so that every header comes back and playback ends.
            while (takeLocked(pending_.data(), pending_.size()) > 0) {
            }
            pendingSize_ = pendingOffset_ = 0;
            playedLocked(queuedBytesLocked());
            changed_.wait(lock, [&] { return stopping_ || changes_ != changesSeen; });
            continue;
        }
        const bool paused = paused_;
        if (!paused && pendingOffset_ == pendingSize_) {
            pendingSize_ = takeLocked(pending_.data(), pending_.size());
            pendingOffset_ = 0;
        }
        const bool moreQueued = untakenBytesLocked() > 0;
        lock.unlock();

        applyPause(paused);
        if (!paused)
            feed(moreQueued);
        const Progress progress = measureProgress(moreQueued, paused);
        dataFramesHeard_ = std::max(dataFramesHeard_, progress.dataFrames);

        lock.lock();
        if (resets_ != resetsSeen)
            continue;
        // A last partial frame is never written: once the rest is heard, so is it.
        playedLocked(progress.allPlayed ? queuedBytesLocked() : dataFramesHeard_ * bytesPerFrame_);
        const auto woken = [&] { return stopping_ || changes_ != changesSeen; };
        const bool busy = !paused && (run_.started || pendingFrames() > 0 || untakenBytesLocked() > 0);
        if (busy)
            changed_.wait_for(lock, kPollInterval, woken);
        else
            changed_.wait(lock, woken);
    }
}

void AlsaWaveOutDevice::dropStream()
{
    snd_pcm_drop(pcm_.handle);
    snd_pcm_prepare(pcm_.handle);
    run_ = Run{};
}

void AlsaWaveOutDevice::endRun()
{
    // Whatever was written has been played (or, after an underrun, is lost).
    const uint64_t data = run_.dataFramesWritten;
    dropStream();
    dataFramesBefore_ += data;
    if (data > 0)
        silenceAfterData_ = true;
}

void AlsaWaveOutDevice::applyPause(bool paused)
{
    if (!run_.started || paused == run_.paused)
        return;
    // A device that cannot pause plays out what it holds and then underruns;
    // the data behind it waits in the headers.
    if (pcm_.canPause)
        snd_pcm_pause(pcm_.handle, paused ? 1 : 0);
    run_.paused = paused;
}

uint64_t AlsaWaveOutDevice::pendingFrames() const { return (pendingSize_ - pendingOffset_) / bytesPerFrame_; }

void AlsaWaveOutDevice::feed(bool moreQueued)
{
    snd_pcm_sframes_t avail = snd_pcm_avail_update(pcm_.handle);
    if (avail < 0) {
        recover(int(avail), pendingFrames() > 0 || moreQueued);
        avail = snd_pcm_avail_update(pcm_.handle);
        if (avail < 0)
            return;
    }
    const uint64_t toWrite = std::min<uint64_t>(uint64_t(avail), pendingFrames());
    if (toWrite > 0) {
        if (silenceAfterData_) {
            std::lock_guard lock(mutex_);
            ++counters_.starved;
        }
        silenceAfterData_ = false;
        uint64_t written = 0;
        if (!writeFrames(pending_.data() + pendingOffset_, toWrite, written))
            return;
        pendingOffset_ += size_t(written) * bytesPerFrame_;
        run_.dataFramesWritten += written;
        run_.allPlayed = false;
        avail -= snd_pcm_sframes_t(written);
    }
    const bool dataLeft = pendingFrames() > 0 || moreQueued;
    if (!dataLeft && run_.started)
        padWithSilence(avail);
    startIfFilled(avail, dataLeft);
}

bool AlsaWaveOutDevice::writeFrames(const uint8_t* frames, uint64_t count, uint64_t& written)
{
    written = 0;
    const snd_pcm_sframes_t result = snd_pcm_writei(pcm_.handle, frames, snd_pcm_uframes_t(count));
    if (result == -EAGAIN)
        return true;
    if (result < 0) {
        recover(int(result), true);
        return false;
    }
    written = uint64_t(result);
    run_.framesWritten += written;
    return true;
}

void AlsaWaveOutDevice::padWithSilence(snd_pcm_sframes_t avail)
{
    const snd_pcm_uframes_t target = std::min(kSilencePeriods * pcm_.periodFrames, pcm_.bufferFrames);
    const snd_pcm_uframes_t filled = pcm_.bufferFrames - std::min<snd_pcm_uframes_t>(avail, pcm_.bufferFrames);
    if (filled >= target)
        return;
    const uint64_t start = run_.framesWritten;
    uint64_t written = 0;
    if (!writeFrames(silence_.data(), std::min<uint64_t>(target - filled, uint64_t(avail)), written) || written == 0)
        return;
    run_.silences.push_back({start, written});
    silenceAfterData_ = true;
}

void AlsaWaveOutDevice::startIfFilled(snd_pcm_sframes_t availAfterWriting, bool dataLeft)
{
    if (run_.started || run_.framesWritten == 0)
        return;
    if (snd_pcm_state(pcm_.handle) == SND_PCM_STATE_RUNNING) {
        run_.started = true;  // the threshold started it
        run_.movedAt = std::chrono::steady_clock::now();
        return;
    }
    if (availAfterWriting > 0 && dataLeft)
        return;
    const int result = snd_pcm_start(pcm_.handle);
    if (result < 0) {
        recover(result, true);
        return;
    }
    run_.started = true;
    run_.movedAt = std::chrono::steady_clock::now();
}

AlsaWaveOutDevice::Progress AlsaWaveOutDevice::measureProgress(bool moreQueued, bool paused)
{
    const bool dataLeft = pendingFrames() > 0 || moreQueued;
    if (!run_.started)
        return {dataFramesBefore_, !dataLeft};
    snd_pcm_sframes_t delay = 0;
    const int result = snd_pcm_delay(pcm_.handle, &delay);
    if (result < 0) {
        recover(result, dataLeft && !paused);
        return {dataFramesBefore_, !dataLeft};
    }
    const uint64_t streamPlayed = run_.framesWritten - framesUnheard(delay);
    const auto now = std::chrono::steady_clock::now();
    if (isStuck(streamPlayed, now)) {
        {
            std::lock_guard lock(mutex_);
            ++counters_.underruns;
        }
        endRun();
        return {dataFramesBefore_, !dataLeft};
    }
    const uint64_t dataPlayed = std::min(streamPlayed - silencePlayed(streamPlayed), run_.dataFramesWritten);
    const bool allPlayed = !dataLeft && dataPlayed == run_.dataFramesWritten;
    if (!allPlayed)
        return {dataFramesBefore_ + dataPlayed, false};
    if (!run_.allPlayed) {
        run_.allPlayed = true;
        run_.allPlayedSince = now;
    } else if (!run_.paused && now - run_.allPlayedSince >= kDrainTail) {
        endRun();
        return {dataFramesBefore_, true};
    }
    return {dataFramesBefore_ + dataPlayed, true};
}

// Frames written to the stream that have not been heard yet.
uint64_t AlsaWaveOutDevice::framesUnheard(snd_pcm_sframes_t delay)
{
    // What the sound system has not yet taken from the device buffer cannot
    // have been heard. A server whose output is still waking up reports a
    // delay that is far too short; this bound keeps the position honest then.
    const snd_pcm_sframes_t avail = snd_pcm_avail_update(pcm_.handle);
    const snd_pcm_uframes_t untaken =
        avail < 0 ? 0 : pcm_.bufferFrames - std::min<snd_pcm_uframes_t>(snd_pcm_uframes_t(avail), pcm_.bufferFrames);
    const uint64_t reported = uint64_t(std::max<snd_pcm_sframes_t>(delay, 0));
    return std::min<uint64_t>(std::max<uint64_t>(reported, untaken), run_.framesWritten);
}

bool AlsaWaveOutDevice::isStuck(uint64_t streamPlayed, std::chrono::steady_clock::time_point now)
{
    if (streamPlayed != run_.streamPlayed || run_.paused) {
        run_.streamPlayed = streamPlayed;
        run_.movedAt = now;
        return false;
    }
    return now - run_.movedAt >= kStuckAfter;
}

uint64_t AlsaWaveOutDevice::silencePlayed(uint64_t streamPlayed)
{
    while (!run_.silences.empty() && run_.silences.front().start + run_.silences.front().frames <= streamPlayed) {
        run_.silencePassed += run_.silences.front().frames;
        run_.silences.pop_front();
    }
    uint64_t partial = 0;
    if (!run_.silences.empty() && streamPlayed > run_.silences.front().start)
        partial = streamPlayed - run_.silences.front().start;
    return run_.silencePassed + partial;
}

void AlsaWaveOutDevice::recover(int error, bool dataWaiting)
{
    if (error == -EPIPE && dataWaiting) {
        std::lock_guard lock(mutex_);
        ++counters_.underruns;
    }
    endRun();
    // An underrun or a suspend is over once the stream is prepared again; a
    // device that cannot even be prepared (its sound server went away) is lost.
    if (error != -EPIPE && error != -ESTRPIPE && snd_pcm_prepare(pcm_.handle) < 0)
        lost_ = true;
}

}  // namespace platform
