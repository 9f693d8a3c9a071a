// The aMule client (amule, or amuled on a NAS): its list in its config folder (~/.aMule unless
// given), written in the eMule/aMule dialect, and the notice that a running aMule rewrites it.
#pragma once

#include "clients/Client.h"
#include "clients/MuleServerList.h"

namespace hublane::clients {

/// The summary's notice while aMule runs and the cycle only writes its file, which aMule
/// replaces with its own list when it quits.
inline constexpr const char* kAmuleRewritesNotice =
    "aMule est lancé : la liste écrite sera remplacée à sa fermeture";
/// The notice once the cycle hands the list to the running aMule itself.
inline constexpr const char* kAmuleHandedNotice = "aMule est lancé : la liste lui est transmise directement";

class AmuleClient final : public Client {
  public:
    /// folder: aMule's config folder given on the command line; empty: ~/.aMule.
    explicit AmuleClient(QString folder = {});

    /// ~/.aMule/ of the user running the program.
    static QString DefaultFolder();

    ClientKind Kind() const override { return ClientKind::Amule; }
    QString KnownFolder() override { return m_folder; }
    /// The folder's server.met; aMule's folder is never asked for.
    QString ServerMetPath(platform::BusyOwner& owner) override;
    serverlist::ServerListDialect& ServerList() override { return m_dialect; }
    /// Nothing is typed into an aMule: the runner finds no client.
    std::shared_ptr<HandOffRunner> CreateHandOffRunner(serverlist::UiWaits& waits) override;
    /// The cycle's hand-off to aMule (over EC, in its own part); until it is in place, none.
    std::unique_ptr<serverlist::HandOffPart> CreateHandOffPart(serverlist::CycleState& state,
                                                               serverlist::UiWaits& waits,
                                                               serverlist::AddressTest blocked) override;
    QString RunningNotice() override;

  private:
    QString m_folder;
    MuleServerList m_dialect;
    /// Whether the cycle's hand-off gives a running aMule the list directly.
    bool m_handsOverLive = false;
};

}  // namespace hublane::clients
