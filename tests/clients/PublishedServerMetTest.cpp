// Published server.met files: the addresses.dat of eMule and aMule as both read it, a published
// file read whole (either header, gzip, junk, cut, too large), and its servers merged by the
// table's rules.
#include "clients/PublishedServerMet.h"

#include <gtest/gtest.h>

#include "support/GzipBytes.h"
#include "support/MuleBytes.h"

namespace hublane::clients {
namespace {

using namespace test::mule;
using serverlist::Column;
using serverlist::ServerTable;

std::string Utf16Le(std::string_view ascii) {
    std::string out = "\xFF\xFE";
    for (const char c : ascii) {
        out += c;
        out += '\0';
    }
    return out;
}

TEST(PublishedServerMetTest, AddressesAreReadAsBothClientsReadThem) {
    struct Case {
        const char* what;
        std::string file;
        std::vector<std::string> addresses;
    };
    const std::vector<Case> cases = {
        {"lines of either end, blanks around",
         "http://a.example/server.met\r\n  https://b.example/s.met \t\n",
         {"http://a.example/server.met", "https://b.example/s.met"}},
        {"blank lines and comments are skipped",
         "\n\n# old list\n   #http://c.example/\nhttp://d.example/x\n\n",
         {"http://d.example/x"}},
        {"a last line without its end",
         "http://e.example/1\nhttp://e.example/2",
         {"http://e.example/1", "http://e.example/2"}},
        {"other schemes and words are not addresses",
         "ftp://f.example/server.met\nserver.met\nhttp://\nhttp:///path\nfile:///etc/passwd\nHTTP://"
         "G.example/\n",
         {"HTTP://G.example/"}},
        {"a user part or a port needs a host too",
         "http://user@/x\nhttp://:80/x\nhttp://u@h.example:8080/x\n",
         {"http://u@h.example:8080/x"}},
        {"an address with a blank inside is refused",
         "http://h.example/a b\nhttp://i .example/\n",
         {"http://h.example/a b"}},
        {"each address once",
         "http://j.example/\nhttp://j.example/\n http://j.example/\n",
         {"http://j.example/"}},
        {"a UTF-8 byte-order mark", "\xEF\xBB\xBFhttp://k.example/\n", {"http://k.example/"}},
        {"UTF-16 with its mark, as eMule writes it",
         Utf16Le("http://l.example/a\r\nhttp://l.example/b\r\n"),
         {"http://l.example/a", "http://l.example/b"}},
        {"binary junk gives nothing", std::string("\x00\xE0\x01\xFF\n\x80http", 10), {}},
        {"an empty file", "", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ReadServerMetAddresses(c.file, 10), c.addresses);
    }
    std::string many;
    for (int i = 0; i < 15; ++i)
        many += "http://m.example/" + std::to_string(i) + "\n";
    const auto first = ReadServerMetAddresses(many, 10);
    ASSERT_EQ(first.size(), 10u);
    EXPECT_EQ(first.back(), "http://m.example/9");
}

const std::string kTwoServers =
    File(2, Entry("\xC6\x33\x64\x01"s, 4661, 2, TextTag(kIdName, "One") + TextTag(kIdDescription, "first")) +
                Entry("\xC6\x33\x64\x02"s, 4242, 1, IntTag("users", 12)));

TEST(PublishedServerMetTest, AFileIsTakenOnlyWhenReadWhole) {
    struct Case {
        const char* what;
        std::string body;
        bool whole;
        std::size_t entries;
        bool gzipError;
    };
    const std::string old = "\x0E"s + kTwoServers.substr(1);
    const std::vector<Case> cases = {
        {"header 0xE0", kTwoServers, true, 2, false},
        {"header 0x0E", old, true, 2, false},
        {"gzip holding one", test::Gzip(kTwoServers), true, 2, false},
        {"an HTML page", "<html><body>Not found</body></html>", false, 0, false},
        {"cut in the second entry", kTwoServers.substr(0, kTwoServers.size() - 2), false, 1, false},
        {"a count far beyond the entries", File(0x7FFFFFFF, Entry("\x01\x02\x03\x04"s, 1, 0, "")), false, 1,
         false},
        {"gzip that ends early", test::Gzip(kTwoServers).substr(0, 20), false, 0, true},
        {"gzip of junk", test::Gzip("junk"), false, 0, false},
        {"gzip inflating past the bound", test::Gzip(std::string(1024, '\xE0'), 100), false, 0, true},
        {"nothing", "", false, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const PublishedServerMet read = ReadPublishedServerMet(c.body, 50000);
        EXPECT_EQ(read.result.Ok(), c.whole);
        EXPECT_EQ(read.doc.entries.size(), c.entries);
        EXPECT_EQ(!read.gzipError.empty(), c.gzipError) << read.gzipError;
    }
}

TEST(PublishedServerMetTest, ServersJoinTheTableByItsRules) {
    const std::string file = File(
        6, Entry("\xC6\x33\x64\x01"s, 4661, 2, TextTag(kIdName, "One") + TextTag(kIdDescription, "first")) +
               Entry("\xC6\x33\x64\x02"s, 4242, 1, IntTag("users", 12)) +
               Entry("\xC6\x33\x64\x01"s, 4000, 0, "") +                                     // a second port
               Entry("\x00\x00\x00\x00"s, 4661, 1, "\x02" + Name("\x85") + Le16(1) + "h") +  // dynamic IP
               Entry("\xC6\x33\x64\x03"s, 0, 0, "") +                                        // no port
               Entry("\xC6\x33\x64\x04"s, 4661, 1, TextTag(kIdName, "Blocked")));
    const PublishedServerMet read = ReadPublishedServerMet(file, 50000);
    ASSERT_TRUE(read.result.Ok());

    ServerTable table;
    table.AddServerRow("198.51.100.2", "5000", "1", "2", "Known", "kept");
    const std::size_t added =
        MergePublishedServers(read.doc, table, [](std::string_view ip) { return ip == "198.51.100.4"; });
    EXPECT_EQ(added, 1u);
    ASSERT_EQ(table.Count(), 2u);
    EXPECT_EQ(table.Row(0).Sub(Column::Port), "5000") << "a row the table has keeps its values";
    EXPECT_EQ(table.Row(0).Sub(Column::Name), "Known");
    const serverlist::ServerRow& one = table.Row(1);
    EXPECT_EQ(one.caption, "198.51.100.1");
    EXPECT_EQ(one.Sub(Column::Port), "4661");
    EXPECT_EQ(one.Sub(Column::Name), "One");
    EXPECT_EQ(one.Sub(Column::Description), "first");
    EXPECT_EQ(one.Sub(Column::Users), "n/a");

    // A table at the network cap takes nothing more.
    ServerTable full;
    for (std::size_t i = 0; i < serverlist::kMaxServerRowsFromNetwork; ++i)
        full.AddServerRow("10.0." + std::to_string(i / 256) + "." + std::to_string(i % 256), "4661");
    EXPECT_EQ(MergePublishedServers(read.doc, full, {}), 0u);
    EXPECT_EQ(full.Count(), serverlist::kMaxServerRowsFromNetwork);
}

}  // namespace
}  // namespace hublane::clients
