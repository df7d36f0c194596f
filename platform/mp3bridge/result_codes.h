// Result codes of an MP3 conversion, shared by the conversion library and the
// program's own LAME route, so one table of messages serves both.
#pragma once

#include <cstdint>

namespace mp3 {

enum ResultCode : int16_t {
    kResultOk = 0,
    kCodecNotFound = 400,
    kNoMemory = 402,
    kCannotSuggestFormat = 405,     // the source's sample format cannot be fed to the encoder
    kCannotOpenCodecStream = 406,   // the encoder cannot produce this bit rate for this source
    kCannotOpenInputFile = 407,
    kCannotOpenOutputFile = 408,
    kFileClosingError = 409,
    kCalculationError = 411,        // the encoder failed on the way
    kFileCreatingError = 415,       // writing the MP3 file failed
    kStreamNotCreated = 424,        // another conversion is running
    kUserAbort = 431,
    kSpaceNotAvailable = 432,
    kCannotOpenInputWave = 433,
    kRiffChunkNotFound = 434,
    kDataChunkNotFound = 435,
    kNoMp3Component = 436,          // no MP3 codec at all
    kDecodeOnlyCodec = 438,         // an MP3 decoder but no encoder

    // The LAME route's own codes.
    kLameHeaderTooShort = 500,
    kLameNotPcmWave = 501,
    kLameInitFailed = 502,
    kLameNotLoaded = 503,
    kLameNoMemory = 504,
    kLameReadError = 505,
    kLameEncodeError = 506,
    kLameStopped = 507,
    kLameWriteError = 508,
};

}  // namespace mp3
