// Expansion of files compressed in the "SZDD" format (the LZ77 variant of the
// old COMPRESS tool and of LZ-aware file copies). A file without that header
// is taken as it is, so expanding and copying are one operation.
//
// Layout: the 8-byte signature, the method byte 'A', the last character of
// the original name, the expanded length (32 bits, little-endian), then the
// compressed stream. The stream is a sequence of groups: a flag byte, then
// eight items, one for each flag bit starting with the lowest. A set bit is
// one literal byte; a clear bit is a two-byte back-reference into a 4096-byte
// ring of the bytes expanded so far: position = b0 | (b1 & 0xF0) << 4,
// length = (b1 & 0x0F) + 3. The ring starts filled with blanks and writing
// starts at 4096 - 16.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace prefs {

inline constexpr std::array<uint8_t, 8> kSzddSignature = {'S', 'Z', 'D', 'D', 0x88, 0xF0, 0x27, 0x33};
inline constexpr size_t kSzddHeaderSize = 14;
inline constexpr uint8_t kSzddMethod = 'A';
inline constexpr size_t kSzddRingSize = 4096;
inline constexpr size_t kSzddRingStart = kSzddRingSize - 16;
inline constexpr uint8_t kSzddRingFill = ' ';
inline constexpr size_t kSzddMinMatch = 3;
inline constexpr size_t kSzddMaxMatch = 18;

bool IsSzddCompressed(std::span<const uint8_t> file);

// The file's expanded content: its bytes as they are when it is not
// compressed. Nothing for a compressed file with an unknown method, or whose
// stream ends before the length its header gives (a cut-off download).
// Output never exceeds that length.
std::optional<std::vector<uint8_t>> LzExpand(std::span<const uint8_t> file);

}  // namespace prefs
