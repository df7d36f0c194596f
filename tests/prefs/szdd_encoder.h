// A plain greedy SZDD compressor for the tests: it keeps the same ring as the
// expander and, at each position, takes the longest match the expander could
// copy (including one that overlaps the bytes it is writing) among the last
// places where the same three bytes began.
#pragma once

#include "lz_expand.h"

#include <cstdint>
#include <unordered_map>
#include <vector>

namespace prefs::testing {

struct SzddEncoding {
    std::vector<uint8_t> file;
    size_t backReferences = 0;
};

inline void AppendSzddHeader(std::vector<uint8_t>& file, uint32_t expandedLength, uint8_t method = kSzddMethod)
{
    file.assign(kSzddSignature.begin(), kSzddSignature.end());
    file.push_back(method);
    file.push_back('l');  // last character of the original name; not used
    for (int shift = 0; shift < 32; shift += 8)
        file.push_back(static_cast<uint8_t>(expandedLength >> shift));
}

inline uint32_t Triple(const std::vector<uint8_t>& data, size_t i)
{
    return static_cast<uint32_t>(data[i]) << 16 | static_cast<uint32_t>(data[i + 1]) << 8 | data[i + 2];
}

inline SzddEncoding EncodeSzdd(const std::vector<uint8_t>& data)
{
    constexpr size_t kCandidates = 64;
    std::unordered_map<uint32_t, std::vector<size_t>> starts;  // data positions by their first three bytes
    const std::vector<size_t> none;
    SzddEncoding encoding;
    AppendSzddHeader(encoding.file, static_cast<uint32_t>(data.size()));
    std::vector<uint8_t> ring(kSzddRingSize, kSzddRingFill);
    size_t position = kSzddRingStart;
    size_t flagsAt = 0;
    int itemsInGroup = 8;
    size_t i = 0;
    while (i < data.size()) {
        if (itemsInGroup == 8) {
            flagsAt = encoding.file.size();
            encoding.file.push_back(0);
            itemsInGroup = 0;
        }
        size_t bestLength = 0, bestFrom = 0;
        const std::vector<size_t>& earlier = i + 2 < data.size() ? starts[Triple(data, i)] : none;
        for (size_t c = earlier.size(), tried = 0; c-- > 0 && tried < kCandidates; ++tried) {
            if (i - earlier[c] >= kSzddRingSize)
                break;
            const size_t from = (kSzddRingStart + earlier[c]) % kSzddRingSize;
            size_t length = 0;
            while (length < kSzddMaxMatch && i + length < data.size()) {
                const size_t at = (from + length) % kSzddRingSize;
                const size_t ahead = (at + kSzddRingSize - position) % kSzddRingSize;
                const uint8_t copied = ahead < length ? data[i + ahead] : ring[at];
                if (copied != data[i + length])
                    break;
                ++length;
            }
            if (length > bestLength) {
                bestLength = length;
                bestFrom = from;
            }
        }
        size_t taken = 1;
        if (bestLength >= kSzddMinMatch) {
            encoding.file.push_back(static_cast<uint8_t>(bestFrom & 0xFF));
            encoding.file.push_back(static_cast<uint8_t>(((bestFrom >> 4) & 0xF0) | (bestLength - kSzddMinMatch)));
            ++encoding.backReferences;
            taken = bestLength;
        } else {
            encoding.file[flagsAt] |= static_cast<uint8_t>(1u << itemsInGroup);
            encoding.file.push_back(data[i]);
        }
        for (size_t k = 0; k < taken; ++k) {
            ring[position] = data[i + k];
            position = (position + 1) % kSzddRingSize;
            if (i + k + 2 < data.size())
                starts[Triple(data, i + k)].push_back(i + k);
        }
        i += taken;
        ++itemsInGroup;
    }
    return encoding;
}

}  // namespace prefs::testing
