// Reads the sound of a RIFF WAVE file block by block and hands each block to
// a media sample, stamped with its start time.
//
// Every size comes from the file and is checked before it is used: the data
// chunk is cut to the bytes really present, the format must describe whole
// bytes per sample frame, and a block can never reach past the sound.
#pragma once

#include "media_sample.h"
#include "riff/riff.h"

#include <cstdint>
#include <string>
#include <vector>

namespace realconv {

enum class WaveReadStatus {
    Ok,
    NoPath,
    CannotOpen,     // missing, unreadable, or not a RIFF WAVE file
    NotOpen,        // an operation before a successful open
    NoFormat,       // no "fmt " chunk, or one too short for PCM
    NotPcm,         // compressed sound
    BadFormat,      // zero channels or rate, bits that are not whole bytes
    NoData,         // no "data" chunk, or no whole sample frame in it
    TooLong,        // the duration does not fit in 32-bit milliseconds
    NoInfo,         // reading before the stream information was taken
    BadBlockSize,   // a block smaller than one frame, or absurdly large
    ReadFailed,     // the file ended or failed while reading counted bytes
};

const char* Describe(WaveReadStatus status);

class WaveStreamReader {
public:
    // Blocks larger than this are refused rather than allocated.
    static constexpr uint32_t kMaxBlockBytes = 16u << 20;

    WaveStreamReader() = default;
    WaveStreamReader(const WaveStreamReader&) = delete;
    WaveStreamReader& operator=(const WaveStreamReader&) = delete;

    WaveReadStatus open(const std::string& path);
    void close();
    // Finds the sound: its format and how many sample frames it holds.
    WaveReadStatus getInfo(uint32_t& durationMs, uint32_t& totalSamples);
    // True when every output was given.
    bool getFormat(int* channels, int* sampleRate, int* bitsPerSample) const;
    // Allocates the block buffer, rewinds, and reads the first block.
    WaveReadStatus startReading(MediaSample& sample, uint32_t blockBytes);
    // Reads the next block; the sample is flagged end-of-stream once the
    // position reaches the end.
    WaveReadStatus readNext(MediaSample& sample);
    // Reads the next block and flags it end-of-stream whatever remains.
    WaveReadStatus readLast(MediaSample& sample);
    uint32_t position() const { return position_; }
    // Frees the block buffer and forgets the stream; the file stays open.
    void destroy();

private:
    WaveReadStatus readFormat(const riff::Chunk& chunk);
    WaveReadStatus read(MediaSample& sample, bool last);

    riff::Reader file_;
    riff::Chunk riff_;
    bool haveInfo_ = false;
    uint16_t channels_ = 0;
    uint32_t sampleRate_ = 0;
    uint16_t bitsPerSample_ = 0;
    uint32_t bytesPerFrame_ = 0;
    uint64_t dataOffset_ = 0;
    uint32_t totalSamples_ = 0;
    uint32_t position_ = 0;
    uint32_t durationMs_ = 0;
    std::vector<uint8_t> block_;
};

}  // namespace realconv
