#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vistrel {

// The text of a settings file held as its lines, edited the way the classic private-profile
// functions edit it: "[Section]" lines, "key=value" lines, section and key names matched
// without regard to ASCII case. Lines the model does not understand (comments, lines without
// "=", "[" without "]", binary junk) are kept byte for byte. A UTF-8 byte order mark and the
// file's line ending (LF or CR LF, taken from its first line) are kept too.
class IniText {
public:
    explicit IniText(const std::string &content = std::string());

    // The value of the first matching key in the first matching section, blanks trimmed;
    // nullopt when either is absent. A key present with an empty value gives "".
    std::optional<std::string> Find(const std::string &section, const std::string &key) const;

    // Replaces the first matching key line where it stands; a first-time key is appended to
    // its section, a first-time section to the end of the text.
    void Set(const std::string &section, const std::string &key, const std::string &value);
    // Deletes every matching key line of the section, then appends the key as a first-time key.
    void Rewrite(const std::string &section, const std::string &key, const std::string &value);

    std::string Render() const;

private:
    struct SectionSpan {
        size_t header;  // index of the "[Section]" line
        size_t end;     // one past its last line (the next section's header or the end)
    };

    std::optional<SectionSpan> findSection(const std::string &section) const;
    std::optional<size_t> findKeyLine(const SectionSpan &span, const std::string &key) const;
    void appendKey(const std::string &section, const std::string &line);
    std::string newLine(const std::string &text) const;

    std::string bom_;
    bool crlf_ = false;
    std::vector<std::string> lines_;  // without "\n"; a CR of a CR LF ending stays on the line
};

// A stored integer: "0x"/"0X" followed by hexadecimal digits, or decimal digits with an
// optional sign. Anything else, trailing junk included ("12abc"), and any value outside the
// 32-bit signed range gives nullopt.
std::optional<int32_t> ParseIniInteger(const std::string &text);

} // namespace vistrel
