// What the web directory exchange writes and reads: page addresses, the links of the list pages,
// and the rcv.php entries, both ways.
#include "exchange/WebFormats.h"

#include <gtest/gtest.h>

namespace hublane::exchange {
namespace {

TEST(WebFormatsTest, PageAddressesGetOneSlash) {
    EXPECT_EQ(PageUrl("http://dir.example", "liste.php"), "http://dir.example/liste.php");
    EXPECT_EQ(PageUrl("http://dir.example/", "liste.php"), "http://dir.example/liste.php");
    EXPECT_EQ(PageUrl("http://dir.example/sub", "rcv.php"), "http://dir.example/sub/rcv.php");
}

TEST(WebFormatsTest, ServerLinksAreCutAndOtherLinksIgnored) {
    struct Case {
        const char* target;
        std::optional<LinkedServer> server;
    };
    const Case cases[] = {
        {"ed2k://|server|198.51.100.20|4661|/", LinkedServer{"198.51.100.20", "4661"}},
        {"ed2k://|server|host.example|x|/", LinkedServer{"host.example", "x"}},  // texts, unchecked
        {"ed2k:|server|1.2.3.4|1|", LinkedServer{"1.2.3.4", "1"}},
        {"ed2k://|file|song.mp3|123|abc|/", std::nullopt},
        {"http://|server|1.2.3.4|4661|/", std::nullopt},
        // "server" need only start the word: the cut takes what stands at its places.
        {"ed2k://|serverlist|http://x/server.met|/", LinkedServer{"ist", "http://x/server.met"}},
        {"ed2k://|server|1.2.3.4", std::nullopt},
        {"ed2k://|server|1.2.3.4|4661", std::nullopt},
        {"ed2k://", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.target);
        EXPECT_EQ(CutServerLink(c.target), c.server);
    }
    EXPECT_EQ(PeerOfLink("http://198.51.100.7/"), std::optional<std::string>("198.51.100.7"));
    EXPECT_EQ(PeerOfLink("http://a/b/c"), std::optional<std::string>("abc"));
    EXPECT_EQ(PeerOfLink("https://198.51.100.7/"), std::nullopt);
}

TEST(WebFormatsTest, RcvEntriesAndRequestsOfFiftyEachReadBackTheSame) {
    EXPECT_EQ(RcvEntry("198.51.100.20", "4661"), std::optional<std::string>("146433C61235"));
    EXPECT_EQ(RcvEntry("198.51.100.21", "4665"), std::optional<std::string>("156433C61239"));
    EXPECT_EQ(RcvEntry("198.51.100.7", "80"), std::optional<std::string>("076433C650"));
    EXPECT_EQ(RcvEntry("198.51.100.7", "5"), std::optional<std::string>("076433C605"));
    EXPECT_EQ(RcvEntry("host.example", "4661"), std::nullopt);
    EXPECT_EQ(RcvEntry("1.2.3.4", "n/a"), std::nullopt);
    for (const int rows : {0, 1, 50, 51, 120}) {
        SCOPED_TRACE(rows);
        serverlist::ServerTable table;
        for (int i = 0; i < rows; ++i)
            table.AddServerRow("198.51." + std::to_string(i / 200) + "." + std::to_string(i % 200 + 1),
                               "4661");
        const RcvRequests requests = BuildRcvRequests(table, "http://d/rcv.php?");
        std::vector<LinkedServer> back;
        for (const std::string& url : requests.urls) {
            const std::size_t amp = url.find("&ips=");
            const auto parsed = ParseRcvQuery(url.substr(23, amp - 23), url.substr(amp + 5));
            ASSERT_TRUE(parsed.has_value()) << url;
            back.insert(back.end(), parsed->begin(), parsed->end());
        }
        EXPECT_EQ(requests.urls.size(), static_cast<std::size_t>((rows + 49) / 50));
        ASSERT_EQ(back.size(), static_cast<std::size_t>(rows));
        for (int i = 0; i < rows; ++i)
            EXPECT_EQ(back[static_cast<std::size_t>(i)].address,
                      table.Row(static_cast<std::size_t>(i)).caption);
    }
    EXPECT_EQ(BuildRcvRequests(serverlist::ServerTable{}, "p?").urls.size(), 0u);
    // A row that cannot be converted ends the requests there.
    serverlist::ServerTable mixed;
    for (int i = 1; i <= 60; ++i)
        mixed.AddServerRow("198.51.100." + std::to_string(i), "4661");
    mixed.AddServerRow("host.example", "4661");
    const RcvRequests cut = BuildRcvRequests(mixed, "p?");
    EXPECT_EQ(cut.urls.size(), 1u);
    EXPECT_EQ(cut.failedRow, std::optional<std::size_t>(60));
}

TEST(WebFormatsTest, TheDirectoryRefusesEveryMalformedQuery) {
    EXPECT_TRUE(ParseRcvQuery("2", "146433C61235-156433c61239").has_value());  // lower case too
    const std::pair<const char*, const char*> bad[] = {
        {"1", "146433C61235-156433C61239"},  // nbips is not the count
        {"0", ""},
        {"51", ""},
        {"", "146433C61235"},
        {"1", ""},
        {"1", "146433C6123"},    // 11 digits: fine
        {"1", "146433C612"},     // 10 digits: fine
        {"1", "146433C6"},       // 8 digits
        {"1", "146433C612345"},  // 13 digits
        {"1", "146433G61235"},
        {"2", "146433C61235--156433C61239"},
        {"1", "146433C61235-"},
        {"01x", "146433C61235"},
    };
    for (const auto& [n, ips] : bad) {
        SCOPED_TRACE(std::string(n) + " " + ips);
        const bool valid = std::string(ips) == "146433C6123" || std::string(ips) == "146433C612";
        EXPECT_EQ(ParseRcvQuery(n, ips).has_value(), valid);
    }
}

}  // namespace
}  // namespace hublane::exchange
