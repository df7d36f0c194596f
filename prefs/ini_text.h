// The text of an INI file, read and changed the way the private-profile calls
// of the other desktop platform do it, so that a settings file written there
// or by hand reads the same here:
//   - section and key names compare without regard to ASCII case;
//   - a section header is "[" ... last "]" on its line (blanks inside kept);
//   - a key is the text before the first "=", without surrounding blanks;
//     the value is the rest of the line, without surrounding blanks, and one
//     pair of matching quotes around it is dropped;
//   - only the first section of a name is searched; the first key wins.
// Every line the caller does not change is kept byte for byte, line endings
// and a UTF-8 byte-order mark included.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace prefs {

class IniText {
public:
    explicit IniText(std::string_view text = {});

    // The key's value, or nothing when the section or key is absent or the
    // key's line carries no "=".
    std::optional<std::string> Value(std::string_view section, std::string_view key) const;

    // Sets the key in the first section of that name: its line is rewritten
    // in place, or a new line follows the section's last non-blank line, or a
    // new section is appended. Returns false (and changes nothing) for names
    // or values that cannot be stored on one line.
    bool SetValue(std::string_view section, std::string_view key, std::string_view value);

    std::string Text() const;

private:
    struct Line {
        std::string content;  // without its line ending
        std::string ending;   // "\n", "\r\n" or "" for a last line without one
    };

    // Index of the first section header of that name, or nothing.
    std::optional<size_t> FindSection(std::string_view section) const;
    // Index of the key's line in the section whose header is at header.
    std::optional<size_t> FindKey(size_t header, std::string_view key) const;
    size_t SectionEnd(size_t header) const;  // one past the section's last line
    std::string NewLineEnding() const;

    std::string byteOrderMark_;
    std::vector<Line> lines_;
};

// Reads an integer the way a profile-integer read does: blanks, an optional
// sign, then decimal digits; anything after the digits is ignored. A value
// without leading digits, or one too large for an int, is not a number.
std::optional<int> ParseProfileInt(std::string_view value);

}  // namespace prefs
