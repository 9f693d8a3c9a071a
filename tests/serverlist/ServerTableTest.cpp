// The server table rules: one row per address, clean-up boundaries, adjacent duplicates, text order.
#include "serverlist/ServerTable.h"

#include <gtest/gtest.h>

namespace hublane::serverlist {
namespace {

std::vector<std::string> Captions(const ServerTable& t) {
    std::vector<std::string> out;
    for (const auto& r : t.Rows())
        out.push_back(r.caption);
    return out;
}

std::vector<std::string> Captions(const PeerList& t) {
    std::vector<std::string> out;
    for (const auto& r : t.Rows())
        out.push_back(r.caption);
    return out;
}

TEST(ServerTable, FirstRowWinsAndKeepsItsPort) {
    ServerTable t;
    EXPECT_TRUE(t.AddServerRow("1.2.3.4", "4661"));
    EXPECT_FALSE(t.AddServerRow("1.2.3.4", "4242", "5", "6", "x", "y", "z"));
    ASSERT_EQ(t.Count(), 1u);
    EXPECT_EQ(t.Row(0).Sub(Column::Port), "4661");
    EXPECT_EQ(t.Row(0).Sub(Column::Name), "n/a");
    EXPECT_EQ(t.Row(0).Sub(Column::Home), "n/a");
    EXPECT_FALSE(t.Row(0).answered);
}

TEST(ServerTable, LookUpIgnoresLetterCaseButMatchesWholeCaption) {
    ServerTable t;
    EXPECT_TRUE(t.AddServerRow("Host.Example", "1"));
    EXPECT_FALSE(t.AddServerRow("host.example", "2"));
    EXPECT_TRUE(t.AddServerRow("host.exampl", "3"));
    EXPECT_TRUE(t.AddServerRow("1.2.3.45", "4"));
    EXPECT_TRUE(t.AddServerRow("1.2.3.4", "5"));
    EXPECT_EQ(t.Count(), 4u);
    EXPECT_EQ(t.FindExact("host.example"), -1);
    EXPECT_EQ(t.FindNoCase("host.example"), 0);
    EXPECT_EQ(t.FindExact("1.2.3.4"), 3);
}

TEST(PeerList, AddPeerRowKeepsOneRowPerAddressButAppendDoesNot) {
    PeerList p;
    EXPECT_TRUE(p.AddPeerRow("5.6.7.8"));
    EXPECT_FALSE(p.AddPeerRow("5.6.7.8"));
    p.Append("5.6.7.8");
    EXPECT_EQ(p.Count(), 2u);
}

TEST(ServerTable, ClearAnsweredFlagsClearsBothLists) {
    ServerTable t;
    PeerList p;
    t.AddServerRow("1.1.1.1", "1");
    p.AddPeerRow("2.2.2.2");
    t.Row(0).answered = true;
    p.Row(0).answered = true;
    ClearAnsweredFlags(t, p);
    EXPECT_FALSE(t.Row(0).answered);
    EXPECT_FALSE(p.Row(0).answered);
}

struct AddressCase {
    const char* caption;
    bool removed;
};

class CleanUpAddress : public ::testing::TestWithParam<AddressCase> {};

TEST_P(CleanUpAddress, RemovesPrivateLoopbackAndBroadcastOnly) {
    EXPECT_EQ(IsUnwantedAddress(GetParam().caption), GetParam().removed) << GetParam().caption;
}

INSTANTIATE_TEST_SUITE_P(
    Boundaries, CleanUpAddress,
    ::testing::Values(AddressCase{"10.0.0.1", true}, AddressCase{"172.16.0.1", true},
                      AddressCase{"172.31.255.255", true}, AddressCase{"192.168.1.1", true},
                      AddressCase{"255.255.255.255", true}, AddressCase{"127.0.0.1", true},
                      AddressCase{"127.0.0.12", true}, AddressCase{"127.0.0.15", true},
                      AddressCase{"172.016.0.1", true}, AddressCase{"100.1.1.1", false},
                      AddressCase{"172.15.0.1", false}, AddressCase{"172.32.0.1", false},
                      AddressCase{"172.1.6.5", false}, AddressCase{"192.169.0.1", false},
                      AddressCase{"127.0.0.2", false}, AddressCase{"110.0.0.1", false},
                      // A "172." caption whose second part is not a number is kept.
                      AddressCase{"172.abc.0.1", false}, AddressCase{"172..0.1", false},
                      AddressCase{"172.", false}, AddressCase{"172.20", true},
                      AddressCase{"172.99999999999999999999.1.1", false}, AddressCase{"", false},
                      // Ranges no server can have, at their edges.
                      AddressCase{"0.0.0.0", true}, AddressCase{"0.255.1.1", true},
                      AddressCase{"1.0.0.1", false}, AddressCase{"100.64.0.1", true},
                      AddressCase{"100.127.255.255", true}, AddressCase{"100.63.255.255", false},
                      AddressCase{"100.128.0.1", false}, AddressCase{"169.254.3.4", true},
                      AddressCase{"169.253.3.4", false}, AddressCase{"169.255.3.4", false},
                      AddressCase{"224.0.0.1", true}, AddressCase{"239.255.255.255", true},
                      AddressCase{"240.0.0.1", true}, AddressCase{"223.255.255.255", false},
                      AddressCase{"0host.example", false}, AddressCase{"2240.1.1.1", false}));

TEST(CleanUp, ThreeConsecutivePrivateRowsAreAllRemoved) {
    ServerTable t;
    PeerList p;
    for (const char* ip : {"10.0.0.1", "10.0.0.2", "10.0.0.3", "80.1.1.1"})
        t.AddServerRow(ip, "4661");
    for (const char* ip : {"192.168.0.5", "192.168.0.6", "127.0.0.1", "9.9.9.9"})
        p.AddPeerRow(ip);
    PlainGauge g;
    EXPECT_EQ(CleanUpTables(t, p, g), 1u);
    EXPECT_EQ(Captions(t), std::vector<std::string>{"80.1.1.1"});
    EXPECT_EQ(Captions(p), std::vector<std::string>{"9.9.9.9"});
    EXPECT_EQ(g.Position(), 1);  // the duplicate pass stepped once over the remaining row
}

TEST(CleanUp, AdjacentDuplicateKeepsTheLaterRow) {
    ServerTable t;
    PeerList p;

    t.AddServerRow("5.6.7.8", "1", "n/a", "n/a", "first");
    t.AddServerRow("1.1.1.1", "2");
    t.AddServerRow("5.6.7.9", "3");
    // A producer never adds a second row for one address; rename one to get two.
    t.SetCaption(2, "5.6.7.8");
    t.Row(2).Sub(Column::Name) = "second";
    PlainGauge g;
    EXPECT_EQ(CleanUpTables(t, p, g), 2u);
    ASSERT_EQ(Captions(t), (std::vector<std::string>{"1.1.1.1", "5.6.7.8"}));
    EXPECT_EQ(t.Row(1).Sub(Column::Name), "second");
}

TEST(CleanUp, DuplicatesAreFoundOnlyWhenAdjacent) {
    ServerTable t;
    PeerList p;
    t.AddServerRow("5.6.7.8", "4242");
    t.AddServerRow("1.1.1.1", "4661");
    t.AddServerRow("9.9.9.9", "80");
    t.SetCaption(2, "5.6.7.8");
    t.SortByColumn(1);  // by Port: 4242, 4661, 80 -> the two 5.6.7.8 rows are not neighbours
    PlainGauge g;
    EXPECT_EQ(CleanUpTables(t, p, g), 3u);
}

TEST(Sort, TextOrderNeverNumericAndAlwaysAscending) {
    ServerTable t;
    t.AddServerRow("9.1.1.1", "80", "n/a", "n/a", "b");
    t.AddServerRow("10.0.0.1", "4661", "n/a", "n/a", "A");
    t.AddServerRow("200.1.1.1", "4242", "n/a", "n/a", "c");
    t.SortByColumn(0);
    EXPECT_EQ(Captions(t), (std::vector<std::string>{"10.0.0.1", "200.1.1.1", "9.1.1.1"}));
    t.SortByColumn(1);
    EXPECT_EQ(Captions(t), (std::vector<std::string>{"200.1.1.1", "10.0.0.1", "9.1.1.1"}));
    t.SortByColumn(1);
    EXPECT_EQ(Captions(t), (std::vector<std::string>{"200.1.1.1", "10.0.0.1", "9.1.1.1"}));
    t.SortByColumn(4);  // Nom, letter case ignored
    EXPECT_EQ(Captions(t), (std::vector<std::string>{"10.0.0.1", "9.1.1.1", "200.1.1.1"}));
    EXPECT_EQ(t.SortColumn(), 4);
}

TEST(Sort, CompareIgnoresLetterCase) {
    EXPECT_EQ(CompareNoCase("abc", "ABC"), 0);
    EXPECT_LT(CompareNoCase("ab", "abc"), 0);
    EXPECT_GT(CompareNoCase("b", "A"), 0);
    ServerRow a{"x", {"1", "", "", "Zed", "", ""}, false};
    ServerRow b{"y", {"1", "", "", "alpha", "", ""}, false};
    EXPECT_GT(lvipCompare(a, b, 4), 0);
    EXPECT_EQ(lvipCompare(a, b, 1), 0);
    EXPECT_LT(lvipCompare(a, b, 0), 0);
}

TEST(CleanUp, GaugeFollowsTheRowCount) {
    ServerTable t;
    PeerList p;
    for (int i = 0; i < 5; ++i)
        t.AddServerRow("80.0.0." + std::to_string(i), "1");
    PlainGauge g;
    g.SetMax(1000);
    g.SetPosition(17);
    CleanUpTables(t, p, g);
    EXPECT_EQ(g.Max(), 5);
    EXPECT_EQ(g.Position(), 5);
}

}  // namespace
}  // namespace hublane::serverlist
