// Writes a resource-only Windows DLL holding a string table: the language file format.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "language/PeStringTable.h"

namespace hublane::language {

/// Language of the written strings: French (France).
inline constexpr std::uint16_t kFrenchLanguageId = 0x040C;

/// A PE32 i386 DLL with no code and one ".rsrc" section holding an RT_STRING table of the given
/// texts (UTF-8 in, UTF-16LE in the file; an invalid byte becomes U+FFFD). The image is what the
/// Windows loader accepts as a resource module (LoadLibraryEx with LOAD_LIBRARY_AS_DATAFILE, or
/// a plain LoadLibrary: there is no entry point and nothing to relocate).
///
/// Layout (offsets in the file):
///   0x000 DOS header, e_lfanew = 0x80     0x040 DOS stub program and message
///   0x080 "PE\0\0"                        0x084 COFF header (i386, 1 section, DLL, 32-bit)
///   0x098 PE32 optional header (0xE0 bytes, 16 data directories, only the resource one set)
///   0x178 section header ".rsrc"          0x1A0 zeros up to SizeOfHeaders = 0x200
///   0x200 .rsrc (RVA 0x1000): root directory (type 6) | name directory (one entry per block,
///         ascending) | one language directory per block (0x040C) | data entries | block data,
///         each block 4-byte aligned; the section is padded to FileAlignment 0x200.
/// SectionAlignment 0x1000, image base 0x10000000, the PE checksum is filled in.
///
/// nullopt when a text is longer than a string resource can hold (65535 UTF-16 code units).
std::optional<std::string> WriteStringTableDll(const StringTable& table,
                                               std::uint16_t languageId = kFrenchLanguageId);

}  // namespace hublane::language
