// The peer protocol between copies of the program, without sockets: a datagram
// and its sender in, the changes to the tables and the answers to send out.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "probe/Merge.h"
#include "serverlist/PeerAsks.h"
#include "serverlist/ServerTable.h"

namespace hublane::exchange {

/// The largest datagram the peer server and the asking socket read; longer ones are cut there.
inline constexpr std::size_t kPeerDatagramMax = 8192;
/// The most entries one list datagram carries (4 + 6 × 50 = 304 bytes).
inline constexpr std::size_t kEntriesPerDatagram = 50;
/// A requester gets at most one answer of each kind in this window (no reflection: a spoofed
/// one-byte request cannot buy a stream of answers aimed at someone else).
inline constexpr std::int64_t kAnswerWindowMs = 10000;
/// The requesters remembered for that rule; past this, requests from new addresses go
/// unanswered until the window frees room (memory stays bounded under a flood).
inline constexpr std::size_t kMaxRememberedRequesters = 65536;
/// Every answer together, in bytes per second: what the peer server sends at most, whoever asks.
inline constexpr std::size_t kAnswerBytesPerSecond = 256 * 1024;
/// What the strangers of one IPv4 /24 get together per answer window. A stranger (a copy that has
/// not answered this copy's ping) gets at most one datagram per request kind, so one address gets
/// at most 1 + 2 × 304 bytes per window; this bounds what spoofing a whole network buys.
inline constexpr std::size_t kStrangerBytesPerNetwork = 4096;
/// How long a copy that answered this copy's ping is served whole lists.
inline constexpr std::int64_t kTrustedForMs = 6 * 3600 * 1000;
/// The trusted copies remembered at once (the oldest pong is forgotten first).
inline constexpr std::size_t kMaxTrustedCopies = 4 * serverlist::kMaxPeerRows;

/// One datagram to send to address at the peer port.
struct PeerAnswer {
    std::string address;
    std::string bytes;
};

/// What one datagram did.
struct PeerOutcome {
    std::vector<PeerAnswer> answers;
    /// How much the server counter rises (new addresses of a PEER_SERVERS list).
    int serverCounterRaise = 0;
    /// The sender is kept out: nothing was changed and nothing is answered.
    bool blocked = false;
    /// A request that got no answer (or a shortened one) because its sender, its network or the
    /// copy as a whole was answered too much lately.
    bool limited = false;
    /// A pong or a list this copy did not ask the sender for: dropped.
    bool unasked = false;
    /// A pong from the copy itself (the end of its start-up check).
    bool selfPong = false;
};

/// The datagrams of a list, in row order, at most 50 entries each: kind, a byte without meaning,
/// the count, the entries, a pad byte. A row whose caption or port is not decimal text ends the
/// list there: the datagram being filled is not sent, those before it are.
std::vector<std::string> ServerListDatagrams(const serverlist::ServerTable& servers);
/// The peer list's datagrams leave out the rows leaveOut holds for (none by default).
std::vector<std::string> PeerListDatagrams(const serverlist::PeerList& peers, std::uint16_t peerPort,
                                           const std::function<bool(const std::string&)>& leaveOut = {});

/// The peer server's handling of each datagram, one at a time in arrival order.
class PeerHandler {
  public:
    /// blocked: the addresses an IP filter keeps out (none when empty): a blocked sender is
    /// dropped entirely, and blocked entries of a received list never reach the tables.
    explicit PeerHandler(std::uint16_t peerPort = 3077, probe::AddressTest blocked = {})
        : m_peerPort(peerPort), m_blocked(std::move(blocked)) {}

    const probe::AddressTest& Blocked() const { return m_blocked; }
    /// The copy's own address: its own requests (the start-up check) are always answered. A copy
    /// with an address of its own (keepAsPeer false) never takes that address into its peer list;
    /// a copy on every address pings 127.0.0.1, which becomes a row the clean-up removes.
    void SetSelf(std::string self, bool keepAsPeer) {
        m_self = std::move(self);
        m_keepSelf = keepAsPeer;
    }

    /// The requests this copy sent lately (kept by the caller; none by default): a pong or a
    /// list is taken only from an address asked for it in the last minute.
    void SetAsks(const serverlist::PeerAsks& asks) { m_asks = &asks; }

    /// Handles one datagram (at most kPeerDatagramMax bytes are looked at) from sender (an IPv4
    /// address text) at nowMs (any monotonic milliseconds): the sender becomes a peer row; then
    /// by its first byte: PEER_GET_SERVERS and PEER_GET_PEERS are answered with the lists,
    /// PEER_PING with PEER_PONG, PEER_PONG sets the sender's answered flag, PEER_SERVERS merges
    /// the entries with port 4661, PEER_PEERS those with the peer port.
    ///
    /// Because anyone can send a datagram under any address: the whole lists go only to a copy
    /// of the peer list that answered this copy's ping (a trusted copy); a stranger gets the
    /// first datagram of a list. Each answer is held to the budgets above. A pong or a list is
    /// taken only when asked for (SetAsks). A sender that became a row here is left out of the
    /// peer lists this copy sends until it has answered a ping.
    PeerOutcome Handle(std::string_view datagram, const std::string& sender, std::int64_t nowMs,
                       serverlist::ServerTable& servers, serverlist::PeerList& peers);

    /// Requesters currently remembered by the answer rule.
    std::size_t RememberedRequesters() const { return m_lastAnswer.size() + m_trusted.size(); }
    /// Whether address answered this copy's ping lately (and is served whole lists if a peer).
    bool Trusted(const std::string& address, std::int64_t nowMs) const;
    /// Whether address became a peer row by sending to this copy and has not answered its ping.
    bool Pending(const std::string& address) const { return m_pending.contains(address); }

  private:
    enum AnswerKind { kPong = 0, kServers = 1, kPeers = 2 };
    using AnswerTimes = std::array<std::optional<std::int64_t>, 3>;
    struct TrustedCopy {
        std::int64_t since = 0;
        AnswerTimes answered{};
    };
    // A byte budget over fixed windows.
    struct Budget {
        std::optional<std::int64_t> start;
        std::size_t used = 0;
    };
    static bool Fits(Budget& budget, std::size_t bytes, std::size_t cap, std::int64_t windowMs,
                     std::int64_t nowMs);
    AnswerTimes* AnswerTimesOf(const std::string& sender, bool trusted, std::int64_t nowMs);
    Budget* NetworkBudget(const std::string& sender, std::int64_t nowMs);
    void Trust(const std::string& sender, std::int64_t nowMs);
    void NotePending(const std::string& sender, const serverlist::PeerList& peers);
    const std::vector<std::string>& CachedServerDatagrams(const serverlist::ServerTable& servers);
    const std::vector<std::string>& CachedPeerDatagrams(const serverlist::PeerList& peers);
    bool Asked(const std::string& sender, serverlist::PeerAsk kind, std::int64_t nowMs) const {
        return m_asks != nullptr && m_asks->Asked(sender, kind, nowMs);
    }

    std::uint16_t m_peerPort;
    probe::AddressTest m_blocked;
    std::string m_self;
    bool m_keepSelf = true;
    const serverlist::PeerAsks* m_asks = nullptr;
    // When each kind was last answered to a stranger (empty: never).
    std::unordered_map<std::string, AnswerTimes> m_lastAnswer;
    std::optional<std::int64_t> m_lastSweep;
    // The copies that answered a ping, with their own answer times.
    std::unordered_map<std::string, TrustedCopy> m_trusted;
    // Senders that became rows here and have not answered a ping; bumped on every change.
    std::unordered_set<std::string> m_pending;
    std::uint64_t m_pendingRevision = 0;
    // What the strangers of each /24 got in the current window, and all answers this second.
    std::unordered_map<std::string, Budget> m_networks;
    std::optional<std::int64_t> m_networkSweep;
    Budget m_global;
    // The server table's and the peer list's datagrams, each kept until its list changes.
    const serverlist::ServerTable* m_cachedTable = nullptr;
    std::uint64_t m_cachedRevision = 0;
    std::vector<std::string> m_cachedServers;
    const serverlist::PeerList* m_cachedPeerList = nullptr;
    std::uint64_t m_cachedPeerRevision = 0;
    std::uint64_t m_cachedPendingRevision = 0;
    std::vector<std::string> m_cachedPeers;
};

}  // namespace hublane::exchange
