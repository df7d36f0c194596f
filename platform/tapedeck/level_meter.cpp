#include "tapedeck/level_meter.h"

#include <algorithm>
#include <cstdlib>

namespace tapedeck {

namespace {

int32_t Percent(int32_t peak, int32_t fullScale)
{
    return std::min<int32_t>(100, (peak * 100 + fullScale / 2) / fullScale);
}

// Distance of each sample from silence.
int32_t Magnitude(const uint8_t* sample, uint16_t bitsPerSample)
{
    if (bitsPerSample == 8)
        return std::abs(int32_t(sample[0]) - 128);
    return std::abs(int32_t(int16_t(uint16_t(sample[0]) | uint16_t(sample[1]) << 8)));
}

}  // namespace

Levels PeakLevels(const uint8_t* frames, size_t frameCount, const pcm::Format& format)
{
    const size_t sampleBytes = format.bitsPerSample / 8;
    const size_t frameBytes = format.bytesPerFrame();
    const size_t secondChannel = format.channels > 1 ? 1 : 0;
    int32_t peak = 0;
    int32_t secondPeak = 0;
    for (size_t frame = 0; frame < frameCount; ++frame) {
        const uint8_t* at = frames + frame * frameBytes;
        for (size_t channel = 0; channel < format.channels; ++channel) {
            const int32_t magnitude = Magnitude(at + channel * sampleBytes, format.bitsPerSample);
            peak = std::max(peak, magnitude);
            if (channel == secondChannel)
                secondPeak = std::max(secondPeak, magnitude);
        }
    }
    const int32_t fullScale = format.bitsPerSample == 8 ? 128 : 32768;
    return {Percent(peak, fullScale), Percent(secondPeak, fullScale)};
}

void LevelMeter::add(const Levels& levels, Clock::time_point at)
{
    std::lock_guard lock(mutex_);
    blocks_[next_] = {at, levels};
    next_ = (next_ + 1) % blocks_.size();
}

Levels LevelMeter::read(Clock::time_point now) const
{
    std::lock_guard lock(mutex_);
    Levels peak;
    for (const Block& block : blocks_) {
        if (block.at == Clock::time_point{} || now - block.at > kWindow)
            continue;
        peak.level = std::max(peak.level, block.levels.level);
        peak.second = std::max(peak.second, block.levels.second);
    }
    return peak;
}

void LevelMeter::clear()
{
    std::lock_guard lock(mutex_);
    blocks_.fill({});
    next_ = 0;
}

}  // namespace tapedeck
