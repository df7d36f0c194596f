// Any audio file to the voice format (16-bit mono at 22050 samples per
// second), held in pieces while it decodes and copied once into the
// caller's memory at the end.
#pragma once

#include <string>

#include "mediabridge.h"

namespace media {

constexpr int kVoiceSampleRate = 22050;

int32_t DecodeVoice(const std::string& path, int32_t maxBytes, const MediaCallbacks* callbacks,
                    MediaAllocateFunction allocate, void* allocateContext);

}  // namespace media
