// The sound of a wave file (the processed voice) encoded as Opus in Ogg or
// as FLAC, mono, through a pending output file.
#pragma once

#include <string>

#include "mediabridge.h"

struct AVCodec;

namespace media {

int32_t ExportWave(int32_t format, const std::string& source, const std::string& destination, int32_t bitsPerSecond,
                   const MediaCallbacks* callbacks);

// The encoder libavcodec has for the format, or null.
const AVCodec* EncoderFor(int32_t format);

}  // namespace media
