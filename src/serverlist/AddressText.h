// Conversions between the texts held in the tables and the numbers the list files carry.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace hublane::serverlist {

using AddressBytes = std::array<std::uint8_t, 4>;

/// The first four bytes of raw (which must hold at least four), first octet first.
AddressBytes AddressFromBytes(std::string_view raw);

/// The four bytes as unsigned decimal numbers joined by dots, first byte first ("1.2.3.4").
std::string FormatDottedQuad(const AddressBytes& bytes);

/// The four bytes of a text made of exactly four decimal numbers 0-255 joined by dots, each of
/// one to three digits ("010" is 10); nothing else (no sign, no space, no fifth part).
std::optional<AddressBytes> ParseDottedQuad(std::string_view text);

/// A text of one to ten decimal digits whose value is at most max; nothing else.
std::optional<std::uint32_t> ParseUnsigned(std::string_view text, std::uint32_t max);

/// A 32-bit value written as decimal text: an optional "-" and digits, from -2147483648 up to
/// 4294967295 (a count read as signed and one held as unsigned both fit); returns the low 32 bits.
std::optional<std::uint32_t> ParseInt32Text(std::string_view text);

}  // namespace hublane::serverlist
