// The parts the update cycle calls besides the tables and the files: the peer server, the web
// directory and the hand-off to the eDonkey2000 client. Each is optional; a missing part does
// nothing.
#pragma once

namespace hublane::serverlist {

class TFLServeur;

/// The UDP peer server that other copies reach on the peer port.
class PeerServerPart {
  public:
    virtual ~PeerServerPart() = default;
    /// Binds the peer port (once), pings itself and announces itself to the web directory.
    /// Throws when the peer port cannot be bound.
    virtual void StartPeerServer(TFLServeur& window) = 0;
};

/// The web directory: list pages of servers and peers, the upload of the server table.
class WebDirectoryPart {
  public:
    virtual ~WebDirectoryPart() = default;
    /// Starts loading the server links; raises the window's fetch-done flag when finished.
    virtual void FetchServersFromWeb(TFLServeur& window) = 0;
    /// Starts loading the peer links; raises the window's fetch-done flag when finished.
    virtual void FetchPeersFromWeb(TFLServeur& window) = 0;
    virtual void SendServersToWeb(TFLServeur& window) = 0;
};

/// Runs the probe campaign of the checked mode (the window's own campaigns unless replaced).
class CampaignRunner {
  public:
    virtual ~CampaignRunner() = default;
    virtual void SetWorkerLimit(int limit) = 0;
    virtual void RunCampaign() = 0;
};

/// Types the server list into the console of every running eDonkey2000 client.
class HandOffPart {
  public:
    virtual ~HandOffPart() = default;
    virtual void SendToDonkey(TFLServeur& window) = 0;
};

}  // namespace hublane::serverlist
