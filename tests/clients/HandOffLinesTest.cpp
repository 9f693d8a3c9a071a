// The lines between the program and the hand-off helper: rows in, gauge moves and results out.
#include "clients/HandOffLines.h"

#include <gtest/gtest.h>

namespace hublane::clients {
namespace {

using Outcome = HandOffResult::Outcome;

struct RowCase {
    HandOffAddress address;
    std::string line;
};

// Test names and failure messages show the case, not its bytes.
void PrintTo(const RowCase& c, std::ostream* os) {
    *os << ::testing::PrintToString(std::string(c.line));
}

class RowLines : public ::testing::TestWithParam<RowCase> {};

TEST_P(RowLines, WriteAndReadBack) {
    const RowCase& c = GetParam();
    EXPECT_EQ(RowLine(c.address), c.line);
    const auto back = ParseRowLine(c.line);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(*back, c.address);
    EXPECT_EQ(ParseRowLine(c.line + "\r"), c.address);
}

INSTANTIATE_TEST_SUITE_P(Rows, RowLines,
                         ::testing::Values(RowCase{{"1.2.3.4", "4661"}, "1.2.3.4\t4661"},
                                           RowCase{{"", ""}, "\t"}, RowCase{{"a\tb", "4\n6"}, "a\\tb\t4\\n6"},
                                           RowCase{{"back\\slash", "\r"}, "back\\\\slash\t\\r"},
                                           RowCase{{"\xe9t\xe9", "n/a"}, "\xe9t\xe9\tn/a"}));

TEST(HandOffLinesTest, RefusesRowLinesThatAreNotTwoFields) {
    for (const char* line :
         {"1.2.3.4", "1.2.3.4 4661", "1.2.3.4\t4661\textra", "bad\\q\t4661", "1.2.3.4\t4661\\"}) {
        EXPECT_FALSE(ParseRowLine(line).has_value()) << line;
    }
}

struct HelperCase {
    std::string line;
    HelperLine::Kind kind;
    int value;
};

// Test names and failure messages show the case, not its bytes.
void PrintTo(const HelperCase& c, std::ostream* os) {
    *os << ::testing::PrintToString(std::string(c.line));
}

class HelperLines : public ::testing::TestWithParam<HelperCase> {};

TEST_P(HelperLines, AreUnderstoodOnlyWhenExact) {
    const HelperLine parsed = ParseHelperLine(GetParam().line);
    EXPECT_EQ(parsed.kind, GetParam().kind);
    EXPECT_EQ(parsed.value, GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Gauge, HelperLines,
    ::testing::Values(HelperCase{"gauge max 2000", HelperLine::Kind::GaugeMax, 2000},
                      HelperCase{"gauge position 0", HelperLine::Kind::GaugePosition, 0},
                      HelperCase{"gauge position 17\r", HelperLine::Kind::GaugePosition, 17},
                      HelperCase{"gauge position -1", HelperLine::Kind::Other, 0},
                      HelperCase{"gauge position 1x", HelperLine::Kind::Other, 0},
                      HelperCase{"gauge position ", HelperLine::Kind::Other, 0},
                      HelperCase{"gauge max 99999999999", HelperLine::Kind::Other, 0},
                      HelperCase{"gauge min 3", HelperLine::Kind::Other, 0},
                      HelperCase{"gauge  max 3", HelperLine::Kind::Other, 0},
                      HelperCase{"result delivered 1", HelperLine::Kind::Other, 0},
                      HelperCase{"result sent 1 1 ", HelperLine::Kind::Other, 0},
                      HelperCase{"result delivered x 1 ", HelperLine::Kind::Other, 0},
                      HelperCase{"result delivered 1 1 bad\\q", HelperLine::Kind::Other, 0},
                      HelperCase{"fixme:ole stray text from Wine", HelperLine::Kind::Other, 0},
                      HelperCase{"", HelperLine::Kind::Other, 0}));

TEST(HandOffLinesTest, ResultLinesCarryEveryOutcomeAndTheirDetail) {
    for (int i = 0; i <= static_cast<int>(Outcome::HelperFailed); ++i) {
        HandOffResult result;
        result.outcome = static_cast<Outcome>(i);
        result.clients = i;
        result.consoles = 2 * i;
        result.detail = i % 2 == 0 ? "" : "bad input line 3\twith\ncontrols";
        const HelperLine parsed = ParseHelperLine(ResultLine(result));
        ASSERT_EQ(parsed.kind, HelperLine::Kind::Result) << ResultLine(result);
        EXPECT_EQ(parsed.result, result);
    }
    EXPECT_EQ(ResultLine({Outcome::Delivered, 2, 4, ""}), "result delivered 2 4 ");
}

TEST(HandOffLinesTest, GaugeLinesAreWhatTheParserReads) {
    EXPECT_EQ(GaugeMaxLine(2000), "gauge max 2000");
    EXPECT_EQ(GaugePositionLine(3), "gauge position 3");
}

}  // namespace
}  // namespace hublane::clients
