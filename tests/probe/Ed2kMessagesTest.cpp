// The eD2k and peer datagrams: request bytes, answer recognition, list and description parsing,
// usable entries and the encoders the lab and the peer protocol answer with.
#include "probe/Ed2kMessages.h"

#include <gtest/gtest.h>

#include "support/Hex.h"

namespace hublane::probe {
namespace {

using serverlist::EntryTable;
using serverlist::SERVEUR;
using test::Hex;

// A list answer of n entries: byte0 = E3, code A1, count, entry i = 10.0.i/256.i%256 port 4000+i.
std::string ListAnswer(int count, std::size_t keepBytes = std::string::npos) {
    std::string out = Hex("E3 A1");
    out.push_back(static_cast<char>(count));
    for (int i = 0; i < count; ++i) {
        const char entry[] = {10,
                              0,
                              static_cast<char>(i / 256),
                              static_cast<char>(i % 256),
                              static_cast<char>((4000 + i) & 0xFF),
                              static_cast<char>((4000 + i) >> 8)};
        out.append(entry, sizeof entry);
    }
    return out.substr(0, keepBytes);
}

TEST(Ed2kMessages, RequestsAreTheirFixedBytes) {
    EXPECT_EQ(ServerListRequest(), Hex("E3 A4 00 00 00 00"));
    EXPECT_EQ(DescriptionRequest(), Hex("E3 A2 00 00 00 00"));
    EXPECT_EQ(PeerRequest(PeerKind::Ping), Hex("A0"));
    EXPECT_EQ(PeerRequest(PeerKind::GetServers), Hex("A2"));
    EXPECT_EQ(PeerRequest(PeerKind::GetPeers), Hex("9E"));
    EXPECT_EQ(PeerRequest(PeerKind::Pong), Hex("9F"));
}

TEST(Ed2kMessages, RecognisesAnswersByByteOneOnly) {
    struct Case {
        const char* hex;
        bool list;
        bool description;
    };
    const Case cases[] = {
        {"", false, false},         {"A1", false, false},         {"A3", false, false},
        {"E3", false, false},       {"E3 A1", true, false},       {"00 A1 00", true, false},
        {"C5 A1", true, false},     {"E3 A3 00 00", false, true}, {"A1 A3", false, true},
        {"E3 A4 00", false, false}, {"A1 E3 01", false, false},   {"E3 A2", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.hex);
        EXPECT_EQ(IsServerListAnswer(Hex(c.hex)), c.list);
        EXPECT_EQ(IsDescriptionAnswer(Hex(c.hex)), c.description);
    }
}

TEST(Ed2kMessages, PeerMessagesAreRecognisedByByteZero) {
    EXPECT_TRUE(IsPeerMessage(Hex("A1"), PeerKind::Servers));
    EXPECT_TRUE(IsPeerMessage(Hex("9D 00 00"), PeerKind::Peers));
    EXPECT_FALSE(IsPeerMessage(Hex("E3 A1 00"), PeerKind::Servers));
    EXPECT_FALSE(IsPeerMessage("", PeerKind::Servers));
}

TEST(Ed2kMessages, ParseServerListFillsWhatFits) {
    struct Case {
        const char* name;
        std::string datagram;
        int filled;
    };
    const Case cases[] = {
        {"nothing", "", 0},
        {"code only", Hex("E3 A1"), 0},
        {"count 0", Hex("E3 A1 00"), 0},
        {"count 1 without its entry", Hex("E3 A1 01"), 0},
        {"one entry", Hex("E3 A1 01 C0 00 02 07 35 12"), 1},
        {"one byte short of 3 entries", ListAnswer(3, 3 + 6 * 3 - 1), 2},
        {"count 5, two whole entries", ListAnswer(5, 3 + 6 * 2 + 5), 2},
        {"bytes after the last entry", ListAnswer(1) + Hex("01 02 03 04 05 06 07"), 1},
        {"200 entries in 1203 bytes", ListAnswer(200), 200},
        {"255 entries", ListAnswer(255), 255},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EntryTable entries{};
        EXPECT_EQ(ParseServerList(c.datagram, entries), c.filled);
    }
    ASSERT_EQ(ListAnswer(200).size(), 1203u);
}

TEST(Ed2kMessages, ParseServerListDecodesAddressAndPortTexts) {
    EntryTable entries{};
    ASSERT_EQ(
        ParseServerList(Hex("E3 A1 03 C0 00 02 07 35 12  C6 33 00 09 FF FF  0A 00 00 0A 00 00"), entries), 3);
    EXPECT_EQ(entries[0].ip, "192.0.2.7");
    EXPECT_EQ(entries[0].port, "4661");
    EXPECT_EQ(entries[1].ip, "198.51.0.9");  // a zero byte inside an address ends nothing
    EXPECT_EQ(entries[1].port, "65535");
    EXPECT_EQ(entries[2].ip, "10.0.0.10");
    EXPECT_EQ(entries[2].port, "0");
}

TEST(Ed2kMessages, EntriesNotReachedKeepTheirValues) {
    EntryTable entries{};
    for (SERVEUR& e : entries) {
        e = SERVEUR{"1", "old"};
    }
    ASSERT_EQ(ParseServerList(ListAnswer(4, 3 + 6 * 4 - 1), entries), 3);
    EXPECT_EQ(entries[2].ip, "10.0.0.2");
    EXPECT_EQ(entries[2].port, "4002");
    EXPECT_EQ(entries[3].ip, "old");
    EXPECT_EQ(entries[3].port, "1");
    EXPECT_EQ(entries[254].ip, "old");
}

TEST(Ed2kMessages, PeerListDatagramsParseWithTheSameRoutine) {
    EntryTable entries{};
    entries[0] = SERVEUR{"9", "kept"};
    for (const char* tooShort : {"", "A1", "A1 00", "A1 00 05"}) {
        SCOPED_TRACE(tooShort);
        EXPECT_EQ(ParseServerList(Hex(tooShort), entries), 0);
        EXPECT_EQ(entries[0].ip, "kept");
    }
    ASSERT_EQ(ParseServerList(Hex("A1 77 01 C6 33 64 14 35 12 00"), entries), 1);
    EXPECT_EQ(entries[0].ip, "198.51.100.20");
    EXPECT_EQ(entries[0].port, "4661");
}

TEST(Ed2kMessages, UsableEntriesNeedNineCharactersAndAPort) {
    struct Case {
        SERVEUR entry;
        bool usable;
    };
    const Case cases[] = {
        {{"4661", "1.2.3.4"}, false}, {{"4661", "10.0.0.1"}, false}, {{"4661", "10.0.0.10"}, true},
        {{"", "10.0.0.10"}, false},   {{"0", "127.0.0.20"}, true},   {{"4661", ""}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.entry.ip + ":" + c.entry.port);
        EXPECT_EQ(IsUsableEntry(c.entry), c.usable);
    }
}

TEST(Ed2kMessages, ParseDescriptionCutsAtZeroBytesAndAtTheDatagramEnd) {
    struct Case {
        const char* name;
        std::string datagram;
        std::string serverName;
        std::string description;
    };
    const Case cases[] = {
        {"both texts", Hex("E3 A3 03 00 61 62 63 02 00 78 79"), "abc", "xy"},
        {"byte 0 not E3", Hex("00 A3 01 00 61 01 00 78"), "a", "x"},
        {"L1 = 0", Hex("E3 A3 00 00 02 00 78 79"), "", "xy"},
        {"L2 = 0", Hex("E3 A3 01 00 61 00 00"), "a", ""},
        {"zero byte in the name", Hex("E3 A3 03 00 61 00 63 01 00 78"), "a", "x"},
        {"zero byte in the description", Hex("E3 A3 01 00 61 03 00 78 00 7A"), "a", "x"},
        {"L2 past the end", Hex("E3 A3 01 00 61 09 00 78 79"), "a", "xy"},
        {"L1 past the end", Hex("E3 A3 09 00 61 62"), "ab", ""},
        {"half of L2", Hex("E3 A3 01 00 61 05"), "a", ""},
        {"no L2", Hex("E3 A3 01 00 61"), "a", ""},
        {"half of L1", Hex("E3 A3 05"), "", ""},
        {"code only", Hex("E3 A3"), "", ""},
        {"nothing", "", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Description d = ParseDescription(c.datagram);
        EXPECT_EQ(d.name, c.serverName);
        EXPECT_EQ(d.description, c.description);
    }
}

TEST(Ed2kMessages, DescriptionTextsStopAt4095Bytes) {
    const std::string longName(5000, 'n');
    const std::string longDesc(4096, 'd');
    const Description d = ParseDescription(BuildDescriptionAnswer(longName, longDesc));
    EXPECT_EQ(d.name, std::string(4095, 'n'));
    EXPECT_EQ(d.description, std::string(4095, 'd'));
    // The description still starts after the whole name, not after the part kept.
    EXPECT_EQ(ParseDescription(BuildDescriptionAnswer(longName, "tail")).description, "tail");
}

TEST(Ed2kMessages, BuildServerListAnswerMatchesTheWireLayout) {
    const std::optional<std::string> one = BuildServerListAnswer({{"4661", "192.0.2.7"}});
    ASSERT_TRUE(one);
    EXPECT_EQ(*one, Hex("E3 A1 01 C0 00 02 07 35 12"));
    EXPECT_EQ(BuildServerListAnswer({}, 0x00, 0xA3), Hex("00 A3 00"));

    std::vector<SERVEUR> many;
    for (int i = 0; i < 255; ++i) {
        many.push_back({std::to_string(i * 257), "127.0.1." + std::to_string(i)});
    }
    const std::optional<std::string> all = BuildServerListAnswer(many);
    ASSERT_TRUE(all);
    EntryTable entries{};
    ASSERT_EQ(ParseServerList(*all, entries), 255);
    for (std::size_t i = 0; i < many.size(); ++i) {
        EXPECT_EQ(entries[i].ip, many[i].ip);
        EXPECT_EQ(entries[i].port, many[i].port);
    }
    many.push_back({"1", "127.0.2.1"});
    EXPECT_FALSE(BuildServerListAnswer(many));
}

TEST(Ed2kMessages, EncodersRefuseEntriesThatAreNotDecimalText) {
    const SERVEUR bad[] = {{"4661", "1.2.3"},        {"4661", "1.2.3.256"}, {"4661", "a.b.c.d"},
                           {"4661", "1.2.3.4.5"},    {"4661", "1..2.3"},    {"4661", "1.2.3.4."},
                           {"4661", "host.example"}, {"65536", "1.2.3.4"},  {"", "1.2.3.4"},
                           {"46x1", "1.2.3.4"},      {"-1", "1.2.3.4"},     {"4661", " 1.2.3.4"}};
    for (const SERVEUR& e : bad) {
        SCOPED_TRACE(e.ip + ":" + e.port);
        std::string out = "x";
        EXPECT_FALSE(AppendListEntry(out, e));
        EXPECT_EQ(out, "x");
        EXPECT_FALSE(BuildListDatagram(PeerKind::Servers, {{"4661", "1.2.3.4"}, e}));
    }
    std::string out;
    EXPECT_TRUE(AppendListEntry(out, {"0", "0.0.0.0"}));
    EXPECT_TRUE(AppendListEntry(out, {"65535", "255.255.255.255"}));
    EXPECT_EQ(out, Hex("00 00 00 00 00 00  FF FF FF FF FF FF"));
}

TEST(Ed2kMessages, ListDatagramCarriesKindCountEntriesAndPad) {
    EXPECT_EQ(BuildListDatagram(PeerKind::Servers, {{"4661", "198.51.100.20"}}, 0x55, 0x66),
              Hex("A1 55 01 C6 33 64 14 35 12 66"));
    EXPECT_EQ(BuildListDatagram(PeerKind::Peers, {{"3077", "198.51.100.7"}, {"3077", "203.0.113.9"}}),
              Hex("9D 00 02 C6 33 64 07 05 0C CB 00 71 09 05 0C 00"));
    EXPECT_EQ(BuildListDatagram(PeerKind::Peers, {}), Hex("9D 00 00 00"));
}

TEST(Ed2kMessages, DescriptionAnswerRoundTripsZeroFreeTexts) {
    const std::string answer = BuildDescriptionAnswer("Lab 20", "a \x80 description", 0xC5);
    EXPECT_EQ(answer.substr(0, 4), Hex("C5 A3 06 00"));
    EXPECT_TRUE(IsDescriptionAnswer(answer));
    const Description d = ParseDescription(answer);
    EXPECT_EQ(d.name, "Lab 20");
    EXPECT_EQ(d.description, "a \x80 description");
    EXPECT_EQ(BuildDescriptionAnswer("", ""), Hex("E3 A3 00 00 00 00"));
}

}  // namespace
}  // namespace hublane::probe
