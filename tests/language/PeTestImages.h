// Hand-made PE images for the string table tests: any directory order, PE32 or PE32+.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace hublane::language::test {

/// Little-endian writes into a byte string.
inline void PutU16(std::string& b, std::size_t at, std::uint16_t v) {
    if (b.size() < at + 2)
        b.resize(at + 2, '\0');
    b[at] = static_cast<char>(v);
    b[at + 1] = static_cast<char>(v >> 8);
}
inline void PutU32(std::string& b, std::size_t at, std::uint32_t v) {
    PutU16(b, at, static_cast<std::uint16_t>(v));
    PutU16(b, at + 2, static_cast<std::uint16_t>(v >> 16));
}
inline std::uint32_t GetU32(const std::string& b, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | static_cast<std::uint8_t>(b.at(at + static_cast<std::size_t>(i)));
    return v;
}
inline std::uint16_t GetU16(const std::string& b, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<std::uint8_t>(b.at(at)) |
                                      (static_cast<std::uint8_t>(b.at(at + 1)) << 8));
}

/// A string block: up to 16 strings as length-prefixed UTF-16LE.
inline std::string StringBlock(const std::vector<std::u16string>& strings) {
    std::string b;
    for (const auto& s : strings) {
        PutU16(b, b.size(), static_cast<std::uint16_t>(s.size()));
        for (char16_t u : s)
            PutU16(b, b.size(), static_cast<std::uint16_t>(u));
    }
    return b;
}

/// One block identifier with its languages in directory order.
struct TestBlock {
    std::uint32_t id;
    std::vector<std::pair<std::uint16_t, std::string>> languages;
};

/// A resource section at sectionRva holding RT_STRING (type 6) with the blocks in the given order,
/// after a type 16 (version) entry with no content to be skipped.
inline std::string ResourceSection(std::uint32_t sectionRva, const std::vector<TestBlock>& blocks) {
    // Layout: root (2 entries) | empty version directory | name directory | language directories
    // | data entries | data.
    std::string s;
    const std::uint32_t versionDir = 16 + 2 * 8;
    const std::uint32_t nameDir = versionDir + 16;
    std::uint32_t at = nameDir + 16 + 8 * static_cast<std::uint32_t>(blocks.size());
    std::vector<std::uint32_t> langDirs;
    for (const auto& b : blocks) {
        langDirs.push_back(at);
        at += 16 + 8 * static_cast<std::uint32_t>(b.languages.size());
    }
    std::uint32_t dataEntries = at;
    std::size_t languageCount = 0;
    for (const auto& b : blocks)
        languageCount += b.languages.size();
    std::uint32_t data = dataEntries + 16 * static_cast<std::uint32_t>(languageCount);

    PutU16(s, 14, 2);
    PutU32(s, 16, 6);
    PutU32(s, 20, 0x80000000u | nameDir);
    PutU32(s, 24, 16);
    PutU32(s, 28, 0x80000000u | versionDir);
    PutU16(s, versionDir + 14, 0);
    PutU16(s, nameDir + 14, static_cast<std::uint16_t>(blocks.size()));
    std::uint32_t entry = dataEntries;
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        PutU32(s, nameDir + 16 + 8 * i, blocks[i].id);
        PutU32(s, nameDir + 16 + 8 * i + 4, 0x80000000u | langDirs[i]);
        PutU16(s, langDirs[i] + 14, static_cast<std::uint16_t>(blocks[i].languages.size()));
        for (std::size_t j = 0; j < blocks[i].languages.size(); ++j) {
            const auto& [lang, bytes] = blocks[i].languages[j];
            PutU32(s, langDirs[i] + 16 + 8 * j, lang);
            PutU32(s, langDirs[i] + 16 + 8 * j + 4, entry);
            PutU32(s, entry, sectionRva + data);
            PutU32(s, entry + 4, static_cast<std::uint32_t>(bytes.size()));
            s.resize(std::max<std::size_t>(s.size(), data));
            s.replace(data, bytes.size(), bytes);
            data += (static_cast<std::uint32_t>(bytes.size()) + 3) & ~3u;
            entry += 16;
        }
    }
    s.resize(data, '\0');
    return s;
}

/// A minimal image with one section (file offset 0x400, RVA sectionRva) whose resource
/// directory is at the start of the section; pe32plus chooses the 64-bit optional header.
inline std::string Image(bool pe32plus, std::uint32_t sectionRva, const std::string& section) {
    std::string b(0x400, '\0');
    PutU16(b, 0, 0x5A4D);
    PutU32(b, 0x3C, 0x40);
    PutU32(b, 0x40, 0x00004550);
    const std::size_t coff = 0x44;
    PutU16(b, coff, pe32plus ? 0x8664 : 0x014C);
    PutU16(b, coff + 2, 1);
    const std::uint16_t optionalSize = pe32plus ? 0xF0 : 0xE0;
    PutU16(b, coff + 16, optionalSize);
    PutU16(b, coff + 18, 0x2022);
    const std::size_t opt = coff + 20;
    PutU16(b, opt, pe32plus ? 0x20B : 0x10B);
    const std::size_t dirs = opt + (pe32plus ? 112 : 96);
    PutU32(b, dirs - 4, 16);
    PutU32(b, dirs + 16, sectionRva);
    PutU32(b, dirs + 20, static_cast<std::uint32_t>(section.size()));
    const std::size_t sec = opt + optionalSize;
    b.replace(sec, 8, std::string(".rsrc\0\0\0", 8));
    PutU32(b, sec + 8, static_cast<std::uint32_t>(section.size()));
    PutU32(b, sec + 12, sectionRva);
    PutU32(b, sec + 16, static_cast<std::uint32_t>(section.size()));
    PutU32(b, sec + 20, 0x400);
    return b + section;
}

}  // namespace hublane::language::test
