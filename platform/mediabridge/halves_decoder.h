// A long MP3 or Opus file decoded as two halves at once, for the second core
// of an ordinary machine: the head on the caller's thread up to a seam packet
// in the middle (seam.h), the tail on a thread of its own from there
// (tail_decoder.h). The head keeps the voice samples before the first one at
// or after the seam, the tail those from it on; only the dither's noise
// differs from a straight decode. When the head finds at the seam that the
// two do not agree (a damaged packet, a change of rate), it abandons the tail
// and decodes the rest itself. Progress and stop stay on the caller's thread.
#pragma once

#include <string>

#include "audio_input.h"
#include "piece_store.h"

namespace media {

// A long file (not a pipe) of a codec whose decoder gives each packet's
// samples as it takes the packet, on a machine with a second core.
bool WorthDecodingInHalves(const AudioInput& input);

// Decodes `input`, opened on `path`, into `head` and `tail`: the voice is what
// the two hold, in that order. `inHalves` tells whether the tail was used.
int32_t DecodeInHalves(const std::string& path, AudioInput& input, PieceStore& head, PieceStore& tail, Hooks& hooks,
                       bool& inHalves);

}  // namespace media
