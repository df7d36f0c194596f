#include "bridge_decoder.h"

namespace media {

namespace {

voice::MediaDecoder::Result VoiceResult(int32_t result)
{
    using Result = voice::MediaDecoder::Result;
    switch (result) {
    case MEDIA_OK: return Result::Ok;
    case MEDIA_TOO_LONG: return Result::TooLong;
    case MEDIA_NO_MEMORY: return Result::NoMemory;
    case MEDIA_STOPPED: return Result::Stopped;
    }
    return Result::Undecodable;
}

}  // namespace

BridgeDecoder::BridgeDecoder(MediaFunctions functions, std::function<void(int32_t)> progress,
                             const std::atomic<bool>* stop)
    : functions_(functions), progress_(std::move(progress)), stop_(stop)
{
}

voice::MediaDecoder::Result BridgeDecoder::Decode(const std::string& path, int32_t maxBytes, voice::SampleBlock& voice)
{
    MediaCallbacks callbacks{};
    callbacks.context = this;
    callbacks.progress = [](void* self, int32_t percent) {
        if (const auto& progress = static_cast<BridgeDecoder*>(self)->progress_)
            progress(percent);
    };
    callbacks.stopRequested = [](void* self) -> int32_t {
        const std::atomic<bool>* stop = static_cast<BridgeDecoder*>(self)->stop_;
        return stop && stop->load();
    };
    voice::SampleBlock decoded;
    auto allocate = [](void* block, int32_t bytes) -> void* {
        auto& samples = *static_cast<voice::SampleBlock*>(block);
        samples = voice::AllocateSamples(bytes);
        return samples ? samples.data() : nullptr;
    };
    lastResult_ = functions_.decodeVoice ? functions_.decodeVoice(path.c_str(), maxBytes, &callbacks, allocate, &decoded)
                                         : MEDIA_UNDECODABLE;
    if (lastResult_ == MEDIA_OK)
        voice = std::move(decoded);
    return VoiceResult(lastResult_);
}

}  // namespace media
