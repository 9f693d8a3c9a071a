// The one backslash escape codec of the program's text files and lines (the
// settings file, the language text source, desktop entries and hublanectl's fields).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace hublane::text {

/// The value of one hexadecimal digit (either case), or -1 when c is none.
int HexDigitValue(char c);

/// Which escapes a text format has: a backslash followed by letters[i] stands for bytes[i].
/// With hexControls, "\xNN" (two hex digits) stands for the byte NN, and Escape writes every
/// other control byte (0x00-0x1F, 0x7F) that way.
struct EscapeSet {
    std::string_view letters;
    std::string_view bytes;
    bool hexControls = false;
};

/// What a backslash that starts no known escape means.
enum class UnknownEscape {
    Fail,  // the text is invalid (a final lone backslash too)
    Keep,  // the backslash stands for itself, and so does the character after it
};

/// "\\" "\t" "\r" "\n": the language text source and hublanectl's lines.
inline constexpr EscapeSet kLineEscapes{"\\trn", "\\\t\r\n", false};
/// The same, with every other control byte as "\xNN": a server name printed to a terminal.
inline constexpr EscapeSet kFieldEscapes{"\\trn", "\\\t\r\n", true};
/// "\\" "\"" "\n" "\r": quoted names and strings of the settings file.
inline constexpr EscapeSet kQuotedEscapes{"\\\"nr", "\\\"\n\r", false};
/// The key file escapes of desktop entries: "\s" "\n" "\t" "\r" "\\" "\;".
inline constexpr EscapeSet kDesktopEscapes{"sntr\\;", " \n\t\r\\;", false};

/// The text with its escapes undone; nullopt when `unknown` is Fail and an escape is not one of
/// the set's.
std::optional<std::string> Unescape(std::string_view text, const EscapeSet& set, UnknownEscape unknown);

/// The text with every byte of the set written as its escape (and, with hexControls, every other
/// control byte as "\xNN"): Unescape gives it back.
std::string Escape(std::string_view text, const EscapeSet& set);

}  // namespace hublane::text
