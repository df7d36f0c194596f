// The voice's MediaDecoder over libmediabridge: decodes on the calling
// thread into a voice block, passing progress on and stopping when asked.
// No Qt, so parrotel-render and the window's progress form share it.
#pragma once

#include <atomic>
#include <functional>

#include "media_functions.h"
#include "voice_source.h"

namespace media {

class BridgeDecoder : public voice::MediaDecoder {
public:
    // progress (may be empty) gets the percentage read; a true stop flag ends
    // the decode with Stopped.
    BridgeDecoder(MediaFunctions functions, std::function<void(int32_t percent)> progress,
                  const std::atomic<bool>* stop = nullptr);

    Result Decode(const std::string& path, int32_t maxBytes, voice::SampleBlock& voice) override;

    // The library's own result of the last decode.
    int32_t lastResult() const { return lastResult_; }

private:
    MediaFunctions functions_;
    std::function<void(int32_t)> progress_;
    const std::atomic<bool>* stop_;
    int32_t lastResult_ = MEDIA_OK;
};

}  // namespace media
