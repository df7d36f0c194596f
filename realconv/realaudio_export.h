// Converting a wave file into a RealAudio file, without any user interface:
// the export dialog's worker and the command-line renderer both call this.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

namespace realconv {

// What a conversion ended with. Only 0 means a finished file.
enum ResultCode : int32_t {
    kResultOk = 0,
    kResultStopped = 401,           // the stop flag was set; no file was kept
    kResultCannotOpenWave = 402,    // the source is missing or not a wave file
    kResultEngineSetupFailed = 403,
    kResultNoRealAudioPin = 406,    // libavcodec lacks the RealAudio encoder
    kResultCannotCreateEngine = 409,
    kResultNoAudioStream = 411,     // no readable PCM sound in the source
    kResultEngineRefused = 413,     // encoder or resampler could not be set up
    kResultFormatRejected = 414,    // channels, rate or bits the engine cannot convert
    kResultReadFailed = 416,
    kResultNoBlockSize = 417,
    kResultCannotWriteFile = 418,   // the RealAudio file cannot be created or written (permission, room)
    kResultEncodingFailed = 420,    // coding failed
    kResultOutputNameRefused = 421, // empty, a folder, or in a folder that does not exist
};

// A sentence for messages and logs.
const char* DescribeResult(int32_t code);

struct ClipInfo {
    std::string title;
    std::string author;
    std::string copyright;
    bool selectiveRecord = false;  // listeners may record the clip
    bool perfectPlay = false;      // the player may buffer the whole clip first
};

// Converts source (a PCM wave file: 1 or 2 channels, 8, 16 or 32 bits,
// 4000..192000 Hz) into target, replacing it when it exists. The target only
// appears (or changes) when the conversion finishes; on any failure or stop
// it is left as it was. progress, if given, is called on the calling thread
// after every block with the percentage done; stop is read after every block.
int32_t ExportWaveToRealAudio(const std::string& source, const std::string& target, const ClipInfo& clip,
                              const std::function<void(int percent)>& progress, const std::atomic<bool>& stop);

namespace testing {
// Called on the converting thread after each block has been coded, with the
// reader's position in sample frames; lets tests act at a known moment.
void SetBlockHook(std::function<void(uint32_t position)> hook);
}  // namespace testing

}  // namespace realconv
