// What one update cycle did to the lists and the files, and the one line that says
// so in the status label once the cycle has ended.
#pragma once

#include <QString>
#include <cstddef>
#include <string>
#include <unordered_set>
#include <vector>

#include "serverlist/ListFiles.h"
#include "serverlist/PublishedListLoad.h"

namespace hublane::serverlist {

/// How a list file fared in one cycle.
struct FileReport {
    enum class Read { NotTried, Whole, Missing, Partial };
    Read read = Read::NotTried;
    bool written = false;
    WriteResult write;
    bool writeTried = false;
};

class CycleReport {
  public:
    /// Starts a new cycle's report.
    void Begin() { *this = CycleReport(); }
    /// The client's file was read into servers: what is kept, removed and added counts from them.
    void ServerMetRead(const ReadOutcome& outcome, bool fileExists, const ServerTable& servers);
    void PeerListRead(const ReadOutcome& outcome, bool fileExists);
    void ServerMetWritten(const WriteResult& result);
    void PeerListWritten(const WriteResult& result);
    /// Rows an IP filter took out of the lists during the cycle.
    void Filtered(int rows) { m_filtered += rows; }
    /// The peer server could not start (its port is taken, say): why.
    void PeerServerFailed(const QString& why) { m_peerServer = why; }
    /// Entries of the client's file that no row stands for and that the write keeps as they were.
    void Carried(std::size_t entries) { m_carried = entries; }
    /// What the client does with the written list while it runs (empty: it does not run).
    void ClientRunning(const QString& notice) { m_clientRunning = notice; }
    /// The status line of the cycle's hand-off to the client (empty: none was made).
    void HandedOff(const QString& statusLine) { m_handOff = statusLine; }
    /// How the published lists of one fetch of servers went; a list's last fetch of the cycle
    /// decides whether it counts as failed.
    void PublishedListsLoaded(const std::vector<PublishedListLoad>& loads);

    /// How many servers read from the client's file are no longer in servers.
    int Removed(const ServerTable& servers) const;

    /// The line shown when the cycle has ended: servers kept, removed and added, peers known,
    /// entries of the client's file kept as they were, rows the filter took out, a peer server that could not
    /// start, each file that could not be found, read or written, each published list that could not be
    /// loaded or read whole, a running client that will replace the list, and how the hand-off to the
    /// client went.
    QString Summary(const ServerTable& servers, const PeerList& peers) const;

    const FileReport& ServerMet() const { return m_serverMet; }
    const FileReport& PeerList() const { return m_peerList; }

  private:
    int Kept(const ServerTable& servers) const;

    std::unordered_set<std::string> m_readCaptions;
    FileReport m_serverMet;
    FileReport m_peerList;
    int m_filtered = 0;
    std::size_t m_carried = 0;
    QString m_peerServer;
    std::vector<PublishedListLoad> m_publishedFailures;  // the last failure of each list, first failed first
    QString m_clientRunning;
    QString m_handOff;
};

}  // namespace hublane::serverlist
