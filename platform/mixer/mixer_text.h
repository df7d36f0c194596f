// Names in the fixed-size fields of the mixer structures.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace platform {

// The longest prefix of text that fits in limit bytes without splitting a
// UTF-8 character.
inline std::string_view Utf8Prefix(std::string_view text, size_t limit)
{
    if (text.size() <= limit)
        return text;
    size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return text.substr(0, end);
}

// Copies text into a fixed field, cut to fit, always terminated.
template <size_t N>
void CopyName(char (&field)[N], std::string_view text)
{
    const std::string_view fitting = Utf8Prefix(text, N - 1);
    std::memcpy(field, fitting.data(), fitting.size());
    std::memset(field + fitting.size(), 0, N - fitting.size());
}

}  // namespace platform
