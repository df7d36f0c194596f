// mp3_lame_export SOURCE.wav DESTINATION.mp3 KBIT: one export through the
// program's LAME route, as the conversion dialog's worker runs it.
#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "lame_route.h"

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s SOURCE.wav DESTINATION.mp3 KBIT\n", argv[0]);
        return 2;
    }
    std::atomic<int16_t> percent{0};
    const std::atomic<bool> stop{false};
    const int16_t result = mp3::EncodeWaveWithLame(argv[1], argv[2], std::atoi(argv[3]), percent, stop);
    if (result != 0) {
        std::fprintf(stderr, "export failed with code %d\n", result);
        return 1;
    }
    return 0;
}
