// The states of a reported server and the step after each probe.
#include "directory/Verification.h"

#include <algorithm>

namespace hublane::directory {

std::optional<ServerState> ServerStateFromNumber(long long number) {
    switch (number) {
        case 0:
            return ServerState::Candidate;
        case 1:
            return ServerState::Listed;
        case 2:
            return ServerState::Dropped;
        case 3:
            return ServerState::Confirming;
        default:
            return std::nullopt;
    }
}

CheckTimings CheckTimings::ForRecheck(std::int64_t recheckMs) {
    CheckTimings timings;
    timings.recheckMs = std::max<std::int64_t>(recheckMs, 1);
    timings.retryMs = std::max<std::int64_t>(timings.recheckMs / 8, 1);
    timings.forgetMs = timings.recheckMs * 6;
    timings.forgetCandidateMs = timings.recheckMs;
    return timings;
}

CheckStep AfterProbe(ServerState state, int misses, bool answered, std::int64_t nowMs,
                     const CheckTimings& timings, std::int64_t confirmDelayMs) {
    if (state == ServerState::Dropped) {
        return {ServerState::Dropped, misses, nowMs + timings.forgetMs, false};
    }
    const bool listed = state == ServerState::Listed;
    if (answered) {
        if (state == ServerState::Candidate) {
            // Its earlier silences still count: a second request left unanswered may drop it.
            return {ServerState::Confirming, std::max(misses, 0),
                    nowMs + std::max<std::int64_t>(confirmDelayMs, 0), false};
        }
        return {ServerState::Listed, 0, nowMs + timings.recheckMs, true};
    }
    const int silent = std::max(misses, 0) + 1;
    const int allowed = listed ? timings.listedMisses : timings.candidateAttempts;
    if (silent >= allowed) {
        const std::int64_t forget = listed ? timings.forgetMs : timings.forgetCandidateMs;
        return {ServerState::Dropped, silent, nowMs + forget, false};
    }
    // A server that answered only once starts again from the first request.
    return {listed ? ServerState::Listed : ServerState::Candidate, silent, nowMs + timings.retryMs, false};
}

}  // namespace hublane::directory
