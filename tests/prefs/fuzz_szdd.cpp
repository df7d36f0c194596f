// Downloaded component files: expansion must never read or write out of
// bounds, and never produce more than the header promises.
#include "lz_expand.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::span<const uint8_t> file(data, size);
    const auto expanded = prefs::LzExpand(file);
    if (expanded && prefs::IsSzddCompressed(file)) {
        const uint32_t promised = data[10] | data[11] << 8 | data[12] << 16 | static_cast<uint32_t>(data[13]) << 24;
        if (expanded->size() != promised)
            std::abort();
    }
    return 0;
}
