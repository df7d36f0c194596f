#include "ini_text.h"

#include <climits>
#include <cstdint>

namespace prefs {

namespace {

constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

// Blanks as the profile reader sees them: ASCII white space, and the DOS
// end-of-file mark that old editors left behind.
bool IsProfileSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' || c == '\x1A';
}

std::string_view TrimLeft(std::string_view text)
{
    while (!text.empty() && IsProfileSpace(text.front()))
        text.remove_prefix(1);
    return text;
}

std::string_view TrimRight(std::string_view text)
{
    while (!text.empty() && IsProfileSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

std::string_view Trim(std::string_view text) { return TrimRight(TrimLeft(text)); }

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
            return false;
    }
    return true;
}

bool HasLineBreak(std::string_view text) { return text.find_first_of("\r\n") != std::string_view::npos; }

struct ParsedLine {
    enum class Kind { Blank, Section, Entry };
    Kind kind = Kind::Blank;
    std::string_view name;                  // section or key name
    std::optional<std::string_view> value;  // entries with an "=" only
};

ParsedLine ParseLine(std::string_view content)
{
    ParsedLine parsed;
    std::string_view text = TrimLeft(content);
    if (text.empty())
        return parsed;
    if (text.front() == '[') {
        const size_t close = text.rfind(']');
        if (close != std::string_view::npos && close > 0) {
            parsed.kind = ParsedLine::Kind::Section;
            parsed.name = text.substr(1, close - 1);
            return parsed;
        }
        // A "[" without "]" is an ordinary line.
    }
    parsed.kind = ParsedLine::Kind::Entry;
    text = TrimRight(text);
    const size_t equals = text.find('=');
    if (equals == std::string_view::npos) {
        parsed.name = text;
    } else {
        parsed.name = TrimRight(text.substr(0, equals));
        parsed.value = TrimLeft(text.substr(equals + 1));
    }
    return parsed;
}

std::string_view WithoutQuotes(std::string_view value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

}  // namespace

IniText::IniText(std::string_view text)
{
    if (text.substr(0, kUtf8ByteOrderMark.size()) == kUtf8ByteOrderMark) {
        byteOrderMark_ = kUtf8ByteOrderMark;
        text.remove_prefix(kUtf8ByteOrderMark.size());
    }
    while (!text.empty()) {
        const size_t newline = text.find('\n');
        if (newline == std::string_view::npos) {
            lines_.push_back({std::string(text), ""});
            break;
        }
        std::string_view content = text.substr(0, newline);
        if (!content.empty() && content.back() == '\r') {
            content.remove_suffix(1);
            lines_.push_back({std::string(content), "\r\n"});
        } else {
            lines_.push_back({std::string(content), "\n"});
        }
        text.remove_prefix(newline + 1);
    }
}

std::optional<size_t> IniText::FindSection(std::string_view section) const
{
    section = Trim(section);
    if (section.empty())
        return std::nullopt;
    for (size_t i = 0; i < lines_.size(); ++i) {
        const ParsedLine parsed = ParseLine(lines_[i].content);
        if (parsed.kind == ParsedLine::Kind::Section && EqualsIgnoringCase(parsed.name, section))
            return i;
    }
    return std::nullopt;
}

size_t IniText::SectionEnd(size_t header) const
{
    size_t i = header + 1;
    while (i < lines_.size() && ParseLine(lines_[i].content).kind != ParsedLine::Kind::Section)
        ++i;
    return i;
}

std::optional<size_t> IniText::FindKey(size_t header, std::string_view key) const
{
    key = Trim(key);
    const size_t end = SectionEnd(header);
    for (size_t i = header + 1; i < end; ++i) {
        const ParsedLine parsed = ParseLine(lines_[i].content);
        if (parsed.kind == ParsedLine::Kind::Entry && EqualsIgnoringCase(parsed.name, key))
            return i;
    }
    return std::nullopt;
}

std::optional<std::string> IniText::Value(std::string_view section, std::string_view key) const
{
    const std::optional<size_t> header = FindSection(section);
    if (!header)
        return std::nullopt;
    const std::optional<size_t> line = FindKey(*header, key);
    if (!line)
        return std::nullopt;
    const ParsedLine parsed = ParseLine(lines_[*line].content);
    if (!parsed.value)
        return std::nullopt;
    return std::string(WithoutQuotes(*parsed.value));
}

std::string IniText::NewLineEnding() const
{
    if (!lines_.empty() && !lines_.front().ending.empty())
        return lines_.front().ending;
    return "\n";
}

bool IniText::SetValue(std::string_view section, std::string_view key, std::string_view value)
{
    section = Trim(section);
    key = Trim(key);
    if (section.empty() || key.empty() || key.front() == '[' || key.find('=') != std::string_view::npos ||
        HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value))
        return false;

    const std::string ending = NewLineEnding();
    const std::optional<size_t> header = FindSection(section);
    if (!header) {
        if (!lines_.empty() && lines_.back().ending.empty())
            lines_.back().ending = ending;
        lines_.push_back({"[" + std::string(section) + "]", ending});
        lines_.push_back({std::string(key) + "=" + std::string(value), ending});
        return true;
    }

    if (const std::optional<size_t> line = FindKey(*header, key)) {
        // Keep the key as the file spells it.
        const std::string name(ParseLine(lines_[*line].content).name);
        lines_[*line].content = name + "=" + std::string(value);
        return true;
    }

    size_t last = *header;
    const size_t end = SectionEnd(*header);
    for (size_t i = *header + 1; i < end; ++i) {
        if (ParseLine(lines_[i].content).kind != ParsedLine::Kind::Blank)
            last = i;
    }
    if (lines_[last].ending.empty())
        lines_[last].ending = ending;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(last + 1),
                  Line{std::string(key) + "=" + std::string(value), ending});
    return true;
}

std::string IniText::Text() const
{
    std::string text = byteOrderMark_;
    for (const Line& line : lines_)
        text += line.content + line.ending;
    return text;
}

std::optional<int> ParseProfileInt(std::string_view value)
{
    value = TrimLeft(value);
    bool negative = false;
    if (!value.empty() && (value.front() == '+' || value.front() == '-')) {
        negative = value.front() == '-';
        value.remove_prefix(1);
    }
    const int64_t limit = negative ? -static_cast<int64_t>(INT_MIN) : INT_MAX;
    int64_t magnitude = 0;
    size_t digits = 0;
    while (digits < value.size() && value[digits] >= '0' && value[digits] <= '9') {
        magnitude = magnitude * 10 + (value[digits] - '0');
        if (magnitude > limit)
            return std::nullopt;
        ++digits;
    }
    if (digits == 0)
        return std::nullopt;
    return static_cast<int>(negative ? -magnitude : magnitude);
}

}  // namespace prefs
