// The eMule client (Windows, or under Wine): its list in its config folder, written in the
// eMule/aMule dialect, and the hand-off of ed2k server links to its main window.
#pragma once

#include "clients/Client.h"
#include "clients/MuleServerList.h"
#include "clients/PartInfo.h"

namespace hublane::clients {

class EmuleClient final : public Client {
  public:
    /// programDir: the running program's folder, where the hand-off helper lies; folder: eMule's
    /// config folder given on the command line (empty: found from its program folder).
    EmuleClient(const PartInfoDeps& locator, QString programDir, QString folder = {});

    ClientKind Kind() const override { return ClientKind::Emule; }
    QString KnownFolder() override;
    QString ServerMetPath(platform::BusyOwner& owner) override;
    serverlist::ServerListDialect& ServerList() override { return m_dialect; }
    std::shared_ptr<HandOffRunner> CreateHandOffRunner(serverlist::UiWaits& waits) override;

    /// eMule's config folder, which holds server.met, for its program folder (empty: unknown).
    /// Today: the program folder's config/ when it exists, else the program folder itself.
    static QString ConfigFolderOf(const QString& programFolder);

  private:
    PartInfoDeps m_locator;
    QString m_programDir;
    QString m_folder;
    MuleServerList m_dialect;
};

}  // namespace hublane::clients
