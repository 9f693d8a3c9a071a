// "Envoyer à eDonkey" and the cycle's last step when the client is aMule: the table
// handed to the running aMule over EC, with the servers this cycle found silent taken out of its
// list, and the status line that says how it went. Silent servers a hand-off could not take out
// (aMule did not answer, or the session broke off) are taken out by the next one, unless the
// table holds them again by then; a store keeps them for a program started anew.
#pragma once

#include <QString>
#include <functional>
#include <set>

#include "clients/AmuleEcTarget.h"
#include "clients/AmuleHandOff.h"
#include "serverlist/CycleParts.h"

namespace hublane::serverlist {
class UiWaits;
}

namespace hublane::clients {

/// Where the next hand-off connects; asked anew each time, so a changed setting or amule.conf
/// counts at once.
using EcTargetSource = std::function<EcTargetChoice()>;

/// Where the silent servers still to be taken out outlive the program (a one-shot
/// `hublanectl cycle`): read once as the part is made, written each time they change.
struct PendingRemovalStore {
    std::function<std::set<ServerEndpoint>()> load;
    std::function<void(const std::set<ServerEndpoint>&)> save;
};

class AmuleHandOffPart final : public serverlist::HandOffPart {
  public:
    /// blocked: the addresses an IP filter keeps out; aMule is never given them. The program
    /// quitting (waits) ends a hand-off under way at once. pending: none keeps them in memory only.
    AmuleHandOffPart(serverlist::CycleState& state, serverlist::UiWaits& waits, EcTargetSource target,
                     serverlist::AddressTest blocked = {}, PendingRemovalStore pending = {});

    void SendToDonkey() override;
    QString LastStatus() const override { return m_status; }
    const AmuleHandOffResult& LastResult() const { return m_result; }
    /// The silent servers the next hand-off takes out besides the ones its cycle finds silent.
    const std::set<ServerEndpoint>& PendingRemovals() const { return m_pendingRemovals; }

  private:
    /// What of silent (the servers this hand-off was to take out) the next one takes out.
    void KeepPendingRemovals(const std::set<ServerEndpoint>& silent);

    serverlist::CycleState& m_state;
    serverlist::UiWaits& m_waits;
    EcTargetSource m_target;
    serverlist::AddressTest m_blocked;
    PendingRemovalStore m_pendingStore;
    AmuleHandOffResult m_result;
    QString m_status;
    std::set<ServerEndpoint> m_pendingRemovals;  // silent servers aMule may still hold
    // A hand-off waits for aMule with events running: a click meanwhile must not start another.
    bool m_running = false;
};

}  // namespace hublane::clients
