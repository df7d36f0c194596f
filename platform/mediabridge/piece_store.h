// Where decoded voice samples wait until the whole sound is known: pieces of
// 2 MiB (growing one block would copy the voice over and over and need twice
// its memory at each step), copied once into the caller's memory at the end.
// Stores filled at once by several threads share one limit.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace media {

// The samples every store together may still take.
class SampleBudget {
public:
    explicit SampleBudget(int64_t samples) : left_(samples) {}
    // False when `count` more would exceed it.
    bool Take(size_t count)
    {
        if (left_.fetch_sub(int64_t(count)) >= int64_t(count))
            return true;
        GiveBack(count);
        return false;
    }
    void GiveBack(size_t count) { left_ += int64_t(count); }

private:
    std::atomic<int64_t> left_;
};

class PieceStore {
public:
    explicit PieceStore(SampleBudget& budget) : budget_(budget) {}

    // False when the sound would exceed the budget.
    bool Append(const int16_t* samples, size_t count);
    size_t total() const { return total_; }
    // Copies everything to `out`, giving each piece back once it is copied;
    // returns the end of what it wrote.
    uint8_t* MoveTo(uint8_t* out);
    // Drops the samples and gives their share of the budget back.
    void Clear();

private:
    SampleBudget& budget_;
    size_t total_ = 0;
    std::vector<std::unique_ptr<int16_t[]>> pieces_;
};

}  // namespace media
