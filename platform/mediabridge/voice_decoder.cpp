#include "voice_decoder.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <memory>
#include <vector>

#include "audio_input.h"
#include "mono_converter.h"

namespace media {

namespace {

// Pieces of 2 MiB: growing one block would copy the voice over and over and
// need twice its memory at each step.
constexpr size_t kPieceSamples = size_t(1) << 20;

// A length stated in the header may be an estimate (from the bit rate of a
// few frames); only a clear excess refuses a file before decoding it.
constexpr double kDeclaredLengthSlack = 1.05;

class PieceStore {
public:
    explicit PieceStore(int64_t maxSamples) : maxSamples_(maxSamples) {}

    // False when the sound would exceed the limit.
    bool Append(const int16_t* samples, size_t count)
    {
        if (int64_t(total_ + count) > maxSamples_)
            return false;
        while (count > 0) {
            const size_t used = total_ % kPieceSamples;
            if (used == 0)
                pieces_.push_back(std::unique_ptr<int16_t[]>(new int16_t[kPieceSamples]));
            const size_t now = std::min(count, kPieceSamples - used);
            std::memcpy(pieces_.back().get() + used, samples, now * sizeof(int16_t));
            samples += now;
            count -= now;
            total_ += now;
        }
        return true;
    }

    size_t total() const { return total_; }

    // Copies everything to `out`, giving each piece back once it is copied.
    void MoveTo(uint8_t* out)
    {
        size_t left = total_;
        for (auto& piece : pieces_) {
            const size_t now = std::min(left, kPieceSamples);
            std::memcpy(out, piece.get(), now * sizeof(int16_t));
            out += now * sizeof(int16_t);
            left -= now;
            piece.reset();
        }
        pieces_.clear();
    }

private:
    int64_t maxSamples_;
    size_t total_ = 0;
    std::vector<std::unique_ptr<int16_t[]>> pieces_;
};

// Converting runs on a thread of its own beside the decoding, which hands
// its frames over by reference (no copy) and goes on with the next packet:
// decoding a long file and converting it take about the same time on two
// cores as decoding alone.
class ConvertingThread {
public:
    using Convert = std::function<int32_t(const AVFrame&)>;
    explicit ConvertingThread(Convert convert) : convert_(std::move(convert)), thread_([this] { Run(); }) {}
    ~ConvertingThread() { Finish(); }
    ConvertingThread(const ConvertingThread&) = delete;
    ConvertingThread& operator=(const ConvertingThread&) = delete;

    // MEDIA_OK, or the converter's failure, which ends the decode.
    int32_t Push(const AVFrame& frame)
    {
        FramePtr reference(Required(av_frame_clone(&frame)));
        std::unique_lock lock(mutex_);
        notFull_.wait(lock, [this] { return queue_.size() < kQueuedFrames || result_ != MEDIA_OK; });
        if (result_ != MEDIA_OK)
            return result_;
        queue_.push_back(std::move(reference));
        if (queue_.size() == 1)
            notEmpty_.notify_one();
        return MEDIA_OK;
    }

    // Waits until every frame handed over is converted.
    int32_t Finish()
    {
        {
            std::lock_guard lock(mutex_);
            ended_ = true;
        }
        notEmpty_.notify_one();
        if (thread_.joinable())
            thread_.join();
        return result_;
    }

private:
    static constexpr size_t kQueuedFrames = 64;

    void Run()
    {
        for (;;) {
            FramePtr frame;
            {
                std::unique_lock lock(mutex_);
                notEmpty_.wait(lock, [this] { return !queue_.empty() || ended_; });
                if (queue_.empty())
                    return;
                frame = std::move(queue_.front());
                queue_.pop_front();
                if (queue_.size() == kQueuedFrames - 1)
                    notFull_.notify_one();
            }
            const int32_t result = convert_(*frame);
            if (result != MEDIA_OK) {
                std::lock_guard lock(mutex_);
                result_ = result;
                queue_.clear();
                notFull_.notify_one();
                return;
            }
        }
    }

    Convert convert_;
    std::mutex mutex_;
    std::condition_variable notEmpty_, notFull_;
    std::deque<FramePtr> queue_;
    bool ended_ = false;
    int32_t result_ = MEDIA_OK;
    std::thread thread_;  // last: it starts once everything above is ready
};

int32_t Collect(MonoConverter& converter, int made, PieceStore& store)
{
    if (made < 0)
        return made == AVERROR(ENOMEM) ? MEDIA_NO_MEMORY : MEDIA_UNDECODABLE;
    return store.Append(reinterpret_cast<const int16_t*>(converter.Output()), size_t(made)) ? MEDIA_OK
                                                                                              : MEDIA_TOO_LONG;
}

}  // namespace

int32_t DecodeVoice(const std::string& path, int32_t maxBytes, const MediaCallbacks* callbacks,
                    MediaAllocateFunction allocate, void* allocateContext)
{
    if (maxBytes < 0 || !allocate)
        return MEDIA_BAD_ARGUMENT;
    Hooks hooks(callbacks);
    AudioInput input;
    if (const int32_t opened = input.Open(path))
        return opened;
    const int64_t maxSamples = maxBytes / 2;
    const double declared = input.DeclaredSeconds();
    if (declared > 0 && declared * kVoiceSampleRate > double(maxSamples) * kDeclaredLengthSlack)
        return MEDIA_TOO_LONG;

    MonoConverter converter(AV_SAMPLE_FMT_S16, kVoiceSampleRate);
    PieceStore store(maxSamples);
    int32_t result = MEDIA_OK;
    {
        ConvertingThread converting([&](const AVFrame& frame) {
            try {
                return Collect(converter, converter.Convert(frame), store);
            } catch (const std::bad_alloc&) {
                return int32_t(MEDIA_NO_MEMORY);
            }
        });
        result = input.Decode([&](const AVFrame& frame) { return converting.Push(frame); }, hooks);
        const int32_t converted = converting.Finish();
        if (result == MEDIA_OK)
            result = converted;
    }
    if (result == MEDIA_OK)
        result = Collect(converter, converter.Flush(), store);
    if (result != MEDIA_OK)
        return result;
    if (store.total() == 0)
        return MEDIA_UNDECODABLE;  // a header and no sound: nothing to open
    void* memory = allocate(allocateContext, int32_t(store.total() * sizeof(int16_t)));
    if (!memory)
        return MEDIA_NO_MEMORY;
    store.MoveTo(static_cast<uint8_t*>(memory));
    return MEDIA_OK;
}

}  // namespace media
