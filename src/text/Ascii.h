// ASCII helpers the readers of outside text share: blanks trimmed, letters lowered and
// compared without case. Bytes above 0x7F are never changed nor taken for blanks.
#pragma once

#include <string>
#include <string_view>

namespace hublane::text {

/// The blank sets of the formats read: each reader says which bytes it takes for blanks.
inline constexpr std::string_view kSpaceTab = " \t";
/// Spaces and tabs, and the CR a CR-LF line keeps when split at LF.
inline constexpr std::string_view kSpaceTabCr = " \t\r";
/// C's isspace without the line feed: space, tab, CR, VT, FF.
inline constexpr std::string_view kSpaceNoLf = " \t\r\v\f";
/// HTML's ASCII whitespace: space, tab, LF, CR, FF.
inline constexpr std::string_view kHtmlSpace = " \t\n\r\f";

/// Whether c is one of the bytes of blanks.
constexpr bool IsOneOf(char c, std::string_view blanks) {
    return blanks.find(c) != std::string_view::npos;
}

/// Whether c is a control byte (0x00-0x1F) or a space: what a URL parser strips around a link.
constexpr bool IsControlOrSpace(char c) {
    return static_cast<unsigned char>(c) <= 0x20;
}

/// s without the bytes of blanks at its start, its end, or both.
std::string_view TrimLeft(std::string_view s, std::string_view blanks);
std::string_view TrimRight(std::string_view s, std::string_view blanks);
std::string_view Trim(std::string_view s, std::string_view blanks);
/// s without control bytes and spaces at both ends.
std::string_view TrimControlsAndSpaces(std::string_view s);

/// 'A'-'Z' lowered; every other byte as it is.
constexpr char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
std::string Lower(std::string_view s);

/// Whether a and b are equal when ASCII letters are lowered; whether text starts so with prefix.
bool EqualsNoCase(std::string_view a, std::string_view b);
bool StartsWithNoCase(std::string_view text, std::string_view prefix);

}  // namespace hublane::text
