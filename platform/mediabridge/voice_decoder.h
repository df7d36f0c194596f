// Any audio file to the voice format (16-bit mono at 22050 samples per
// second), held in pieces while it decodes and copied once into the
// caller's memory at the end.
#pragma once

#include <string>

#include "mediabridge.h"

namespace media {

// Long files may be decoded as two halves at once; tests compare that with
// the straight way and learn which way was taken.
enum class DecodeWay { Fastest, Straight };

int32_t DecodeVoice(const std::string& path, int32_t maxBytes, const MediaCallbacks* callbacks,
                    MediaAllocateFunction allocate, void* allocateContext, DecodeWay way = DecodeWay::Fastest,
                    bool* decodedInHalves = nullptr);

}  // namespace media
