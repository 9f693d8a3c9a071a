// Writes a resource-only Windows DLL holding a string table: the language file format.
#include "language/PeWriter.h"

#include <array>
#include <map>
#include <vector>

#include "text/Utf16.h"

namespace hublane::language {

namespace {

constexpr std::uint32_t kPeOffset = 0x80;
constexpr std::uint32_t kOptionalHeaderSize = 0xE0;
constexpr std::uint32_t kSectionTable = kPeOffset + 4 + 20 + kOptionalHeaderSize;  // 0x178
constexpr std::uint32_t kFileAlignment = 0x200;
constexpr std::uint32_t kSectionAlignment = 0x1000;
constexpr std::uint32_t kHeadersSize = 0x200;
constexpr std::uint32_t kSectionRva = 0x1000;
static_assert(kSectionTable + 40 <= kHeadersSize, "one section header fits in the headers");
constexpr std::uint32_t kImageBase = 0x10000000;
constexpr std::uint32_t kChecksumAt = kPeOffset + 4 + 20 + 64;
constexpr std::uint32_t kRtString = 6;
constexpr std::uint32_t kSubdirectory = 0x80000000u;

std::uint32_t AlignUp(std::uint32_t v, std::uint32_t a) {
    return (v + a - 1) / a * a;
}

/// A growing little-endian byte buffer that can patch earlier fields.
class Bytes {
  public:
    void U8(std::uint8_t v) { m_data.push_back(static_cast<char>(v)); }
    void U16(std::uint16_t v) {
        U8(static_cast<std::uint8_t>(v));
        U8(static_cast<std::uint8_t>(v >> 8));
    }
    void U32(std::uint32_t v) {
        U16(static_cast<std::uint16_t>(v));
        U16(static_cast<std::uint16_t>(v >> 16));
    }
    void Raw(std::string_view s) { m_data.append(s); }
    void PadTo(std::size_t size) { m_data.resize(size, '\0'); }
    void PutU32(std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            m_data[at + static_cast<std::size_t>(i)] = static_cast<char>(v >> (8 * i));
        }
    }
    std::size_t Size() const { return m_data.size(); }
    std::string& Data() { return m_data; }

  private:
    std::string m_data;
};

/// One resource directory header with no named entries.
void DirectoryHeader(Bytes& out, std::uint16_t idEntries) {
    out.U32(0);  // Characteristics
    out.U32(0);  // TimeDateStamp: 0 keeps the output reproducible
    out.U16(0);  // MajorVersion
    out.U16(0);  // MinorVersion
    out.U16(0);  // NumberOfNamedEntries
    out.U16(idEntries);
}

/// The 16 strings of each block that holds at least one text, by block identifier.
std::optional<std::map<std::uint32_t, std::string>> BuildBlocks(const StringTable& table) {
    std::map<std::uint32_t, std::array<std::u16string, 16>> texts;
    for (const auto& [id, text] : table) {
        std::u16string units = text::Utf8ToUtf16(text);
        if (units.size() > 0xFFFF) {
            return std::nullopt;
        }
        if (!units.empty()) {
            texts[id / 16u + 1][id % 16u] = std::move(units);
        }
    }
    std::map<std::uint32_t, std::string> blocks;
    for (const auto& [blockId, strings] : texts) {
        Bytes block;
        for (const std::u16string& s : strings) {
            block.U16(static_cast<std::uint16_t>(s.size()));
            for (const char16_t unit : s) {
                block.U16(static_cast<std::uint16_t>(unit));
            }
        }
        blocks[blockId] = std::move(block.Data());
    }
    return blocks;
}

/// The .rsrc section contents, unpadded, for a section placed at sectionRva.
std::string BuildResourceSection(const std::map<std::uint32_t, std::string>& blocks,
                                 std::uint16_t languageId) {
    const auto count = static_cast<std::uint32_t>(blocks.size());
    const std::uint32_t nameDirectory = 16 + 8;
    const std::uint32_t languageDirectories = nameDirectory + 16 + 8 * count;
    const std::uint32_t dataEntries = languageDirectories + 24 * count;
    const std::uint32_t dataStart = dataEntries + 16 * count;

    Bytes out;
    DirectoryHeader(out, 1);
    out.U32(kRtString);
    out.U32(kSubdirectory | nameDirectory);

    DirectoryHeader(out, static_cast<std::uint16_t>(count));
    std::uint32_t index = 0;
    for (const auto& entry : blocks) {
        out.U32(entry.first);
        out.U32(kSubdirectory | (languageDirectories + 24 * index));
        ++index;
    }

    for (index = 0; index < count; ++index) {
        DirectoryHeader(out, 1);
        out.U32(languageId);
        out.U32(dataEntries + 16 * index);
    }

    std::uint32_t dataAt = dataStart;
    for (const auto& entry : blocks) {
        out.U32(kSectionRva + dataAt);
        out.U32(static_cast<std::uint32_t>(entry.second.size()));
        out.U32(0);  // CodePage
        out.U32(0);  // Reserved
        dataAt = AlignUp(dataAt + static_cast<std::uint32_t>(entry.second.size()), 4);
    }
    for (const auto& entry : blocks) {
        out.Raw(entry.second);
        out.PadTo(AlignUp(static_cast<std::uint32_t>(out.Size()), 4));
    }
    return std::move(out.Data());
}

void DosHeaderAndStub(Bytes& out) {
    out.U16(0x5A4D);  // "MZ"
    out.U16(0x0090);  // bytes on the last page
    out.U16(0x0003);  // pages
    out.U16(0);       // relocations
    out.U16(0x0004);  // header size in paragraphs
    out.U16(0);       // minimum extra paragraphs
    out.U16(0xFFFF);  // maximum extra paragraphs
    out.U16(0);       // SS
    out.U16(0x00B8);  // SP
    out.U16(0);       // checksum
    out.U16(0);       // IP
    out.U16(0);       // CS
    out.U16(0x0040);  // relocation table
    out.PadTo(0x3C);
    out.U32(kPeOffset);
    // The stub prints its message and exits when the file is run under DOS.
    static constexpr unsigned char kStub[] = {0x0E, 0x1F, 0xBA, 0x0E, 0x00, 0xB4, 0x09,
                                              0xCD, 0x21, 0xB8, 0x01, 0x4C, 0xCD, 0x21};
    out.Raw(std::string_view(reinterpret_cast<const char*>(kStub), sizeof kStub));
    out.Raw("This program cannot be run in DOS mode.\r\r\n$");
    out.PadTo(kPeOffset);
}

/// The PE checksum: 16-bit one's-complement-style sum of the file with the field itself counted
/// as zero, plus the file length.
std::uint32_t Checksum(const std::string& file) {
    std::uint64_t sum = 0;
    for (std::size_t i = 0; i + 1 < file.size(); i += 2) {
        if (i == kChecksumAt || i == kChecksumAt + 2) {
            continue;
        }
        sum += static_cast<std::uint8_t>(file[i]) |
               (static_cast<std::uint32_t>(static_cast<std::uint8_t>(file[i + 1])) << 8);
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint32_t>(sum + file.size());
}

}  // namespace

std::optional<std::string> WriteStringTableDll(const StringTable& table, std::uint16_t languageId) {
    const auto blocks = BuildBlocks(table);
    if (!blocks) {
        return std::nullopt;
    }
    const std::string section = BuildResourceSection(*blocks, languageId);
    const auto sectionSize = static_cast<std::uint32_t>(section.size());
    const std::uint32_t rawSize = AlignUp(sectionSize, kFileAlignment);
    const std::uint32_t imageSize = kSectionRva + AlignUp(sectionSize, kSectionAlignment);

    Bytes out;
    DosHeaderAndStub(out);
    out.U32(0x00004550);  // "PE\0\0"
    // COFF file header.
    out.U16(0x014C);  // i386
    out.U16(1);       // NumberOfSections
    out.U32(0);       // TimeDateStamp
    out.U32(0);       // PointerToSymbolTable
    out.U32(0);       // NumberOfSymbols
    out.U16(static_cast<std::uint16_t>(kOptionalHeaderSize));
    out.U16(0x2102);  // EXECUTABLE_IMAGE | 32BIT_MACHINE | DLL
    // PE32 optional header, standard fields.
    out.U16(0x010B);
    out.U8(14);            // MajorLinkerVersion
    out.U8(0);             // MinorLinkerVersion
    out.U32(0);            // SizeOfCode
    out.U32(rawSize);      // SizeOfInitializedData
    out.U32(0);            // SizeOfUninitializedData
    out.U32(0);            // AddressOfEntryPoint: none, the DLL has no code
    out.U32(kSectionRva);  // BaseOfCode
    out.U32(kSectionRva);  // BaseOfData
    // Windows-specific fields.
    out.U32(kImageBase);
    out.U32(kSectionAlignment);
    out.U32(kFileAlignment);
    out.U16(5);  // MajorOperatingSystemVersion
    out.U16(1);  // MinorOperatingSystemVersion
    out.U16(0);  // MajorImageVersion
    out.U16(0);  // MinorImageVersion
    out.U16(5);  // MajorSubsystemVersion
    out.U16(1);  // MinorSubsystemVersion
    out.U32(0);  // Win32VersionValue
    out.U32(imageSize);
    out.U32(kHeadersSize);
    out.U32(0);           // CheckSum, filled in below
    out.U16(2);           // Subsystem: Windows GUI
    out.U16(0x0500);      // DllCharacteristics: NX_COMPAT | NO_SEH
    out.U32(0x00100000);  // SizeOfStackReserve
    out.U32(0x00001000);  // SizeOfStackCommit
    out.U32(0x00100000);  // SizeOfHeapReserve
    out.U32(0x00001000);  // SizeOfHeapCommit
    out.U32(0);           // LoaderFlags
    out.U32(16);          // NumberOfRvaAndSizes
    for (std::uint32_t i = 0; i < 16; ++i) {
        out.U32(i == 2 ? kSectionRva : 0);
        out.U32(i == 2 ? sectionSize : 0);
    }
    // Section header.
    out.Raw(std::string_view(".rsrc\0\0\0", 8));
    out.U32(sectionSize);   // VirtualSize
    out.U32(kSectionRva);   // VirtualAddress
    out.U32(rawSize);       // SizeOfRawData
    out.U32(kHeadersSize);  // PointerToRawData
    out.U32(0);             // PointerToRelocations
    out.U32(0);             // PointerToLinenumbers
    out.U16(0);             // NumberOfRelocations
    out.U16(0);             // NumberOfLinenumbers
    out.U32(0x40000040);    // INITIALIZED_DATA | MEM_READ
    out.PadTo(kHeadersSize);
    out.Raw(section);
    out.PadTo(kHeadersSize + rawSize);

    out.PutU32(kChecksumAt, Checksum(out.Data()));
    return std::move(out.Data());
}

}  // namespace hublane::language
