// The hand-off over a recording window system: which windows are clients and consoles, the three
// enumerations and when each runs, the exact messages and gauge moves, the empty table and a
// client that stops answering.
#include "clients/DonkeyHandOff.h"

#include <gtest/gtest.h>

#include <functional>

#include "support/FakeWindowSystem.h"

namespace hublane::clients {
using serverlist::ServerTable;
namespace {

using test::EventGauge;
using test::FakeWindowSystem;
using Handle = platform::WindowHandle;
using Outcome = HandOffResult::Outcome;

const std::vector<HandOffAddress> kTwoRows = {{"1.2.3.4", "4661"}, {"5.6.7.8", "4242"}};

// Everything one console receives, with the gauge moves between the messages.
std::vector<std::string> Typed(Handle console, const std::vector<HandOffAddress>& rows) {
    const std::string h = std::to_string(console);
    std::vector<std::string> e = {"gauge max 2000", "gauge position 0"};
    auto command = [&](int position, const std::string& text) {
        e.push_back("gauge position " + std::to_string(position));
        e.push_back("settext " + h + " " + text);
        e.push_back("keydown " + h + " 13 0");
        e.push_back("settext " + h + " ");
    };
    for (int i = 1; i <= 2000; ++i) {
        command(i, "b 1");
    }
    e.push_back("settext " + h + " ");
    e.push_back("gauge max " + std::to_string(rows.size()));
    e.push_back("gauge position 0");
    for (std::size_t i = 0; i < rows.size(); ++i) {
        command(static_cast<int>(i) + 1, "n " + rows[i].ip + ":" + rows[i].port);
    }
    e.push_back("settext " + h + " ");
    return e;
}

std::vector<std::string> Concat(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (const auto& p : parts) {
        all.insert(all.end(), p.begin(), p.end());
    }
    return all;
}

std::vector<std::string> Enumerations(int count) {
    const std::vector<std::string> all = {"enumerate desktop-children", "enumerate top-level",
                                          "enumerate desktop"};
    return {all.begin(), all.begin() + count};
}

struct Case {
    const char* name;
    // Builds the windows; returns the events expected after the enumerations' own.
    std::function<std::vector<std::string>(FakeWindowSystem&)> build;
    std::vector<HandOffAddress> rows;
    Outcome outcome;
    int consoles;
    int clients;
    int enumerations;
};

// Test names and failure messages show the case, not its bytes.
void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

class DonkeyHandOffCases : public ::testing::TestWithParam<Case> {};

TEST_P(DonkeyHandOffCases, TypesExactlyTheExpectedMessages) {
    const Case& c = GetParam();
    FakeWindowSystem windows;
    EventGauge gauge(windows.events);
    const std::vector<std::string> typed = c.build(windows);
    DonkeyHandOff handOff(windows, gauge);
    const HandOffResult result = handOff.SendToDonkey(c.rows);

    EXPECT_EQ(result.outcome, c.outcome) << OutcomeName(result.outcome);
    EXPECT_EQ(result.consoles, c.consoles);
    EXPECT_EQ(result.clients, c.clients);
    EXPECT_EQ(handOff.EnumerationsRun(), c.enumerations);
    // The enumerations come first in the log only when nothing was typed before the next began;
    // compare the messages and gauge moves apart from them, and the enumerations on their own.
    std::vector<std::string> enumerations;
    std::vector<std::string> rest;
    for (const std::string& e : windows.events) {
        (e.rfind("enumerate ", 0) == 0 ? enumerations : rest).push_back(e);
    }
    EXPECT_EQ(enumerations, Enumerations(c.enumerations));
    ASSERT_EQ(rest.size(), typed.size());
    EXPECT_EQ(rest, typed);
    for (int size : windows.titleBufferSizes) {
        EXPECT_EQ(size, 12);
    }
    for (int size : windows.classBufferSizes) {
        EXPECT_EQ(size, 50);
    }
    for (int timeout : windows.timeouts) {
        EXPECT_EQ(timeout, kMessageTimeoutMs);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Windows, DonkeyHandOffCases,
    ::testing::Values(Case{"OneConsoleGetsTheWholeSequence",
                           [](FakeWindowSystem& w) {
                               const Handle client = w.AddWindow("eDonkey2000 v1.4");
                               w.AddChild(client, "Button");
                               return Typed(w.AddChild(client, "RICHEDIT"), kTwoRows);
                           },
                           kTwoRows, Outcome::Delivered, 1, 1, 1},
                      Case{"EmptyTableTypesNothingAndLooksForNoWindow",
                           [](FakeWindowSystem& w) {
                               w.AddChild(w.AddWindow("eDonkey2000"), "RICHEDIT");
                               return std::vector<std::string>{};
                           },
                           {},
                           Outcome::EmptyTable,
                           0,
                           0,
                           0},
                      Case{"ElevenCharacterTitleMatches",
                           [](FakeWindowSystem& w) {
                               return Typed(w.AddChild(w.AddWindow("eDonkey2000"), "RICHEDIT"), kTwoRows);
                           },
                           kTwoRows, Outcome::Delivered, 1, 1, 1},
                      Case{"TenCharacterTitleDoesNotMatch",
                           [](FakeWindowSystem& w) {
                               w.AddChild(w.AddWindow("eDonkey200"), "RICHEDIT");
                               return std::vector<std::string>{};
                           },
                           kTwoRows, Outcome::NoClient, 0, 0, 3},
                      Case{"TitleInOtherLetterCaseDoesNotMatch",
                           [](FakeWindowSystem& w) {
                               w.AddChild(w.AddWindow("edonkey2000 v1.4"), "RICHEDIT");
                               w.AddChild(w.AddWindow("EDONKEY2000"), "RICHEDIT");
                               return std::vector<std::string>{};
                           },
                           kTwoRows, Outcome::NoClient, 0, 0, 3},
                      Case{"TitleWithTextBeforeTheNameDoesNotMatch",
                           [](FakeWindowSystem& w) {
                               w.AddChild(w.AddWindow(" eDonkey2000"), "RICHEDIT");
                               return std::vector<std::string>{};
                           },
                           kTwoRows, Outcome::NoClient, 0, 0, 3},
                      Case{"TwoClientsEachGetTheSequenceOneAfterTheOther",
                           [](FakeWindowSystem& w) {
                               const Handle a = w.AddChild(w.AddWindow("eDonkey2000 v1.4"), "RICHEDIT");
                               w.AddWindow("Notepad");
                               const Handle b = w.AddChild(w.AddWindow("eDonkey2000 v1.4"), "RICHEDIT");
                               return Concat({Typed(a, kTwoRows), Typed(b, kTwoRows)});
                           },
                           kTwoRows, Outcome::Delivered, 2, 2, 1},
                      Case{"TwoConsolesInOneClientBothGetIt",
                           [](FakeWindowSystem& w) {
                               const Handle client = w.AddWindow("eDonkey2000 v1.4");
                               const Handle first = w.AddChild(client, "RICHEDIT");
                               const Handle panel = w.AddChild(client, "Panel");
                               const Handle second = w.AddChild(panel, "RICHEDIT");
                               return Concat({Typed(first, kTwoRows), Typed(second, kTwoRows)});
                           },
                           kTwoRows, Outcome::Delivered, 2, 1, 1},
                      Case{"ClientWithoutChildrenIsMetByAllThreeEnumerations",
                           [](FakeWindowSystem& w) {
                               w.AddWindow("eDonkey2000 v1.4");
                               return std::vector<std::string>{};
                           },
                           kTwoRows, Outcome::NoConsole, 0, 3, 3},
                      Case{"ClientWithChildrenButNoConsoleEndsAfterTheFirstEnumeration",
                           [](FakeWindowSystem& w) {
                               w.AddChild(w.AddWindow("eDonkey2000 v1.4"), "Button");
                               return std::vector<std::string>{};
                           },
                           kTwoRows, Outcome::NoConsole, 0, 1, 1},
                      Case{"ConsoleClassMustMatchExactly",
                           [](FakeWindowSystem& w) {
                               const Handle client = w.AddWindow("eDonkey2000 v1.4");
                               w.AddChild(client, "RichEdit");
                               w.AddChild(client, "RICHEDIT20A");
                               w.AddChild(client, "RICHEDI");
                               return std::vector<std::string>{};
                           },
                           kTwoRows, Outcome::NoConsole, 0, 1, 1},
                      Case{"ClientSeenOnlyByTheTopLevelEnumeration",
                           [](FakeWindowSystem& w) {
                               const Handle client = w.AddWindow("eDonkey2000 v1.4");
                               w.At(client).inDesktopChildren = false;
                               return Typed(w.AddChild(client, "RICHEDIT"), kTwoRows);
                           },
                           kTwoRows, Outcome::Delivered, 1, 1, 2},
                      Case{"ClientSeenOnlyByTheDesktopEnumeration",
                           [](FakeWindowSystem& w) {
                               const Handle client = w.AddWindow("eDonkey2000 v1.4");
                               w.At(client).inDesktopChildren = false;
                               w.At(client).inTopLevel = false;
                               return Typed(w.AddChild(client, "RICHEDIT"), kTwoRows);
                           },
                           kTwoRows, Outcome::Delivered, 1, 1, 3},
                      Case{"RowsAreTypedInTableOrderWhateverTheirText",
                           [](FakeWindowSystem& w) {
                               return Typed(
                                   w.AddChild(w.AddWindow("eDonkey2000"), "RICHEDIT"),
                                   {{"9.9.9.9", "1"}, {"host.example", "n/a"}, {"1.1.1.1", "65535"}});
                           },
                           {{"9.9.9.9", "1"}, {"host.example", "n/a"}, {"1.1.1.1", "65535"}},
                           Outcome::Delivered,
                           1,
                           1,
                           1}),
    [](const ::testing::TestParamInfo<Case>& p) { return std::string(p.param.name); });

struct FailureCase {
    const char* name;
    int failAt;
    platform::SendStatus failWith;
    Outcome outcome;
    int consoles;
};

// Test names and failure messages show the case, not its bytes.
void PrintTo(const FailureCase& c, std::ostream* os) {
    *os << c.name;
}

class DonkeyHandOffFailures : public ::testing::TestWithParam<FailureCase> {};

// Two clients; a failing message ends the whole hand-off: nothing more is sent and no further
// enumeration runs.
TEST_P(DonkeyHandOffFailures, AFailedMessageEndsTheHandOff) {
    const FailureCase& c = GetParam();
    FakeWindowSystem windows;
    EventGauge gauge(windows.events);
    windows.AddChild(windows.AddWindow("eDonkey2000 v1.4"), "RICHEDIT");
    windows.AddChild(windows.AddWindow("eDonkey2000 v1.4"), "RICHEDIT");
    windows.failAt = c.failAt;
    windows.failWith = c.failWith;
    DonkeyHandOff handOff(windows, gauge, 1234);
    const HandOffResult result = handOff.SendToDonkey(kTwoRows);

    EXPECT_EQ(result.outcome, c.outcome);
    EXPECT_EQ(result.consoles, c.consoles);
    EXPECT_EQ(windows.messages, c.failAt);
    EXPECT_EQ(handOff.EnumerationsRun(), 1);
    EXPECT_EQ(windows.timeouts, std::vector<int>(static_cast<std::size_t>(c.failAt), 1234));
}

constexpr int kMessagesPerConsole = 6001 + 3 * 2 + 1;

INSTANTIATE_TEST_SUITE_P(
    Messages, DonkeyHandOffFailures,
    ::testing::Values(
        FailureCase{"FirstMessageTimesOut", 1, platform::SendStatus::TimedOut, Outcome::NotAnswering, 0},
        FailureCase{"EnterKeyTimesOut", 2, platform::SendStatus::TimedOut, Outcome::NotAnswering, 0},
        FailureCase{"EmptyTextBetweenPhasesTimesOut", 6001, platform::SendStatus::TimedOut,
                    Outcome::NotAnswering, 0},
        FailureCase{"LastMessageOfTheFirstConsoleFails", kMessagesPerConsole, platform::SendStatus::Failed,
                    Outcome::WindowGone, 0},
        FailureCase{"SecondClientStopsAnswering", kMessagesPerConsole + 10, platform::SendStatus::TimedOut,
                    Outcome::NotAnswering, 1}),
    [](const ::testing::TestParamInfo<FailureCase>& p) { return std::string(p.param.name); });

TEST(DonkeyHandOffTest, FoundFlagIsClearedAtEveryHandOff) {
    FakeWindowSystem windows;
    EventGauge gauge(windows.events);
    const Handle client = windows.AddWindow("eDonkey2000 v1.4");
    windows.AddChild(client, "Button");
    DonkeyHandOff handOff(windows, gauge);
    handOff.SendToDonkey(kTwoRows);
    EXPECT_EQ(handOff.EnumerationsRun(), 1);
    windows.At(client).title = "Closed";
    const HandOffResult second = handOff.SendToDonkey(kTwoRows);
    EXPECT_EQ(handOff.EnumerationsRun(), 3);
    EXPECT_EQ(second.outcome, Outcome::NoClient);
}

TEST(DonkeyHandOffTest, CommandsAreTheClearingOnesThenOnePerRow) {
    const std::vector<std::string> commands = HandOffCommands(kTwoRows);
    ASSERT_EQ(commands.size(), 2002u);
    EXPECT_EQ(std::count(commands.begin(), commands.begin() + 2000, std::string("b 1")), 2000);
    EXPECT_EQ(commands[2000], "n 1.2.3.4:4661");
    EXPECT_EQ(commands[2001], "n 5.6.7.8:4242");
    EXPECT_EQ(HandOffCommands({}).size(), 2000u);
}

TEST(DonkeyHandOffTest, AddressesComeFromCaptionAndPortInTableOrder) {
    ServerTable table;
    table.AddServerRow("5.6.7.8", "4242", "n/a", "n/a", "n/a", "n/a", "n/a");
    table.AddServerRow("1.2.3.4", "4661", "10", "20", "Name", "Desc", "n/a");
    const std::vector<HandOffAddress> expected = {{"5.6.7.8", "4242"}, {"1.2.3.4", "4661"}};
    EXPECT_EQ(HandOffAddresses(table), expected);
}

TEST(DonkeyHandOffTest, OutcomeNamesGoBothWays) {
    for (int i = 0; i <= static_cast<int>(Outcome::HelperFailed); ++i) {
        const auto outcome = static_cast<Outcome>(i);
        Outcome back = Outcome::NoClient;
        ASSERT_TRUE(OutcomeFromName(OutcomeName(outcome), back)) << i;
        EXPECT_EQ(back, outcome);
    }
    Outcome unchanged = Outcome::Delivered;
    EXPECT_FALSE(OutcomeFromName("Delivered", unchanged));
    EXPECT_FALSE(OutcomeFromName("", unchanged));
}

}  // namespace
}  // namespace hublane::clients
