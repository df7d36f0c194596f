// One decode as the window runs it, for the decode tests: the progress
// reports recorded, a stop asked for after so many of them, the samples in a
// vector. The caller passes the decode function its callbacks.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "mediabridge.h"

namespace mediatest {

constexpr int32_t kNoLimit = 0x7FFFFFFE;

struct Decoded {
    int32_t result = -1;
    std::vector<int16_t> samples;
    std::vector<int32_t> percents;
    int stopAfterProgressReports = -1;
};

using DecodeCall = std::function<int32_t(const MediaCallbacks*, MediaAllocateFunction, void*)>;

inline Decoded RunDecode(const DecodeCall& decode, int stopAfterProgressReports = -1)
{
    Decoded decoded;
    decoded.stopAfterProgressReports = stopAfterProgressReports;
    MediaCallbacks callbacks{};
    callbacks.context = &decoded;
    callbacks.progress = [](void* d, int32_t percent) { static_cast<Decoded*>(d)->percents.push_back(percent); };
    callbacks.stopRequested = [](void* d) -> int32_t {
        const auto* decoded = static_cast<Decoded*>(d);
        return decoded->stopAfterProgressReports >= 0 &&
               int(decoded->percents.size()) >= decoded->stopAfterProgressReports;
    };
    auto allocate = [](void* d, int32_t bytes) -> void* {
        auto* decoded = static_cast<Decoded*>(d);
        decoded->samples.resize(size_t(bytes) / 2);
        return decoded->samples.data();
    };
    decoded.result = decode(&callbacks, allocate, &decoded);
    return decoded;
}

}  // namespace mediatest
