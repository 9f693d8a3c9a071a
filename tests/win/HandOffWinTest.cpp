// The hand-off through user32 into fake clients (separate programs with real windows), in-process:
// the exact sequence in order, two clients, a title that does not match, two consoles, no console,
// and a client that stops answering.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "WinProcesses.h"
#include "clients/DonkeyHandOff.h"
#include "platform/WindowSystemWin.h"

namespace hublane::clients {
using serverlist::PlainGauge;
namespace {

using test::ConsoleLog;
using test::FakeClient;
using Outcome = HandOffResult::Outcome;

const std::vector<HandOffAddress> kRows = {{"1.2.3.4", "4661"}, {"5.6.7.8", "4242"}};

std::vector<std::string> Concat(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct ClientSetup {
    std::vector<std::string> options;
    // The lines the client's consoles log, in order.
    std::vector<std::string> expected;
};

struct Case {
    const char* name;
    std::vector<ClientSetup> clients;
    Outcome outcome;
    int consoles;
};

class HandOffWin : public ::testing::TestWithParam<Case> {};

TEST_P(HandOffWin, DeliversExactlyTheSequence) {
    const Case& c = GetParam();
    test::TempFolder folder;
    std::vector<std::unique_ptr<FakeClient>> clients;
    for (std::size_t i = 0; i < c.clients.size(); ++i) {
        clients.push_back(
            std::make_unique<FakeClient>(folder, "client" + std::to_string(i), c.clients[i].options));
    }
    ASSERT_FALSE(::testing::Test::HasFailure());
    const auto windows = platform::CreateWin32WindowSystem();
    PlainGauge gauge;
    DonkeyHandOff handOff(*windows, gauge);
    const HandOffResult result = handOff.SendToDonkey(kRows);
    EXPECT_EQ(result.outcome, c.outcome) << OutcomeName(result.outcome);
    EXPECT_EQ(result.consoles, c.consoles);
    for (std::size_t i = 0; i < clients.size(); ++i) {
        clients[i]->Stop();
        const std::vector<std::string> log = clients[i]->Log();
        EXPECT_EQ(log.size(), c.clients[i].expected.size()) << "client " << i;
        EXPECT_TRUE(log == c.clients[i].expected) << "client " << i << " logged other messages";
    }
    EXPECT_EQ(gauge.Max(), c.consoles > 0 ? 2 : 100);
}

INSTANTIATE_TEST_SUITE_P(
    FakeClients, HandOffWin,
    ::testing::Values(
        Case{"OneClient", {{{}, ConsoleLog(1, kRows)}}, Outcome::Delivered, 1},
        Case{"TwoClientsEachGetIt",
             {{{}, ConsoleLog(1, kRows)}, {{"--title", "eDonkey2000 v1.4 (2)"}, ConsoleLog(1, kRows)}},
             Outcome::Delivered,
             2},
        Case{"TenCharacterTitleIsNoClient", {{{"--title", "eDonkey200"}, {}}}, Outcome::NoClient, 0},
        Case{"LowerCaseTitleIsNoClient", {{{"--title", "edonkey2000 v1.4"}, {}}}, Outcome::NoClient, 0},
        Case{"TwoConsolesBothGetIt",
             {{{"--consoles", "2"}, Concat(ConsoleLog(1, kRows), ConsoleLog(2, kRows))}},
             Outcome::Delivered,
             2},
        Case{"ClientWithoutConsole", {{{"--consoles", "0", "--other-child"}, {}}}, Outcome::NoConsole, 0},
        Case{"ClientWithoutChildren", {{{"--no-children"}, {}}}, Outcome::NoConsole, 0},
        Case{"OnlyTheMatchingClientGetsIt",
             {{{"--title", "eDonkey200"}, {}}, {{"--other-child"}, ConsoleLog(1, kRows)}},
             Outcome::Delivered,
             1}),
    [](const ::testing::TestParamInfo<Case>& p) { return std::string(p.param.name); });

TEST(HandOffWinTest, ClientThatStopsAnsweringEndsTheHandOffWithinTheLimit) {
    test::TempFolder folder;
    FakeClient client(folder, "hung", {"--hang-after", "7", "--hang-ms", "20000"});
    ASSERT_FALSE(::testing::Test::HasFailure());
    const auto windows = platform::CreateWin32WindowSystem();
    PlainGauge gauge;
    DonkeyHandOff handOff(*windows, gauge, 1000);
    const auto start = std::chrono::steady_clock::now();
    const HandOffResult result = handOff.SendToDonkey(kRows);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(result.outcome, Outcome::NotAnswering);
    EXPECT_EQ(result.consoles, 0);
    // One message waited for its limit; everything before it was answered at once.
    EXPECT_LT(took, std::chrono::seconds(10));
    client.Stop();
    EXPECT_EQ(client.Log().size(), 7u);
}

}  // namespace
}  // namespace hublane::clients
