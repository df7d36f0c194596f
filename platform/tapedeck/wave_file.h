// A RIFF WAVE file of PCM written while it is recorded: the header first,
// the samples as they come, the sizes when it is finished. A finished file
// is on the disk (flushed with its folder), so the recording that the stop
// reports survives a power cut.
#pragma once

#include "pcm/pcm.h"
#include "riff/riff.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace tapedeck {

class WaveFileWriter {
public:
    WaveFileWriter() = default;
    ~WaveFileWriter() { closeFile(); }
    WaveFileWriter(const WaveFileWriter&) = delete;
    WaveFileWriter& operator=(const WaveFileWriter&) = delete;

    // Creates (or truncates) the file and writes its header.
    bool create(const std::string& path, const pcm::Format& format);
    // Appends sample data. After a failed write nothing more is written;
    // data beyond what a RIFF file can hold is dropped.
    void append(const uint8_t* data, size_t bytes);
    // Completes the sizes, flushes the file to the disk and closes it. After
    // a failed write the file is cut back to the whole frames that reached
    // it, with sizes to match; false if not even that could be done.
    bool finish();
    bool isOpen() const { return open_; }

private:
    bool repair();
    void closeFile();

    std::FILE* file_ = nullptr;
    riff::Writer writer_;
    riff::Chunk riff_;
    riff::Chunk data_;
    std::string path_;
    uint32_t blockAlign_ = 1;
    uint64_t dataBytes_ = 0;
    uint64_t maxDataBytes_ = 0;
    bool open_ = false;
    bool failed_ = false;
};

}  // namespace tapedeck
