// The settings file codec: the registry export format, its escapes and what it refuses.
#include "platform/RegFile.h"

#include <gtest/gtest.h>

namespace hublane::platform {
namespace {

constexpr std::string_view kKeyLine = "[HKEY_CURRENT_USER\\Software\\Orvandels\\Hublane]";

std::string FileWith(std::string_view valueLines) {
    return "REGEDIT4\n\n" + std::string(kKeyLine) + "\n" + std::string(valueLines);
}

TEST(RegFileTest, SerializesInRegistryExportFormat) {
    RegFile file;
    file.Set("Langage", std::string("francais.lng"));
    file.Set("NbThreads", std::int32_t{20});
    file.Set("Timeout", std::int32_t{-1});
    file.Set("PathDonkey", std::string("C:\\Program Files\\eDonkey2000\\ \"quoted\""));
    EXPECT_EQ(file.Serialize(),
              FileWith("\"Langage\"=\"francais.lng\"\n"
                       "\"NbThreads\"=dword:00000014\n"
                       "\"Timeout\"=dword:ffffffff\n"
                       "\"PathDonkey\"=\"C:\\\\Program Files\\\\eDonkey2000\\\\ \\\"quoted\\\"\"\n"));
}

TEST(RegFileTest, RoundTripsEveryValueKind) {
    RegFile file;
    file.Set("", std::string("default value"));
    file.Set("Langage", std::string("/home/élise/langues/français.lng"));
    file.Set("Lines", std::string("one\ntwo\r\nthree\\ \"four\" ;five"));
    file.Set("Empty", std::string());
    file.Set("inter", std::int32_t{0});
    file.Set("Min", std::int32_t{INT32_MIN});
    file.Set("Max", std::int32_t{INT32_MAX});
    file.Set("Binary", RegRawValue{"hex:01,02,ff"});
    file.Set("Multi", RegRawValue{"hex(7):41,00,00,00"});
    const auto parsed = RegFile::Parse(file.Serialize());
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(*parsed, file);
}

TEST(RegFileTest, ReadsWhatRegeditWrites) {
    // CRLF line ends, a byte order mark, comments, upper-case hex digits, a wrapped binary value
    // and no final line end.
    const std::string text = "\xEF\xBB\xBFREGEDIT4\r\n\r\n; exported\r\n" + std::string(kKeyLine) +
                             "\r\n\"NbThreads\"=DWORD:0000001A\r\n\r\n\"Blob\"=hex:01,02,\\\r\n  "
                             "03,04\r\n@=\"root\"\r\n\"ServeurWeb\"=\"http://x/\"";
    const auto file = RegFile::Parse(text);
    ASSERT_TRUE(file.has_value());
    ASSERT_EQ(file->Entries().size(), 4u);
    EXPECT_EQ(*file->Find("nbthreads"), RegValue(std::int32_t{26}));
    EXPECT_EQ(*file->Find("Blob"), RegValue(RegRawValue{"hex:01,02,03,04"}));
    EXPECT_EQ(*file->Find(""), RegValue(std::string("root")));
    EXPECT_EQ(*file->Find("ServeurWeb"), RegValue(std::string("http://x/")));
}

TEST(RegFileTest, LaterDuplicateWinsAndKeepsFirstSpelling) {
    const auto file =
        RegFile::Parse(FileWith("\"Langage\"=\"a.lng\"\n\"inter\"=dword:1\n\"LANGAGE\"=\"b.lng\"\n"));
    ASSERT_TRUE(file.has_value());
    ASSERT_EQ(file->Entries().size(), 2u);
    EXPECT_EQ(file->Entries()[0].name, "Langage");
    EXPECT_EQ(file->Entries()[0].value, RegValue(std::string("b.lng")));
}

TEST(RegFileTest, SetKeepsPlaceAndRemoveReportsAbsence) {
    RegFile file;
    file.Set("a", std::string("1"));
    file.Set("b", std::int32_t{2});
    file.Set("A", std::int32_t{3});
    ASSERT_EQ(file.Entries().size(), 2u);
    EXPECT_EQ(file.Entries()[0], (RegFile::Entry{"a", std::int32_t{3}}));
    EXPECT_TRUE(file.Remove("B"));
    EXPECT_FALSE(file.Remove("b"));
    EXPECT_EQ(file.Find("b"), nullptr);
}

TEST(RegFileTest, ARawValueContinuedOntoABlankLineReadsBackTheSame) {
    // Found by the fuzz target: the spaces before the backslash ended the value, which was then
    // written at the end of a line and lost on the next read.
    const auto file = RegFile::Parse(
        "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Orvandels\\Hublane]\n\"a\"=hex:01 \\\n   \n"
        "\"b\"=hex(7):61,00, \\\n  62,00 \\\n\n");
    ASSERT_TRUE(file.has_value());
    EXPECT_EQ(*file->Find("a"), RegValue(RegRawValue{"hex:01"}));
    EXPECT_EQ(*file->Find("b"), RegValue(RegRawValue{"hex(7):61,00, 62,00"}));
    const auto again = RegFile::Parse(file->Serialize());
    ASSERT_TRUE(again.has_value());
    EXPECT_EQ(*again, *file);
}

TEST(RegFileTest, ManyValuesKeepTheirOrderAndTheLastOfEachNameWins) {
    std::string text = "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Orvandels\\Hublane]\n";
    for (int i = 0; i < 20000; ++i)
        text +=
            "\"v" + std::to_string(i % 10000) + "\"=dword:" + (i < 10000 ? "00000001" : "00000002") + "\n";
    const auto file = RegFile::Parse(text);
    ASSERT_TRUE(file.has_value());
    ASSERT_EQ(file->Entries().size(), 10000u);
    EXPECT_EQ(file->Entries()[42].name, "v42");
    EXPECT_EQ(*file->Find("V9999"), RegValue(std::int32_t{2}));
}

TEST(RegFileTest, AcceptsAnEmptyKey) {
    const auto file = RegFile::Parse("REGEDIT4\n" + std::string(kKeyLine) + "\n\n");
    ASSERT_TRUE(file.has_value());
    EXPECT_TRUE(file->Entries().empty());
}

TEST(RegFileTest, RefusesWhatIsNotASettingsFile) {
    const std::string key(kKeyLine);
    const struct {
        const char* why;
        std::string text;
    } cases[] = {
        {"empty file", ""},
        {"no header", key + "\n\"a\"=\"b\"\n"},
        {"newer header", "Windows Registry Editor Version 5.00\n\n" + key + "\n"},
        {"header only", "REGEDIT4\n\n"},
        {"another key", "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Other]\n"},
        {"second key", FileWith("\"a\"=\"b\"\n[HKEY_CURRENT_USER\\Software\\Other]\n")},
        {"unterminated string", FileWith("\"a\"=\"b\n")},
        {"unterminated name", FileWith("\"a=\"b\"\n")},
        {"unknown escape", FileWith("\"a\"=\"b\\x\"\n")},
        {"text after string", FileWith("\"a\"=\"b\" c\n")},
        {"no equals sign", FileWith("\"a\" \"b\"\n")},
        {"unquoted name", FileWith("a=\"b\"\n")},
        {"dword too long", FileWith("\"a\"=dword:000000001\n")},
        {"dword not hex", FileWith("\"a\"=dword:0000001g\n")},
        {"empty dword", FileWith("\"a\"=dword:\n")},
        {"unknown type", FileWith("\"a\"=qword:1\n")},
        {"bad hex", FileWith("\"a\"=hex:zz\n")},
        {"deletion marker", FileWith("\"a\"=-\n")},
        {"dangling continuation", FileWith("\"a\"=hex:01,\\")},
        {"half a file", FileWith("\"Langage\"=\"franc")},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(RegFile::Parse(c.text).has_value()) << c.why;
    }
}

}  // namespace
}  // namespace hublane::platform
