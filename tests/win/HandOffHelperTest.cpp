// hublane-handoff.exe, as the program runs it: rows on standard input, the gauge and the result
// on standard output, the sequence in each fake client's consoles; the empty table, bad input,
// and a client that stops answering within the default limit.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "WinProcesses.h"
#include "clients/HandOffLines.h"

namespace hublane::clients {
namespace {

using test::ConsoleLog;
using test::FakeClient;

const std::vector<HandOffAddress> kRows = {{"1.2.3.4", "4661"}, {"5.6.7.8", "4242"}};
const std::string kInput = "1.2.3.4\t4661\n5.6.7.8\t4242\n";

test::ProgramRun RunHelper(const std::string& input, std::vector<std::string> options = {}) {
    std::vector<std::string> args = {test::WindowsPath(HUBLANE_HANDOFF_HELPER)};
    args.insert(args.end(), options.begin(), options.end());
    return test::RunProgram(args, input);
}

// The helper's whole output for consoles that all got the two rows.
std::vector<std::string> GaugeAndResult(int consoles, int clients) {
    std::vector<std::string> lines;
    for (int c = 0; c < consoles; ++c) {
        lines.push_back("gauge max 2000");
        for (int i = 0; i <= 2000; ++i) {
            lines.push_back("gauge position " + std::to_string(i));
        }
        lines.push_back("gauge max 2");
        for (int i = 0; i <= 2; ++i) {
            lines.push_back("gauge position " + std::to_string(i));
        }
    }
    lines.push_back("result delivered " + std::to_string(clients) + " " + std::to_string(consoles) + " ");
    return lines;
}

TEST(HandOffHelperTest, TypesTheRowsIntoEveryConsoleAndReportsEachGaugeMove) {
    test::TempFolder folder;
    FakeClient first(folder, "first", {"--consoles", "2"});
    FakeClient second(folder, "second", {});
    ASSERT_FALSE(::testing::Test::HasFailure());
    const test::ProgramRun run = RunHelper(kInput);
    EXPECT_EQ(run.status, 0u);
    EXPECT_TRUE(test::SplitLines(run.output) == GaugeAndResult(3, 2)) << run.output.substr(0, 200);
    first.Stop();
    second.Stop();
    std::vector<std::string> both = ConsoleLog(1, kRows);
    const std::vector<std::string> secondConsole = ConsoleLog(2, kRows);
    both.insert(both.end(), secondConsole.begin(), secondConsole.end());
    EXPECT_TRUE(first.Log() == both);
    EXPECT_TRUE(second.Log() == ConsoleLog(1, kRows));
}

TEST(HandOffHelperTest, EmptyInputTypesNothing) {
    test::TempFolder folder;
    FakeClient client(folder, "client", {});
    ASSERT_FALSE(::testing::Test::HasFailure());
    const test::ProgramRun run = RunHelper("\n\r\n");
    EXPECT_EQ(run.status, 1u);
    EXPECT_EQ(run.output, "result empty-table 0 0 \n");
    client.Stop();
    EXPECT_TRUE(client.Log().empty());
}

TEST(HandOffHelperTest, BadInputLineTypesNothing) {
    test::TempFolder folder;
    FakeClient client(folder, "client", {});
    ASSERT_FALSE(::testing::Test::HasFailure());
    const test::ProgramRun run = RunHelper("1.2.3.4\t4661\n5.6.7.8 4242\n");
    EXPECT_EQ(run.status, 1u);
    EXPECT_EQ(run.output, "result helper-failed 0 0 bad input line 2\n");
    client.Stop();
    EXPECT_TRUE(client.Log().empty());
}

TEST(HandOffHelperTest, NoClientIsTold) {
    const test::ProgramRun run = RunHelper(kInput);
    EXPECT_EQ(run.status, 1u);
    EXPECT_EQ(run.output, "result no-client 0 0 \n");
}

// The default limit of 5 s: the helper ends on its own, having sent nothing after the message
// the client left unanswered.
TEST(HandOffHelperTest, ClientThatStopsAnsweringEndsTheHelperAfterTheLimit) {
    test::TempFolder folder;
    FakeClient client(folder, "hung", {"--hang-after", "4", "--hang-ms", "30000"});
    ASSERT_FALSE(::testing::Test::HasFailure());
    const auto start = std::chrono::steady_clock::now();
    const test::ProgramRun run = RunHelper(kInput);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(run.status, 1u);
    const std::vector<std::string> lines = test::SplitLines(run.output);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "result not-answering 1 0 ");
    EXPECT_GE(took, std::chrono::milliseconds(4500));
    EXPECT_LT(took, std::chrono::seconds(20));
    client.Stop();
    EXPECT_EQ(client.Log().size(), 4u);
}

}  // namespace
}  // namespace hublane::clients
