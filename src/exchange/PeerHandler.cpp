// The peer protocol between copies of the program, without sockets.
#include "exchange/PeerHandler.h"

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

template <typename List, typename EntryOf>
std::vector<std::string> ListDatagrams(const List& list, PeerKind kind, EntryOf entryOf) {
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
    return ListDatagrams(servers, PeerKind::Servers, [](const serverlist::ServerRow& row) {
        return serverlist::SERVEUR{row.Sub(Column::Port), row.caption};
    });
}

std::vector<std::string> PeerListDatagrams(const serverlist::PeerList& peers, std::uint16_t peerPort) {
    const std::string port = std::to_string(peerPort);
    return ListDatagrams(peers, PeerKind::Peers, [&port](const serverlist::PeerRow& row) {
        return serverlist::SERVEUR{port, row.caption};
    });
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
    if (m_cachedPeerList != &peers || m_cachedPeerRevision != peers.Revision()) {
        m_cachedPeers = PeerListDatagrams(peers, m_peerPort);
        m_cachedPeerList = &peers;
        m_cachedPeerRevision = peers.Revision();
    }
    return m_cachedPeers;
}

bool PeerHandler::MayAnswer(const std::string& sender, AnswerKind kind, std::int64_t nowMs) {
    if (!m_self.empty() && sender == m_self) {
        return true;
    }
    auto it = m_lastAnswer.find(sender);
    if (it == m_lastAnswer.end()) {
        if (m_lastAnswer.size() >= kMaxRememberedRequesters && Elapsed(m_lastSweep, nowMs) >= kWindow / 10) {
            // Forget the requesters whose every answer is older than the window.
            m_lastSweep = nowMs;
            for (auto i = m_lastAnswer.begin(); i != m_lastAnswer.end();) {
                const auto& t = i->second;
                const bool stale = Elapsed(t[0], nowMs) >= kWindow && Elapsed(t[1], nowMs) >= kWindow &&
                                   Elapsed(t[2], nowMs) >= kWindow;
                i = stale ? m_lastAnswer.erase(i) : std::next(i);
            }
        }
        if (m_lastAnswer.size() >= kMaxRememberedRequesters) {
            return false;
        }
        it = m_lastAnswer.emplace(sender, AnswerTimes{}).first;
    }
    std::optional<std::int64_t>& last = it->second[kind];
    if (Elapsed(last, nowMs) < kWindow) {
        return false;
    }
    last = nowMs;
    return true;
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
    // Every datagram, an empty one too, makes its sender known.
    if (peers.FindExact(sender) < 0 && mayBePeer(sender)) {
        peers.AddPeerRow(sender);
    }
    if (datagram.empty()) {
        return out;
    }
    const auto answer = [&](AnswerKind kind, const std::vector<std::string>& datagrams) {
        if (datagrams.empty()) {
            return;  // nothing to send, nothing counted
        }
        if (!MayAnswer(sender, kind, nowMs)) {
            out.limited = true;
            return;
        }
        for (const std::string& d : datagrams) {
            out.answers.push_back(PeerAnswer{sender, d});
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
            const int row = peers.FindExact(sender);
            if (row >= 0) {
                peers.Row(static_cast<std::size_t>(row)).answered = true;
            }
            break;
        }
        case PeerKind::Servers: {
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
