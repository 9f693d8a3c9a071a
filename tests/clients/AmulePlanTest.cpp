// The plan of a hand-off to aMule: what is added, what is removed and what is never touched.
#include "clients/AmulePlan.h"

#include <gtest/gtest.h>

namespace hublane::clients {
namespace {

struct Row {
    const char* ip;
    const char* port;
    const char* name;
};

struct PlanCase {
    const char* name;
    std::vector<AmuleServer> amule;
    std::vector<Row> table;
    std::set<ServerEndpoint> silent;
    AmulePlan expected;
};

void PrintTo(const PlanCase& c, std::ostream* os) {
    *os << c.name;
}

ServerEndpoint E(const char* ip, std::uint16_t port) {
    return {ip, port};
}

AmuleServer Dynamic(const char* ip, std::uint16_t port) {
    return {E(ip, port), "x", false};
}

AmuleServer Static(const char* ip, std::uint16_t port) {
    return {E(ip, port), "x", true};
}

class AmulePlans : public ::testing::TestWithParam<PlanCase> {};

TEST_P(AmulePlans, AddWhatAmuleLacksAndRemoveOnlyTheSilent) {
    const PlanCase& c = GetParam();
    serverlist::ServerTable table;
    for (const Row& row : c.table) {
        table.AddServerRow(row.ip, row.port, "n/a", "n/a", row.name);
    }
    EXPECT_EQ(PlanAmuleHandOff(c.amule, table, c.silent), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Plans, AmulePlans,
    ::testing::Values(
        PlanCase{
            "AddsWithNamesInTableOrder",
            {Dynamic("198.51.100.1", 4661)},
            {{"203.0.113.9", "4242", "Nine"},
             {"198.51.100.1", "4661", "Known"},
             {"198.51.100.2", "4661", "n/a"}},
            {},
            {{{E("203.0.113.9", 4242), "Nine"}, {E("198.51.100.2", 4661), "198.51.100.2:4661"}}, {}, false}},
        PlanCase{"RemovesAskedSilentKeepsStaticAndNeverAsked",
                 {Dynamic("198.51.100.1", 4661), Static("198.51.100.2", 4661), Dynamic("198.51.100.3", 4661),
                  Dynamic("198.51.100.4", 4661)},
                 {{"203.0.113.1", "4661", "New"}},
                 {E("198.51.100.1", 4661), E("198.51.100.2", 4661), E("198.51.100.9", 4661)},
                 {{{E("203.0.113.1", 4661), "New"}}, {E("198.51.100.1", 4661)}, false}},
        PlanCase{"SameAddressOtherPortIsAnotherServer",
                 {Dynamic("198.51.100.1", 4661)},
                 {{"198.51.100.1", "4242", "Other port"}},
                 {E("198.51.100.1", 4242)},
                 {{{E("198.51.100.1", 4242), "Other port"}}, {}, false}},
        PlanCase{"SilentButInTheTableIsKept",
                 {Dynamic("198.51.100.1", 4661)},
                 {{"198.51.100.1", "4661", "Back"}},
                 {E("198.51.100.1", 4661)},
                 {{}, {}, false}},
        PlanCase{"EmptyTablePlansNothing",
                 {Dynamic("198.51.100.1", 4661)},
                 {},
                 {E("198.51.100.1", 4661)},
                 {{}, {}, true}},
        PlanCase{"RowsThatAreNoEndpointAreSkipped",
                 {Dynamic("198.51.100.1", 4661)},
                 {{"host.example", "4661", "Name"},
                  {"198.51.100.300", "4661", ""},
                  {"198.51.100.5", "0", ""},
                  {"198.51.100.6", "n/a", ""},
                  {"198.051.100.7", "4661", ""}},
                 {E("198.51.100.1", 4661)},
                 {{}, {}, true}},
        PlanCase{"DuplicatesOnEitherSideCountOnce",
                 {Dynamic("198.51.100.1", 4661), Dynamic("198.51.100.1", 4661)},
                 {{"203.0.113.1", "4661", "A"}, {"203.0.113.1", "4661", "B"}},
                 {E("198.51.100.1", 4661)},
                 {{{E("203.0.113.1", 4661), "A"}}, {E("198.51.100.1", 4661)}, false}}),
    [](const ::testing::TestParamInfo<PlanCase>& p) { return std::string(p.param.name); });

TEST(AmulePlanTest, EndpointsAreDottedQuadsAndRealPorts) {
    EXPECT_EQ(EndpointOf("0.0.0.0", "1"), E("0.0.0.0", 1));
    EXPECT_EQ(EndpointOf("255.255.255.255", "65535"), E("255.255.255.255", 65535));
    for (const auto& [ip, port] : std::vector<std::pair<const char*, const char*>>{{"1.2.3", "4661"},
                                                                                   {"1.2.3.4.5", "4661"},
                                                                                   {"1..3.4", "4661"},
                                                                                   {"1.2.3.4 ", "4661"},
                                                                                   {"-1.2.3.4", "4661"},
                                                                                   {"1.2.3.4", "65536"},
                                                                                   {"1.2.3.4", "04661"},
                                                                                   {"1.2.3.4", ""}}) {
        EXPECT_EQ(EndpointOf(ip, port), std::nullopt) << ip << ":" << port;
    }
}

TEST(AmulePlanTest, EndpointsSurviveTheirTextAndNothingElseComesInFromIt) {
    const std::set<ServerEndpoint> three = {E("198.51.100.1", 4661), E("198.51.100.1", 4242),
                                            E("203.0.113.9", 65535)};
    EXPECT_EQ(EndpointsText(three, 10), "198.51.100.1:4242 198.51.100.1:4661 203.0.113.9:65535");
    EXPECT_EQ(EndpointsFromText(EndpointsText(three, 10), 10), three);
    EXPECT_EQ(EndpointsText(three, 2), "198.51.100.1:4242 198.51.100.1:4661");
    EXPECT_EQ(EndpointsText({}, 10), "");
    // A stored text that was edited or damaged: only whole endpoints come back, and no more
    // than asked for.
    EXPECT_EQ(
        EndpointsFromText("  198.51.100.1:4661 x 1.2.3.4 1.2.3.4:0 1.2.3.4:: :4661 203.0.113.9:65535 ", 10),
        (std::set<ServerEndpoint>{E("198.51.100.1", 4661), E("203.0.113.9", 65535)}));
    EXPECT_EQ(EndpointsFromText("1.1.1.1:1 1.1.1.2:1 1.1.1.3:1", 2).size(), 2U);
}

}  // namespace
}  // namespace hublane::clients
