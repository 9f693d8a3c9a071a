// The eDonkey2000 client: its folder found by TPartInfo, its server.met in the classic dialect,
// and the hand-off typed into its console (by this process on Windows, by the Windows helper
// under Wine elsewhere).
#pragma once

#include "clients/Client.h"
#include "clients/PartInfo.h"

namespace hublane::clients {

class DonkeyClient final : public Client {
  public:
    /// programDir: the running program's folder, where the hand-off helper lies.
    DonkeyClient(const PartInfoDeps& locator, QString programDir);

    QString ServerMetPath(platform::BusyOwner& owner) override;
    const serverlist::ServerListCodec& ServerListCodec() const override;
    std::shared_ptr<HandOffRunner> CreateHandOffRunner(serverlist::UiWaits& waits) override;

  private:
    PartInfoDeps m_locator;
    QString m_programDir;
};

}  // namespace hublane::clients
