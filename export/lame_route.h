// The program's own MP3 route: a wave file encoded by the LAME library,
// which is loaded for each use and released afterwards. No Qt: the
// conversion dialog and the command-line renderer share it.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "lame_library.h"
#include "wave_source.h"

namespace mp3 {

// The bit rates (kbit/s) both routes are asked for, in this order.
constexpr int kBitRateTable[] = {20, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};

bool IsLameAvailable(const char* library = kLameLibraryFileName);

// True when LAME makes frames of exactly kbit at the wave's own sample rate
// (it silently changes what it cannot use, so this is asked of LAME itself).
bool LameProducesBitrate(const LameLibrary& lame, const WaveFormat& format, int kbit);

// The rates of kBitRateTable that LAME produces for this wave format, in the
// table's order; empty when the library is missing or the wave is not
// 16-bit PCM with one or two channels.
std::vector<int> LameBitrates(const WaveFormat& format, const char* library = kLameLibraryFileName);

// Encodes exactly the samples of the wave's data chunk at kbit into an MP3
// file at the same sample rate. percent (0..100) follows the work; a true
// stop ends it with kLameStopped after the current chunk. Returns a result
// code (result_codes.h); only a complete file ever appears at destination.
int16_t EncodeWaveWithLame(const std::string& source, const std::string& destination, int kbit,
                           std::atomic<int16_t>& percent, const std::atomic<bool>& stop,
                           const char* library = kLameLibraryFileName);

}  // namespace mp3
