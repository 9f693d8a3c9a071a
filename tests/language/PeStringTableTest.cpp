// The language module format: what the writer emits, what the reader takes from it and from
// hand-made, damaged and hostile images.
#include <gtest/gtest.h>

#include "PeTestImages.h"
#include "language/PeStringTable.h"
#include "language/PeWriter.h"

namespace hublane::language {
namespace {

using test::GetU16;
using test::GetU32;
using test::Image;
using test::PutU16;
using test::PutU32;
using test::ResourceSection;
using test::StringBlock;

// Fixed offsets of the writer's output (one section at file offset 0x200, RVA 0x1000).
constexpr std::size_t kOptional = 0x98;
constexpr std::size_t kSectionHeader = 0x178;
constexpr std::size_t kRsrc = 0x200;

std::string Written(const StringTable& table) {
    const auto image = WriteStringTableDll(table);
    EXPECT_TRUE(image.has_value());
    return image.value_or(std::string());
}

/// The PE checksum as the platform's image helper computes it.
std::uint32_t PeChecksum(const std::string& file, std::size_t checksumAt) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i + 1 < file.size(); i += 2) {
        if (i != checksumAt && i != checksumAt + 2) {
            sum += GetU16(file, i);
            sum = (sum & 0xFFFF) + (sum >> 16);
        }
    }
    return ((sum & 0xFFFF) + (sum >> 16)) + static_cast<std::uint32_t>(file.size());
}

TEST(PeWriterTest, WritesAResourceOnlyDllTheLoaderAccepts) {
    StringTable table;
    for (std::uint16_t id = 1; id <= 15; ++id)
        table[id] = "texte " + std::to_string(id);
    table[40] = "quarante";
    const std::string b = Written(table);

    EXPECT_EQ(b.substr(0, 2), "MZ");
    EXPECT_EQ(GetU32(b, 0x3C), 0x80u);
    EXPECT_NE(b.find("This program cannot be run in DOS mode."), std::string::npos);
    EXPECT_EQ(b.substr(0x80, 4), std::string("PE\0\0", 4));
    EXPECT_EQ(GetU16(b, 0x84), 0x014C);           // i386
    EXPECT_EQ(GetU16(b, 0x86), 1);                // one section
    EXPECT_EQ(GetU16(b, 0x94), 0xE0);             // SizeOfOptionalHeader
    EXPECT_EQ(GetU16(b, 0x96) & 0x2002, 0x2002);  // executable image, DLL
    EXPECT_EQ(GetU16(b, kOptional), 0x10B);
    EXPECT_EQ(GetU32(b, kOptional + 16), 0u);  // no entry point
    EXPECT_EQ(GetU32(b, kOptional + 32), 0x1000u);
    EXPECT_EQ(GetU32(b, kOptional + 36), 0x200u);
    EXPECT_EQ(GetU32(b, kOptional + 60), 0x200u);  // SizeOfHeaders
    EXPECT_EQ(GetU32(b, kOptional + 92), 16u);

    const std::uint32_t virtualSize = GetU32(b, kSectionHeader + 8);
    const std::uint32_t rawSize = GetU32(b, kSectionHeader + 16);
    EXPECT_EQ(b.substr(kSectionHeader, 8), std::string(".rsrc\0\0\0", 8));
    EXPECT_EQ(GetU32(b, kSectionHeader + 12), 0x1000u);
    EXPECT_EQ(GetU32(b, kSectionHeader + 20), 0x200u);
    EXPECT_EQ(rawSize % 0x200, 0u);
    EXPECT_GE(rawSize, virtualSize);
    EXPECT_EQ(b.size(), 0x200u + rawSize);
    EXPECT_EQ(GetU32(b, kOptional + 56), 0x1000u + ((virtualSize + 0xFFF) & ~0xFFFu));  // SizeOfImage
    EXPECT_EQ(GetU32(b, kOptional + 96 + 16), 0x1000u);                                 // resource directory
    EXPECT_EQ(GetU32(b, kOptional + 96 + 20), virtualSize);
    for (int i = 0; i < 16; ++i) {
        if (i != 2) {
            EXPECT_EQ(GetU32(b, kOptional + 96 + 8 * i), 0u) << "data directory " << i;
        }
    }
    EXPECT_EQ(GetU32(b, kOptional + 64), PeChecksum(b, kOptional + 64));

    // Root: one id entry, RT_STRING, pointing at a subdirectory whose entries (the blocks, ids
    // 1 and 3 here) ascend and each lead to one French leaf.
    EXPECT_EQ(GetU16(b, kRsrc + 12), 0);
    ASSERT_EQ(GetU16(b, kRsrc + 14), 1);
    EXPECT_EQ(GetU32(b, kRsrc + 16), 6u);
    const std::uint32_t names = GetU32(b, kRsrc + 20);
    ASSERT_TRUE(names & 0x80000000u);
    const std::size_t nameDir = kRsrc + (names & 0x7FFFFFFF);
    ASSERT_EQ(GetU16(b, nameDir + 14), 2);
    EXPECT_EQ(GetU32(b, nameDir + 16), 1u);
    EXPECT_EQ(GetU32(b, nameDir + 24), 3u);
    const std::size_t langDir = kRsrc + (GetU32(b, nameDir + 20) & 0x7FFFFFFF);
    EXPECT_EQ(GetU32(b, langDir + 16), 0x040Cu);
    const std::size_t dataEntry = kRsrc + GetU32(b, langDir + 20);
    EXPECT_EQ(GetU32(b, dataEntry) % 4, 0u);
    EXPECT_EQ(GetU32(b, dataEntry + 4), 16 * 2u + 2 * (9 * 7 + 6 * 8));  // texts 1..15, entry 0 empty
}

TEST(PeWriterTest, RefusesATextLongerThanAStringResource) {
    EXPECT_FALSE(WriteStringTableDll({{1, std::string(70000, 'x')}}).has_value());
}

TEST(PeStringTableTest, ReadsBackWhatTheWriterWrote) {
    const StringTable table = {
        {0, "zéro"},
        {1, "un"},
        {15, "fin du premier bloc"},
        {16, "début du second"},
        {17, "dix-sept"},
        {31, "31"},
        {32, "32"},
        {1000, "中文 ✓"},
        {4095, "emoji 😀 ok"},
        {65535, "dernier"},
        {7, "tab\tand\r\nlines"},
    };
    EXPECT_EQ(ReadStringTable(Written(table)), table);
}

TEST(PeStringTableTest, LeavesOutEmptyStringsAndWritesNoEmptyBlock) {
    const auto read = ReadStringTable(Written({{3, "trois"}, {4, ""}, {40, ""}}));
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(*read, (StringTable{{3, "trois"}}));
    EXPECT_EQ(GetU16(Written({{3, "trois"}, {40, ""}}), 0x218 + 14), 1) << "one block only";
}

TEST(PeStringTableTest, LoadableTextsStopAtTheFirstMissingOrEmpty) {
    const auto numbered = [](std::initializer_list<std::uint16_t> ids) {
        StringTable t;
        for (auto id : ids)
            t[id] = "texte " + std::to_string(id);
        return t;
    };
    StringTable withEmpty = numbered({1, 2, 3, 4, 5, 6, 7});
    withEmpty[5] = "";
    const struct {
        const char* why;
        StringTable table;
        std::size_t count;
    } cases[] = {
        {"1 to 9 and 13 to 15", numbered({1, 2, 3, 4, 5, 6, 7, 8, 9, 13, 14, 15}), 9},
        {"empty string at 5", withEmpty, 4},
        {"no text 1", numbered({2, 3}), 0},
        {"across a block edge", numbered({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 19}),
         17},
        {"empty table", {}, 0},
    };
    for (const auto& c : cases) {
        const auto read = ReadStringTable(Written(c.table));
        ASSERT_TRUE(read.has_value()) << c.why;
        const auto texts = LoadableTexts(*read);
        ASSERT_EQ(texts.size(), c.count) << c.why;
        if (c.count > 0) {
            EXPECT_EQ(texts.back(), "texte " + std::to_string(c.count)) << c.why;
        }
    }
}

TEST(PeStringTableTest, LoadableTextsAreCutTo254CodeUnits) {
    const std::string emoji = "\xF0\x9F\x98\x80";  // two UTF-16 code units
    const auto repeat = [](std::string_view piece, int n) {
        std::string s;
        for (int i = 0; i < n; ++i)
            s += piece;
        return s;
    };
    struct Case {
        std::string text;
        std::string loaded;
    };
    const Case cases[] = {
        {std::string(300, 'a'), std::string(254, 'a')},
        {std::string(254, 'a'), std::string(254, 'a')},
        {std::string(254, 'a') + "é", std::string(254, 'a')},
        // é is one unit but two bytes: the cut counts units, not bytes.
        {repeat("é", 300), repeat("é", 254)},
        // A pair that would straddle the limit is left out, never cut into a lone surrogate.
        {std::string(253, 'a') + emoji + "b", std::string(253, 'a')},
        {std::string(252, 'a') + emoji + "b", std::string(252, 'a') + emoji},
    };
    for (const Case& c : cases) {
        const auto read = ReadStringTable(Written({{1, c.text}}));
        ASSERT_TRUE(read.has_value());
        EXPECT_EQ(read->at(1), c.text);
        EXPECT_EQ(LoadableTexts(*read), std::vector<std::string>{c.loaded}) << c.text.size();
    }
}

TEST(PeStringTableTest, ReadsPe32PlusAndTakesTheFirstLanguageOfABlock) {
    const std::string english = StringBlock({u"", u"one", u"two"});
    const std::string french = StringBlock({u"", u"un", u"deux", u"trois"});
    const std::string second = StringBlock({u"seize", u"", u"dix-huit"});
    const std::vector<test::TestBlock> blocks = {
        {2, {{0x040C, second}}},
        {1, {{0x0409, english}, {0x040C, french}}},
    };
    for (const bool pe32plus : {false, true}) {
        const auto read = ReadStringTable(Image(pe32plus, 0x3000, ResourceSection(0x3000, blocks)));
        ASSERT_TRUE(read.has_value()) << pe32plus;
        EXPECT_EQ(*read, (StringTable{{1, "one"}, {2, "two"}, {16, "seize"}, {18, "dix-huit"}})) << pe32plus;
    }
}

TEST(PeStringTableTest, AcceptsBlocksWithoutTrailingEmptyEntriesAndLoneSurrogates) {
    const std::u16string lone{u'a', static_cast<char16_t>(0xD800), u'b'};
    const std::string section = ResourceSection(0x1000, {{1, {{0x040C, StringBlock({u"", u"x", lone})}}}});
    const auto read = ReadStringTable(Image(false, 0x1000, section));
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(*read, (StringTable{{1, "x"},
                                  {2,
                                   "a\xEF\xBF\xBD"
                                   "b"}}));
}

TEST(PeStringTableTest, ModuleWithoutStringsGivesAnEmptyTable) {
    std::string noResources = Written({{1, "un"}});
    PutU32(noResources, kOptional + 96 + 16, 0);
    PutU32(noResources, kOptional + 96 + 20, 0);
    std::string fewDirectories = Written({{1, "un"}});
    PutU32(fewDirectories, kOptional + 92, 2);
    std::string otherTypeOnly = Written({{1, "un"}});
    PutU32(otherTypeOnly, kRsrc + 16, 16);
    for (const std::string* image : {&noResources, &fewDirectories, &otherTypeOnly}) {
        const auto read = ReadStringTable(*image);
        ASSERT_TRUE(read.has_value());
        EXPECT_TRUE(read->empty());
    }
}

TEST(PeStringTableTest, RejectsEveryTruncation) {
    const std::string b = Written({{1, "un"}, {2, "deux"}, {20, "vingt"}});
    // Two blocks: their data entries are at 0x268 and 0x278; the second block's data ends the
    // section before its alignment padding.
    const std::uint32_t end = 0x200 + (GetU32(b, 0x278) - 0x1000) + GetU32(b, 0x27C);
    ASSERT_EQ(end + 2, 0x200 + GetU32(b, kSectionHeader + 8)) << "42 bytes of data, 2 of padding";
    for (std::size_t size = 0; size < end; ++size) {
        EXPECT_FALSE(ReadStringTable(b.substr(0, size)).has_value()) << size;
    }
}

TEST(PeStringTableTest, RejectsDamagedAndHostileImages) {
    const std::string good = Written({{1, "un"}, {2, "deux"}});
    // One block: name directory at 0x218, language directory at 0x230, data entry at 0x248.
    using Patch = void (*)(std::string&);
    const struct {
        const char* why;
        Patch patch;
    } cases[] = {
        {"no MZ", [](std::string& b) { b[0] = 'X'; }},
        {"e_lfanew past the end", [](std::string& b) { PutU32(b, 0x3C, 0xFFFFFFF0u); }},
        {"no PE signature", [](std::string& b) { b[0x81] = 'X'; }},
        {"unknown optional header", [](std::string& b) { PutU16(b, kOptional, 0x107); }},
        {"optional header too small", [](std::string& b) { PutU16(b, 0x94, 0x40); }},
        {"section table past the end", [](std::string& b) { PutU16(b, 0x86, 90); }},
        {"too many sections", [](std::string& b) { PutU16(b, 0x86, 97); }},
        {"resources in no section", [](std::string& b) { PutU32(b, kOptional + 96 + 16, 0x5000); }},
        {"section raw data past the end", [](std::string& b) { PutU32(b, kSectionHeader + 20, 0x7FFFFF00); }},
        {"string type is a leaf", [](std::string& b) { PutU32(b, 0x214, 0x18); }},
        {"block directory loops to the root", [](std::string& b) { PutU32(b, 0x214, 0x80000000u); }},
        {"block entry loops to the root", [](std::string& b) { PutU32(b, 0x22C, 0x80000000u); }},
        {"language entry loops to a directory", [](std::string& b) { PutU32(b, 0x244, 0x80000018u); }},
        {"block entry is a leaf", [](std::string& b) { PutU32(b, 0x22C, 0x48); }},
        {"directory offset past the end", [](std::string& b) { PutU32(b, 0x22C, 0x8FFFFFF0u); }},
        {"entry count past the end", [](std::string& b) { PutU16(b, 0x218 + 14, 0xFFFF); }},
        {"data address past the end", [](std::string& b) { PutU32(b, 0x248, 0xFFFFFFF0u); }},
        {"data address before the section", [](std::string& b) { PutU32(b, 0x248, 0x10); }},
        {"data size past the end", [](std::string& b) { PutU32(b, 0x24C, 0x7FFFFFFF); }},
        {"string longer than its block", [](std::string& b) { PutU16(b, 0x25A, 0x7FFF); }},
    };
    ASSERT_TRUE(ReadStringTable(good).has_value());
    for (const auto& c : cases) {
        std::string b = good;
        c.patch(b);
        EXPECT_FALSE(ReadStringTable(b).has_value()) << c.why;
    }
}

TEST(PeStringTableTest, RejectsBlocksThatShareTheirData) {
    // 4096 block entries leading to one large block would multiply the work by 4096; genuine
    // blocks never overlap, so the reader refuses string data read more than the file holds.
    constexpr std::uint32_t kBlocks = 4096;
    constexpr std::uint32_t kNameDir = 24;
    constexpr std::uint32_t kLangDir = kNameDir + 16 + 8 * kBlocks;
    constexpr std::uint32_t kDataEntry = kLangDir + 24;
    constexpr std::uint32_t kData = kDataEntry + 16;
    const std::string block = StringBlock({std::u16string(20000, u'x')});
    std::string section;
    PutU16(section, 14, 1);
    PutU32(section, 16, 6);
    PutU32(section, 20, 0x80000000u | kNameDir);
    PutU16(section, kNameDir + 14, static_cast<std::uint16_t>(kBlocks));
    for (std::uint32_t i = 0; i < kBlocks; ++i) {
        PutU32(section, kNameDir + 16 + 8 * i, i + 1);
        PutU32(section, kNameDir + 20 + 8 * i, 0x80000000u | kLangDir);
    }
    PutU16(section, kLangDir + 14, 1);
    PutU32(section, kLangDir + 16, 0x040C);
    PutU32(section, kLangDir + 20, kDataEntry);
    PutU32(section, kDataEntry, 0x1000 + kData);
    PutU32(section, kDataEntry + 4, static_cast<std::uint32_t>(block.size()));
    section += block;
    EXPECT_FALSE(ReadStringTable(Image(false, 0x1000, section)).has_value());
}

}  // namespace
}  // namespace hublane::language
