// The parts the update cycle calls besides the lists and the files: the probe
// campaigns, the peer server, the web directory and the hand-off to the eDonkey2000 client. Each
// comes in through the cycle's constructor; a part that is absent is a null object that does
// nothing.
#pragma once

#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "serverlist/CycleState.h"
#include "serverlist/PublishedListLoad.h"
#include "serverlist/ServerListDialect.h"

namespace hublane::language {
class LanguageTable;
}
namespace hublane::platform {
class SettingsStore;
class UserPrompts;
}  // namespace hublane::platform

namespace hublane::serverlist {

class AddressFilter;

/// Runs the probe campaign of the checked mode over the cycle state.
class CampaignRunner {
  public:
    virtual ~CampaignRunner() = default;
    virtual void SetWorkerLimit(int limit) = 0;
    virtual void RunCampaign() = 0;
};

/// The UDP peer server that other copies reach on the peer port.
class PeerServerPart {
  public:
    virtual ~PeerServerPart() = default;
    /// Binds the peer port (once), pings itself and announces the copy to the web directory.
    /// Throws when the peer port cannot be bound.
    virtual void StartPeerServer() = 0;
    /// Asks the copy at host for its server table and merges what comes back ("Demander des
    /// Serveurs à un autre HBL").
    virtual void AskPeerForServers(const QString& host) = 0;
};

/// The web directory: list pages of servers and peers, the upload of the server table.
class WebDirectoryPart {
  public:
    virtual ~WebDirectoryPart() = default;
    /// Loads the server links and merges them; counts a finished fetch at its end.
    virtual void FetchServersFromWeb() = 0;
    /// Loads the peer links into the (emptied) peer list; counts a finished fetch at its end.
    virtual void FetchPeersFromWeb() = 0;
    virtual void SendServersToWeb() = 0;
    /// Tells the directory that this copy runs.
    virtual void AnnounceToWeb() = 0;
    /// How each published list of the last fetch of servers went, in load order.
    virtual const std::vector<PublishedListLoad>& PublishedLoads() const {
        static const std::vector<PublishedListLoad> none;
        return none;
    }
    /// How many fetches have reached their end: a caller waits for it to change. A fetch asked
    /// while another operation runs does nothing and counts nothing.
    int FetchesDone() const { return m_fetchesDone; }

  protected:
    void FetchEnded() { ++m_fetchesDone; }

  private:
    int m_fetchesDone = 0;
};

/// Types the server list into the console of every running eDonkey2000 client.
class HandOffPart {
  public:
    virtual ~HandOffPart() = default;
    virtual void SendToDonkey() = 0;
    /// The status line of the last hand-off (empty before the first, or without a hand-off).
    virtual QString LastStatus() const { return {}; }
};

class NoPeerServer final : public PeerServerPart {
  public:
    void StartPeerServer() override {}
    void AskPeerForServers(const QString& /*host*/) override {}
};

/// Without a directory a fetch finds nothing and ends at once.
class NoWebDirectory final : public WebDirectoryPart {
  public:
    void FetchServersFromWeb() override { FetchEnded(); }
    void FetchPeersFromWeb() override { FetchEnded(); }
    void SendServersToWeb() override {}
    void AnnounceToWeb() override {}
};

class NoHandOff final : public HandOffPart {
  public:
    void SendToDonkey() override {}
};

/// The parts the cycle calls, each a reference (a null object where a part is absent).
struct CycleParts {
    CampaignRunner& campaigns;
    PeerServerPart& peerServer;
    WebDirectoryPart& web;
    HandOffPart& handOff;
};

/// What the cycle reads, asks and writes through besides its state.
struct CycleServices {
    platform::SettingsStore& settings;
    const language::LanguageTable& language;
    platform::UserPrompts& prompts;
    /// The path of the client's server.met for one file operation; the argument tells whether
    /// the reader (true) or the writer (false) asks, which decides the busy window.
    std::function<QString(bool forReading)> serverMetPath;
    /// The dialect of the client's server.met; it keeps what the cycle's read leaves out of the
    /// table for the cycle's write.
    ServerListDialect& serverList;
    /// The path of the peer list file ("serverHBL.met" in the current folder).
    QString peerListPath = QStringLiteral("serverHBL.met");
    /// The copy's own address when it has one (its peer list never keeps it); empty otherwise.
    std::string ownAddress = {};
    /// The IP filter in force (none: nothing blocked), and what reloads it at a cycle's start.
    const AddressFilter* filter = nullptr;
    std::function<void()> refreshFilter = {};
    /// What the summary says of a running client that will rewrite the list on exit, asked when
    /// a cycle that wrote the list has ended (after its hand-off); none: nothing.
    std::function<QString()> runningNotice = {};
};

}  // namespace hublane::serverlist
