// The directory's reading of requests: routing by method, size and page name, query fields, and
// the rcv.php queries it takes or refuses.
#include "directory/DirectoryRequest.h"

#include <gtest/gtest.h>

namespace hublane::directory {
namespace {

TEST(RouteRequest, GivesThePageOfTheLastPathSegment) {
    struct Case {
        const char* method;
        const char* path;
        std::size_t length;
        std::optional<Page> page;
        int status;
    };
    for (const Case& c : {
             Case{"GET", "/liste.php", 10, Page::ServerList, 200},
             Case{"GET", "/listeHBL.php", 13, Page::CopyList, 200},
             Case{"GET", "/rcv.php", 8, Page::ReceiveServers, 200},
             Case{"GET", "/connectHB.php", 14, Page::ConnectCopy, 200},
             Case{"GET", "/versionHBL.txt", 15, Page::Version, 200},
             Case{"GET", "/hublane/liste.php", 18, Page::ServerList, 200},
             Case{"GET", "/server.met", 11, Page::ServerMet, 200},
             Case{"GET", "/hublane/server.met", 19, Page::ServerMet, 200},
             Case{"GET", "/server.met.gz", 14, std::nullopt, 404},
             Case{"GET", "/", 1, std::nullopt, 404},
             Case{"GET", "/LISTE.PHP", 10, std::nullopt, 404},
             Case{"GET", "/liste.php/", 11, std::nullopt, 404},
             Case{"GET", "/liste.phpx", 11, std::nullopt, 404},
             Case{"POST", "/liste.php", 10, std::nullopt, 405},
             Case{"HEAD", "/liste.php", 10, std::nullopt, 405},
             Case{"GET", "/rcv.php", kMaxTargetLength, Page::ReceiveServers, 200},
             Case{"GET", "/rcv.php", kMaxTargetLength + 1, std::nullopt, 414},
         }) {
        const Route route = RouteRequest(c.method, c.path, c.length);
        EXPECT_EQ(route.page, c.page) << c.method << ' ' << c.path;
        EXPECT_EQ(route.status, c.status) << c.method << ' ' << c.path;
    }
}

TEST(ParseQuery, DecodesFieldsInOrderAndRefusesBrokenEscapes) {
    const auto fields = ParseQuery("a=1&b=x%2Dy&c&d=%41%62");
    ASSERT_TRUE(fields);
    ASSERT_EQ(fields->size(), 4u);
    EXPECT_EQ((*fields)[1], (std::pair<std::string, std::string>{"b", "x-y"}));
    EXPECT_EQ((*fields)[2], (std::pair<std::string, std::string>{"c", ""}));
    EXPECT_EQ((*fields)[3].second, "Ab");
    EXPECT_TRUE(ParseQuery("")->empty());
    for (const char* bad : {"a=%", "a=%4", "a=%G1", "=1", "a=1&&b=2", "a=1&"}) {
        EXPECT_FALSE(ParseQuery(bad)) << bad;
    }
}

TEST(ReadRcvQuery, TakesWellFormedQueriesOnly) {
    struct Case {
        std::string query;
        bool valid;
    };
    std::string fifty = "0100007F1235";
    for (int i = 1; i < 50; ++i) {
        fifty += "-0100007F1235";
    }
    const std::string fiftyOne = fifty + "-0100007F1235";
    for (const Case& c : {
             Case{"nbips=1&ips=146433C61235", true},
             Case{"ips=146433C61235&nbips=1", true},
             Case{"nbips=1&ips=146433c61235", true},
             Case{"nbips=2&ips=146433C61235-0100007F12", true},
             Case{"nbips=50&ips=" + fifty, true},
             Case{"nbips=1&ips=146433C6123%35", true},
             Case{"nbips=51&ips=" + fiftyOne, false},
             Case{"nbips=2&ips=146433C61235", false},
             Case{"nbips=0&ips=", false},
             Case{"nbips=1&ips=146433C6123", true},
             Case{"nbips=1&ips=146433C612", true},
             Case{"nbips=1&ips=146433C61", false},
             Case{"nbips=1&ips=146433C6123456", false},
             Case{"nbips=1&ips=146433G61235", false},
             Case{"nbips=2&ips=146433C61235--0100007F1235", false},
             Case{"nbips=1&ips=-146433C61235", false},
             Case{"nbips=1&ips=146433C61235-", false},
             Case{"nbips=1", false},
             Case{"ips=146433C61235", false},
             Case{"", false},
             Case{"nbips=1&nbips=1&ips=146433C61235", false},
             Case{"nbips=1&ips=146433C61235&x=1", false},
             Case{"nbips=%&ips=146433C61235", false},
             Case{"nbips=+1&ips=146433C61235", false},
             Case{"nbips=one&ips=146433C61235", false},
         }) {
        const RcvReading reading = ReadRcvQuery(c.query);
        EXPECT_EQ(reading.Valid(), c.valid) << c.query << " -> " << reading.error;
        EXPECT_EQ(reading.servers.empty(), !c.valid) << c.query;
    }
    const RcvReading reading = ReadRcvQuery("nbips=2&ips=146433C61235-0100007f0a");
    ASSERT_TRUE(reading.Valid());
    EXPECT_EQ(reading.servers[0], (exchange::LinkedServer{"198.51.100.20", "4661"}));
    EXPECT_EQ(reading.servers[1], (exchange::LinkedServer{"127.0.0.1", "10"}));
}

}  // namespace
}  // namespace hublane::directory
