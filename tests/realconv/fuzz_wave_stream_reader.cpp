// Feeds arbitrary bytes to the wave reader as a file and reads it the way the
// conversion does, checking that every block stays inside its bounds.
#include "wave_stream_reader.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

void Check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

void ReadEverything(const std::string& path, uint32_t blockBytes)
{
    realconv::WaveStreamReader reader;
    if (reader.open(path) != realconv::WaveReadStatus::Ok)
        return;
    uint32_t durationMs = 0, total = 0;
    if (reader.getInfo(durationMs, total) != realconv::WaveReadStatus::Ok)
        return;
    int channels = 0, rate = 0, bits = 0;
    Check(reader.getFormat(&channels, &rate, &bits) && channels > 0 && rate > 0 && bits % 8 == 0);
    realconv::MediaSample sample;
    if (reader.startReading(sample, blockBytes) != realconv::WaveReadStatus::Ok)
        return;
    const uint32_t bytesPerFrame = uint32_t(channels * bits / 8);
    const uint64_t maxRounds = uint64_t(total) / (blockBytes / bytesPerFrame) + 2;
    uint32_t previous = 0;
    for (uint64_t round = 0; round < maxRounds; ++round) {
        Check(sample.block().size() == blockBytes && sample.validBytes() <= blockBytes);
        Check(reader.position() > previous && reader.position() <= total);
        Check(sample.endOfStream() == (reader.position() == total));
        previous = reader.position();
        if (sample.endOfStream())
            return;
        if (reader.readNext(sample) != realconv::WaveReadStatus::Ok)
            return;
    }
    Check(false);  // the end was never reached
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const int fd = memfd_create("wave", 0);
    if (fd < 0 || ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != ssize_t(size))
        return 0;
    const std::string path = "/proc/self/fd/" + std::to_string(fd);
    ReadEverything(path, 4410);
    ReadEverything(path, 7);
    return 0;
}
