// The one backslash escape codec of the program's text files and lines.
#include "text/Escapes.h"

namespace hublane::text {
namespace {

bool IsControl(unsigned char c) {
    return c < 0x20 || c == 0x7F;
}

}  // namespace

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

std::optional<std::string> Unescape(std::string_view text, const EscapeSet& set, UnknownEscape unknown) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '\\') {
            out.push_back(c);
            continue;
        }
        if (i + 1 == text.size()) {
            if (unknown == UnknownEscape::Fail) {
                return std::nullopt;
            }
            out.push_back(c);
            continue;
        }
        const char e = text[i + 1];
        const std::size_t k = set.letters.find(e);
        if (k != std::string_view::npos) {
            out.push_back(set.bytes[k]);
            ++i;
            continue;
        }
        if (set.hexControls && e == 'x' && i + 3 < text.size() && HexDigitValue(text[i + 2]) >= 0 &&
            HexDigitValue(text[i + 3]) >= 0) {
            out.push_back(static_cast<char>(HexDigitValue(text[i + 2]) * 16 + HexDigitValue(text[i + 3])));
            i += 3;
            continue;
        }
        if (unknown == UnknownEscape::Fail) {
            return std::nullopt;
        }
        // The backslash and the character after it stand as they are.
        out.push_back(c);
        out.push_back(e);
        ++i;
    }
    return out;
}

std::string Escape(std::string_view text, const EscapeSet& set) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const std::size_t k = set.bytes.find(c);
        if (k != std::string_view::npos) {
            out.push_back('\\');
            out.push_back(set.letters[k]);
        } else if (set.hexControls && IsControl(static_cast<unsigned char>(c))) {
            const auto b = static_cast<unsigned char>(c);
            out += "\\x";
            out.push_back(kHex[b >> 4]);
            out.push_back(kHex[b & 0xF]);
        } else {
            out.push_back(c);
        }
    }
    return out;
}

}  // namespace hublane::text
