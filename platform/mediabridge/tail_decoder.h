// The second half of a file decoded as two halves at once, on a thread of
// its own (see halves_decoder.h). The tail reads to the seam, decodes a
// run-in before it that it throws away, for its decoder to settle, and starts
// its resampler at a source sample whose time falls on a voice sample, so that
// its voice samples are those of one continuous conversion from the first at
// or after the seam on.
#pragma once

#include <atomic>
#include <chrono>
#include <deque>
#include <future>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "audio_input.h"
#include "converted_voice.h"
#include "piece_store.h"
#include "seam.h"

namespace media {

class TailDecoder {
public:
    TailDecoder(std::string path, PieceStore& store) : path_(std::move(path)), store_(store) {}

    // On the tail's own thread: MEDIA_OK or what ended it.
    int32_t Run();
    // Tells the head to decode everything itself.
    void GiveUp()
    {
        gaveUp_ = true;
        seam_.set_value(Seam{});
    }
    std::future<Seam> SeamToCome() { return seam_.get_future(); }
    void Stop() { stop_ = true; }
    // How much of its half it has decoded, of the seam finder's HalfLength().
    int64_t Done() const { return done_; }
    // It found no seam where it can join the head.
    bool GaveUp() const { return gaveUp_; }

private:
    // One run-in packet as the tail decoded it.
    struct RunInPacket {
        int64_t declared = 0;
        int64_t decoded = 0;
        std::vector<FramePtr> frames;
    };

    int32_t Start(Seam& seam);
    int32_t ReadToSeam(SeamFinder& finder, std::deque<PacketPtr>& runIn);
    int32_t DecodeRunIn(const std::deque<PacketPtr>& runIn, const SeamFinder& finder, std::vector<RunInPacket>& decoded);
    int32_t FeedResampler(std::vector<RunInPacket>& runIn, const SeamFinder& finder, Seam& seam);
    int32_t Continue();

    std::string path_;
    PieceStore& store_;
    std::promise<Seam> seam_;
    std::atomic<bool> stop_{false};
    std::atomic<int64_t> done_{0};
    std::atomic<bool> gaveUp_{false};
    AudioInput input_;
    std::optional<SeamFinder> finder_;
    std::optional<ConvertedVoice> voice_;
    PacketPtr seamPacket_;
};


// The tail's thread, which ends before the decoder or its store goes, however
// the head returns.
class TailThread {
    // How often a waiting head looks at the stop request and the progress.
    static constexpr auto kPollInterval = std::chrono::milliseconds(20);


public:
    TailThread(const std::string& path, PieceStore& store)
        : store_(store), tail_(path, store), seam_(tail_.SeamToCome())
    {
        try {
            result_ = std::async(std::launch::async, [this] { return tail_.Run(); });
        } catch (const std::system_error&) {
            tail_.GiveUp();  // no thread to be had: the head decodes it all
        }
    }
    ~TailThread()
    {
        tail_.Stop();
        if (result_.valid())
            result_.wait();
    }

    TailDecoder& tail() { return tail_; }
    // Ends the tail, and gives what it stored back to the budget, for the
    // head to decode everything.
    void Abandon()
    {
        tail_.Stop();
        if (result_.valid())
            result_.wait();
        store_.Clear();
    }
    // Wait, as long as the caller does not ask to stop, for the seam or the
    // end, calling `tick` now and then.
    template <class Tick>
    bool AwaitSeam(Hooks& hooks, Tick tick) { return Await(seam_, hooks, tick); }
    template <class Tick>
    bool AwaitEnd(Hooks& hooks, Tick tick) { return Await(result_, hooks, tick); }
    Seam TakeSeam() { return seam_.get(); }
    int32_t TakeResult() { return result_.get(); }

private:
    template <class Future, class Tick>
    bool Await(Future& future, Hooks& hooks, Tick tick)
    {
        while (future.wait_for(kPollInterval) != std::future_status::ready) {
            if (hooks.StopRequested())
                return false;
            tick();
        }
        return true;
    }

    PieceStore& store_;
    TailDecoder tail_;
    std::future<Seam> seam_;
    std::future<int32_t> result_;
};


}  // namespace media
