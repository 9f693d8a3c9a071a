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
    PeerOutcome Handle(const std::string& datagram, const std::string& sender = "198.51.100.7",
                       std::int64_t now = 100000) {
        return handler.Handle(datagram, sender, now, servers, peers);
    }
    std::vector<std::string> PeerCaptions() const {
        std::vector<std::string> out;
        for (const auto& r : peers.Rows())
            out.push_back(r.caption);
        return out;
    }

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
    // A pong from an address without a row adds the row and sets its flag.
    Handle("\x9F", "198.51.100.8");
    ASSERT_EQ(peers.FindExact("198.51.100.8"), 1);
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
    const PeerOutcome answer = Handle("\xA2");
    ASSERT_EQ(answer.answers.size(), 1u);
    EXPECT_EQ(answer.answers[0].bytes.substr(0, 3) + answer.answers[0].bytes.substr(3, 6),
              std::string("\xA1\x00\x01", 3) + Hex("C6 33 64 14 35 12"));
    // The peer list: every entry with the peer port, the sender itself included.
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
    EXPECT_EQ(entries(Handle("\xA2", "198.51.100.1")), 1u);
    EXPECT_EQ(entries(Handle("\x9E", "198.51.100.1")), 1u);  // the sender itself
    servers.AddServerRow("198.51.100.21", "4661");
    EXPECT_EQ(entries(Handle("\xA2", "198.51.100.2")), 2u);
    EXPECT_EQ(entries(Handle("\x9E", "198.51.100.2")), 2u);  // the second sender joined
    servers.Remove(0);
    peers.Remove(0);
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
    const PeerOutcome outcome = Handle(*datagram);
    EXPECT_EQ(PeerCaptions(), (std::vector<std::string>{"198.51.100.7", "198.51.100.30"}));
    EXPECT_EQ(outcome.serverCounterRaise, 0);
    EXPECT_EQ(servers.Count(), 0u);
}

TEST_F(PeerHandlerTest, ShortAndOverlongDatagramsAreReadSafely) {
    // A count that promises more than the datagram holds, a datagram of 3 bytes, 20,000 bytes.
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
    Handle(*datagram);
    EXPECT_EQ(servers.Count(), serverlist::kMaxServerRowsFromNetwork);
}

TEST_F(PeerHandlerTest, ABlockedSenderIsDroppedAndBlockedEntriesNeverArrive) {
    handler.SetBlocked([](std::string_view ip) { return ip.substr(0, 8) == "203.0.11"; });
    const PeerOutcome outcome = Handle("\xA0", "203.0.113.5");
    EXPECT_TRUE(outcome.blocked);
    EXPECT_TRUE(outcome.answers.empty());
    EXPECT_EQ(peers.Count(), 0u);
    const auto list = probe::BuildListDatagram(probe::PeerKind::Servers,
                                               {{"4661", "203.0.113.20"}, {"4661", "198.51.100.20"}});
    Handle(*list);
    ASSERT_EQ(servers.Count(), 1u);
    EXPECT_EQ(servers.Row(0).caption, "198.51.100.20");
}

}  // namespace
}  // namespace hublane::exchange
