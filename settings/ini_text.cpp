#include "settings/ini_text.h"

#include <algorithm>
#include <limits>

namespace vistrel {

namespace {

const std::string kUtf8Bom = "\xEF\xBB\xBF";

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string trimBlanks(const std::string &text)
{
    size_t first = 0;
    size_t last = text.size();
    while (first < last && isBlank(text[first]))
        ++first;
    while (last > first && isBlank(text[last - 1]))
        --last;
    return text.substr(first, last - first);
}

char asciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameName(const std::string &a, const std::string &b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (asciiLower(a[i]) != asciiLower(b[i]))
            return false;
    }
    return true;
}

// A value, key or section name is one line: a line break in it would start lines of its own
// (a value holding "\n[Bounds]\n..." could forge settings), so it is cut there.
std::string oneLine(const std::string &text)
{
    return text.substr(0, text.find_first_of("\r\n"));
}

std::string withoutCr(const std::string &line)
{
    return !line.empty() && line.back() == '\r' ? line.substr(0, line.size() - 1) : line;
}

std::optional<std::string> sectionName(const std::string &line)
{
    const std::string text = trimBlanks(withoutCr(line));
    if (text.empty() || text.front() != '[')
        return std::nullopt;
    const size_t close = text.find(']');
    if (close == std::string::npos)
        return std::nullopt;
    return trimBlanks(text.substr(1, close - 1));
}

struct KeyLine {
    std::string key;
    std::string value;
};

std::optional<KeyLine> keyLine(const std::string &line)
{
    const std::string text = trimBlanks(withoutCr(line));
    if (text.empty() || text.front() == ';' || text.front() == '[')
        return std::nullopt;
    const size_t equals = text.find('=');
    if (equals == std::string::npos)
        return std::nullopt;
    return KeyLine{trimBlanks(text.substr(0, equals)), trimBlanks(text.substr(equals + 1))};
}

bool isKeyLineFor(const std::string &line, const std::string &key)
{
    const auto parsed = keyLine(line);
    return parsed && sameName(parsed->key, key);
}

bool isBlankLine(const std::string &line)
{
    return trimBlanks(withoutCr(line)).empty();
}

bool allDigits(const std::string &text, bool hex)
{
    if (text.empty())
        return false;
    for (const char c : text) {
        const bool decimal = c >= '0' && c <= '9';
        const bool letter = (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        if (!decimal && !(hex && letter))
            return false;
    }
    return true;
}

// Accumulates in 64 bits and stops as soon as the value leaves the 32-bit range, so any number
// of digits is safe.
std::optional<int32_t> digitsValue(const std::string &digits, int base, bool negative)
{
    const int64_t limit = negative ? -int64_t(std::numeric_limits<int32_t>::min())
                                   : int64_t(std::numeric_limits<int32_t>::max());
    int64_t value = 0;
    for (const char c : digits) {
        const int digit = c <= '9' ? c - '0' : asciiLower(c) - 'a' + 10;
        value = value * base + digit;
        if (value > limit)
            return std::nullopt;
    }
    return static_cast<int32_t>(negative ? -value : value);
}

} // namespace

IniText::IniText(const std::string &content)
{
    std::string text = content;
    if (text.compare(0, kUtf8Bom.size(), kUtf8Bom) == 0) {
        bom_ = kUtf8Bom;
        text.erase(0, kUtf8Bom.size());
    }
    const size_t firstBreak = text.find('\n');
    crlf_ = firstBreak != std::string::npos && firstBreak > 0 && text[firstBreak - 1] == '\r';

    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        lines_.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    // An unterminated last line gets the file's own ending when the text is written back.
    if (crlf_ && !text.empty() && text.back() != '\n' && lines_.back().back() != '\r')
        lines_.back() += '\r';
}

std::optional<IniText::SectionSpan> IniText::findSection(const std::string &section) const
{
    for (size_t i = 0; i < lines_.size(); ++i) {
        const auto name = sectionName(lines_[i]);
        if (!name || !sameName(*name, section))
            continue;
        size_t end = i + 1;
        while (end < lines_.size() && !sectionName(lines_[end]))
            ++end;
        return SectionSpan{i, end};
    }
    return std::nullopt;
}

std::optional<size_t> IniText::findKeyLine(const SectionSpan &span, const std::string &key) const
{
    for (size_t i = span.header + 1; i < span.end; ++i) {
        if (isKeyLineFor(lines_[i], key))
            return i;
    }
    return std::nullopt;
}

std::optional<std::string> IniText::Find(const std::string &section, const std::string &key) const
{
    const auto span = findSection(section);
    if (!span)
        return std::nullopt;
    const auto line = findKeyLine(*span, key);
    if (!line)
        return std::nullopt;
    return keyLine(lines_[*line])->value;
}

void IniText::Set(const std::string &section, const std::string &key, const std::string &value)
{
    const std::string line = oneLine(key) + "=" + oneLine(value);
    if (const auto span = findSection(oneLine(section))) {
        if (const auto index = findKeyLine(*span, oneLine(key))) {
            lines_[*index] = newLine(line);
            return;
        }
    }
    appendKey(oneLine(section), line);
}

void IniText::Rewrite(const std::string &section, const std::string &key, const std::string &value)
{
    if (const auto span = findSection(oneLine(section))) {
        const auto first = lines_.begin() + static_cast<std::ptrdiff_t>(span->header + 1);
        const auto last = lines_.begin() + static_cast<std::ptrdiff_t>(span->end);
        lines_.erase(std::remove_if(first, last,
                                    [&](const std::string &l) { return isKeyLineFor(l, oneLine(key)); }),
                     last);
    }
    appendKey(oneLine(section), oneLine(key) + "=" + oneLine(value));
}

// A new key goes after the last non-blank line of its section, so blank lines that separate
// it from the next section stay where they are.
void IniText::appendKey(const std::string &section, const std::string &line)
{
    const auto span = findSection(section);
    if (!span) {
        lines_.push_back(newLine("[" + section + "]"));
        lines_.push_back(newLine(line));
        return;
    }
    size_t insertAt = span->end;
    while (insertAt > span->header + 1 && isBlankLine(lines_[insertAt - 1]))
        --insertAt;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt), newLine(line));
}

std::string IniText::newLine(const std::string &text) const
{
    return crlf_ ? text + '\r' : text;
}

std::string IniText::Render() const
{
    std::string text = bom_;
    for (const auto &line : lines_) {
        text += line;
        text += '\n';
    }
    return text;
}

std::optional<int32_t> ParseIniInteger(const std::string &text)
{
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        const std::string digits = text.substr(2);
        return allDigits(digits, true) ? digitsValue(digits, 16, false) : std::nullopt;
    }
    const bool negative = !text.empty() && text[0] == '-';
    const bool signedText = !text.empty() && (text[0] == '-' || text[0] == '+');
    const std::string digits = signedText ? text.substr(1) : text;
    return allDigits(digits, false) ? digitsValue(digits, 10, negative) : std::nullopt;
}

} // namespace vistrel
