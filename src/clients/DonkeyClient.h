// The eDonkey2000 client: its folder found by TPartInfo, its server.met in the classic dialect,
// and the hand-off typed into its console (by this process on Windows, by the Windows helper
// under Wine elsewhere).
#pragma once

#include "clients/Client.h"
#include "clients/SystemHandOffRunner.h"
#include "clients/TPartInfo.h"

namespace hublane::clients {

/// What the system's hand-off needs of a client found by TPartInfo: clientFolder (read without
/// asking), the program the ed2k links are registered to, the program's folder and the waits.
HandOffSetup LocatorHandOffSetup(const PartInfoDeps& locator, std::function<QString()> clientFolder,
                                 QString programDir, serverlist::UiWaits& waits);

class DonkeyClient final : public Client {
  public:
    /// programDir: the running program's folder, where the hand-off helper lies; folder: the
    /// client's folder given on the command line (empty: the stored one, else asked for).
    DonkeyClient(const PartInfoDeps& locator, QString programDir, QString folder = {});

    ClientKind Kind() const override { return ClientKind::Edonkey; }
    QString KnownFolder() override;
    QString ServerMetPath(platform::BusyOwner& owner) override;
    serverlist::ServerListDialect& ServerList() override { return m_dialect; }
    std::shared_ptr<HandOffRunner> CreateHandOffRunner(serverlist::UiWaits& waits) override;

  private:
    PartInfoDeps m_locator;
    QString m_programDir;
    QString m_folder;
    serverlist::StatelessDialect m_dialect;
};

}  // namespace hublane::clients
