// Feeds arbitrary bytes to the wave reader as a file: it must refuse or read
// them without crashing, over-reading or leaking, and the block it returns
// must hold exactly the bytes it reports.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "wave_file.h"

namespace {

class SilentFeedback final : public voice::UserFeedback {
public:
    void ShowMessage(const std::string&) override {}
    void ShowProgressWindow() override {}
    void HideProgressWindow() override {}
    void ResetProgress(int32_t) override {}
    void StepProgress() override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const int fd = memfd_create("wave", 0);
    if (fd < 0)
        return 0;
    if (write(fd, data, size) != ssize_t(size)) {
        close(fd);
        return 0;
    }
    const std::string path = "/proc/self/fd/" + std::to_string(fd);
    SilentFeedback feedback;
    voice::EffectSettings settings;
    voice::SampleBlock block = voice::ReadWaveFile(path, settings, feedback);
    if (block) {
        volatile uint8_t sum = 0;
        for (int32_t i = 0; i < block.bytes; ++i)  // touches every byte it claims to hold
            sum = uint8_t(sum + block.data()[i]);
        if (block.bytes < 0 || size_t(block.bytes) > 4 * size + 16)
            __builtin_trap();  // never more than a conversion can make of the input
    }
    close(fd);
    return 0;
}
