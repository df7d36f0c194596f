// Writes a RealMedia file holding one RealAudio stream: the ".RMF" file
// header, the PROP, CONT and MDPR headers, the DATA chunk with one packet per
// coded frame, and an INDX chunk for seeking.
//
// All numbers are big-endian. The headers are written with zero counts when
// the file is opened and written again, at the same size, when it is finished,
// so packets stream straight to the file. The file is saved through a
// files::AtomicFile: it takes its name only when it is finished, and a file
// that is never finished leaves whatever had that name as it was.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "files/atomic_file.h"

namespace realconv {

// What the listener's player is allowed to do with the clip (PROP flags).
struct RealMediaClip {
    std::string title;
    std::string author;
    std::string copyright;
    std::string comment;
    bool saveAllowed = false;  // the player may record the clip
    bool perfectPlay = false;  // the player may buffer the whole clip before playing
};

// The coded stream: fixed-size frames of a constant bit rate.
struct RealAudioStreamFormat {
    char codecFourCC[5] = "lpcJ";  // RealAudio 1.0, 14.4 kbit/s family
    uint16_t sampleRate = 8000;
    uint16_t channels = 1;
    uint16_t bitsPerSample = 16;
    uint16_t frameBytes = 20;
    uint16_t samplesPerFrame = 160;
    uint32_t bitRate = 8000;  // bits per second
};

class RealMediaWriter {
public:
    RealMediaWriter() = default;
    ~RealMediaWriter();
    RealMediaWriter(const RealMediaWriter&) = delete;
    RealMediaWriter& operator=(const RealMediaWriter&) = delete;

    // Starts the file that will replace path and writes the headers.
    bool open(const std::string& path, const RealMediaClip& clip, const RealAudioStreamFormat& format);
    // One coded frame, stamped with its start time in milliseconds.
    bool writePacket(uint32_t timestampMs, const uint8_t* data, size_t size);
    // Writes the index, then the headers again with the counts and the
    // duration, and gives the file its name. False when any write failed on
    // the way (nothing then changed at the path).
    bool finish(uint32_t durationMs);
    // Drops the unfinished file.
    void close();
    // Why the file could not be created or written (an errno value).
    int errorNumber() const { return file_.errorNumber(); }

    uint32_t packetCount() const { return packetCount_; }

private:
    struct IndexEntry {
        uint32_t timestampMs;
        uint32_t offset;
        uint32_t packetNumber;
    };

    std::vector<uint8_t> headers(uint32_t durationMs, uint32_t indexOffset) const;
    bool writeBytes(const std::vector<uint8_t>& bytes);

    files::AtomicFile file_;
    bool ok_ = true;
    RealMediaClip clip_;
    RealAudioStreamFormat format_;
    uint64_t written_ = 0;     // bytes written so far
    uint32_t packetCount_ = 0;
    uint32_t largestPacket_ = 0;
    uint64_t packetBytes_ = 0;
    std::vector<IndexEntry> index_;
};

}  // namespace realconv
