// The eMule hand-off's links and bytes, and what it sends through a recording window system: the
// search for eMule's window, the links in order, and each way it stops.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "clients/EmuleHandOff.h"
#include "clients/EmuleLinks.h"
#include "support/FakeWindowSystem.h"

namespace hublane::clients {
namespace {

using clients::HandOffAddress;
using clients::HandOffResult;
using Outcome = HandOffResult::Outcome;
using platform::SendStatus;

TEST(EmuleLinksTest, ServerLinkIsWrittenThePlainWayOrNotAtAll) {
    const struct {
        HandOffAddress row;
        std::optional<std::string> link;
    } cases[] = {
        {{"1.2.3.4", "4661"}, "ed2k://|server|1.2.3.4|4661|/"},
        {{"255.255.255.255", "65535"}, "ed2k://|server|255.255.255.255|65535|/"},
        // eMule would read a leading zero as octal; the link carries what the table means.
        {{"010.001.002.003", "04661"}, "ed2k://|server|10.1.2.3|4661|/"},
        {{"1.2.3.4", "0"}, std::nullopt},
        {{"1.2.3.4", "65536"}, std::nullopt},
        {{"1.2.3.4", "-1"}, std::nullopt},
        {{"1.2.3.4", ""}, std::nullopt},
        {{"1.2.3.256", "4661"}, std::nullopt},
        {{"server.example", "4661"}, std::nullopt},
        {{"1.2.3.4|5", "4661"}, std::nullopt},
        {{" 1.2.3.4", "4661"}, std::nullopt},
        {{"1.2.3.4", "4661|/ed2k"}, std::nullopt},
        {{"", ""}, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ServerLink(c.row), c.link) << c.row.ip << " " << c.row.port;
    }
}

TEST(EmuleLinksTest, LinkBytesAreLittleEndianUtf16WithOneZeroUnit) {
    const std::vector<std::uint8_t> bytes = LinkBytes("ed2k://|server|1.2.3.4|4661|/");
    ASSERT_EQ(bytes.size(), 60u);  // 29 characters and the zero, two bytes each
    EXPECT_EQ(bytes[0], 'e');
    EXPECT_EQ(bytes[1], 0);
    EXPECT_EQ(bytes[56], '/');
    EXPECT_EQ(bytes[57], 0);
    EXPECT_EQ(bytes[58], 0);
    EXPECT_EQ(bytes[59], 0);
    EXPECT_EQ(LinkBytes("\xC3\xA9"), (std::vector<std::uint8_t>{0xE9, 0x00, 0x00, 0x00}));
    EXPECT_EQ(LinkBytes(""), (std::vector<std::uint8_t>{0x00, 0x00}));
}

TEST(EmuleLinksTest, PlanKeepsTableOrderOnceEachAndCountsWhatItLeavesOut) {
    const EmuleLinkPlan plan = PlanEmuleLinks({{"5.6.7.8", "4242"},
                                               {"bad", "4661"},
                                               {"1.2.3.4", "4661"},
                                               {"05.6.7.8", "4242"},
                                               {"1.2.3.4", "4662"},
                                               {"1.2.3.4", "0"}});
    EXPECT_EQ(plan.links,
              (std::vector<std::string>{"ed2k://|server|5.6.7.8|4242|/", "ed2k://|server|1.2.3.4|4661|/",
                                        "ed2k://|server|1.2.3.4|4662|/"}));
    EXPECT_EQ(plan.invalidRows, 2);
    EXPECT_EQ(plan.repeatedRows, 1);
}

const std::vector<HandOffAddress> kRows = {{"1.2.3.4", "4661"}, {"5.6.7.8", "4242"}, {"9.9.9.9", "80"}};
const std::string kAsk = " 49152";  // the first registered message number of the fake
const std::string kRegister = "register EMULE-{4EADC6FC-516F-4b7c-9066-97D893649570}";

std::vector<std::string> Links(const std::string& window, int count) {
    const char* links[] = {"ed2k://|server|1.2.3.4|4661|/", "ed2k://|server|5.6.7.8|4242|/",
                           "ed2k://|server|9.9.9.9|80|/"};
    std::vector<std::string> events = {"gauge max 3", "gauge position 0"};
    for (int i = 0; i < count; ++i) {
        events.push_back("copydata " + window + " 12000 " + links[i]);
        events.push_back("gauge position " + std::to_string(i + 1));
    }
    return events;
}

std::vector<std::string> Concat(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct Case {
    const char* name;
    // Top-level windows: what each answers with ("emule", "debug", "other", "hung", "gone").
    std::vector<std::string> windows;
    // The message (from 1) from which the fake fails, and how.
    int failAt;
    SendStatus failWith;
    HandOffResult result;
    std::vector<std::string> events;
};

class EmuleHandOffCases : public ::testing::TestWithParam<Case> {};

TEST_P(EmuleHandOffCases, SendsExactlyThis) {
    const Case& c = GetParam();
    test::FakeWindowSystem windows;
    for (const std::string& kind : c.windows) {
        const auto w = windows.AddWindow(kind == "emule" ? "eMule v0.50a" : "Frame");
        auto& window = windows.At(w);
        window.answers = kind == "emule"   ? std::string(kEmuleWindowMessage)
                         : kind == "debug" ? std::string(kEmuleWindowMessage) + "-DEBUG"
                                           : std::string();
        window.otherAnswer = kind == "other" ? 1 : 0;
        window.askStatus = kind == "hung"   ? SendStatus::TimedOut
                           : kind == "gone" ? SendStatus::Failed
                                            : SendStatus::Done;
        // A child that would answer is never asked: only top-level windows are.
        windows.At(windows.AddChild(w, "Child")).answers = std::string(kEmuleWindowMessage);
    }
    windows.failAt = c.failAt;
    windows.failWith = c.failWith;
    test::EventGauge gauge(windows.events);
    const HandOffResult result = EmuleHandOff(windows, gauge, 700).Send(kRows);
    EXPECT_EQ(result.outcome, c.result.outcome) << clients::OutcomeName(result.outcome);
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(windows.events, c.events);
    for (const int timeout : windows.timeouts) {
        EXPECT_EQ(timeout, 700);
    }
}

INSTANTIATE_TEST_SUITE_P(
    RecordingWindows, EmuleHandOffCases,
    ::testing::Values(Case{"EmuleAfterTwoOtherWindowsGetsEveryLink",
                           {"none", "other", "emule", "emule"},
                           0,
                           SendStatus::Done,
                           {Outcome::Delivered, 1, 3, {}},
                           Concat({kRegister, "enumerate top-level", "ask 1" + kAsk, "ask 3" + kAsk,
                                   "ask 5" + kAsk},
                                  Links("5", 3))},
                      Case{"HungAndVanishingWindowsAreSkipped",
                           {"hung", "gone", "emule"},
                           0,
                           SendStatus::Done,
                           {Outcome::Delivered, 1, 3, {}},
                           Concat({kRegister, "enumerate top-level", "failed ask 1" + kAsk,
                                   "failed ask 3" + kAsk, "ask 5" + kAsk},
                                  Links("5", 3))},
                      Case{"DebugBuildAndOtherAnswersAreNoEmule",
                           {"debug", "other"},
                           0,
                           SendStatus::Done,
                           {Outcome::NoClient, 0, 0, {}},
                           {kRegister, "enumerate top-level", "ask 1" + kAsk, "ask 3" + kAsk}},
                      Case{"NoEmuleSaysHowManyWindowsDidNotAnswerInTime",
                           {"hung", "none", "hung"},
                           0,
                           SendStatus::Done,
                           {Outcome::NoClient, 0, 0, "2 fenêtres n'ont pas répondu à temps"},
                           {kRegister, "enumerate top-level", "failed ask 1" + kAsk, "ask 3" + kAsk,
                            "failed ask 5" + kAsk}},
                      Case{"NoWindowAtAll",
                           {},
                           0,
                           SendStatus::Done,
                           {Outcome::NoClient, 0, 0, {}},
                           {kRegister, "enumerate top-level"}},
                      Case{"EmuleThatStopsAnsweringEndsTheHandOff",
                           {"emule"},
                           3,
                           SendStatus::TimedOut,
                           {Outcome::NotAnswering, 1, 1, {}},
                           Concat(Concat({kRegister, "enumerate top-level", "ask 1" + kAsk}, Links("1", 1)),
                                  {"failed copydata 1 12000 ed2k://|server|5.6.7.8|4242|/"})},
                      Case{"EmuleThatGoesAwayEndsTheHandOff",
                           {"emule"},
                           2,
                           SendStatus::Failed,
                           {Outcome::WindowGone, 1, 0, {}},
                           {kRegister, "enumerate top-level", "ask 1" + kAsk, "gauge max 3",
                            "gauge position 0", "failed copydata 1 12000 ed2k://|server|1.2.3.4|4661|/"}}),
    [](const ::testing::TestParamInfo<Case>& p) { return std::string(p.param.name); });

TEST(EmuleHandOffTest, NothingIsAskedWithoutALinkToSend) {
    for (const std::vector<HandOffAddress>& rows :
         {std::vector<HandOffAddress>{}, std::vector<HandOffAddress>{{"bad", "4661"}, {"1.2.3.4", "0"}}}) {
        test::FakeWindowSystem windows;
        windows.At(windows.AddWindow("eMule")).answers = std::string(kEmuleWindowMessage);
        test::EventGauge gauge(windows.events);
        EXPECT_EQ(EmuleHandOff(windows, gauge).Send(rows), (HandOffResult{Outcome::EmptyTable, 0, 0, {}}));
        EXPECT_TRUE(windows.events.empty());
    }
}

TEST(EmuleHandOffTest, MessageThatCannotBeRegisteredSendsNothing) {
    test::FakeWindowSystem windows;
    windows.At(windows.AddWindow("eMule")).answers = std::string(kEmuleWindowMessage);
    windows.registerFails = true;
    test::EventGauge gauge(windows.events);
    const HandOffResult result = EmuleHandOff(windows, gauge).Send(kRows);
    EXPECT_EQ(result.outcome, Outcome::HelperFailed);
    EXPECT_EQ(windows.events, (std::vector<std::string>{kRegister}));
}

// What crosses to eMule is the link's UTF-16 with its zero, cbData counting both, and each
// repeated address goes once.
TEST(EmuleHandOffTest, EachLinkTravelsAsItsBytesOnce) {
    test::FakeWindowSystem windows;
    windows.At(windows.AddWindow("eMule")).answers = std::string(kEmuleWindowMessage);
    serverlist::PlainGauge gauge;
    const HandOffResult result =
        EmuleHandOff(windows, gauge).Send({{"1.2.3.4", "4661"}, {"001.2.3.4", "4661"}, {"5.6.7.8", "4242"}});
    EXPECT_EQ(result, (HandOffResult{Outcome::Delivered, 1, 2, {}}));
    ASSERT_EQ(windows.copies.size(), 2u);
    EXPECT_EQ(windows.copies[0], LinkBytes("ed2k://|server|1.2.3.4|4661|/"));
    EXPECT_EQ(windows.copies[1].size(), 60u);
    EXPECT_EQ(gauge.Max(), 2);
    EXPECT_EQ(gauge.Position(), 2);
}

// Looking for eMule asks the windows as the hand-off does and sends the one that answers nothing.
TEST(EmuleHandOffTest, FindAsksTheWindowsAndSendsNothing) {
    const struct {
        const char* name;
        std::vector<std::string> windows;
        HandOffResult result;
        std::vector<std::string> events;
    } cases[] = {
        {"EmuleAfterAHungWindow",
         {"hung", "emule", "emule"},
         {Outcome::Delivered, 1, 0, {}},
         {kRegister, "enumerate top-level", "failed ask 1" + kAsk, "ask 2" + kAsk}},
        {"NoEmule",
         {"hung", "none"},
         {Outcome::NoClient, 0, 0, "1 fenêtre n'a pas répondu à temps"},
         {kRegister, "enumerate top-level", "failed ask 1" + kAsk, "ask 2" + kAsk}},
    };
    for (const auto& c : cases) {
        test::FakeWindowSystem windows;
        for (const std::string& kind : c.windows) {
            auto& window = windows.At(windows.AddWindow("Frame"));
            window.answers = kind == "emule" ? std::string(kEmuleWindowMessage) : std::string();
            window.askStatus = kind == "hung" ? SendStatus::TimedOut : SendStatus::Done;
        }
        test::EventGauge gauge(windows.events);
        EXPECT_EQ(EmuleHandOff(windows, gauge).Find(), c.result) << c.name;
        EXPECT_EQ(windows.events, c.events) << c.name;
        EXPECT_TRUE(windows.copies.empty()) << c.name;
    }
}

}  // namespace
}  // namespace hublane::clients
