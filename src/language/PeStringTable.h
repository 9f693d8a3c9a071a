// The string table of a Windows resource module (PE32 or PE32+), read straight from its bytes.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hublane::language {

/// String resources by identifier, as UTF-8.
using StringTable = std::map<std::uint16_t, std::string>;

/// Reads every non-empty string of the module's RT_STRING resources. Strings live in blocks of 16
/// (block identifier N / 16 + 1, entry N mod 16), each a 16-bit length and that many UTF-16LE code
/// units; a lone surrogate becomes U+FFFD. Where a block exists in several languages, the first
/// one in the resource directory is used. A module without resources gives an empty table.
///
/// nullopt when the bytes are not a PE image or any structure on the way to the strings is
/// damaged (offsets or sizes past the end, an address in no section, a directory entry of the
/// wrong kind). Nothing outside fileBytes is ever read, and the work is bounded by its size.
std::optional<StringTable> ReadStringTable(std::string_view fileBytes);

/// Longest text a loaded string may have, in UTF-16 code units: a 255-unit buffer less its
/// terminating zero.
inline constexpr std::size_t kMaxLoadedTextUnits = 254;

/// The texts a program loads from the table: numbers 1, 2, 3, ... up to the first that is missing
/// or empty, each cut to kMaxLoadedTextUnits code units. Element 0 is text 1.
std::vector<std::string> LoadableTexts(const StringTable& table);

}  // namespace hublane::language
