// What recording relies on outside the program: the recording library's three
// functions and the millisecond clock the elapsed time is read from. Held as
// replaceable functions so that a test can script what a real sound card
// gives only rarely (a stop that fails, a level of 37, an error code).
#pragma once

#include <cstdint>
#include <functional>

struct RecordingApi {
    std::function<uint16_t(const char* path, uint32_t samplesPerSecond, uint16_t bitsPerSample, uint16_t channels,
                           uint16_t recordSource)>
        audioStartRecord;
    std::function<uint16_t()> audioStopRecord;
    std::function<void(int32_t* level, int32_t* second)> audioGetRecordLevel;
    // Milliseconds of a steady clock; only differences count.
    std::function<uint32_t()> clockMs;

    // libtapedeck and the steady clock.
    static RecordingApi Library();
};
