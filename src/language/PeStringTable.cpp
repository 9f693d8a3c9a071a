// The string table of a Windows resource module (PE32 or PE32+), read straight from its bytes.
#include "language/PeStringTable.h"

#include <algorithm>
#include <set>

#include "text/Utf16.h"

namespace hublane::language {

namespace {

constexpr std::uint16_t kPe32Magic = 0x10B;
constexpr std::uint16_t kPe32PlusMagic = 0x20B;
constexpr std::uint32_t kResourceDirectoryIndex = 2;
constexpr std::uint32_t kRtString = 6;
constexpr std::uint32_t kHighBit = 0x80000000u;
// The Windows loader refuses images with more sections; the cap also bounds address look-ups.
constexpr std::uint32_t kMaxSections = 96;
constexpr std::uint32_t kLastBlockId = 4096;  // 65536 identifiers / 16
constexpr std::size_t kDirectoryHeaderSize = 16;
constexpr std::size_t kDirectoryEntrySize = 8;
constexpr std::size_t kDataEntrySize = 16;

struct Section {
    std::uint64_t virtualAddress;
    std::uint64_t mappedSize;  // the part of the section backed by file bytes
    std::uint64_t rawPointer;
};

struct DirectoryEntry {
    std::uint32_t name;
    std::uint32_t offset;
};

/// The image as sections over a byte buffer; every read is bounds-checked.
class Image {
  public:
    explicit Image(std::string_view bytes) : m_bytes(bytes) {}

    bool ReadU16(std::uint64_t offset, std::uint16_t& v) const {
        if (offset > m_bytes.size() || m_bytes.size() - offset < 2) {
            return false;
        }
        v = static_cast<std::uint16_t>(Byte(offset) | (Byte(offset + 1) << 8));
        return true;
    }
    bool ReadU32(std::uint64_t offset, std::uint32_t& v) const {
        if (offset > m_bytes.size() || m_bytes.size() - offset < 4) {
            return false;
        }
        v = static_cast<std::uint32_t>(Byte(offset)) | (static_cast<std::uint32_t>(Byte(offset + 1)) << 8) |
            (static_cast<std::uint32_t>(Byte(offset + 2)) << 16) |
            (static_cast<std::uint32_t>(Byte(offset + 3)) << 24);
        return true;
    }

    /// File offset of the bytes [rva, rva + length), when they all lie in the file-backed part of
    /// one section and inside the buffer.
    std::optional<std::uint64_t> Map(std::uint64_t rva, std::uint64_t length) const {
        for (const Section& s : m_sections) {
            if (rva >= s.virtualAddress && rva - s.virtualAddress <= s.mappedSize &&
                s.mappedSize - (rva - s.virtualAddress) >= length) {
                const std::uint64_t offset = s.rawPointer + (rva - s.virtualAddress);
                if (offset <= m_bytes.size() && m_bytes.size() - offset >= length) {
                    return offset;
                }
            }
        }
        return std::nullopt;
    }

    std::vector<Section>& Sections() { return m_sections; }
    std::size_t Size() const { return m_bytes.size(); }

  private:
    std::uint32_t Byte(std::uint64_t offset) const { return static_cast<std::uint8_t>(m_bytes[offset]); }

    std::string_view m_bytes;
    std::vector<Section> m_sections;
};

/// The resource directory tree, addressed by offsets from its root.
class ResourceTree {
  public:
    ResourceTree(const Image& image, std::uint64_t rootRva) : m_image(image), m_rootRva(rootRva) {}

    /// The entries of the directory at offset, named ones first as in the file; at most
    /// maxEntries of them are read (the table must still lie whole within the file).
    std::optional<std::vector<DirectoryEntry>> Directory(std::uint32_t offset,
                                                         std::uint64_t maxEntries = UINT64_MAX) const {
        const auto header = m_image.Map(m_rootRva + offset, kDirectoryHeaderSize);
        std::uint16_t named = 0;
        std::uint16_t ids = 0;
        if (!header || !m_image.ReadU16(*header + 12, named) || !m_image.ReadU16(*header + 14, ids)) {
            return std::nullopt;
        }
        const std::uint64_t count = std::uint64_t{named} + ids;
        const auto table =
            m_image.Map(m_rootRva + offset + kDirectoryHeaderSize, count * kDirectoryEntrySize);
        if (!table) {
            return std::nullopt;
        }
        std::vector<DirectoryEntry> entries(std::min(count, maxEntries));
        for (std::uint64_t i = 0; i < entries.size(); ++i) {
            m_image.ReadU32(*table + i * kDirectoryEntrySize, entries[i].name);
            m_image.ReadU32(*table + i * kDirectoryEntrySize + 4, entries[i].offset);
        }
        return entries;
    }

    /// The data a leaf entry describes: its file offset and size.
    std::optional<std::pair<std::uint64_t, std::uint32_t>> Data(std::uint32_t offset) const {
        const auto entry = m_image.Map(m_rootRva + offset, kDataEntrySize);
        std::uint32_t rva = 0;
        std::uint32_t size = 0;
        if (!entry || !m_image.ReadU32(*entry, rva) || !m_image.ReadU32(*entry + 4, size)) {
            return std::nullopt;
        }
        const auto data = m_image.Map(rva, size);
        if (!data) {
            return std::nullopt;
        }
        return std::make_pair(*data, size);
    }

  private:
    const Image& m_image;
    std::uint64_t m_rootRva;
};

/// Section table and resource directory address; false when the headers are damaged.
/// resourceRva stays 0 when the image has no resources.
bool ReadHeaders(Image& image, std::uint32_t& resourceRva) {
    std::uint16_t magic = 0;
    std::uint32_t peOffset = 0;
    std::uint32_t signature = 0;
    if (!image.ReadU16(0, magic) || magic != 0x5A4D || !image.ReadU32(0x3C, peOffset) ||
        !image.ReadU32(peOffset, signature) || signature != 0x00004550) {
        return false;
    }
    const std::uint64_t coff = std::uint64_t{peOffset} + 4;
    std::uint16_t sectionCount = 0;
    std::uint16_t optionalSize = 0;
    if (!image.ReadU16(coff + 2, sectionCount) || !image.ReadU16(coff + 16, optionalSize) ||
        sectionCount > kMaxSections) {
        return false;
    }
    const std::uint64_t optional = coff + 20;
    std::uint16_t optionalMagic = 0;
    if (!image.ReadU16(optional, optionalMagic)) {
        return false;
    }
    std::uint64_t rvaCountAt = 0;
    if (optionalMagic == kPe32Magic) {
        rvaCountAt = 92;
    } else if (optionalMagic == kPe32PlusMagic) {
        rvaCountAt = 108;
    } else {
        return false;
    }
    std::uint32_t rvaCount = 0;
    if (optionalSize < rvaCountAt + 4 || !image.ReadU32(optional + rvaCountAt, rvaCount)) {
        return false;
    }
    const std::uint64_t resourceEntry = rvaCountAt + 4 + std::uint64_t{kResourceDirectoryIndex} * 8;
    resourceRva = 0;
    if (rvaCount > kResourceDirectoryIndex && optionalSize >= resourceEntry + 8 &&
        !image.ReadU32(optional + resourceEntry, resourceRva)) {
        return false;
    }
    const std::uint64_t table = optional + optionalSize;
    for (std::uint32_t i = 0; i < sectionCount; ++i) {
        const std::uint64_t at = table + std::uint64_t{i} * 40;
        std::uint32_t virtualSize = 0;
        std::uint32_t virtualAddress = 0;
        std::uint32_t rawSize = 0;
        std::uint32_t rawPointer = 0;
        if (!image.ReadU32(at + 8, virtualSize) || !image.ReadU32(at + 12, virtualAddress) ||
            !image.ReadU32(at + 16, rawSize) || !image.ReadU32(at + 20, rawPointer)) {
            return false;
        }
        // The loader maps VirtualSize bytes (SizeOfRawData when it is 0), of which only the
        // first SizeOfRawData come from the file; the rest is zero and holds no resource data.
        const std::uint32_t extent = virtualSize != 0 ? virtualSize : rawSize;
        image.Sections().push_back(Section{virtualAddress, std::min(extent, rawSize), rawPointer});
    }
    return true;
}

/// Reads the 16 strings of one block into table. consumed counts the string bytes read over all
/// blocks, so that blocks pointing at the same data cannot multiply the work.
bool ReadBlock(const Image& image, std::uint32_t blockId, std::uint64_t offset, std::uint32_t size,
               std::uint64_t& consumed, StringTable& table) {
    std::uint64_t pos = 0;
    for (std::uint32_t entry = 0; entry < 16; ++entry) {
        std::uint16_t length = 0;
        // Some tools leave out the length words of trailing empty strings.
        if (size - pos < 2) {
            break;
        }
        image.ReadU16(offset + pos, length);
        pos += 2;
        const std::uint64_t bytes = std::uint64_t{length} * 2;
        if (size - pos < bytes) {
            return false;
        }
        consumed += bytes + 2;
        if (consumed > image.Size()) {
            return false;
        }
        if (length > 0) {
            std::u16string units(length, u'\0');
            for (std::uint16_t i = 0; i < length; ++i) {
                std::uint16_t unit = 0;
                image.ReadU16(offset + pos + std::uint64_t{i} * 2, unit);
                units[i] = static_cast<char16_t>(unit);
            }
            table[static_cast<std::uint16_t>((blockId - 1) * 16 + entry)] = text::Utf16ToUtf8(units);
        }
        pos += bytes;
    }
    return true;
}

}  // namespace

std::optional<StringTable> ReadStringTable(std::string_view fileBytes) {
    Image image(fileBytes);
    std::uint32_t resourceRva = 0;
    if (!ReadHeaders(image, resourceRva)) {
        return std::nullopt;
    }
    StringTable table;
    if (resourceRva == 0) {
        return table;
    }
    const ResourceTree tree(image, resourceRva);
    const auto types = tree.Directory(0);
    if (!types) {
        return std::nullopt;
    }
    const auto stringType = std::find_if(types->begin(), types->end(),
                                         [](const DirectoryEntry& e) { return e.name == kRtString; });
    if (stringType == types->end()) {
        return table;
    }
    if ((stringType->offset & kHighBit) == 0) {
        return std::nullopt;
    }
    const auto blocks = tree.Directory(stringType->offset & ~kHighBit);
    if (!blocks) {
        return std::nullopt;
    }
    std::set<std::uint32_t> seen;
    std::uint64_t consumed = 0;
    for (const DirectoryEntry& block : *blocks) {
        // Named entries and identifiers beyond the 16-bit range hold no loadable strings.
        if ((block.name & kHighBit) != 0 || block.name == 0 || block.name > kLastBlockId ||
            !seen.insert(block.name).second) {
            continue;
        }
        if ((block.offset & kHighBit) == 0) {
            return std::nullopt;
        }
        // Only the first language of a block is used: reading no more keeps the work bounded
        // even when every block points at one huge directory.
        const auto languages = tree.Directory(block.offset & ~kHighBit, 1);
        if (!languages) {
            return std::nullopt;
        }
        if (languages->empty()) {
            continue;
        }
        const DirectoryEntry& first = languages->front();
        if ((first.offset & kHighBit) != 0) {
            return std::nullopt;
        }
        const auto data = tree.Data(first.offset);
        if (!data || !ReadBlock(image, block.name, data->first, data->second, consumed, table)) {
            return std::nullopt;
        }
    }
    return table;
}

std::vector<std::string> LoadableTexts(const StringTable& table) {
    std::vector<std::string> texts;
    for (std::uint32_t n = 1; n <= 0xFFFF; ++n) {
        const auto it = table.find(static_cast<std::uint16_t>(n));
        if (it == table.end() || it->second.empty()) {
            break;
        }
        texts.emplace_back(text::CutToUtf16Units(it->second, kMaxLoadedTextUnits));
    }
    return texts;
}

}  // namespace hublane::language
