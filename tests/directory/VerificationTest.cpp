// The life of a reported server: listed once it answered twice, asked again, dropped when
// silent, forgotten later.
#include "directory/Verification.h"

#include <gtest/gtest.h>

namespace hublane::directory {
namespace {

TEST(Verification, EachProbeOutcomeGivesTheNextStep) {
    const CheckTimings t = CheckTimings::ForRecheck(8000);
    ASSERT_EQ(t.retryMs, 1000);
    ASSERT_EQ(t.forgetMs, 48000);
    struct Case {
        ServerState state;
        int misses;
        bool answered;
        CheckStep step;
    };
    const std::int64_t now = 100000;
    for (const Case& c : {
             // A candidate that answers is asked once more after the confirmation wait, and listed
             // (asked again after the recheck interval) only when that is answered too.
             Case{ServerState::Candidate, 0, true, {ServerState::Confirming, 0, now + 3000, false}},
             Case{ServerState::Confirming, 0, true, {ServerState::Listed, 0, now + 8000, true}},
             // One answer is not enough: a silent second request counts as a candidate's silence,
             // and a server that answers again must answer twice anew.
             Case{ServerState::Confirming, 0, false, {ServerState::Candidate, 1, now + 1000, false}},
             Case{ServerState::Confirming, 1, false, {ServerState::Dropped, 2, now + 8000, false}},
             Case{ServerState::Confirming, 1, true, {ServerState::Listed, 0, now + 8000, true}},
             // A silent candidate gets one more try, then is dropped, and forgotten soon: it never
             // was a server.
             Case{ServerState::Candidate, 0, false, {ServerState::Candidate, 1, now + 1000, false}},
             Case{ServerState::Candidate, 1, false, {ServerState::Dropped, 2, now + 8000, false}},
             Case{ServerState::Candidate, 1, true, {ServerState::Confirming, 1, now + 3000, false}},
             // A listed server stays listed through one silence, and goes after the second.
             Case{ServerState::Listed, 0, true, {ServerState::Listed, 0, now + 8000, true}},
             Case{ServerState::Listed, 0, false, {ServerState::Listed, 1, now + 1000, false}},
             Case{ServerState::Listed, 1, true, {ServerState::Listed, 0, now + 8000, true}},
             Case{ServerState::Listed, 1, false, {ServerState::Dropped, 2, now + 48000, false}},
             // Damaged counts from the database are read as none.
             Case{ServerState::Listed, -7, false, {ServerState::Listed, 1, now + 1000, false}},
             // A dropped server is never revived by a probe.
             Case{ServerState::Dropped, 2, true, {ServerState::Dropped, 2, now + 48000, false}},
         }) {
        const CheckStep step = AfterProbe(c.state, c.misses, c.answered, now, t, 3000);
        EXPECT_EQ(step.state, c.step.state)
            << static_cast<int>(c.state) << ' ' << c.misses << ' ' << c.answered;
        EXPECT_EQ(step.misses, c.step.misses);
        EXPECT_EQ(step.nextCheckMs, c.step.nextCheckMs);
        EXPECT_EQ(step.verified, c.step.verified);
    }
}

TEST(Verification, ABrokenConfirmationWaitNeverSchedulesIntoThePast) {
    const CheckStep step =
        AfterProbe(ServerState::Candidate, 0, true, 5000, CheckTimings::ForRecheck(8000), -9000);
    EXPECT_EQ(step.state, ServerState::Confirming);
    EXPECT_EQ(step.nextCheckMs, 5000);
}

TEST(Verification, TimingsNeverCollapseToZero) {
    const CheckTimings t = CheckTimings::ForRecheck(0);
    EXPECT_GE(t.recheckMs, 1);
    EXPECT_GE(t.retryMs, 1);
    EXPECT_GE(t.forgetMs, 1);
}

TEST(Verification, OnlyTheStoredNumbersAreStates) {
    EXPECT_EQ(ServerStateFromNumber(0), ServerState::Candidate);
    EXPECT_EQ(ServerStateFromNumber(1), ServerState::Listed);
    EXPECT_EQ(ServerStateFromNumber(2), ServerState::Dropped);
    EXPECT_EQ(ServerStateFromNumber(3), ServerState::Confirming);
    EXPECT_FALSE(ServerStateFromNumber(4));
    EXPECT_FALSE(ServerStateFromNumber(-1));
}

}  // namespace
}  // namespace hublane::directory
