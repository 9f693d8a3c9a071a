// The hand-off to eMule through user32 into fake eMules (separate programs with real windows),
// in-process and through hublane-handoff.exe --emule: the links exactly as eMule reads them, a
// window that is not eMule, a debug build's message, and an eMule that stops answering.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "WinProcesses.h"
#include "clients/EmuleHandOff.h"
#include "platform/WindowSystemWin.h"

namespace hublane::clients {
namespace {

using clients::HandOffAddress;
using clients::HandOffResult;
using test::FakeClient;
using Outcome = HandOffResult::Outcome;

const std::vector<HandOffAddress> kRows = {{"1.2.3.4", "4661"}, {"5.6.7.8", "4242"}};
const std::vector<std::string> kEmuleLog = {"ask",
                                            "copydata 12000 60 terminated ed2k://|server|1.2.3.4|4661|/",
                                            "copydata 12000 60 terminated ed2k://|server|5.6.7.8|4242|/"};

std::unique_ptr<FakeClient> FakeEmule(const test::TempFolder& folder, const std::string& name,
                                      std::vector<std::string> options = {}) {
    return std::make_unique<FakeClient>(folder, name, std::move(options), HUBLANE_FAKE_EMULE);
}

struct Case {
    const char* name;
    std::vector<std::string> emuleOptions;
    Outcome outcome;
    int sent;
    std::vector<std::string> log;
};

class EmuleHandOffWin : public ::testing::TestWithParam<Case> {};

// Beside the fake eMule runs a fake eDonkey2000: a window that answers nothing.
TEST_P(EmuleHandOffWin, SendsTheLinksAsEmuleReadsThem) {
    const Case& c = GetParam();
    test::TempFolder folder;
    FakeClient other(folder, "other", {});
    const auto emule = FakeEmule(folder, "emule", c.emuleOptions);
    ASSERT_FALSE(::testing::Test::HasFailure());
    const auto windows = platform::CreateWin32WindowSystem();
    serverlist::PlainGauge gauge;
    const HandOffResult result = EmuleHandOff(*windows, gauge).Send(kRows);
    EXPECT_EQ(result.outcome, c.outcome) << clients::OutcomeName(result.outcome);
    EXPECT_EQ(result.consoles, c.sent);
    emule->Stop();
    other.Stop();
    EXPECT_EQ(emule->Log(), c.log);
    EXPECT_TRUE(other.Log().empty());
}

INSTANTIATE_TEST_SUITE_P(
    FakeEmules, EmuleHandOffWin,
    ::testing::Values(Case{"ReleaseEmuleTakesEveryLink", {}, Outcome::Delivered, 2, kEmuleLog},
                      Case{
                          "AnswerOfAnotherValueIsNoEmule", {"--answer-other"}, Outcome::NoClient, 0, {"ask"}},
                      Case{"DebugBuildIsNotAsked",
                           {"--message", "EMULE-{4EADC6FC-516F-4b7c-9066-97D893649570}-DEBUG"},
                           Outcome::NoClient,
                           0,
                           {}}),
    [](const ::testing::TestParamInfo<Case>& p) { return std::string(p.param.name); });

TEST(EmuleHandOffWinTest, EmuleThatStopsAnsweringEndsTheHandOffWithinTheLimit) {
    test::TempFolder folder;
    const auto emule = FakeEmule(folder, "hung", {"--hang-after", "1", "--hang-ms", "20000"});
    ASSERT_FALSE(::testing::Test::HasFailure());
    const auto windows = platform::CreateWin32WindowSystem();
    serverlist::PlainGauge gauge;
    const auto start = std::chrono::steady_clock::now();
    const HandOffResult result = EmuleHandOff(*windows, gauge, 1000).Send(kRows);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(result, (HandOffResult{Outcome::NotAnswering, 1, 0, {}}));
    EXPECT_LT(took, std::chrono::seconds(10));
    emule->Stop();
    EXPECT_EQ(emule->Log(), (std::vector<std::string>{kEmuleLog[0], kEmuleLog[1]}));
}

// A window busy with the question for longer than the limit is passed over, like any other.
TEST(EmuleHandOffWinTest, WindowBusyWithTheQuestionIsPassedOver) {
    test::TempFolder folder;
    const auto emule = FakeEmule(folder, "busy", {"--hang-on-ask", "--hang-ms", "3000"});
    ASSERT_FALSE(::testing::Test::HasFailure());
    const auto windows = platform::CreateWin32WindowSystem();
    serverlist::PlainGauge gauge;
    const HandOffResult result = EmuleHandOff(*windows, gauge, 500).Send(kRows);
    // (Other windows of the Wine session may be slow too: only this one is known to be.)
    EXPECT_EQ(result.outcome, Outcome::NoClient);
    EXPECT_EQ(result.consoles, 0);
    EXPECT_NE(result.detail.find("pas répondu à temps"), std::string::npos) << result.detail;
    emule->Stop();
    EXPECT_EQ(emule->Log(), (std::vector<std::string>{"ask"}));
}

test::ProgramRun RunHelper(const std::string& input) {
    return test::RunProgram({test::WindowsPath(HUBLANE_HANDOFF_HELPER), "--emule"}, input);
}

TEST(EmuleHandOffWinTest, HelperSendsTheRowsAndReportsEachLink) {
    test::TempFolder folder;
    const auto emule = FakeEmule(folder, "emule");
    ASSERT_FALSE(::testing::Test::HasFailure());
    const test::ProgramRun run = RunHelper("1.2.3.4\t4661\n5.6.7.8\t4242\n");
    EXPECT_EQ(run.status, 0u);
    EXPECT_EQ(test::SplitLines(run.output),
              (std::vector<std::string>{"gauge max 2", "gauge position 0", "gauge position 1",
                                        "gauge position 2", "result delivered 1 2 "}));
    emule->Stop();
    EXPECT_EQ(emule->Log(), kEmuleLog);
}

TEST(EmuleHandOffWinTest, HelperOnlyLooksForEmuleWhenAskedTo) {
    test::TempFolder folder;
    const auto emule = FakeEmule(folder, "emule");
    ASSERT_FALSE(::testing::Test::HasFailure());
    const test::ProgramRun run =
        test::RunProgram({test::WindowsPath(HUBLANE_HANDOFF_HELPER), "--emule", "--find"}, "1.2.3.4\t4661\n");
    EXPECT_EQ(run.status, 0u);
    EXPECT_EQ(run.output, "result delivered 1 0 \n");
    emule->Stop();
    EXPECT_EQ(emule->Log(), (std::vector<std::string>{"ask"}));
}

TEST(EmuleHandOffWinTest, HelperWithoutEmuleSaysSo) {
    test::TempFolder folder;
    FakeClient other(folder, "other", {});
    ASSERT_FALSE(::testing::Test::HasFailure());
    const test::ProgramRun run = RunHelper("1.2.3.4\t4661\n");
    EXPECT_EQ(run.status, 1u);
    EXPECT_EQ(run.output, "result no-client 0 0 \n");
    other.Stop();
    EXPECT_TRUE(other.Log().empty());
}

}  // namespace
}  // namespace hublane::clients
