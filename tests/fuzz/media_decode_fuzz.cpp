// Feeds arbitrary bytes to the decoder of libmediabridge as a file: it must
// refuse or decode them without crashing, over-reading or leaking, and what
// it decodes must stay within the limit it was given.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "voice_decoder.h"

namespace {

constexpr int32_t kLimit = 8 << 20;

struct Block {
    void* memory = nullptr;
    int32_t bytes = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const int fd = memfd_create("sound", 0);
    if (fd < 0)
        return 0;
    if (write(fd, data, size) != ssize_t(size)) {
        close(fd);
        return 0;
    }
    Block block;
    auto allocate = [](void* context, int32_t bytes) -> void* {
        auto* b = static_cast<Block*>(context);
        if (bytes <= 0 || bytes > kLimit)
            __builtin_trap();  // the limit holds, and an empty sound is refused before this
        b->bytes = bytes;
        return b->memory = std::malloc(size_t(bytes));
    };
    const int32_t result = media::DecodeVoice("/proc/self/fd/" + std::to_string(fd), kLimit, nullptr, allocate, &block);
    if ((result == MEDIA_OK) != (block.memory != nullptr))
        __builtin_trap();
    std::free(block.memory);
    close(fd);
    return 0;
}
