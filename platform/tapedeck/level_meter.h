// The input level: the peak of each block of captured frames, kept with the
// time it arrived, read back as the peak over the last 100 ms.
#pragma once

#include "pcm/pcm.h"

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>

namespace tapedeck {

struct Levels {
    int32_t level = 0;   // percent of full scale, all channels
    int32_t second = 0;  // the second channel (the first when there is one)
};

// Percent of full scale (0..100) of the largest sample in the frames, over
// all channels and over the second channel alone.
Levels PeakLevels(const uint8_t* frames, size_t frameCount, const pcm::Format& format);

class LevelMeter {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr Clock::duration kWindow = std::chrono::milliseconds(100);

    void add(const Levels& levels, Clock::time_point at);
    Levels read(Clock::time_point now) const;
    void clear();

private:
    struct Block {
        Clock::time_point at;
        Levels levels;
    };

    mutable std::mutex mutex_;
    std::array<Block, 64> blocks_{};
    size_t next_ = 0;
};

}  // namespace tapedeck
