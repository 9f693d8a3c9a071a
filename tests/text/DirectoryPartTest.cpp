// The directory-part rules of stored paths and the quote removal.
#include "text/DirectoryPart.h"

#include <gtest/gtest.h>

namespace hublane::text {
namespace {

struct Case {
    const char* text;
    const char* expected;
};

TEST(DirectoryPartTest, FollowsTheBackslashAndColonRule) {
    const Case cases[] = {
        {R"(C:\Program Files\eDonkey2000\eDonkey2000.exe,0)", R"(C:\Program Files\eDonkey2000)"},
        {R"(C:\eDonkey\)", R"(C:\eDonkey)"},
        {R"(C:\eDonkey)", R"(C:\)"},
        {R"(C:\)", R"(C:\)"},
        {"C:", "C:"},
        {"C:name.exe", "C:"},
        {R"(\\server\share\)", R"(\\server\share)"},
        {R"(\\)", R"(\\)"},
        {R"(\)", R"(\)"},
        {R"(C:\Dir\\)", R"(C:\Dir\\)"},
        {"eDonkey2000.exe", ""},
        {"", ""},
        // A forward slash is no separator in this rule.
        {"C:/Program Files/eDonkey2000", "C:"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DirectoryPart(c.text), c.expected) << c.text;
    }
}

TEST(DirectoryPartTest, PosixVariantKeepsTheRootAndIgnoresColons) {
    const Case cases[] = {
        {"/opt/ed2k/bin/ed2k", "/opt/ed2k/bin"},
        {"/home/u/client/", "/home/u/client"},
        {"/home/u/client", "/home/u"},
        {"/opt", "/"},
        {"/", "/"},
        {"/a//", "/a//"},
        {"/data/a:b/prog,0", "/data/a:b"},
        {"noslash", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PosixDirectoryPart(c.text), c.expected) << c.text;
    }
}

TEST(DirectoryPartTest, FolderOfPicksTheRuleByTheTextsStyle) {
    EXPECT_EQ(FolderOf(R"(C:\eDonkey\)"), R"(C:\eDonkey)");
    EXPECT_EQ(FolderOf("/srv/client/client,0"), "/srv/client");
    // A relative POSIX-looking text is not a POSIX path: the Windows rule finds no separator.
    EXPECT_EQ(FolderOf("srv/client/client"), "");
    EXPECT_EQ(FolderSeparator("/srv"), '/');
    EXPECT_EQ(FolderSeparator(R"(C:\srv)"), '\\');
    EXPECT_EQ(FolderSeparator(""), '\\');
}

TEST(DirectoryPartTest, RemovesEveryDoubleQuote) {
    EXPECT_EQ(RemoveDoubleQuotes(R"("C:\Program Files\x.exe",0)"), R"(C:\Program Files\x.exe,0)");
    EXPECT_EQ(RemoveDoubleQuotes(R"(""a"b"")"), "ab");
    EXPECT_EQ(RemoveDoubleQuotes("'kept'"), "'kept'");
}

}  // namespace
}  // namespace hublane::text
