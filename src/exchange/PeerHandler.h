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
#include <vector>

#include "probe/Merge.h"
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
    /// A request that got no answer because its sender was answered too recently.
    bool limited = false;
    /// A pong from the copy itself (the end of its start-up check).
    bool selfPong = false;
};

/// The datagrams of a list, in row order, at most 50 entries each: kind, a byte without meaning,
/// the count, the entries, a pad byte. A row whose caption or port is not decimal text ends the
/// list there: the datagram being filled is not sent, those before it are.
std::vector<std::string> ServerListDatagrams(const serverlist::ServerTable& servers);
std::vector<std::string> PeerListDatagrams(const serverlist::PeerList& peers, std::uint16_t peerPort);

/// The peer server's handling of each datagram, one at a time in arrival order.
class PeerHandler {
  public:
    explicit PeerHandler(std::uint16_t peerPort = 3077) : m_peerPort(peerPort) {}

    /// Addresses an IP filter keeps out: a blocked sender is dropped entirely, and blocked entries
    /// of a received list never reach the tables.
    void SetBlocked(probe::AddressTest blocked) { m_blocked = std::move(blocked); }
    const probe::AddressTest& Blocked() const { return m_blocked; }
    /// The copy's own address: its own requests (the start-up check) are always answered. A copy
    /// with an address of its own (keepAsPeer false) never takes that address into its peer list;
    /// a copy on every address pings 127.0.0.1, which becomes a row the clean-up removes.
    void SetSelf(std::string self, bool keepAsPeer) {
        m_self = std::move(self);
        m_keepSelf = keepAsPeer;
    }

    /// Handles one datagram (at most kPeerDatagramMax bytes are looked at) from sender (an IPv4
    /// address text) at nowMs (any monotonic milliseconds): the sender becomes a peer row; then
    /// by its first byte: PEER_GET_SERVERS and PEER_GET_PEERS are answered with the lists,
    /// PEER_PING with PEER_PONG, PEER_PONG sets the sender's answered flag, PEER_SERVERS merges
    /// the entries with port 4661, PEER_PEERS those with the peer port.
    PeerOutcome Handle(std::string_view datagram, const std::string& sender, std::int64_t nowMs,
                       serverlist::ServerTable& servers, serverlist::PeerList& peers);

    /// Requesters currently remembered by the answer rule.
    std::size_t RememberedRequesters() const { return m_lastAnswer.size(); }

  private:
    enum AnswerKind { kPong = 0, kServers = 1, kPeers = 2 };
    bool MayAnswer(const std::string& sender, AnswerKind kind, std::int64_t nowMs);
    const std::vector<std::string>& CachedServerDatagrams(const serverlist::ServerTable& servers);
    const std::vector<std::string>& CachedPeerDatagrams(const serverlist::PeerList& peers);

    std::uint16_t m_peerPort;
    probe::AddressTest m_blocked;
    std::string m_self;
    bool m_keepSelf = true;
    // When each kind was last answered to a requester (empty: never).
    using AnswerTimes = std::array<std::optional<std::int64_t>, 3>;
    std::unordered_map<std::string, AnswerTimes> m_lastAnswer;
    std::optional<std::int64_t> m_lastSweep;
    // The server table's and the peer list's datagrams, each kept until its list changes.
    const serverlist::ServerTable* m_cachedTable = nullptr;
    std::uint64_t m_cachedRevision = 0;
    std::vector<std::string> m_cachedServers;
    const serverlist::PeerList* m_cachedPeerList = nullptr;
    std::uint64_t m_cachedPeerRevision = 0;
    std::vector<std::string> m_cachedPeers;
};

}  // namespace hublane::exchange
