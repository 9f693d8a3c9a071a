// The composition root. One Engine builds and owns everything a copy of the program
// runs on: the network access, the cycle state and its waits, the campaigns, the peer server, the
// web directory, the hand-off and the server list window's cycle. The program builds it under its
// windows; hublanectl builds the same engine without them.
#pragma once

#include <QString>
#include <memory>
#include <optional>

#include "clients/ClientKind.h"
#include "platform/CopyAddress.h"

namespace hublane::platform {
class BusyOwner;
class ClassRegistration;
class Clock;
class SettingsStore;
class UserPrompts;
}  // namespace hublane::platform
namespace hublane::language {
class LanguageTable;
}
namespace hublane::clients {
class Client;
class HandOff;
class HandOffRunner;
}  // namespace hublane::clients
namespace hublane::serverlist {
class AddressFilter;
class CycleState;
class StatusCaption;
class TFLServeur;
class UiWaits;
class WorkGauge;
}  // namespace hublane::serverlist
namespace hublane::probe {
class Campaigns;
}
namespace hublane::exchange {
class PeerServer;
class WebDirectory;
}  // namespace hublane::exchange

namespace hublane::app {

class VersionCheck;

/// What the engine is built on; each lives longer than the engine.
struct EngineDeps {
    platform::SettingsStore& settings;
    platform::UserPrompts& prompts;
    platform::ClassRegistration& classes;
    const language::LanguageTable& language;
    const platform::Clock& clock;
    /// The main window's gauge and status label (plain ones without a window).
    serverlist::WorkGauge& gauge;
    serverlist::StatusCaption& caption;
    /// The window that shows the busy cursor while the writer of server.met looks for the
    /// client's folder (the main window). The reader's owner is never seen.
    platform::BusyOwner& writerOwner;
};

/// Where this copy lives and which files it works on.
struct EngineOptions {
    platform::CopyAddress address;
    /// The client this copy serves; unset: the setting Client, else what the machine shows.
    std::optional<clients::ClientKind> client;
    /// The folder that holds the client's server.met (--client-dir); empty: the client's own rule.
    QString clientDir;
    /// The client's server.met; empty: the client's, found anew for each file operation.
    QString serverMetPath;
    /// The peer list file, "serverHBL.met" in the current folder unless given.
    QString peerListPath = QStringLiteral("serverHBL.met");
    /// Whether the cycle types the list into running clients.
    bool handOff = true;
    /// The web directory given on the command line: it stands in the box (TServerWeb) until the user
    /// types another address there; empty: the stored ServeurWeb.
    QString webUrl;
    /// The longest a web page may take to load.
    int pageLimitMs = 30000;
    /// The version host's file; empty: the built-in host's /versionHBL.txt.
    QString versionUrl;
    /// The IP filter list given on the command line; empty: the settings decide.
    QString ipFilterPath;
    /// Where a list downloaded from the setting IpFilterUrl is kept; empty: the default place.
    QString ipFilterDownloadPath;
    /// Who types the list into the client; null: the system's own (this process on Windows,
    /// the Windows helper under Wine elsewhere).
    std::shared_ptr<clients::HandOffRunner> handOffRunner;
};

class Engine {
  public:
    Engine(EngineDeps deps, EngineOptions options);
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    serverlist::CycleState& State();
    serverlist::UiWaits& Waits();
    probe::Campaigns& Campaigns();
    /// The server list window (its Show() runs one update cycle).
    serverlist::TFLServeur& ServerList();
    exchange::PeerServer& PeerServer();
    exchange::WebDirectory& WebDirectory();
    /// "Envoyer à eDonkey" and the cycle's last step, for clients whose list is typed by a runner.
    clients::HandOff& HandOff();
    /// The client this copy serves.
    clients::Client& Client();
    app::VersionCheck& Version();
    const EngineOptions& Options() const;

  private:
    struct Parts;
    std::unique_ptr<Parts> m_parts;
};

}  // namespace hublane::app
