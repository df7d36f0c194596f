#include "tapedeck/wave_file.h"

#include "files/atomic_file.h"
#include "riff/wave.h"

#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace tapedeck {

namespace {

// Data whose length is a whole number of frames and even, so that the data
// chunk needs no pad byte.
uint64_t WholeFrames(uint64_t bytes, uint32_t blockAlign)
{
    const uint64_t unit = blockAlign % 2 == 0 ? blockAlign : uint64_t(blockAlign) * 2;
    return bytes / unit * unit;
}

bool PatchLe32(std::FILE* file, uint64_t offset, uint32_t value)
{
    uint8_t bytes[4];
    riff::WriteLe32(bytes, value);
    return fseeko(file, off_t(offset), SEEK_SET) == 0 && std::fwrite(bytes, 1, 4, file) == 4;
}

}  // namespace

bool WaveFileWriter::create(const std::string& path, const pcm::Format& format)
{
    path_ = path;
    blockAlign_ = format.bytesPerFrame();
    dataBytes_ = 0;
    failed_ = false;
    // The plain 16-byte PCM header.
    file_ = std::fopen(path.c_str(), "wb");
    open_ = writer_.attach(file_) && writer_.createChunk(riff_, riff::kRiff, riff::kWave) &&
            riff::WriteFormatChunk(writer_,
                                   riff::PcmFormat(format.channels, format.samplesPerSecond, format.bitsPerSample),
                                   false) &&
            writer_.createChunk(data_, riff::kData);
    if (!open_) {
        closeFile();
        std::remove(path.c_str());
        return false;
    }
    // The RIFF size counts everything after its own 8-byte header.
    maxDataBytes_ = WholeFrames(0xFFFFFFFFu - (data_.dataOffset - 8), blockAlign_);
    return true;
}

void WaveFileWriter::append(const uint8_t* data, size_t bytes)
{
    if (!open_ || failed_)
        return;
    const size_t n = size_t(std::min<uint64_t>(bytes, maxDataBytes_ - dataBytes_));
    if (n == 0)
        return;
    if (!writer_.write(data, n)) {
        failed_ = true;
        return;
    }
    dataBytes_ += n;
}

bool WaveFileWriter::finish()
{
    if (!open_)
        return false;
    open_ = false;
    const bool complete = !failed_ && writer_.ascend(data_) && writer_.ascend(riff_) && writer_.close();
    // On the disk before the stop is reported: the caller reads and keeps it.
    const bool synced = complete && files::SyncToDisk(file_);
    closeFile();
    if (complete)
        return synced && files::SyncFolderOf(path_);
    return repair();
}

void WaveFileWriter::closeFile()
{
    writer_.close();
    if (file_)
        std::fclose(file_);
    file_ = nullptr;
}

bool WaveFileWriter::repair()
{
    std::FILE* file = std::fopen(path_.c_str(), "r+b");
    if (!file)
        return false;
    bool ok = fseeko(file, 0, SEEK_END) == 0;
    const off_t size = ok ? ftello(file) : -1;
    ok = size >= off_t(data_.dataOffset);
    if (ok) {
        const uint64_t data = WholeFrames(uint64_t(size) - data_.dataOffset, blockAlign_);
        ok = ftruncate(fileno(file), off_t(data_.dataOffset + data)) == 0 &&
             PatchLe32(file, 4, uint32_t(data_.dataOffset - 8 + data)) &&
             PatchLe32(file, data_.dataOffset - 4, uint32_t(data)) && files::SyncToDisk(file);
    }
    return std::fclose(file) == 0 && ok && files::SyncFolderOf(path_);
}

}  // namespace tapedeck
