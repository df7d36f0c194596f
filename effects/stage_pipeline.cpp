#include "stage_pipeline.h"

#include <algorithm>
#include <atomic>
#include <thread>

#include "progress.h"

namespace effects {

namespace {

// Pieces of 8192 samples (16 KiB) stay in the first-level cache while every
// stage of a thread works through them.
constexpr int32_t kPiece = 8192;
// Below this many pieces a second thread costs more than it saves.
constexpr int32_t kPiecesWorthAThread = 8;

// Collects gauge steps from any thread; the calling thread hands them on.
class ProgressRelay final : public Progress {
public:
    explicit ProgressRelay(Progress& target) : target_(target) {}
    void ResetProgress(int32_t max) override { target_.ResetProgress(max); }
    void StepProgress() override { pending_.fetch_add(1, std::memory_order_relaxed); }
    void Deliver()
    {
        for (int32_t n = pending_.exchange(0, std::memory_order_relaxed); n > 0; --n)
            target_.StepProgress();
    }

private:
    Progress& target_;
    std::atomic<int32_t> pending_{0};
};

struct Leg {
    std::vector<StagePtr> stages;
    std::vector<double> costs;
};

void RunStages(std::vector<StagePtr>::iterator first, std::vector<StagePtr>::iterator last, int16_t* piece,
               int32_t n)
{
    for (auto s = first; s != last; ++s)
        (*s)->Process(piece, n);
}

// The split point that shares the cost most evenly (0 means one thread).
size_t BalancedSplit(const std::vector<double>& costs)
{
    double total = 0;
    for (double c : costs)
        total += c;
    double before = 0, best = total;
    size_t split = 0;
    for (size_t k = 1; k < costs.size(); ++k) {
        before += costs[k - 1];
        const double longest = std::max(before, total - before);
        if (longest < best) {
            best = longest;
            split = k;
        }
    }
    return split;
}

void RunLegOnOneThread(Leg& leg, int16_t* samples, int32_t count, ProgressRelay& relay)
{
    for (int32_t at = 0; at < count; at += kPiece) {
        RunStages(leg.stages.begin(), leg.stages.end(), samples + at, std::min(kPiece, count - at));
        relay.Deliver();
    }
}

// The first thread runs stages [0, split) ahead; the second follows one piece
// behind with stages [split, end).
void RunLegOnTwoThreads(Leg& leg, size_t split, int16_t* samples, int32_t count, ProgressRelay& relay)
{
    const int32_t pieces = (count + kPiece - 1) / kPiece;
    std::atomic<int32_t> ready{0};
    auto second = leg.stages.begin() + long(split);
    std::thread follower([&] {
        for (int32_t p = 0; p < pieces; ++p) {
            int32_t available = ready.load(std::memory_order_acquire);
            while (available <= p) {
                ready.wait(available, std::memory_order_acquire);
                available = ready.load(std::memory_order_acquire);
            }
            const int32_t at = p * kPiece;
            RunStages(second, leg.stages.end(), samples + at, std::min(kPiece, count - at));
        }
    });
    for (int32_t p = 0; p < pieces; ++p) {
        const int32_t at = p * kPiece;
        RunStages(leg.stages.begin(), second, samples + at, std::min(kPiece, count - at));
        ready.store(p + 1, std::memory_order_release);
        ready.notify_one();
        relay.Deliver();
    }
    follower.join();
    relay.Deliver();
}

void RunLeg(Leg& leg, int16_t* samples, int32_t count, ProgressRelay& relay, ChainThreads threads)
{
    if (leg.stages.empty())
        return;
    const size_t split = BalancedSplit(leg.costs);
    const bool twoThreads = threads == ChainThreads::Automatic && split > 0 &&
                            count >= kPiecesWorthAThread * kPiece && std::thread::hardware_concurrency() >= 2;
    if (twoThreads)
        RunLegOnTwoThreads(leg, split, samples, count, relay);
    else
        RunLegOnOneThread(leg, samples, count, relay);
    leg = Leg{};
}

}  // namespace

void RunChain(int16_t* samples, int32_t count, const std::vector<ChainStep>& steps, ChainThreads threads)
{
    ProgressRelay relay(CurrentProgress());
    Progress* previous = SetCurrentProgress(&relay);
    Leg leg;
    for (const ChainStep& step : steps) {
        if (step.needsWholeInput)
            RunLeg(leg, samples, count, relay, threads);
        if (StagePtr stage = step.make(samples, count)) {
            leg.stages.push_back(std::move(stage));
            leg.costs.push_back(step.cost);
        }
        relay.Deliver();
    }
    RunLeg(leg, samples, count, relay, threads);
    SetCurrentProgress(previous);
}

}  // namespace effects
