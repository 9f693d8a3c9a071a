// How answers change the tables: the merge of received lists and the description of a server.
#include "probe/Merge.h"

#include <gtest/gtest.h>

namespace hublane::probe {
namespace {

using serverlist::Column;
using serverlist::EntryTable;

EntryTable Entries(std::initializer_list<std::pair<const char*, const char*>> list) {
    EntryTable t{};
    std::size_t i = 0;
    for (const auto& [ip, port] : list)
        t[i++] = {port, ip};
    return t;
}

TEST(MergeServers, CountsEveryNewAddressButAddsOnlyUsableOnes) {
    serverlist::ServerTable table;
    table.AddServerRow("80.11.2.3", "4661");
    const EntryTable e = Entries({{"80.11.2.3", "4242"},  // already a row: skipped, not counted
                                  {"80.1.2.3", "4661"},   // 8 characters: counted, not added
                                  {"10.0.0.10", "4661"},  // 9 characters: added
                                  {"80.12.2.3", ""},      // no port: counted, not added
                                  {"80.13.2.3", "4243"}});
    EXPECT_EQ(MergeServerEntries(table, e, 5), 4);
    ASSERT_EQ(table.Count(), 3u);
    EXPECT_EQ(table.Row(0).Sub(Column::Port), "4661");
    EXPECT_EQ(table.Row(1).caption, "10.0.0.10");
    EXPECT_EQ(table.Row(2).Sub(Column::Port), "4243");
    for (int c = 1; c < serverlist::kSubItemCount; ++c) {
        EXPECT_EQ(table.Row(2).subItems[static_cast<std::size_t>(c)], "n/a");
    }
    EXPECT_FALSE(table.Row(2).answered);
}

TEST(MergeServers, VisitsExactlyTheFilledEntries) {
    serverlist::ServerTable table;
    const EntryTable e = Entries({{"80.11.2.3", "1"}, {"80.11.2.4", "2"}, {"80.11.2.5", "3"}});
    EXPECT_EQ(MergeServerEntries(table, e, 2), 2);
    EXPECT_EQ(table.Count(), 2u);
    EXPECT_EQ(MergeServerEntries(table, e, 0), 0);
}

TEST(MergeServers, AWholeListOf255EntriesIsMerged) {
    serverlist::ServerTable table;
    EntryTable e{};
    for (std::size_t i = 0; i < e.size(); ++i)
        e[i] = {"4661", "80.1.1." + std::to_string(i)};
    EXPECT_EQ(MergeServerEntries(table, e, 255), 255);
    EXPECT_EQ(table.Count(), 255u - 10u);  // 80.1.1.0 to 80.1.1.9 have 8 characters
}

TEST(MergePeers, AddsUsableNewPeersOnlyAndNeverServers) {
    serverlist::PeerList peers;
    peers.AddPeerRow("81.11.2.3");
    const EntryTable e = Entries({{"81.11.2.3", "3077"},
                                  {"81.1.2.3", "3077"},
                                  {"81.11.2.4", "3077"},
                                  {"81.11.2.4", "3077"},
                                  {"81.11.2.5", ""}});
    EXPECT_EQ(MergePeerEntries(peers, e, 5), 1);
    ASSERT_EQ(peers.Count(), 2u);
    EXPECT_EQ(peers.Row(1).caption, "81.11.2.4");
}

TEST(ApplyDescription, GoesToTheFirstRowWithThatExactCaption) {
    serverlist::ServerTable table;
    table.AddServerRow("80.11.2.3", "4661");
    table.AddServerRow("80.11.2.4", "4661");
    table.SetCaption(1, "80.11.2.3");
    EXPECT_TRUE(ApplyDescription(table, "80.11.2.3", "Nom", "Desc"));
    EXPECT_TRUE(table.Row(0).answered);
    EXPECT_EQ(table.Row(0).Sub(Column::Name), "Nom");
    EXPECT_EQ(table.Row(0).Sub(Column::Description), "Desc");
    EXPECT_FALSE(table.Row(1).answered);
    EXPECT_FALSE(ApplyDescription(table, "80.11.2.9", "x", "y"));
    EXPECT_FALSE(ApplyDescription(table, "80.11.2.3 ", "x", "y"));
}

}  // namespace
}  // namespace hublane::probe
