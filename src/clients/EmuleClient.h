// The eMule client (Windows, or under Wine): its list in its config folder, written in the
// eMule/aMule dialect, and the hand-off of ed2k server links to its main window.
#pragma once

#include <optional>

#include "clients/Client.h"
#include "clients/MuleServerList.h"
#include "clients/SystemHandOffRunner.h"
#include "clients/TPartInfo.h"

namespace hublane::clients {

class EmuleClient final : public Client {
  public:
    /// programDir: the running program's folder, where the hand-off helper lies; folder: eMule's
    /// config folder given on the command line (empty: found from its program folder).
    EmuleClient(const PartInfoDeps& locator, QString programDir, QString folder = {});

    ClientKind Kind() const override { return ClientKind::Emule; }
    /// The given folder, else the config folder of the eMule FindEmuleFolder finds, else the
    /// stored client folder's (ConfigFolderOf).
    QString KnownFolder() override;
    /// KnownFolder's server.met, else the client folder asked for as on a first start.
    QString ServerMetPath(platform::BusyOwner& owner) override;
    serverlist::ServerListDialect& ServerList() override { return m_dialect; }
    std::shared_ptr<HandOffRunner> CreateHandOffRunner(serverlist::UiWaits& waits) override;
    /// eMule's words (EmuleHandOffStatus); the result is kept for the running notice.
    HandOffStatusFunction HandOffStatus() override;
    /// From the cycle's hand-off when one was made, else from a look for eMule's window.
    QString RunningNotice() override;

    /// The folder of the list for a client folder: eMule's config folder when it is eMule's program
    /// folder (holding emule.exe: EmuleConfigFolderOf), else the folder itself, a config folder
    /// chosen by hand. Empty for an empty folder.
    static QString ConfigFolderOf(const QString& folder);

  private:
    HandOffSetup Setup(serverlist::UiWaits* waits);

    PartInfoDeps m_locator;
    QString m_programDir;
    QString m_folder;
    MuleServerList m_dialect;
    serverlist::UiWaits* m_waits = nullptr;
    // The last hand-off's result, until the running notice has taken it.
    std::optional<HandOffResult> m_handOff;
};

}  // namespace hublane::clients
