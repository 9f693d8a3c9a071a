// How decoding one list file ended: completely, or with the number of the language text that
// names the failure.
#pragma once

#include <string>

namespace hublane::serverlist {

/// Numbers of the language texts that name a read failure.
inline constexpr int kTextCannotOpen = 2;       // the file cannot be opened or its first byte read
inline constexpr int kTextBadHeader = 3;        // the first byte is wrong (followed by the right one)
inline constexpr int kTextTruncated = 4;        // a count, an address, a port or a tag count is cut
inline constexpr int kTextTagType = 5;          // a tag type cannot be read
inline constexpr int kTextTagNameLength = 6;    // a tag name length cannot be read
inline constexpr int kTextTagName = 7;          // a tag name is cut (or its length is out of range)
inline constexpr int kTextValueLength = 8;      // a text length cannot be read
inline constexpr int kTextValue = 9;            // a value is cut (or a text length is out of range)
inline constexpr int kTextUnknownTagType = 10;  // a tag type the reader does not handle

struct ListReadResult {
    /// 0 when the whole file was read, else the number of the language text of the failure.
    int errorText = 0;
    /// Appended to the language text in the error line: the expected header byte or the tag
    /// type, in decimal; empty for the other failures.
    std::string suffix;

    bool Ok() const { return errorText == 0; }
};

}  // namespace hublane::serverlist
