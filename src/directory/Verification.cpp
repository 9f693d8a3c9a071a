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
        default:
            return std::nullopt;
    }
}

CheckTimings CheckTimings::ForRecheck(std::int64_t recheckMs) {
    CheckTimings timings;
    timings.recheckMs = std::max<std::int64_t>(recheckMs, 1);
    timings.retryMs = std::max<std::int64_t>(timings.recheckMs / 8, 1);
    timings.forgetMs = timings.recheckMs * 6;
    return timings;
}

CheckStep AfterProbe(ServerState state, int misses, bool answered, std::int64_t nowMs,
                     const CheckTimings& timings) {
    if (state == ServerState::Dropped) {
        return {ServerState::Dropped, misses, nowMs + timings.forgetMs, false};
    }
    if (answered) {
        return {ServerState::Listed, 0, nowMs + timings.recheckMs, true};
    }
    const int silent = std::max(misses, 0) + 1;
    const int allowed = state == ServerState::Candidate ? timings.candidateAttempts : timings.listedMisses;
    if (silent >= allowed) {
        return {ServerState::Dropped, silent, nowMs + timings.forgetMs, false};
    }
    return {state, silent, nowMs + timings.retryMs, false};
}

}  // namespace hublane::directory
