// Conversions between UTF-8 bytes and UTF-16 code units, tolerant of damaged input.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace hublane::text {

/// Appends the UTF-8 bytes of one code point.
void AppendUtf8(std::string& out, char32_t cp);

/// UTF-16 code units to UTF-8. A lone surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);

/// UTF-8 to UTF-16 code units. Each byte that does not start a valid sequence becomes U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);

/// True when text is well-formed UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF).
bool IsValidUtf8(std::string_view text);

/// The longest prefix of a UTF-8 text that holds at most maxUnits UTF-16 code units. A character
/// outside the BMP (two units) that would straddle the limit is left out whole rather than cut
/// into a lone high surrogate; bytes that are not valid UTF-8 count one unit each.
std::string_view CutToUtf16Units(std::string_view text, std::size_t maxUnits);

}  // namespace hublane::text
