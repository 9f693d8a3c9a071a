// Reading a key's default value out of Wine registry file text, and splitting drive paths.
#include "platform/WineRegistry.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>

namespace hublane::platform {
namespace {

constexpr std::string_view kKey = R"(Software\Classes\ed2k\DefaultIcon)";

std::string File(std::string_view defaultLine) {
    return std::string(
               "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win32\n\n"
               "[Software\\\\Classes\\\\ed2k] 1700000000\n#time=1d9a0b0c0d0e0f0\n@=\"URL:ed2k\"\n\n"
               "[Software\\\\Classes\\\\ed2k\\\\DefaultIcon] 1700000000\n#time=1d9a0b0c0d0e0f0\n") +
           std::string(defaultLine) + "\n\n[Software\\\\Classes\\\\ed2k\\\\shell] 1700000000\n@=\"open\"\n";
}

TEST(WineRegistryTest, DecodesTheDefaultValueInItsWrittenForms) {
    const struct {
        const char* line;
        const char* expected;
    } cases[] = {
        {R"(@="\"C:\\Program Files\\eDonkey2000\\eDonkey2000.exe\",0")",
         R"("C:\Program Files\eDonkey2000\eDonkey2000.exe",0)"},
        {R"(@=str(2):"C:\\Prog\\x.exe,0")", R"(C:\Prog\x.exe,0)"},
        {R"(@="C:\\Caf\xe9\\x.exe")", "C:\\Caf\xc3\xa9\\x.exe"},
        // A hex escape stops after four digits; octal after three.
        {R"(@="\x00e9abc")",
         "\xc3\xa9"
         "abc"},
        {R"(@="\1010")", "A0"},
        {R"(@="a\tb")", "a\tb"},
        {R"(@="\xd83d\xde00")", "\xf0\x9f\x98\x80"},
        {R"(@="\xd83dx")", "\xef\xbf\xbdx"},
        {R"(@="cut\0here")", "cut"},
        {"@=\"caf\xc3\xa9\"", "caf\xc3\xa9"},
        {"@=hex(2):43,00,3a,00,5c,00,\\\n  78,00,00,00", R"(C:\x)"},
        {R"(@="")", ""},
    };
    for (const auto& c : cases) {
        const WineKeyLookup found = FindWineDefaultValue(File(c.line), kKey);
        EXPECT_TRUE(found.keyFound) << c.line;
        ASSERT_TRUE(found.defaultValue.has_value()) << c.line;
        EXPECT_EQ(*found.defaultValue, c.expected) << c.line;
    }
}

TEST(WineRegistryTest, KeyWithoutAStringDefaultIsFoundWithoutValue) {
    const char* lines[] = {
        R"("Other"="C:\\x.exe")", "@=dword:00000001", "@=hex:01,02", R"(@="unterminated)", "@=hex(2):4g,00",
    };
    for (const char* line : lines) {
        const WineKeyLookup found = FindWineDefaultValue(File(line), kKey);
        EXPECT_TRUE(found.keyFound) << line;
        EXPECT_FALSE(found.defaultValue.has_value()) << line;
    }
}

TEST(WineRegistryTest, MatchesTheKeyNameWholeAndWithoutRegardToCase) {
    const std::string text = File(R"(@="C:\\x.exe,0")");
    EXPECT_EQ(FindWineDefaultValue(text, R"(SOFTWARE\classes\ED2K\defaulticon)").defaultValue,
              R"(C:\x.exe,0)");
    EXPECT_EQ(FindWineDefaultValue(text, R"(Software\Classes\ed2k)").defaultValue, "URL:ed2k");
    EXPECT_FALSE(FindWineDefaultValue(text, R"(Software\Classes\ed2)").keyFound);
    EXPECT_FALSE(FindWineDefaultValue(text, R"(Classes\ed2k\DefaultIcon)").keyFound);
    // The next section's default value does not leak into a key that has none.
    EXPECT_FALSE(FindWineDefaultValue(File(""), kKey).defaultValue.has_value());
}

TEST(WineRegistryTest, ToleratesBrokenText) {
    const std::string_view texts[] = {"", "[", "[Software\\\\Classes", "@=\"x\"", "\r\n\r\n[]\r\n@=", "\\"};
    for (const auto text : texts) {
        EXPECT_FALSE(FindWineDefaultValue(text, kKey).keyFound);
    }
    const std::string crlf = "[Software\\\\Classes\\\\ed2k\\\\DefaultIcon]\r\n@=\"C:\\\\a\"\r\n";
    EXPECT_EQ(FindWineDefaultValue(crlf, kKey).defaultValue, R"(C:\a)");
}

TEST(WineRegistryTest, FindsANamedValueOfItsKeyOnly) {
    const std::string text =
        "WINE REGISTRY Version 2\n\n[Software\\\\eMule] 1700000000\n#time=1d9a0b0c0d0e0f0\n"
        "\"Other\"=dword:00000007\n\"UsePublicUserDirectories\"=dword:00000002\n"
        "\"Name \\\"quoted\\\"\"=\"C:\\\\x\"\n\"Big\"=dword:ffffffff\n\"Short\"=dword:1\n"
        "\"Long\"=dword:000000001\n\"Bad\"=dword:0000000g\n\"Hex\"=hex:01,00,00,00\n\n"
        "[Software\\\\eMule\\\\Next] 1700000000\n\"Later\"=dword:00000005\n";
    constexpr std::string_view kEmule = R"(Software\eMule)";
    const struct {
        const char* name;
        std::optional<std::uint32_t> dword;
        std::optional<std::string> text;
    } cases[] = {
        {"UsePublicUserDirectories", 2, std::nullopt},
        {"usepublicuserdirectories", 2, std::nullopt},
        {"Other", 7, std::nullopt},
        {"Name \"quoted\"", std::nullopt, R"(C:\x)"},
        {"Big", 0xFFFFFFFFu, std::nullopt},
        {"Short", 1, std::nullopt},
        {"Long", std::nullopt, std::nullopt},
        {"Bad", std::nullopt, std::nullopt},
        {"Hex", std::nullopt, std::nullopt},
        {"Later", std::nullopt, std::nullopt},  // another key's
        {"Missing", std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        const WineValueLookup found = FindWineValue(text, kEmule, c.name);
        EXPECT_TRUE(found.keyFound) << c.name;
        EXPECT_EQ(found.dword, c.dword) << c.name;
        EXPECT_EQ(found.text, c.text) << c.name;
    }
    EXPECT_FALSE(FindWineValue(text, R"(Software\eMul)", "Other").keyFound);
    EXPECT_EQ(FindWineValue(text, R"(Software\eMule\Next)", "Later").dword, 5u);
}

TEST(WineRegistryTest, SplitsAbsoluteDrivePathsOnly) {
    const auto full = SplitDrivePath(R"(C:\Program Files\eDonkey2000\eDonkey2000.exe,0)");
    ASSERT_TRUE(full);
    EXPECT_EQ(full->drive, 'c');
    EXPECT_EQ(full->rest, "/Program Files/eDonkey2000/eDonkey2000.exe,0");
    const auto root = SplitDrivePath("z:");
    ASSERT_TRUE(root);
    EXPECT_EQ(root->drive, 'z');
    EXPECT_EQ(root->rest, "");
    for (const char* text :
         {"C:Dir\\x.exe", R"(\\server\share\x.exe)", R"(%ProgramFiles%\x.exe)", "x.exe", "1:\\x", ""}) {
        EXPECT_FALSE(SplitDrivePath(text)) << text;
    }
}

}  // namespace
}  // namespace hublane::platform
