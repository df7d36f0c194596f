#include "lame_route.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <new>

#include "files/atomic_file.h"
#include "info_frame.h"
#include "result_codes.h"

namespace mp3 {

namespace {

bool IsLameInput(const WaveFormat& format)
{
    return format.IsPcm16() && (format.channels == 1 || format.channels == 2);
}

int16_t WaveStatusCode(WaveStatus status)
{
    switch (status) {
    case WaveStatus::Ok: return kResultOk;
    case WaveStatus::CannotOpen: return kCannotOpenInputFile;
    case WaveStatus::TooShort: return kLameHeaderTooShort;
    case WaveStatus::NotWave:
    case WaveStatus::NoFormat: return kLameNotPcmWave;
    case WaveStatus::NoData: return kDataChunkNotFound;
    }
    return kCannotOpenInputFile;
}

// The encoded sound goes into the file after room for the Info frame, which
// is written last, when the frames, delay and padding are known.
class Mp3Output {
public:
    Mp3Output(files::AtomicFile& file, const WaveFormat& format, int kbit) : file_(file)
    {
        tag_.sampleRate = int(format.sampleRate);
        tag_.channels = format.channels;
        tag_.bitrateKbit = kbit;
        tagBytes_ = InfoFrameSize(tag_.sampleRate, tag_.channels, kbit);
    }

    bool Start() { return tagBytes_ > 0 && file_.Write(std::vector<uint8_t>(tagBytes_).data(), tagBytes_); }

    bool Write(const uint8_t* sound, size_t bytes)
    {
        soundBytes_ += bytes;
        tag_.soundCrc = Crc16(tag_.soundCrc, sound, bytes);
        return file_.Write(sound, bytes);
    }

    bool WriteInfoFrame(const LameStream& stream)
    {
        tag_.frames = uint32_t(stream.framesMade());
        tag_.streamBytes = uint32_t(std::min<uint64_t>(tagBytes_ + soundBytes_, UINT32_MAX));
        tag_.encoderDelay = stream.encoderDelay();
        tag_.encoderPadding = stream.encoderPadding();
        tag_.encoder = stream.encoderName();
        const std::vector<uint8_t> frame = BuildInfoFrame(tag_);
        return frame.size() == tagBytes_ && std::fseek(file_.stream(), 0, SEEK_SET) == 0 &&
               file_.Write(frame.data(), frame.size());
    }

private:
    files::AtomicFile& file_;
    InfoTag tag_;
    size_t tagBytes_ = 0;
    uint64_t soundBytes_ = 0;
};

int16_t EncodeData(LameStream& stream, WaveSource& wave, Mp3Output& output, std::atomic<int16_t>& percent,
                   const std::atomic<bool>& stop)
{
    const WaveFormat& format = wave.format();
    const size_t chunkBytes = size_t(stream.framesPerChunk()) * format.blockAlign;
    std::vector<int16_t> samples(chunkBytes / sizeof(int16_t));
    std::vector<uint8_t> encoded(stream.outputBufferBytes());
    const uint64_t total = wave.dataBytes();
    uint64_t done = 0;
    while (done < total) {
        const size_t wanted = size_t(std::min<uint64_t>(chunkBytes, total - done));
        if (wave.Read(samples.data(), wanted) != wanted)
            return kLameReadError;
        const int produced = stream.EncodeChunk(samples.data(), int(wanted / format.blockAlign), encoded.data(),
                                                encoded.size());
        if (produced < 0)
            return kLameEncodeError;
        if (!output.Write(encoded.data(), size_t(produced)))
            return kLameWriteError;
        done += wanted;
        percent.store(int16_t(done * 100 / total));
        if (stop.load())
            return kLameStopped;
    }
    const int produced = stream.Finish(encoded.data(), encoded.size());
    if (produced < 0)
        return kLameEncodeError;
    if (!output.Write(encoded.data(), size_t(produced)) || !output.WriteInfoFrame(stream))
        return kLameWriteError;
    return kResultOk;
}

}  // namespace

bool IsLameAvailable(const char* library) { return LameLibrary(library).loaded(); }

bool LameProducesBitrate(const LameLibrary& lame, const WaveFormat& format, int kbit)
{
    if (!IsLameInput(format))
        return false;
    LameStream stream(lame);
    return stream.Init({int(format.sampleRate), format.channels, kbit}) && stream.KeepsSettings();
}

std::vector<int> LameBitrates(const WaveFormat& format, const char* library)
{
    std::vector<int> rates;
    const LameLibrary lame(library);
    if (!lame.loaded())
        return rates;
    for (const int kbit : kBitRateTable)
        if (LameProducesBitrate(lame, format, kbit))
            rates.push_back(kbit);
    return rates;
}

int16_t EncodeWaveWithLame(const std::string& source, const std::string& destination, int kbit,
                           std::atomic<int16_t>& percent, const std::atomic<bool>& stop, const char* library)
{
    percent.store(0);
    const LameLibrary lame(library);
    if (!lame.loaded())
        return kLameNotLoaded;
    WaveSource wave;
    if (const int16_t result = WaveStatusCode(wave.Open(source)))
        return result;
    const WaveFormat& format = wave.format();
    if (!IsLameInput(format))
        return kLameNotPcmWave;
    LameStream stream(lame);
    if (!stream.Init({int(format.sampleRate), format.channels, kbit}))
        return kLameInitFailed;
    if (!stream.KeepsSettings())
        return kCannotOpenCodecStream;
    files::AtomicFile file;
    if (!file.Create(destination))
        return kCannotOpenOutputFile;
    try {
        Mp3Output output(file, format, kbit);
        if (!output.Start())
            return kLameWriteError;
        if (const int16_t result = EncodeData(stream, wave, output, percent, stop))
            return result;
    } catch (const std::bad_alloc&) {
        return kLameNoMemory;
    }
    // A stop that came with the last chunk still wins: nothing is left behind.
    if (stop.load())
        return kLameStopped;
    if (!file.Commit())
        return kLameWriteError;
    percent.store(100);  // also for a wave without samples
    return kResultOk;
}

}  // namespace mp3
