// The life of a reported server: a candidate until it answers two description
// requests a while apart, then listed and asked again now and then, dropped when it stays
// silent, and forgotten after a while.
#pragma once

#include <cstdint>
#include <optional>

namespace hublane::directory {

/// Where a stored server stands (kept as this number in the database).
enum class ServerState : int {
    Candidate = 0,   // reported, not yet answered: not listed
    Listed = 1,      // answered twice: listed, asked again every recheck interval (one answer will do)
    Dropped = 2,     // stayed silent: not listed, not asked, kept until forgotten
    Confirming = 3,  // answered once: not listed until it answers a second request, sent a while later
};

std::optional<ServerState> ServerStateFromNumber(long long number);

/// The timings of the checks. A dropped server is kept (and its address not asked again, however
/// often it is reported) until forgetMs have passed; then it is forgotten and may be reported anew.
struct CheckTimings {
    std::int64_t recheckMs = 4LL * 3600 * 1000;
    std::int64_t retryMs = 30LL * 60 * 1000;
    std::int64_t forgetMs = 24LL * 3600 * 1000;
    /// A candidate that never answered is forgotten sooner: anyone may report any address, and
    /// such rows must not crowd the store.
    std::int64_t forgetCandidateMs = 4LL * 3600 * 1000;
    /// Silent answers in a row that drop a candidate, and a listed server.
    int candidateAttempts = 2;
    int listedMisses = 2;

    /// The timings for a recheck interval: retries after an eighth of it, forgetting after six
    /// (a candidate that never answered after one).
    static CheckTimings ForRecheck(std::int64_t recheckMs);
};

/// The bounds of the random wait before a candidate's second request.
inline constexpr std::int64_t kConfirmDelayMinMs = 2000;
inline constexpr std::int64_t kConfirmDelayMaxMs = 10000;

/// A server's state after one probe.
struct CheckStep {
    ServerState state = ServerState::Candidate;
    int misses = 0;
    std::int64_t nextCheckMs = 0;
    /// It answered: its verification time and name are renewed.
    bool verified = false;
};

/// The step after a probe of a server in state with misses silent probes before, at nowMs.
/// A candidate that answers is asked again confirmDelayMs later (a wait the sender of forged
/// answers cannot foresee) and listed only when that answers too; a silent second request counts
/// as a candidate's silence. A Dropped server is never probed; given one, the step keeps it
/// dropped.
CheckStep AfterProbe(ServerState state, int misses, bool answered, std::int64_t nowMs,
                     const CheckTimings& timings, std::int64_t confirmDelayMs);

}  // namespace hublane::directory
