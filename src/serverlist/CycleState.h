// What the update cycle works on: the two lists, the controls that carry its
// settings, the counters, the error log, and the gauge and caption it drives.
#pragma once

#include <QStringList>
#include <compare>
#include <set>
#include <string>

#include "serverlist/CycleControls.h"
#include "serverlist/PeerAsks.h"
#include "serverlist/ServerTable.h"
#include "serverlist/StatusCaption.h"
#include "serverlist/WorkGauge.h"

namespace hublane::serverlist {

/// A server as a row of the table lists it: its address and its port, as text.
struct ListedServer {
    std::string ip;
    std::string port;
    auto operator<=>(const ListedServer&) const = default;
};

/// The server list window's state without the window. The campaigns, the workers (through
/// calls onto its thread), the peer server and the web directory take this and nothing more.
/// Everything here belongs to the GUI thread.
class CycleState {
  public:
    /// gauge and caption are the main window's bar and status label (plain ones without it).
    CycleState(WorkGauge& gauge, StatusCaption& caption) : m_gauge(gauge), m_caption(caption) {}
    CycleState(const CycleState&) = delete;
    CycleState& operator=(const CycleState&) = delete;

    /// The server table (lvip).
    ServerTable& Servers() { return m_servers; }
    const ServerTable& Servers() const { return m_servers; }
    /// The peer list (lvHBL).
    PeerList& Peers() { return m_peers; }
    const PeerList& Peers() const { return m_peers; }
    /// The settings-bearing controls: probe mode, addresses, worker count, timeout.
    CycleControls& Controls() { return m_controls; }
    const CycleControls& Controls() const { return m_controls; }

    WorkGauge& Gauge() { return m_gauge; }
    StatusCaption& Caption() { return m_caption; }

    /// The server counter, beside "Nombre de serveur :" (Label8).
    int serverCounter = 0;
    /// The probed counter, beside "Serveurs interrogés :" (Label6).
    int probedCounter = 0;
    /// One line per read error of the list files: the file name, " : ", the message.
    QStringList errorLog;
    /// The pings and list requests this copy sent to other copies lately: the peer server takes
    /// a pong or a list only from a copy it asked.
    PeerAsks peerAsks;
    /// The servers this cycle asked for their description and found silent, as the removal passes
    /// took them out of the table (emptied when a cycle starts). A client that keeps a list of its
    /// own is told to forget these and no other.
    std::set<ListedServer> silentServers;
    /// The row the visible list scrolls to and selects (the last one before a fetch added rows).
    int focusRow = -1;
    /// While the cycle's hand-off step runs: how many servers read from the client's file the
    /// cycle removed (a client that cannot remove a server is told so). 0 at any other time.
    int removedThisCycle = 0;

    /// Writes the number of server rows into the server counter.
    void CountServers() { serverCounter = static_cast<int>(m_servers.Count()); }

  private:
    WorkGauge& m_gauge;
    StatusCaption& m_caption;
    ServerTable m_servers;
    PeerList m_peers;
    CycleControls m_controls;
};

}  // namespace hublane::serverlist
