// The aMule client (amule, or amuled on a NAS): its list in its config folder (~/.aMule unless
// given), written in the eMule/aMule dialect, and the notice that a running aMule rewrites it.
#pragma once

#include <cstddef>

#include "clients/Client.h"
#include "clients/MuleServerList.h"

namespace hublane::platform {
class SettingsStore;
}

namespace hublane::clients {

class AmuleHandOffPart;

/// The summary's notice while aMule runs and the cycle only writes its file, which aMule
/// replaces with its own list when it quits.
inline constexpr const char* kAmuleRewritesNotice =
    "aMule est lancé : la liste écrite sera remplacée à sa fermeture";
/// The notice once the cycle hands the list to the running aMule itself.
inline constexpr const char* kAmuleHandedNotice = "aMule est lancé : la liste lui est transmise directement";

/// The setting that keeps the silent servers a hand-off could not take out of aMule's list
/// ("ip:port" entries separated by spaces), for the next hand-off, even of a program started anew.
inline constexpr const char* kAmulePendingRemovalsSetting = "AmulePendingRemovals";
/// At most this many are kept there.
inline constexpr std::size_t kMaxStoredPendingRemovals = 2000;

class AmuleClient final : public Client {
  public:
    /// folder: aMule's config folder given on the command line; empty: ~/.aMule. settings: where
    /// AmuleEc and AmuleEcPassword are read (none: amule.conf alone decides) and
    /// AmulePendingRemovals is kept; a plain-text password stored there is replaced by its hash
    /// at once.
    explicit AmuleClient(QString folder = {}, platform::SettingsStore* settings = nullptr);

    /// ~/.aMule/ of the user running the program.
    static QString DefaultFolder();

    ClientKind Kind() const override { return ClientKind::Amule; }
    QString KnownFolder() override { return m_folder; }
    /// The folder's server.met; aMule's folder is never asked for.
    QString ServerMetPath(platform::BusyOwner& owner) override;
    serverlist::ServerListDialect& ServerList() override { return m_dialect; }
    /// Nothing is typed into an aMule: the runner finds no client.
    std::shared_ptr<HandOffRunner> CreateHandOffRunner(serverlist::UiWaits& waits) override;
    /// The cycle's hand-off to the running aMule over EC; once it is made, the summary says that
    /// a running aMule is given the list directly.
    std::unique_ptr<serverlist::HandOffPart> CreateHandOffPart(serverlist::CycleState& state,
                                                               serverlist::UiWaits& waits,
                                                               serverlist::AddressTest blocked) override;
    QString RunningNotice() override;

  private:
    QString m_folder;
    platform::SettingsStore* m_settings;
    MuleServerList m_dialect;
    /// The cycle's hand-off, when it gives a running aMule the list (owned by the engine, which
    /// outlives every cycle): the notice says the list was handed over only when it was.
    const AmuleHandOffPart* m_handOff = nullptr;
};

}  // namespace hublane::clients
