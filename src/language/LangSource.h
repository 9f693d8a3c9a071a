// The text source of a language file: one numbered text a line.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "language/PeStringTable.h"
#include "text/Escapes.h"

namespace hublane::language {

/// Result of reading a source: the table, or the first error with its line number (from 1).
struct LangSourceResult {
    std::optional<StringTable> table;
    int errorLine = 0;
    std::string error;
};

/// Reads a UTF-8 source. Each line is "N<TAB>text" with N a decimal number from 0 to 65535 given
/// once; in text, "\\", "\t", "\r" and "\n" stand for a backslash, a tab, a carriage return and a
/// line feed, and any other backslash is an error. Blank lines and lines starting with '#' are
/// ignored; LF or CRLF line ends; a leading UTF-8 byte order mark is skipped.
LangSourceResult ParseLangSource(std::string_view source);

/// The text with backslash, tab, CR and LF written as the escapes above, so that it stands on one
/// line of a tab-separated text (hublanectl prints every text this way).
inline std::string EscapeLangText(std::string_view text) {
    return text::Escape(text, text::kLineEscapes);
}

/// The inverse of EscapeLangText. Strict: an unknown escape or a final lone backslash makes the
/// text invalid (nullopt). Lenient: such a backslash is kept as it is.
inline std::optional<std::string> UnescapeLineText(std::string_view text, bool strict) {
    return text::Unescape(text, text::kLineEscapes,
                          strict ? text::UnknownEscape::Fail : text::UnknownEscape::Keep);
}

}  // namespace hublane::language
