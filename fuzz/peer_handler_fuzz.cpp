// Fuzz target: a sequence of datagrams from chosen senders into one peer handler whose tables
// persist across the sequence, with the copy's own asks between them. After each datagram: the
// lists stay within their bounds, blocked addresses never arrive, lists and pongs nobody asked for
// change nothing, every answer goes to the sender and is a well-formed datagram equal to the list
// as it stands (whole for a copy that answered a ping, its first datagram for a stranger, senders
// still unproven left out of the peer list), and the remembered requesters stay bounded. At the end
// the list datagrams of both tables read back as the rows they were made from.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzCheck.h"
#include "exchange/PeerHandler.h"
#include "probe/Ed2kMessages.h"

using hublane::exchange::PeerHandler;
using hublane::exchange::PeerOutcome;
using hublane::probe::PeerKind;
using hublane::serverlist::PeerAsk;
using hublane::serverlist::PeerList;
using hublane::serverlist::ServerTable;

namespace {

using hublane::fuzz::Check;

// Takes bytes from the front of the input; zeros once it is used up.
class Input {
  public:
    explicit Input(std::string_view bytes) : m_rest(bytes) {}
    std::uint8_t Byte() {
        if (m_rest.empty()) {
            return 0;
        }
        const auto b = static_cast<std::uint8_t>(m_rest.front());
        m_rest.remove_prefix(1);
        return b;
    }
    std::uint64_t Bytes8() {
        std::uint64_t v = 0;
        for (int i = 0; i < 8; ++i) {
            v = (v << 8) | Byte();
        }
        return v;
    }
    std::string_view Take(std::size_t n) {
        const std::string_view out = m_rest.substr(0, n);
        m_rest.remove_prefix(out.size());
        return out;
    }
    bool Empty() const { return m_rest.empty(); }

  private:
    std::string_view m_rest;
};

constexpr std::string_view kSelf = "198.51.100.1";
constexpr std::string_view kBlockedPrefix = "203.0.113.";

bool IsBlocked(std::string_view ip) {
    return ip.substr(0, kBlockedPrefix.size()) == kBlockedPrefix || ip.ends_with(".66");
}

// The senders: a few fixed ones (the copy itself, loopback, a blocked one, a short address) and
// a range of others so that the answer rule sees many requesters.
std::string Sender(std::uint8_t b) {
    static const char* const kFixed[] = {"198.51.100.7", "198.51.100.8", "198.51.100.1", "127.0.0.1",
                                         "203.0.113.66", "10.0.0.1",     "80.1.2.3",     "198.51.100.200"};
    if (b < 16) {
        return kFixed[b % 8];
    }
    return hublane::probe::AddressText(198, 18, b, static_cast<std::uint8_t>(b * 7));
}

// A starting server row of one of the kinds a real table holds: from a list (decimal), from a
// hand-edited file (leading zeros), from a web page (a host name), with an unknown or too large
// port. The last three cannot be sent in a list datagram.
void AddStartingServer(ServerTable& servers, std::uint8_t seed) {
    const std::string n = std::to_string(seed);
    switch (seed % 5) {
        case 0:
            servers.AddServerRow("198.51.100." + n, "4661");
            break;
        case 1:
            servers.AddServerRow("080.1.2." + n, "0" + n);
            break;
        case 2:
            servers.AddServerRow("host" + n + ".example", "4661");
            break;
        case 3:
            servers.AddServerRow("198.51.101." + n, "n/a");
            break;
        default:
            servers.AddServerRow("198.51.102." + n, "70000");
            break;
    }
}

// Tables close to their bounds, built once. The server table is shared by the inputs that start
// from it, each taking away the rows it added (copying ten thousand rows would cost more than all
// the rest of such an input).
ServerTable& NearlyFullServers() {
    static ServerTable table = [] {
        ServerTable t;
        for (std::size_t i = 0; t.Count() + 3 < hublane::serverlist::kMaxServerRowsFromNetwork; ++i) {
            t.AddServerRow(
                hublane::probe::AddressText(100, static_cast<std::uint8_t>(i >> 16),
                                            static_cast<std::uint8_t>(i >> 8), static_cast<std::uint8_t>(i)),
                "4661");
        }
        return t;
    }();
    return table;
}

const PeerList& NearlyFullPeers() {
    static const PeerList list = [] {
        PeerList l;
        for (std::size_t i = 0; l.Count() + 3 < hublane::serverlist::kMaxPeerRows; ++i) {
            l.AddPeerRow(hublane::probe::AddressText(100, 64, static_cast<std::uint8_t>(i >> 8),
                                                     static_cast<std::uint8_t>(i)));
        }
        return l;
    }();
    return list;
}

// The 6 bytes of a row's entry, or nothing when it cannot be encoded.
bool EntryBytes(std::string& out, const std::string& ip, const std::string& port) {
    return hublane::probe::AppendListEntry(out, hublane::serverlist::SERVEUR{port, ip});
}

// A list datagram: kind, a zero byte, N from 1 to 50, N entries, a zero pad byte.
void CheckListDatagram(const std::string& d, PeerKind kind) {
    Check(d.size() >= 4 && static_cast<std::uint8_t>(d[0]) == static_cast<std::uint8_t>(kind));
    const std::size_t n = static_cast<std::uint8_t>(d[2]);
    Check(n >= 1 && n <= hublane::exchange::kEntriesPerDatagram && d.size() == 4 + 6 * n);
    Check(d[1] == '\0' && d.back() == '\0');
}

// The datagrams of a list against its rows: the rows in order up to the first one that cannot be
// encoded, less the incomplete batch it ends; each datagram reads back as its entries.
template <typename List, typename PortOf>
void CheckListRoundTrip(const std::vector<std::string>& datagrams, const List& list, PeerKind kind,
                        PortOf portOf) {
    std::string expected;
    std::size_t sendable = 0;
    for (const auto& row : list.Rows()) {
        if (!EntryBytes(expected, row.caption, portOf(row))) {
            break;
        }
        ++sendable;
    }
    const bool stopped = sendable < list.Count();
    if (stopped) {
        sendable -= sendable % hublane::exchange::kEntriesPerDatagram;
        expected.resize(6 * sendable);
    }
    std::string sent;
    hublane::serverlist::EntryTable entries{};
    for (const std::string& d : datagrams) {
        CheckListDatagram(d, kind);
        const int count = hublane::probe::ParseServerList(d, entries);
        Check(count == static_cast<std::uint8_t>(d[2]));
        std::string again;
        for (int i = 0; i < count; ++i) {
            const auto& e = entries[static_cast<std::size_t>(i)];
            Check(EntryBytes(again, e.ip, e.port));
        }
        Check(again == d.substr(3, d.size() - 4));
        sent += again;
    }
    Check(sent == expected);
    const std::size_t batch = hublane::exchange::kEntriesPerDatagram;
    Check(datagrams.size() == (sendable + batch - 1) / batch);
}

std::int64_t Advance(std::int64_t now, std::int64_t step) {
    return now > std::numeric_limits<std::int64_t>::max() - step ? now : now + step;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in(std::string_view(reinterpret_cast<const char*>(data), size));

    // The handler's settings and the tables it starts with.
    const std::uint8_t options = in.Byte();
    static const std::uint16_t kPorts[] = {3077, 4661, 0, 65535};
    const std::uint16_t peerPort = kPorts[(options >> 3) & 3];
    PeerHandler handler(peerPort, (options & 4) != 0 ? hublane::probe::AddressTest(IsBlocked)
                                                     : hublane::probe::AddressTest());
    hublane::serverlist::PeerAsks asks;
    handler.SetAsks(asks);
    const bool hasSelf = (options & 1) != 0;
    const bool keepSelf = (options & 2) != 0;
    if (hasSelf) {
        handler.SetSelf(std::string(kSelf), keepSelf);
    }
    std::vector<std::uint8_t> serverSeeds(in.Byte() % 8);
    for (std::uint8_t& seed : serverSeeds) {
        seed = in.Byte();
    }
    PeerList peers = (options & 0x40) != 0 ? NearlyFullPeers() : PeerList();
    for (int n = in.Byte() % 4; n > 0; --n) {
        peers.AddPeerRow(hublane::probe::AddressText(198, 51, 103, in.Byte()));
    }
    std::int64_t now = 0;
    switch ((options >> 7) | ((in.Byte() & 1) << 1)) {
        case 0:
            now = 0;
            break;
        case 1:
            now = 100000;
            break;
        case 2:
            now = static_cast<std::int64_t>(in.Bytes8());
            break;
        default:
            now = std::numeric_limits<std::int64_t>::min() + static_cast<std::int64_t>(in.Bytes8() >> 8);
            break;
    }

    // Each datagram: a sender, a clock step, what the copy asked the sender first, a length, the
    // bytes.
    struct Datagram {
        std::string sender;
        std::int64_t step;
        std::uint8_t asked;
        std::string bytes;
    };
    std::vector<Datagram> sequence;
    while (!in.Empty()) {
        Datagram d;
        d.sender = Sender(in.Byte());
        d.step = std::int64_t{in.Byte()} * 97;
        d.asked = in.Byte();
        const std::size_t length = in.Byte() | (std::size_t{in.Byte()} << 8);
        d.bytes = std::string(in.Take(length));
        sequence.push_back(std::move(d));
    }

    // The server table: the shared nearly full one, or one of the input's own; then the starting
    // rows.
    const bool shared = (options & 0x20) != 0;
    ServerTable own;
    ServerTable& servers = shared ? NearlyFullServers() : own;
    const std::size_t sharedRows = servers.Count();
    for (const std::uint8_t seed : serverSeeds) {
        AddStartingServer(servers, seed);
    }
    const std::size_t startServers = servers.Count();
    const std::size_t serverBound = std::max(startServers, hublane::serverlist::kMaxServerRowsFromNetwork);
    Check(peers.Count() <= hublane::serverlist::kMaxPeerRows);

    std::set<std::string> requesters;
    std::optional<std::vector<std::string>> expectedServers;
    std::uint64_t expectedRevision = 0;
    for (const Datagram& next : sequence) {
        const std::string& sender = next.sender;
        const std::string& datagram = next.bytes;
        now = Advance(now, next.step);
        for (const auto ask : {PeerAsk::Ping, PeerAsk::Servers, PeerAsk::Peers}) {
            if ((next.asked >> static_cast<int>(ask) & 1) != 0) {
                asks.Note(sender, ask, now);
            }
        }
        const std::size_t serversBefore = servers.Count();
        const std::size_t peersBefore = peers.Count();
        const bool fromSelf = hasSelf && sender == kSelf;

        const PeerOutcome out = handler.Handle(datagram, sender, now, servers, peers);

        Check(servers.Count() >= serversBefore && servers.Count() <= serverBound);
        Check(peers.Count() >= peersBefore && peers.Count() <= hublane::serverlist::kMaxPeerRows);
        Check(out.serverCounterRaise >= 0 && out.serverCounterRaise <= 255);
        if (out.blocked) {
            Check(handler.Blocked() && IsBlocked(sender) && out.answers.empty() &&
                  servers.Count() == serversBefore && peers.Count() == peersBefore);
            continue;
        }
        const auto kind = datagram.empty() ? std::uint8_t{0} : static_cast<std::uint8_t>(datagram[0]);
        const auto unasked = [&](PeerAsk ask) { return !asks.Asked(sender, ask, now); };
        if (kind != static_cast<std::uint8_t>(PeerKind::Servers) || unasked(PeerAsk::Servers)) {
            Check(servers.Count() == serversBefore && out.serverCounterRaise == 0);
        }
        if (kind != static_cast<std::uint8_t>(PeerKind::Peers) || unasked(PeerAsk::Peers)) {
            Check(peers.Count() <= peersBefore + 1);  // the sender alone
        }
        const bool list = kind == static_cast<std::uint8_t>(PeerKind::Servers) ||
                          kind == static_cast<std::uint8_t>(PeerKind::Peers);
        Check(out.unasked ==
              ((list && unasked(kind == static_cast<std::uint8_t>(PeerKind::Servers) ? PeerAsk::Servers
                                                                                     : PeerAsk::Peers)) ||
               (kind == static_cast<std::uint8_t>(PeerKind::Pong) && !fromSelf && unasked(PeerAsk::Ping))));
        Check(out.selfPong ==
              (hasSelf && sender == kSelf && kind == static_cast<std::uint8_t>(PeerKind::Pong)));
        // Rows that arrived: never blocked, never the copy itself when it has an address of its own.
        for (std::size_t i = serversBefore; i < servers.Count(); ++i) {
            const auto& row = servers.Row(i);
            Check(!(handler.Blocked() && IsBlocked(row.caption)) && row.caption.size() > 8);
            Check(row.Sub(hublane::serverlist::Column::Port) == "4661");
        }
        for (std::size_t i = peersBefore; i < peers.Count(); ++i) {
            const std::string& caption = peers.Row(i).caption;
            Check(!(handler.Blocked() && IsBlocked(caption)));
            Check(!(hasSelf && !keepSelf && caption == kSelf));
        }

        // Answers: to the sender only, and exactly the list (or the pong) the request asked for.
        if (kind == static_cast<std::uint8_t>(PeerKind::GetServers) ||
            kind == static_cast<std::uint8_t>(PeerKind::GetPeers) ||
            kind == static_cast<std::uint8_t>(PeerKind::Ping) ||
            kind == static_cast<std::uint8_t>(PeerKind::Pong)) {
            requesters.insert(sender);
        }
        // A stranger's request earns one datagram; the whole list goes only to a copy that
        // answered a ping.
        const bool whole = fromSelf || (handler.Trusted(sender, now) && peers.FindExact(sender) >= 0);
        const auto expect = [whole](std::vector<std::string> all) {
            if (!whole && all.size() > 1) {
                all.resize(1);
            }
            return all;
        };
        // Limited: refused, or cut to the one datagram of a stranger.
        Check(!out.limited || out.answers.empty() || (!whole && out.answers.size() == 1));
        for (const auto& answer : out.answers) {
            Check(answer.address == sender);
            const std::string& b = answer.bytes;
            Check(b.size() == 1 ||
                  (b.size() >= 4 && b.size() == 4 + 6 * std::size_t{static_cast<std::uint8_t>(b[2])}));
        }
        if (!out.answers.empty()) {
            std::vector<std::string> bytes;
            for (const auto& answer : out.answers) {
                bytes.push_back(answer.bytes);
            }
            if (kind == static_cast<std::uint8_t>(PeerKind::Ping)) {
                Check(bytes == std::vector<std::string>{hublane::probe::PeerRequest(PeerKind::Pong)});
            } else if (kind == static_cast<std::uint8_t>(PeerKind::GetServers)) {
                // Encoded again only when the table changed: ten thousand rows cost most of an
                // input otherwise. The revision is what the handler's own cache follows, so a
                // stale answer still shows once the rows change.
                if (!expectedServers || expectedRevision != servers.Revision()) {
                    expectedServers = hublane::exchange::ServerListDatagrams(servers);
                    expectedRevision = servers.Revision();
                }
                Check(bytes == expect(*expectedServers));
                for (const std::string& d : bytes) {
                    CheckListDatagram(d, PeerKind::Servers);
                }
            } else {
                Check(kind == static_cast<std::uint8_t>(PeerKind::GetPeers));
                Check(bytes == expect(hublane::exchange::PeerListDatagrams(
                                   peers, peerPort,
                                   [&handler](const std::string& ip) { return handler.Pending(ip); })));
                for (const std::string& d : bytes) {
                    CheckListDatagram(d, PeerKind::Peers);
                }
            }
        }
        Check(handler.RememberedRequesters() <=
              hublane::exchange::kMaxRememberedRequesters + hublane::exchange::kMaxTrustedCopies);
        Check(handler.RememberedRequesters() <= requesters.size());
    }

    // (Not for the nearly full table: encoding its ten thousand rows twice would take most of the
    // time of such an input, and its rows are all of one plain kind.)
    if (servers.Count() < 1000) {
        CheckListRoundTrip(hublane::exchange::ServerListDatagrams(servers), servers, PeerKind::Servers,
                           [](const hublane::serverlist::ServerRow& row) -> const std::string& {
                               return row.Sub(hublane::serverlist::Column::Port);
                           });
    }
    const std::string port = std::to_string(peerPort);
    CheckListRoundTrip(hublane::exchange::PeerListDatagrams(peers, peerPort), peers, PeerKind::Peers,
                       [&port](const hublane::serverlist::PeerRow&) -> const std::string& { return port; });

    // The shared table as the next input expects it: rows are only ever added at its end.
    if (shared) {
        std::size_t index = 0;
        servers.RemoveIf([&](const hublane::serverlist::ServerRow&) { return index++ >= sharedRows; });
        Check(servers.Count() == sharedRows);
    }
    return 0;
}
