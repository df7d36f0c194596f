#include "startup_probe.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace startup_probe {

void NoteFirstPaint()
{
    static bool noted = false;
    if (noted)
        return;
    noted = true;
    const char* path = std::getenv("PARROTEL_FIRST_PAINT_LOG");
    if (!path || !*path)
        return;
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    if (FILE* file = std::fopen(path, "w")) {
        std::fprintf(file, "%lld\n", static_cast<long long>(std::chrono::nanoseconds(now).count()));
        std::fclose(file);
    }
}

}  // namespace startup_probe
