// The peer protocol between copies of the program, without sockets.
#include "exchange/PeerHandler.h"

#include <algorithm>
#include <limits>
#include <optional>

#include "probe/Ed2kMessages.h"

namespace hublane::exchange {
namespace {

using probe::PeerKind;
using serverlist::Column;

// Milliseconds from since to now, whatever the clock reads (a difference of two times far apart
// would not fit in a signed number); an answer never given (or a sweep never made) lies before
// any time.
std::uint64_t Elapsed(const std::optional<std::int64_t>& since, std::int64_t now) {
    if (!since) {
        return std::numeric_limits<std::uint64_t>::max();
    }
    return now >= *since ? static_cast<std::uint64_t>(now) - static_cast<std::uint64_t>(*since) : 0;
}
constexpr auto kWindow = static_cast<std::uint64_t>(kAnswerWindowMs);

constexpr std::string_view kAcceptedServerPort = "4661";

template <typename List, typename EntryOf, typename LeaveOut>
std::vector<std::string> ListDatagrams(const List& list, PeerKind kind, EntryOf entryOf, LeaveOut leaveOut) {
    std::vector<std::string> datagrams;
    std::vector<serverlist::SERVEUR> batch;
    batch.reserve(kEntriesPerDatagram);
    const auto flush = [&] {
        if (const auto d = probe::BuildListDatagram(kind, batch)) {
            datagrams.push_back(*d);
        }
        batch.clear();
    };
    for (const auto& row : list.Rows()) {
        if (leaveOut(row)) {
            continue;
        }
        serverlist::SERVEUR entry = entryOf(row);
        std::string probeBytes;
        if (!probe::AppendListEntry(probeBytes, entry)) {
            // A conversion failure ends the answer at this row; what was filled is not sent.
            return datagrams;
        }
        batch.push_back(std::move(entry));
        if (batch.size() == kEntriesPerDatagram) {
            flush();
        }
    }
    if (!batch.empty()) {
        flush();
    }
    return datagrams;
}

}  // namespace

std::vector<std::string> ServerListDatagrams(const serverlist::ServerTable& servers) {
    return ListDatagrams(
        servers, PeerKind::Servers,
        [](const serverlist::ServerRow& row) {
            return serverlist::SERVEUR{row.Sub(Column::Port), row.caption};
        },
        [](const serverlist::ServerRow&) { return false; });
}

std::vector<std::string> PeerListDatagrams(const serverlist::PeerList& peers, std::uint16_t peerPort,
                                           const std::function<bool(const std::string&)>& leaveOut) {
    const std::string port = std::to_string(peerPort);
    return ListDatagrams(
        peers, PeerKind::Peers,
        [&port](const serverlist::PeerRow& row) {
            return serverlist::SERVEUR{port, row.caption};
        },
        [&leaveOut](const serverlist::PeerRow& row) { return leaveOut && leaveOut(row.caption); });
}

const std::vector<std::string>& PeerHandler::CachedServerDatagrams(const serverlist::ServerTable& servers) {
    if (m_cachedTable != &servers || m_cachedRevision != servers.Revision()) {
        m_cachedServers = ServerListDatagrams(servers);
        m_cachedTable = &servers;
        m_cachedRevision = servers.Revision();
    }
    return m_cachedServers;
}

const std::vector<std::string>& PeerHandler::CachedPeerDatagrams(const serverlist::PeerList& peers) {
    if (m_cachedPeerList != &peers || m_cachedPeerRevision != peers.Revision() ||
        m_cachedPendingRevision != m_pendingRevision) {
        m_cachedPeers = PeerListDatagrams(peers, m_peerPort,
                                          [this](const std::string& ip) { return m_pending.contains(ip); });
        m_cachedPeerList = &peers;
        m_cachedPeerRevision = peers.Revision();
        m_cachedPendingRevision = m_pendingRevision;
    }
    return m_cachedPeers;
}

bool PeerHandler::Fits(Budget& budget, std::size_t bytes, std::size_t cap, std::int64_t windowMs,
                       std::int64_t nowMs) {
    if (Elapsed(budget.start, nowMs) >= static_cast<std::uint64_t>(windowMs)) {
        budget.start = nowMs;
        budget.used = 0;
    }
    return bytes <= cap - std::min(cap, budget.used);
}

bool PeerHandler::Trusted(const std::string& address, std::int64_t nowMs) const {
    const auto it = m_trusted.find(address);
    return it != m_trusted.end() &&
           Elapsed(it->second.since, nowMs) < static_cast<std::uint64_t>(kTrustedForMs);
}

void PeerHandler::Trust(const std::string& sender, std::int64_t nowMs) {
    if (m_pending.erase(sender) > 0) {
        ++m_pendingRevision;
    }
    auto it = m_trusted.find(sender);
    if (it == m_trusted.end()) {
        if (m_trusted.size() >= kMaxTrustedCopies) {
            // Only pongs this copy asked for get here, so the bound is met by its own campaigns:
            // the copy whose pong is oldest goes.
            m_trusted.erase(std::min_element(
                m_trusted.begin(), m_trusted.end(),
                [](const auto& a, const auto& b) { return a.second.since < b.second.since; }));
        }
        it = m_trusted.emplace(sender, TrustedCopy{}).first;
        // Its answers so far count on: a pong does not open a new window.
        if (const auto known = m_lastAnswer.find(sender); known != m_lastAnswer.end()) {
            it->second.answered = known->second;
            m_lastAnswer.erase(known);
        }
    }
    it->second.since = nowMs;
}

void PeerHandler::NotePending(const std::string& sender, const serverlist::PeerList& peers) {
    if (m_pending.size() >= 2 * serverlist::kMaxPeerRows) {
        // Rows the campaigns or the clean-up removed since.
        std::erase_if(m_pending, [&peers](const std::string& ip) { return peers.FindExact(ip) < 0; });
    }
    m_pending.insert(sender);
    ++m_pendingRevision;
}

PeerHandler::AnswerTimes* PeerHandler::AnswerTimesOf(const std::string& sender, bool trusted,
                                                     std::int64_t nowMs) {
    if (trusted) {
        return &m_trusted.find(sender)->second.answered;
    }
    auto it = m_lastAnswer.find(sender);
    if (it == m_lastAnswer.end()) {
        if (m_lastAnswer.size() >= kMaxRememberedRequesters && Elapsed(m_lastSweep, nowMs) >= kWindow / 10) {
            // Forget the requesters whose every answer is older than the window.
            m_lastSweep = nowMs;
            std::erase_if(m_lastAnswer, [nowMs](const auto& entry) {
                const auto& t = entry.second;
                return Elapsed(t[0], nowMs) >= kWindow && Elapsed(t[1], nowMs) >= kWindow &&
                       Elapsed(t[2], nowMs) >= kWindow;
            });
        }
        if (m_lastAnswer.size() >= kMaxRememberedRequesters) {
            return nullptr;
        }
        it = m_lastAnswer.emplace(sender, AnswerTimes{}).first;
    }
    return &it->second;
}

PeerHandler::Budget* PeerHandler::NetworkBudget(const std::string& sender, std::int64_t nowMs) {
    // The /24 of an IPv4 text: everything before its last dot.
    const std::size_t dot = sender.rfind('.');
    const std::string network = dot == std::string::npos ? sender : sender.substr(0, dot);
    auto it = m_networks.find(network);
    if (it == m_networks.end()) {
        if (m_networks.size() >= kMaxRememberedRequesters && Elapsed(m_networkSweep, nowMs) >= kWindow / 10) {
            m_networkSweep = nowMs;
            std::erase_if(m_networks, [nowMs](const auto& entry) {
                return Elapsed(entry.second.start, nowMs) >= kWindow;
            });
        }
        if (m_networks.size() >= kMaxRememberedRequesters) {
            return nullptr;
        }
        it = m_networks.emplace(network, Budget{}).first;
    }
    return &it->second;
}

PeerOutcome PeerHandler::Handle(std::string_view datagram, const std::string& sender, std::int64_t nowMs,
                                serverlist::ServerTable& servers, serverlist::PeerList& peers) {
    PeerOutcome out;
    if (m_blocked && m_blocked(sender)) {
        out.blocked = true;
        return out;
    }
    datagram = datagram.substr(0, kPeerDatagramMax);
    const bool fromSelf = !m_self.empty() && sender == m_self;
    const auto mayBePeer = [this](const std::string& ip) {
        return m_keepSelf || m_self.empty() || ip != m_self;
    };
    // Every datagram, an empty one too, makes its sender known; a stranger is not passed on to
    // other copies before it has answered a ping.
    if (peers.FindExact(sender) < 0 && mayBePeer(sender) && peers.AddPeerRow(sender) && !fromSelf &&
        !Trusted(sender, nowMs)) {
        NotePending(sender, peers);
    }
    if (datagram.empty()) {
        return out;
    }
    const bool trusted = Trusted(sender, nowMs) && peers.FindExact(sender) >= 0;
    const auto answer = [&](AnswerKind kind, const std::vector<std::string>& datagrams) {
        if (datagrams.empty()) {
            return;  // nothing to send, nothing counted
        }
        // A stranger's request earns one datagram: whatever it claims to be, it cannot make this
        // copy send more than it would to anyone.
        const std::size_t count = fromSelf || trusted ? datagrams.size() : 1;
        if (count < datagrams.size()) {
            out.limited = true;
        }
        std::size_t bytes = 0;
        for (std::size_t i = 0; i < count; ++i) {
            bytes += datagrams[i].size();
        }
        if (!fromSelf) {
            AnswerTimes* times = AnswerTimesOf(sender, trusted, nowMs);
            Budget* network = trusted ? nullptr : NetworkBudget(sender, nowMs);
            const bool refused =
                times == nullptr || Elapsed((*times)[kind], nowMs) < kWindow ||
                (!trusted && (network == nullptr ||
                              !Fits(*network, bytes, kStrangerBytesPerNetwork, kAnswerWindowMs, nowMs))) ||
                !Fits(m_global, bytes, kAnswerBytesPerSecond, 1000, nowMs);
            if (refused) {
                out.limited = true;
                return;
            }
            (*times)[kind] = nowMs;
            if (network != nullptr) {
                network->used += bytes;
            }
            m_global.used += bytes;
        }
        for (std::size_t i = 0; i < count; ++i) {
            out.answers.push_back(PeerAnswer{sender, datagrams[i]});
        }
    };
    serverlist::EntryTable entries{};
    switch (static_cast<PeerKind>(static_cast<std::uint8_t>(datagram[0]))) {
        case PeerKind::GetServers:
            answer(kServers, CachedServerDatagrams(servers));
            break;
        case PeerKind::GetPeers:
            answer(kPeers, CachedPeerDatagrams(peers));
            break;
        case PeerKind::Ping:
            answer(kPong, {probe::PeerRequest(PeerKind::Pong)});
            break;
        case PeerKind::Pong: {
            out.selfPong = fromSelf;
            // A pong proves the sender is a copy only when this copy pinged it: else anyone could
            // make any address trusted.
            if (!fromSelf && !Asked(sender, serverlist::PeerAsk::Ping, nowMs)) {
                out.unasked = true;
                break;
            }
            if (!fromSelf) {
                Trust(sender, nowMs);
            }
            const int row = peers.FindExact(sender);
            if (row >= 0) {
                peers.Row(static_cast<std::size_t>(row)).answered = true;
            }
            break;
        }
        case PeerKind::Servers: {
            if (!Asked(sender, serverlist::PeerAsk::Servers, nowMs)) {
                out.unasked = true;
                break;
            }
            const int count = probe::ParseServerList(datagram, entries);
            for (int i = 0; i < count; ++i) {
                const serverlist::SERVEUR& e = entries[static_cast<std::size_t>(i)];
                if (e.port != kAcceptedServerPort || servers.FindExact(e.ip) >= 0 ||
                    (m_blocked && m_blocked(e.ip))) {
                    continue;
                }
                // The counter counts a new address before its length is tested.
                ++out.serverCounterRaise;
                if (e.ip.size() > 8 && servers.Count() < serverlist::kMaxServerRowsFromNetwork) {
                    servers.AddServerRow(e.ip, e.port);
                }
            }
            break;
        }
        case PeerKind::Peers: {
            if (!Asked(sender, serverlist::PeerAsk::Peers, nowMs)) {
                out.unasked = true;
                break;
            }
            const int count = probe::ParseServerList(datagram, entries);
            const std::string acceptedPort = std::to_string(m_peerPort);
            for (int i = 0; i < count; ++i) {
                const serverlist::SERVEUR& e = entries[static_cast<std::size_t>(i)];
                if (e.port == acceptedPort && peers.FindExact(e.ip) < 0 && e.ip.size() > 8 &&
                    !(m_blocked && m_blocked(e.ip)) && mayBePeer(e.ip)) {
                    peers.AddPeerRow(e.ip);
                }
            }
            break;
        }
    }
    return out;
}

}  // namespace hublane::exchange
