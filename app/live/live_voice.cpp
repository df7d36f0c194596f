#include "live_voice.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <ctime>

#include "virtual_devices.h"

namespace live {

namespace {

constexpr size_t kHistorySamples = 22050;  // one second of output for the oval view
constexpr size_t kLevelSamples = 2205;     // the meter shows the peak of the last 100 ms

// CPU time of the calling thread: a busy machine that holds the thread up
// does not count, unlike with a wall clock.
int64_t ThreadCpuNanoseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return int64_t(now.tv_sec) * 1000000000 + now.tv_nsec;
}

}  // namespace

// The last second of output, written by the sound thread, read by the window.
class LiveVoice::OutputHistory {
public:
    void Add(const int16_t* samples, int32_t count)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (int32_t i = 0; i < count; ++i) {
            ring_[next_] = samples[i];
            next_ = (next_ + 1) % kHistorySamples;
        }
        filled_ = std::min(kHistorySamples, filled_ + size_t(count));
    }

    std::vector<int16_t> Last(size_t count) const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        count = std::min(count, filled_);
        std::vector<int16_t> out(count);
        for (size_t i = 0; i < count; ++i)
            out[i] = ring_[(next_ + kHistorySamples - count + i) % kHistorySamples];
        return out;
    }

    std::atomic<int64_t> processingNanoseconds{0};

private:
    mutable std::mutex mutex_;
    std::vector<int16_t> ring_ = std::vector<int16_t>(kHistorySamples);
    size_t next_ = 0, filled_ = 0;
};

LiveVoice::LiveVoice() = default;

LiveVoice::~LiveVoice() { Stop(); }

const char* LiveVoice::VirtualMicrophoneName() { return platform::live::kVirtualMicrophoneName; }

std::string LiveVoice::Start(const voice::EffectSwitches& switches, bool hearYourself)
{
    Stop();
    std::lock_guard<std::mutex> lock(mutex_);
    switches_ = switches;
    chain_ = std::make_unique<LiveChain>(switches);
    history_ = std::make_unique<OutputHistory>();
    std::string error =
        audio_.Start([this](int16_t* samples, int32_t count) { Process(samples, count); }, hearYourself);
    if (!error.empty()) {
        chain_.reset();
        history_.reset();
        return error;
    }
    running_ = true;
    started_ = std::chrono::steady_clock::now();
    return "";
}

void LiveVoice::Stop()
{
    std::lock_guard<std::mutex> lock(mutex_);
    audio_.Stop();  // the sound thread is gone after this: the chain may go
    chain_.reset();
    running_ = false;
}

bool LiveVoice::Running() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return running_;
}

void LiveVoice::Process(int16_t* samples, int32_t count)
{
    const int64_t begin = ThreadCpuNanoseconds();
    chain_->Process(samples, count);
    history_->processingNanoseconds += ThreadCpuNanoseconds() - begin;
    history_->Add(samples, count);
}

void LiveVoice::SetSwitches(const voice::EffectSwitches& switches)
{
    std::lock_guard<std::mutex> lock(mutex_);
    switches_ = switches;
    if (chain_)
        chain_->SetSwitches(switches_);
}

void LiveVoice::SetPitch(int32_t position)
{
    std::lock_guard<std::mutex> lock(mutex_);
    switches_.pitchPosition = position;
    if (chain_)
        chain_->SetSwitches(switches_);
}

void LiveVoice::SetHearYourself(bool on)
{
    std::lock_guard<std::mutex> lock(mutex_);
    audio_.SetHearYourself(on);
}

bool LiveVoice::EndedOnItsOwn(std::string* why) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return audio_.Ended(why);
}

std::chrono::milliseconds LiveVoice::RunningTime() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (!running_)
        return std::chrono::milliseconds(0);
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started_);
}

int32_t LiveVoice::OutputLevel() const
{
    int32_t peak = 0;
    for (int16_t s : LastOutput(kLevelSamples))
        peak = std::max(peak, std::abs(int32_t(s)));
    return peak * 100 / 32768;
}

std::vector<int16_t> LiveVoice::LastOutput(size_t count) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return history_ ? history_->Last(count) : std::vector<int16_t>();
}

platform::live::LiveCounters LiveVoice::Counters() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return audio_.Counters();
}

std::chrono::nanoseconds LiveVoice::ProcessingTime() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return std::chrono::nanoseconds(history_ ? history_->processingNanoseconds.load() : 0);
}

}  // namespace live
