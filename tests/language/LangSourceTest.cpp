// The language file's text source: lines, escapes, comments and the errors with their lines.
#include "language/LangSource.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "language/PeWriter.h"

namespace hublane::language {
namespace {

TEST(LangSourceTest, ReadsNumberedTextsWithEscapesAndComments) {
    const auto r = ParseLangSource(
        "\xEF\xBB\xBF# comment\n"
        "1\tFichier de langage\r\n"
        "\n"
        "2\tback\\\\slash, tab\\there, lines\\r\\nnext # not a comment\n"
        "3\t  spaces kept  \n"
        "4\t\n"
        "65535\tlast");
    ASSERT_TRUE(r.table.has_value()) << r.errorLine << ": " << r.error;
    EXPECT_EQ(*r.table, (StringTable{{1, "Fichier de langage"},
                                     {2, "back\\slash, tab\there, lines\r\nnext # not a comment"},
                                     {3, "  spaces kept  "},
                                     {4, ""},
                                     {65535, "last"}}));
}

TEST(LangSourceTest, ReportsTheFirstErrorWithItsLine) {
    const struct {
        const char* source;
        int line;
    } cases[] = {
        {"1\tun\n2 deux\n", 2},    {"1\tun\n\n# c\nx\tdeux\n", 4}, {"\t\n", 1},
        {"-1\tmoins\n", 1},        {"65536\ttrop\n", 1},           {" 1\tespace\n", 1},
        {"1\tun\n1\tencore\n", 2}, {"1\tbad \\q escape\n", 1},     {"1\tends with \\\n", 1},
        {"1\tun\n2\t\xC3(\n", 2},
    };
    for (const auto& c : cases) {
        const auto r = ParseLangSource(c.source);
        EXPECT_FALSE(r.table.has_value()) << c.source;
        EXPECT_EQ(r.errorLine, c.line) << c.source;
        EXPECT_FALSE(r.error.empty()) << c.source;
    }
}

TEST(LangSourceTest, EscapedTextReadsBackUnchanged) {
    const std::string text = "a\\b\tc\rd\ne\\\\n";
    const auto r = ParseLangSource("9\t" + EscapeLangText(text) + "\n");
    ASSERT_TRUE(r.table.has_value());
    EXPECT_EQ(r.table->at(9), text);
    EXPECT_EQ(EscapeLangText(text).find_first_of("\t\r\n"), std::string::npos);
}

TEST(LangSourceTest, DefaultFrenchSourceHoldsTheFifteenTexts) {
    std::ifstream in(HUBLANE_FRANCAIS_SOURCE, std::ios::binary);
    ASSERT_TRUE(in) << HUBLANE_FRANCAIS_SOURCE;
    const std::string source((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto r = ParseLangSource(source);
    ASSERT_TRUE(r.table.has_value()) << r.errorLine << ": " << r.error;
    const auto image = WriteStringTableDll(*r.table);
    ASSERT_TRUE(image.has_value());
    const auto read = ReadStringTable(*image);
    ASSERT_TRUE(read.has_value());
    const auto texts = LoadableTexts(*read);
    ASSERT_EQ(texts.size(), 15u);
    EXPECT_EQ(texts[0], "Fichier de langage de Hublane");
    // Texts 3 and 10 are followed by a value in the log line.
    EXPECT_EQ(texts[2].back(), ' ');
    EXPECT_EQ(texts[9].back(), ' ');
}

TEST(UnescapeLineText, StrictRefusesWhatLenientKeeps) {
    EXPECT_EQ(UnescapeLineText("a\\tb\\\\c\\r\\n", true), std::optional<std::string>("a\tb\\c\r\n"));
    EXPECT_EQ(UnescapeLineText("a\\xb", true), std::nullopt);
    EXPECT_EQ(UnescapeLineText("a\\xb", false), std::optional<std::string>("a\\xb"));
    EXPECT_EQ(UnescapeLineText("end\\", true), std::nullopt);
    EXPECT_EQ(UnescapeLineText("end\\", false), std::optional<std::string>("end\\"));
    const std::string bytes("\\\t\r\n\x00\xE9", 6);
    EXPECT_EQ(UnescapeLineText(EscapeLangText(bytes), true), std::optional<std::string>(bytes));
}

}  // namespace
}  // namespace hublane::language
