// Reading one key's default value out of a Wine prefix's registry file (system.reg, user.reg).
#include "platform/WineRegistry.h"

#include <cstdint>

#include "text/Ascii.h"
#include "text/Escapes.h"
#include "text/Utf16.h"

namespace hublane::platform {

namespace {

// Builds UTF-8 from a mix of raw bytes (already UTF-8) and UTF-16 code units from escapes, pairing
// surrogates that arrive as two escapes; a lone surrogate becomes U+FFFD.
class Utf8Builder {
  public:
    void Byte(char c) {
        Flush();
        m_out.push_back(c);
    }
    void Unit(char16_t unit) {
        if (m_high != 0) {
            if (unit >= 0xDC00 && unit <= 0xDFFF) {
                text::AppendUtf8(m_out, 0x10000 + ((char32_t{m_high} - 0xD800) << 10) + (unit - 0xDC00));
                m_high = 0;
                return;
            }
            Flush();
        }
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            m_high = unit;
        } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
            text::AppendUtf8(m_out, 0xFFFD);
        } else {
            text::AppendUtf8(m_out, unit);
        }
    }
    std::string Take() {
        Flush();
        // A registry string is read as a C string: an embedded NUL ends it.
        if (const auto nul = m_out.find('\0'); nul != std::string::npos) {
            m_out.resize(nul);
        }
        return std::move(m_out);
    }

  private:
    void Flush() {
        if (m_high != 0) {
            text::AppendUtf8(m_out, 0xFFFD);
            m_high = 0;
        }
    }
    std::string m_out;
    char16_t m_high = 0;
};

bool IsHexDigit(char c) {
    return text::HexDigitValue(c) >= 0;
}

unsigned HexValue(char c) {
    return static_cast<unsigned>(text::HexDigitValue(c));
}

// Decodes Wine's escaped text from pos up to the first unescaped terminator, leaving pos after it.
// Wine writes \\ and \" (and \[ \] in key names), C escapes, \xNNNN (up to four hex digits) and
// octal \NNN (up to three digits). Without a terminator the text is malformed: nullopt.
std::optional<std::string> DecodeEscaped(std::string_view s, std::size_t& pos, char terminator) {
    Utf8Builder out;
    while (pos < s.size()) {
        const char c = s[pos++];
        if (c == terminator) {
            return out.Take();
        }
        if (c != '\\') {
            out.Byte(c);
            continue;
        }
        if (pos >= s.size()) {
            break;
        }
        const char e = s[pos++];
        switch (e) {
            case 'a':
                out.Unit(0x07);
                break;
            case 'b':
                out.Unit(0x08);
                break;
            case 'e':
                out.Unit(0x1B);
                break;
            case 'f':
                out.Unit(0x0C);
                break;
            case 'n':
                out.Unit(0x0A);
                break;
            case 'r':
                out.Unit(0x0D);
                break;
            case 't':
                out.Unit(0x09);
                break;
            case 'v':
                out.Unit(0x0B);
                break;
            case 'x': {
                unsigned value = 0;
                for (int n = 0; n < 4 && pos < s.size() && IsHexDigit(s[pos]); ++n) {
                    value = value * 16 + HexValue(s[pos++]);
                }
                out.Unit(static_cast<char16_t>(value));
                break;
            }
            default:
                if (e >= '0' && e <= '7') {
                    unsigned value = static_cast<unsigned>(e - '0');
                    for (int n = 1; n < 3 && pos < s.size() && s[pos] >= '0' && s[pos] <= '7'; ++n) {
                        value = value * 8 + static_cast<unsigned>(s[pos++] - '0');
                    }
                    out.Unit(static_cast<char16_t>(value));
                } else {
                    out.Byte(e);
                }
                break;
        }
    }
    return std::nullopt;
}

// A string stored as bytes: "hex(1):43,00,3a,00" is UTF-16LE text. Malformed data: nullopt.
std::optional<std::string> DecodeHexUtf16(std::string_view data) {
    std::string bytes;
    std::size_t pos = 0;
    const auto skipBlanks = [&] {
        while (pos < data.size() && (data[pos] == ' ' || data[pos] == '\t')) {
            ++pos;
        }
    };
    skipBlanks();
    while (pos < data.size()) {
        unsigned byte = 0;
        int digits = 0;
        for (; digits < 2 && pos < data.size() && IsHexDigit(data[pos]); ++digits) {
            byte = byte * 16 + HexValue(data[pos++]);
        }
        if (digits == 0) {
            return std::nullopt;
        }
        bytes.push_back(static_cast<char>(byte));
        skipBlanks();
        if (pos < data.size()) {
            if (data[pos] != ',') {
                return std::nullopt;
            }
            ++pos;
            skipBlanks();
        }
    }
    Utf8Builder out;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        out.Unit(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                       (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    }
    return out.Take();
}

std::optional<std::string> DecodeValue(std::string_view data) {
    constexpr std::string_view kStringTypes[] = {"str(1):", "str(2):"};
    constexpr std::string_view kHexStringTypes[] = {"hex(1):", "hex(2):"};
    for (const auto prefix : kStringTypes) {
        if (data.starts_with(prefix)) {
            data.remove_prefix(prefix.size());
            break;
        }
    }
    if (data.starts_with('"')) {
        std::size_t pos = 1;
        return DecodeEscaped(data, pos, '"');
    }
    for (const auto prefix : kHexStringTypes) {
        if (data.starts_with(prefix)) {
            return DecodeHexUtf16(data.substr(prefix.size()));
        }
    }
    return std::nullopt;  // a number, binary data or a string list: not a text
}

// Logical lines of the file: a line ending in a backslash goes on in the next one (Wine breaks
// long hex data that way).
class LineReader {
  public:
    explicit LineReader(std::string_view text) : m_text(text) {}
    bool Next(std::string_view& line) {
        if (m_pos >= m_text.size()) {
            return false;
        }
        line = Physical();
        if (!line.ends_with('\\')) {
            return true;
        }
        m_joined.assign(line.substr(0, line.size() - 1));
        while (m_pos < m_text.size()) {
            const std::string_view next = text::TrimLeft(Physical(), text::kSpaceTab);
            if (!next.ends_with('\\')) {
                m_joined.append(next);
                break;
            }
            m_joined.append(next.substr(0, next.size() - 1));
        }
        line = m_joined;
        return true;
    }

  private:
    std::string_view Physical() {
        std::size_t end = m_text.find('\n', m_pos);
        if (end == std::string_view::npos) {
            end = m_text.size();
        }
        std::string_view line = m_text.substr(m_pos, end - m_pos);
        m_pos = end + 1;
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        return line;
    }
    std::string_view m_text;
    std::size_t m_pos = 0;
    std::string m_joined;
};

// "dword:0000002a": eight hex digits, as Wine writes a REG_DWORD.
std::optional<std::uint32_t> DecodeDword(std::string_view data) {
    constexpr std::string_view kPrefix = "dword:";
    if (!data.starts_with(kPrefix)) {
        return std::nullopt;
    }
    data.remove_prefix(kPrefix.size());
    while (!data.empty() && (data.back() == ' ' || data.back() == '\t')) {
        data.remove_suffix(1);
    }
    if (data.empty() || data.size() > 8) {
        return std::nullopt;
    }
    std::uint32_t value = 0;
    for (const char c : data) {
        if (!IsHexDigit(c)) {
            return std::nullopt;
        }
        value = value * 16 + HexValue(c);
    }
    return value;
}

// The value line's name ("@" is the default value's, spelled ""), leaving pos on the '=' sign;
// nullopt for a line that is no value.
std::optional<std::string> ValueName(std::string_view line, std::size_t& pos) {
    if (line.starts_with('@')) {
        pos = 1;
        return std::string();
    }
    if (!line.starts_with('"')) {
        return std::nullopt;
    }
    pos = 1;
    return DecodeEscaped(line, pos, '"');
}

}  // namespace

WineValueLookup FindWineValue(std::string_view fileText, std::string_view keyPath,
                              std::string_view valueName) {
    WineValueLookup result;
    LineReader reader(fileText);
    std::string_view line;
    while (reader.Next(line)) {
        line = text::TrimLeft(line, text::kSpaceTab);
        if (line.starts_with('[')) {
            if (result.keyFound) {
                break;  // the key's section is over without the value
            }
            std::size_t pos = 1;
            const auto name = DecodeEscaped(line, pos, ']');
            result.keyFound = name && text::EqualsNoCase(*name, keyPath);
            continue;
        }
        if (!result.keyFound) {
            continue;
        }
        std::size_t pos = 0;
        const auto name = ValueName(line, pos);
        if (!name || pos >= line.size() || line[pos] != '=' || !text::EqualsNoCase(*name, valueName)) {
            continue;
        }
        const std::string_view data = line.substr(pos + 1);
        result.text = DecodeValue(data);
        result.dword = DecodeDword(data);
        break;
    }
    return result;
}

WineKeyLookup FindWineDefaultValue(std::string_view fileText, std::string_view keyPath) {
    const WineValueLookup found = FindWineValue(fileText, keyPath, {});
    return WineKeyLookup{found.keyFound, found.text};
}

std::optional<WindowsDrivePath> SplitDrivePath(std::string_view windowsPath) {
    if (windowsPath.size() < 2 || windowsPath[1] != ':') {
        return std::nullopt;
    }
    const char letter = text::Lower(windowsPath[0]);
    if (letter < 'a' || letter > 'z') {
        return std::nullopt;
    }
    std::string rest(windowsPath.substr(2));
    if (!rest.empty() && rest.front() != '\\' && rest.front() != '/') {
        return std::nullopt;  // "C:Dir" is relative to the drive's current folder
    }
    for (char& c : rest) {
        if (c == '\\') {
            c = '/';
        }
    }
    return WindowsDrivePath{letter, std::move(rest)};
}

}  // namespace hublane::platform
