// The peer protocol without sockets: each kind of datagram, the list datagrams, the merge rules,
// and the mends for a server anyone can reach (answer limits, bounded lists, blocked senders).
#include "exchange/PeerHandler.h"

#include <gtest/gtest.h>

#include <limits>

#include "probe/Ed2kMessages.h"
#include "support/TestSupport.h"

namespace hublane::exchange {
namespace {

using serverlist::Column;
using serverlist::PeerList;
using serverlist::ServerTable;
using test::Hex;

class PeerHandlerTest : public ::testing::Test {
  protected:
    PeerHandlerTest() { handler.SetAsks(asks); }
    PeerOutcome Handle(const std::string& datagram, const std::string& sender = "198.51.100.7",
                       std::int64_t now = 100000) {
        return handler.Handle(datagram, sender, now, servers, peers);
    }
    // This copy asks sender for something (as a campaign or the button does).
    void Ask(const std::string& sender, serverlist::PeerAsk kind, std::int64_t now = 100000) {
        asks.Note(sender, kind, now);
    }
    // sender answers this copy's ping.
    void Trust(const std::string& sender, std::int64_t now = 100000) {
        Ask(sender, serverlist::PeerAsk::Ping, now);
        ASSERT_FALSE(Handle("\x9F", sender, now).unasked);
    }
    std::vector<std::string> PeerCaptions() const {
        std::vector<std::string> out;
        for (const auto& r : peers.Rows())
            out.push_back(r.caption);
        return out;
    }

    serverlist::PeerAsks asks;
    PeerHandler handler;
    ServerTable servers;
    PeerList peers;
};

TEST_F(PeerHandlerTest, EveryDatagramMakesItsSenderAPeerOnce) {
    EXPECT_TRUE(Handle("").answers.empty());
    Handle("\x42");
    Handle("");
    EXPECT_EQ(PeerCaptions(), std::vector<std::string>{"198.51.100.7"});
    EXPECT_FALSE(peers.Row(0).answered);
}

TEST_F(PeerHandlerTest, PingIsAnsweredWithOnePongAndAPongSetsTheSendersFlag) {
    const PeerOutcome ping = Handle("\xA0");
    ASSERT_EQ(ping.answers.size(), 1u);
    EXPECT_EQ(ping.answers[0].address, "198.51.100.7");
    EXPECT_EQ(ping.answers[0].bytes, "\x9F");
    // A pong from an address without a row adds the row; it sets the flag only when this copy
    // pinged that address in the last minute.
    EXPECT_TRUE(Handle("\x9F", "198.51.100.8").unasked);
    ASSERT_EQ(peers.FindExact("198.51.100.8"), 1);
    EXPECT_FALSE(peers.Row(1).answered);
    Ask("198.51.100.8", serverlist::PeerAsk::Ping, 100000);
    EXPECT_TRUE(Handle("\x9F", "198.51.100.8", 100000 + serverlist::kPeerAskValidMs).unasked);
    EXPECT_FALSE(Handle("\x9F", "198.51.100.8", 100000 + serverlist::kPeerAskValidMs - 1).unasked);
    EXPECT_TRUE(peers.Row(1).answered);
}

TEST_F(PeerHandlerTest, ListRequestsAreAnsweredInDatagramsOfFiftyEntries) {
    struct Case {
        int rows;
        std::vector<std::size_t> sizes;
    };
    for (const Case& c :
         {Case{0, {}}, Case{1, {10}}, Case{50, {304}}, Case{51, {304, 10}}, Case{120, {304, 304, 124}}}) {
        SCOPED_TRACE(c.rows);
        ServerTable table;
        for (int i = 0; i < c.rows; ++i)
            table.AddServerRow("198.51." + std::to_string(i / 200) + "." + std::to_string(i % 200 + 1),
                               "4661");
        std::vector<std::size_t> sizes;
        for (const std::string& d : ServerListDatagrams(table)) {
            sizes.push_back(d.size());
            EXPECT_EQ(static_cast<std::uint8_t>(d[0]), 0xA1);
            EXPECT_EQ(static_cast<std::size_t>(static_cast<std::uint8_t>(d[2])), (d.size() - 4) / 6);
        }
        EXPECT_EQ(sizes, c.sizes);
    }
    servers.AddServerRow("198.51.100.20", "4661");
    Trust("198.51.100.7");
    const PeerOutcome answer = Handle("\xA2");
    ASSERT_EQ(answer.answers.size(), 1u);
    EXPECT_EQ(answer.answers[0].bytes.substr(0, 3) + answer.answers[0].bytes.substr(3, 6),
              std::string("\xA1\x00\x01", 3) + Hex("C6 33 64 14 35 12"));
    // The peer list: every entry with the peer port, the sender itself (a copy that answered) included.
    const PeerOutcome peerList = Handle("\x9E");
    ASSERT_EQ(peerList.answers.size(), 1u);
    EXPECT_EQ(peerList.answers[0].bytes.substr(2, 7), Hex("01 C6 33 64 07 05 0C"));
}

TEST_F(PeerHandlerTest, ListAnswersFollowEveryChangeOfTheirList) {
    // The answers are kept between requests; each change of a list shows in the next answer.
    const auto entries = [](const PeerOutcome& out) {
        std::size_t n = 0;
        for (const PeerAnswer& a : out.answers)
            n += static_cast<std::uint8_t>(a.bytes[2]);
        return n;
    };
    servers.AddServerRow("198.51.100.20", "4661");
    for (const char* copy : {"198.51.100.1", "198.51.100.2", "198.51.100.3"})
        asks.Note(copy, serverlist::PeerAsk::Ping, 100000);
    Handle("\x9F", "198.51.100.1");
    EXPECT_EQ(entries(Handle("\xA2", "198.51.100.1")), 1u);
    EXPECT_EQ(entries(Handle("\x9E", "198.51.100.1")), 1u);  // the sender itself
    servers.AddServerRow("198.51.100.21", "4661");
    Handle("\x9F", "198.51.100.2");
    EXPECT_EQ(entries(Handle("\xA2", "198.51.100.2")), 2u);
    EXPECT_EQ(entries(Handle("\x9E", "198.51.100.2")), 2u);  // the second sender joined
    servers.Remove(0);
    peers.Remove(0);
    Handle("\x9F", "198.51.100.3");
    EXPECT_EQ(entries(Handle("\xA2", "198.51.100.3")), 1u);
    EXPECT_EQ(entries(Handle("\x9E", "198.51.100.3")), 2u);  // .1 gone, .3 came
    ServerTable other;                                       // another table at once: its own answer
    EXPECT_EQ(handler.Handle("\xA2", "198.51.100.4", 100000, other, peers).answers.size(), 0u);
}

TEST_F(PeerHandlerTest, AConversionFailureEndsTheAnswerAtItsRow) {
    for (int i = 0; i < 60; ++i)
        servers.AddServerRow("198.51.100." + std::to_string(i + 1), "4661");
    servers.AddServerRow("host.example", "4661");  // a row taken from a web link
    servers.AddServerRow("198.51.101.1", "4661");
    const std::vector<std::string> datagrams = ServerListDatagrams(servers);
    ASSERT_EQ(datagrams.size(), 1u);  // the first fifty went; the ten being filled did not
    EXPECT_EQ(datagrams[0].size(), 304u);
}

TEST_F(PeerHandlerTest, ServerListsFromPeersKeepPort4661AndCountNewAddresses) {
    std::vector<serverlist::SERVEUR> entries = {{"4661", "198.51.100.20"}, {"4242", "198.51.100.21"},
                                                {"4661", "80.1.2.3"},      {"4661", "80.11.2.3"},
                                                {"4661", "198.51.100.20"}, {"4661", "198.51.0.9"}};
    const auto datagram = probe::BuildListDatagram(probe::PeerKind::Servers, entries);
    ASSERT_TRUE(datagram.has_value());
    Ask("198.51.100.7", serverlist::PeerAsk::Servers);
    const PeerOutcome outcome = Handle(*datagram);
    // 80.1.2.3 is new (counted) but too short to become a row; the second 198.51.100.20 is known.
    EXPECT_EQ(outcome.serverCounterRaise, 4);
    ASSERT_EQ(servers.Count(), 3u);
    EXPECT_EQ(servers.Row(0).caption, "198.51.100.20");
    EXPECT_EQ(servers.Row(1).caption, "80.11.2.3");
    EXPECT_EQ(servers.Row(2).caption, "198.51.0.9");  // a zero byte inside does not end the datagram
    EXPECT_EQ(servers.Row(2).Sub(Column::Name), "n/a");
    EXPECT_TRUE(outcome.answers.empty());
}

TEST_F(PeerHandlerTest, PeerListsFromPeersKeepThePeerPortOnly) {
    const auto datagram = probe::BuildListDatagram(
        probe::PeerKind::Peers, {{"3077", "198.51.100.30"}, {"4661", "198.51.100.31"}, {"3077", "80.1.2.3"}});
    ASSERT_TRUE(datagram.has_value());
    Ask("198.51.100.7", serverlist::PeerAsk::Peers);
    const PeerOutcome outcome = Handle(*datagram);
    EXPECT_EQ(PeerCaptions(), (std::vector<std::string>{"198.51.100.7", "198.51.100.30"}));
    EXPECT_EQ(outcome.serverCounterRaise, 0);
    EXPECT_EQ(servers.Count(), 0u);
}

TEST_F(PeerHandlerTest, ShortAndOverlongDatagramsAreReadSafely) {
    // A count that promises more than the datagram holds, a datagram of 3 bytes, 20,000 bytes.
    Ask("198.51.100.7", serverlist::PeerAsk::Servers);
    EXPECT_EQ(
        Handle(std::string("\xA1\x00\x05", 3) + Hex("C6 33 64 14 35 12") + "\x01\x02").serverCounterRaise, 1);
    EXPECT_EQ(Handle(std::string("\xA1\x00\x05", 3)).serverCounterRaise, 0);
    std::string big(20000, '\x01');
    big[0] = static_cast<char>(0xA1);
    big[2] = static_cast<char>(0xFF);
    EXPECT_NO_THROW(Handle(big));
    EXPECT_LE(servers.Count(), 255u);
}

TEST_F(PeerHandlerTest, EachRequesterGetsOneAnswerOfEachKindPerTenSeconds) {
    servers.AddServerRow("198.51.100.20", "4661");
    EXPECT_EQ(Handle("\xA0", "203.0.113.5", 1000).answers.size(), 1u);
    EXPECT_EQ(Handle("\xA2", "203.0.113.5", 1001).answers.size(), 1u);  // another kind
    const PeerOutcome again = Handle("\xA0", "203.0.113.5", 10999);
    EXPECT_TRUE(again.answers.empty());
    EXPECT_TRUE(again.limited);
    EXPECT_EQ(Handle("\xA0", "203.0.113.6", 10999).answers.size(), 1u);  // another requester
    EXPECT_EQ(Handle("\xA0", "203.0.113.5", 11000).answers.size(), 1u);  // ten seconds later
    // The copy's own start-up check is always answered.
    handler.SetSelf("127.0.0.2", false);
    EXPECT_EQ(Handle("\xA0", "127.0.0.2", 11001).answers.size(), 1u);
    EXPECT_EQ(Handle("\xA0", "127.0.0.2", 11002).answers.size(), 1u);
}

TEST_F(PeerHandlerTest, TheAnswerRuleHoldsWhateverTheClockReads) {
    // The handler takes any monotonic milliseconds, from the lowest to the highest.
    constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    for (const std::int64_t start :
         {kMin, kMin + 1, std::int64_t{-1}, std::int64_t{0}, kMax / 2 + 1, kMax - 2 * kAnswerWindowMs}) {
        SCOPED_TRACE(start);
        PeerHandler fresh;
        PeerList list;
        const auto ping = [&](std::int64_t at) {
            return fresh.Handle("\xA0", "198.51.100.9", at, servers, list);
        };
        EXPECT_EQ(ping(start).answers.size(), 1u);
        EXPECT_TRUE(ping(start + kAnswerWindowMs - 1).limited);
        EXPECT_EQ(ping(start + kAnswerWindowMs).answers.size(), 1u);
    }
}

TEST_F(PeerHandlerTest, ACopyIsNeverItsOwnPeerUnlessItListensOnEveryAddress) {
    // A copy with an address of its own: its pong ends its check, but it never becomes a row, nor
    // when another copy's peer list names it.
    handler.SetSelf("127.0.0.2", false);
    EXPECT_TRUE(Handle("\x9F", "127.0.0.2").selfPong);
    Ask("127.0.0.3", serverlist::PeerAsk::Peers);
    Handle(*probe::BuildListDatagram(probe::PeerKind::Peers, {{"3077", "127.0.0.2"}, {"3077", "127.0.0.30"}}),
           "127.0.0.3");
    EXPECT_EQ(PeerCaptions(), (std::vector<std::string>{"127.0.0.3", "127.0.0.30"}));
    // A copy on every address pings 127.0.0.1: that row appears with its flag, for the clean-up.
    PeerHandler everywhere;
    everywhere.SetSelf("127.0.0.1", true);
    PeerList list;
    EXPECT_TRUE(everywhere.Handle("\x9F", "127.0.0.1", 0, servers, list).selfPong);
    ASSERT_EQ(list.Count(), 1u);
    EXPECT_TRUE(list.Row(0).answered);
}

TEST_F(PeerHandlerTest, AFloodOfSpoofedSendersLeavesTheListsAndMemoryBounded) {
    servers.AddServerRow("198.51.100.20", "4661");
    std::size_t answered = 0;
    for (std::uint32_t i = 0; i < 100000; ++i) {
        const std::string sender =
            probe::AddressText(10 + static_cast<std::uint8_t>(i >> 16), static_cast<std::uint8_t>(i >> 8),
                               static_cast<std::uint8_t>(i), 7);
        answered += Handle(i % 2 ? "\xA2" : "\xA0", sender, 5000 + i / 100).answers.size();
    }
    EXPECT_EQ(peers.Count(), serverlist::kMaxPeerRows);
    EXPECT_LE(handler.RememberedRequesters(), kMaxRememberedRequesters);
    EXPECT_GE(answered, kMaxRememberedRequesters / 2);
    // The copy still answers a new requester once the window has passed.
    EXPECT_EQ(Handle("\xA0", "198.51.100.99", 5000 + 100000 / 100 + kAnswerWindowMs).answers.size(), 1u);
}

TEST_F(PeerHandlerTest, AServerTableFullFromTheNetworkTakesNoMoreRows) {
    for (std::size_t i = 0; i < serverlist::kMaxServerRowsFromNetwork; ++i)
        servers.AddServerRow("198." + std::to_string(i / 65536) + "." + std::to_string(i / 256 % 256) + "." +
                                 std::to_string(i % 256),
                             "4661");
    const auto datagram = probe::BuildListDatagram(probe::PeerKind::Servers, {{"4661", "203.0.113.20"}});
    Ask("198.51.100.7", serverlist::PeerAsk::Servers);
    Handle(*datagram);
    EXPECT_EQ(servers.Count(), serverlist::kMaxServerRowsFromNetwork);
}

TEST_F(PeerHandlerTest, ABlockedSenderIsDroppedAndBlockedEntriesNeverArrive) {
    handler = PeerHandler(3077, [](std::string_view ip) { return ip.substr(0, 8) == "203.0.11"; });
    handler.SetAsks(asks);
    const PeerOutcome outcome = Handle("\xA0", "203.0.113.5");
    EXPECT_TRUE(outcome.blocked);
    EXPECT_TRUE(outcome.answers.empty());
    EXPECT_EQ(peers.Count(), 0u);
    const auto list = probe::BuildListDatagram(probe::PeerKind::Servers,
                                               {{"4661", "203.0.113.20"}, {"4661", "198.51.100.20"}});
    Ask("198.51.100.7", serverlist::PeerAsk::Servers);
    Handle(*list);
    ASSERT_EQ(servers.Count(), 1u);
    EXPECT_EQ(servers.Row(0).caption, "198.51.100.20");
}

// Requests under addresses nobody checks: what they make this copy send, in total and to one
// address.
struct Sent {
    std::size_t bytes = 0;
    std::size_t toVictim = 0;
};

TEST_F(PeerHandlerTest, AStrangersRequestEarnsOneDatagramAndATrustedCopyTheWholeList) {
    for (int i = 0; i < 120; ++i)
        servers.AddServerRow("198.51.101." + std::to_string(i + 1), "4661");
    const PeerOutcome stranger = Handle("\xA2", "203.0.113.5");
    ASSERT_EQ(stranger.answers.size(), 1u);
    EXPECT_EQ(stranger.answers[0].bytes.size(), 304u);
    EXPECT_TRUE(stranger.limited);
    // Once it answered this copy's ping it gets all three datagrams.
    Trust("203.0.113.5", 200000);
    EXPECT_EQ(Handle("\xA2", "203.0.113.5", 200000).answers.size(), 3u);
    // Trust lasts kTrustedForMs from the last pong.
    EXPECT_EQ(Handle("\xA2", "203.0.113.5", 200000 + kTrustedForMs - 1).answers.size(), 3u);
    EXPECT_EQ(Handle("\xA2", "203.0.113.5", 200000 + 2 * kTrustedForMs).answers.size(), 1u);
}

TEST_F(PeerHandlerTest, SpoofedRequestsBuyLittleAndAVictimGetsUnderOneKilobytePerWindow) {
    // A full table, and ten thousand one-byte requests of every kind under random-looking
    // addresses, a hundred of them under the victim's.
    for (std::size_t i = 0; i < serverlist::kMaxServerRowsFromNetwork; ++i)
        servers.AddServerRow(
            probe::AddressText(198, 18, static_cast<std::uint8_t>(i >> 8), static_cast<std::uint8_t>(i)),
            "4661");
    const std::string victim = "198.51.100.99";
    const char* kinds[] = {"\xA2", "\x9E", "\xA0"};
    Sent sent;
    std::size_t received = 0;
    for (std::uint32_t i = 0; i < 10000; ++i) {
        const std::string sender = i % 100 == 0 ? victim
                                                : probe::AddressText(static_cast<std::uint8_t>(20 + i % 180),
                                                                     static_cast<std::uint8_t>(i >> 4),
                                                                     static_cast<std::uint8_t>(i), 9);
        received += 1;
        // All within one answer window.
        for (const PeerAnswer& a : Handle(kinds[i % 3], sender, 1000 + i / 2).answers) {
            EXPECT_EQ(a.address, sender);
            sent.bytes += a.bytes.size();
            sent.toVictim += a.address == victim ? a.bytes.size() : 0;
        }
    }
    EXPECT_LE(sent.bytes, 400 * received);
    EXPECT_LE(sent.toVictim, 1024u);
    EXPECT_GT(sent.toVictim, 0u);
}

TEST_F(PeerHandlerTest, TheStrangersOfOneNetworkAndAllAnswersShareABudget) {
    for (int i = 0; i < 120; ++i)
        servers.AddServerRow("198.51.101." + std::to_string(i + 1), "4661");
    // 256 spoofed addresses of one /24 within one window.
    std::size_t network = 0;
    for (int i = 0; i < 256; ++i)
        for (const PeerAnswer& a : Handle("\xA2", "203.0.113." + std::to_string(i), 1000).answers)
            network += a.bytes.size();
    EXPECT_LE(network, kStrangerBytesPerNetwork);
    EXPECT_GE(network, kStrangerBytesPerNetwork - 304);
    // The next window gives the network its budget again; another network has its own.
    EXPECT_EQ(Handle("\xA2", "203.0.113.1", 1000 + kAnswerWindowMs).answers.size(), 1u);
    EXPECT_EQ(Handle("\xA2", "198.51.102.1", 1000).answers.size(), 1u);

    // Trusted copies asking for a large table all at once: at most kAnswerBytesPerSecond goes out
    // each second, each answer whole or not at all.
    ServerTable big;
    for (std::size_t i = 0; i < serverlist::kMaxServerRowsFromNetwork; ++i)
        big.AddServerRow(
            probe::AddressText(198, 18, static_cast<std::uint8_t>(i >> 8), static_cast<std::uint8_t>(i)),
            "4661");
    const std::size_t whole = ServerListDatagrams(big).size();
    std::size_t datagrams = 0;
    for (int i = 0; i < 10; ++i) {
        const std::string copy = "198.51.103." + std::to_string(i + 1);
        Trust(copy, 50000);
        const PeerOutcome out = handler.Handle("\xA2", copy, 50000, big, peers);
        EXPECT_TRUE(out.answers.empty() || out.answers.size() == whole);
        datagrams += out.answers.size();
    }
    EXPECT_EQ(datagrams * 304, (kAnswerBytesPerSecond / (whole * 304)) * whole * 304);
    EXPECT_EQ(handler.Handle("\xA2", "198.51.103.10", 51000, big, peers).answers.size(), whole);
}

TEST_F(PeerHandlerTest, ListsAndPongsNobodyAskedForChangeNoTable) {
    const std::string servers50 = *probe::BuildListDatagram(
        probe::PeerKind::Servers,
        std::vector<serverlist::SERVEUR>(50, serverlist::SERVEUR{"4661", "198.51.100.20"}));
    const std::string peers1 = *probe::BuildListDatagram(probe::PeerKind::Peers, {{"3077", "198.51.100.30"}});
    std::vector<std::string> listsFrom;
    for (int i = 0; i < 1000; ++i) {
        const std::string sender = probe::AddressText(198, 51, 104, static_cast<std::uint8_t>(i % 200));
        const PeerOutcome out = Handle(i % 3 == 0   ? peers1
                                       : i % 3 == 1 ? servers50
                                                    : "\x9F",
                                       sender, 1000 + i);
        EXPECT_TRUE(out.unasked);
        EXPECT_TRUE(out.answers.empty());
    }
    EXPECT_EQ(servers.Count(), 0u);
    EXPECT_EQ(peers.Count(), 200u);  // the senders themselves, and nothing they named
    EXPECT_EQ(peers.FindExact("198.51.100.30"), -1);
    for (const auto& row : peers.Rows())
        EXPECT_FALSE(row.answered);
    // Asked for servers, a copy's peer list is still not taken, nor its servers after a minute.
    Ask("198.51.104.1", serverlist::PeerAsk::Servers, 5000);
    EXPECT_TRUE(Handle(peers1, "198.51.104.1", 5000).unasked);
    EXPECT_TRUE(Handle(servers50, "198.51.104.1", 5000 + serverlist::kPeerAskValidMs).unasked);
    EXPECT_FALSE(Handle(servers50, "198.51.104.1", 5001).unasked);
    EXPECT_EQ(servers.Count(), 1u);
}

TEST_F(PeerHandlerTest, APingingStrangerIsPassedOnOnlyOnceItAnsweredAPing) {
    Trust("198.51.100.2");
    Handle("\xA0", "203.0.113.5");  // a stranger pings
    EXPECT_TRUE(handler.Pending("203.0.113.5"));
    EXPECT_GE(peers.FindExact("203.0.113.5"), 0);
    const auto listed = [this](std::int64_t now) {
        std::vector<std::string> out;
        serverlist::EntryTable entries{};
        for (const PeerAnswer& a : Handle("\x9E", "198.51.100.2", now).answers) {
            const int n = probe::ParseServerList(a.bytes, entries);
            for (int i = 0; i < n; ++i)
                out.push_back(entries[static_cast<std::size_t>(i)].ip);
        }
        return out;
    };
    EXPECT_EQ(listed(100000), std::vector<std::string>{"198.51.100.2"});
    // Rows that came from elsewhere (a file, the directory, an asked copy's list) are passed on.
    peers.AddPeerRow("198.51.100.40");
    Trust("203.0.113.5", 120000);
    EXPECT_FALSE(handler.Pending("203.0.113.5"));
    EXPECT_EQ(listed(120000), (std::vector<std::string>{"198.51.100.2", "203.0.113.5", "198.51.100.40"}));
}

}  // namespace
}  // namespace hublane::exchange
