// The directory's pages: escaping, the shown names, and the pages read back by an HTML5 parser as
// the program's client reads them (links in document order, nothing lost, no parse error).
#include "directory/HtmlPages.h"

#include <gtest/gtest.h>

#include "PageLinks.h"
#include "exchange/WebFormats.h"

namespace hublane::directory {
namespace {

TEST(HtmlPages, EscapesEveryCharacterThatCouldEndAnElementOrAnAttribute) {
    EXPECT_EQ(EscapeHtml(R"(<a href="x">Tom & 'Jerry'</a>)"),
              "&lt;a href=&quot;x&quot;&gt;Tom &amp; &#39;Jerry&#39;&lt;/a&gt;");
    EXPECT_EQ(EscapeHtml("plain"), "plain");
    EXPECT_EQ(EscapeHtml(""), "");
}

TEST(HtmlPages, ShownNamesAreCleanUtf8) {
    struct Case {
        std::string bytes;
        std::string shown;
    };
    for (const Case& c : {
             Case{"Lab 20", "Lab 20"},
             Case{"Caf\xC3\xA9", "Caf\xC3\xA9"},  // UTF-8 stays
             Case{"Caf\xE9", "Caf\xC3\xA9"},      // Windows-1252 is read as such
             Case{"\x80uro \x93q\x94", "\xE2\x82\xACuro \xE2\x80\x9Cq\xE2\x80\x9D"},
             Case{"a\x81"
                  "b",
                  "ab"},  // an undefined byte goes
             Case{"  two \t\n spaces  ", "two spaces"},
             Case{std::string("nul\0x", 5), "nulx"},
             Case{"bell\x07\x1B[31m", "bell[31m"},
             Case{"\xEF\xB7\x90non\xEF\xBF\xBE", "non"},  // noncharacters go
             Case{"", ""},
         }) {
        EXPECT_EQ(ShownName(c.bytes), c.shown) << c.bytes;
    }
    EXPECT_EQ(ShownName(std::string(500, 'x')).size(), kMaxShownNameChars);
    EXPECT_EQ(ShownName("\xC3\xA9\xC3\xA9\xC3\xA9", 2), "\xC3\xA9\xC3\xA9");
}

TEST(HtmlPages, ACutNameNeverEndsInTheSpaceBeforeTheCut) {
    struct Case {
        std::string bytes;
        std::size_t maxChars;
        std::string shown;
    };
    const std::string long119(119, 'x');
    for (const Case& c : {
             Case{"ab cd", 3, "ab"},
             Case{"ab cd", 4, "ab c"},
             Case{"ab \t\n cd", 3, "ab"},
             Case{"a b", 2, "a"},
             Case{"a b", 3, "a b"},
             Case{"a\xA0"
                  "b",
                  2, "a"},  // a no-break space (Windows-1252) counts as white space too
             Case{long119 + " yz", kMaxShownNameChars, long119},
         }) {
        EXPECT_EQ(ShownName(c.bytes, c.maxChars), c.shown) << c.bytes << " / " << c.maxChars;
    }
}

TEST(HtmlPages, StoredNamesAreNeverCutInsideAUtf8Character) {
    const std::string utf8 = "ab\xC3\xA9\xE2\x82\xAC";  // a b é €
    EXPECT_EQ(CutName(utf8, 10), utf8);
    EXPECT_EQ(CutName(utf8, 7), utf8);
    EXPECT_EQ(CutName(utf8, 6), "ab\xC3\xA9");
    EXPECT_EQ(CutName(utf8, 5), "ab\xC3\xA9");
    EXPECT_EQ(CutName(utf8, 3), "ab");
    EXPECT_EQ(CutName(utf8, 0), "");
    EXPECT_EQ(ShownName(CutName(utf8, 6)), "ab\xC3\xA9") << "still read as UTF-8";
    EXPECT_EQ(CutName("Caf\xE9 \xE9t\xE9", 5), "Caf\xE9 ") << "other bytes are cut where asked";
}

TEST(HtmlPages, LinksHaveTheExactFormsTheClientCuts) {
    EXPECT_EQ(ServerLink("80.1.2.3", 4661), "ed2k://|server|80.1.2.3|4661|/");
    EXPECT_EQ(CopyLink("80.1.2.3"), "http://80.1.2.3/");
    const auto server = exchange::CutServerLink(ServerLink("80.1.2.3", 4661));
    ASSERT_TRUE(server);
    EXPECT_EQ(*server, (exchange::LinkedServer{"80.1.2.3", "4661"}));
    EXPECT_EQ(exchange::PeerOfLink(CopyLink("80.1.2.3")), "80.1.2.3");
}

TEST(HtmlPages, ServerListReadsBackInOrderWithNamesIntact) {
    const std::vector<ListedServer> servers = {
        {"80.1.2.3", 4661, R"(<b>Big</b> & "Bold" 'one')"},
        {"80.1.2.4", 4242, ""},
        {"80.1.2.5", 1, "</a></li></ul><a href=\"ed2k://|server|6.6.6.6|6|/\">x"},
        {"80.1.2.6", 65531, "Caf\xE9"},
    };
    const std::string page = ServerListPage(servers);
    const test::PageLinks links = test::ReadPageLinks(page);
    EXPECT_EQ(links.parseErrors, 0) << page;
    EXPECT_EQ(links.targets,
              (std::vector<std::string>{"ed2k://|server|80.1.2.3|4661|/", "ed2k://|server|80.1.2.4|4242|/",
                                        "ed2k://|server|80.1.2.5|1|/", "ed2k://|server|80.1.2.6|65531|/"}));
    EXPECT_EQ(links.texts, (std::vector<std::string>{R"(<b>Big</b> & "Bold" 'one')", "80.1.2.4:4242",
                                                     "</a></li></ul><a href=\"ed2k://|server|6.6.6.6|6|/\">x",
                                                     "Caf\xC3\xA9"}));
    EXPECT_EQ(page.rfind("<!DOCTYPE html>", 0), 0u);
    EXPECT_NE(page.find("<meta charset=\"utf-8\">"), std::string::npos);
}

TEST(HtmlPages, ListsStopAtTheirCaps) {
    std::vector<ListedServer> servers;
    std::vector<std::string> copies;
    for (int i = 0; i < 1200; ++i) {
        const std::string address = "80.1." + std::to_string(i / 250) + "." + std::to_string(i % 250);
        servers.push_back({address, 4661, "s" + std::to_string(i)});
        copies.push_back(address);
    }
    const test::PageLinks serverLinks = test::ReadPageLinks(ServerListPage(servers));
    ASSERT_EQ(serverLinks.targets.size(), kMaxListedServers);
    EXPECT_EQ(serverLinks.targets.back(), ServerLink(servers[kMaxListedServers - 1].address, 4661));
    const test::PageLinks copyLinks = test::ReadPageLinks(CopyListPage(copies));
    ASSERT_EQ(copyLinks.targets.size(), kMaxListedCopies);
    EXPECT_EQ(copyLinks.parseErrors, 0);
    EXPECT_EQ(copyLinks.targets.front(), "http://80.1.0.0/");
    EXPECT_EQ(copyLinks.texts.front(), "80.1.0.0");
}

TEST(HtmlPages, EmptyListsAreValidPagesWithoutLinks) {
    for (const std::string& page : {ServerListPage({}), CopyListPage({})}) {
        const test::PageLinks links = test::ReadPageLinks(page);
        EXPECT_EQ(links.parseErrors, 0) << page;
        EXPECT_TRUE(links.targets.empty());
        EXPECT_FALSE(links.title.empty());
    }
}

TEST(HtmlPages, TheParserUsedHereDoesReportBrokenPages) {
    // The check above means something only if a broken page counts errors.
    EXPECT_GT(test::ReadPageLinks("<p><a href=x>unclosed <b>bold</p></table>").parseErrors, 0);
}

}  // namespace
}  // namespace hublane::directory
