// Probe campaigns: one pass of probe workers over the server table or the peer list in one mode,
// with at most the worker limit out at once, and the removal of silent rows afterwards.
#pragma once

#include <QObject>
#include <array>
#include <memory>
#include <set>
#include <string>
#include <unordered_set>

#include "platform/CopyAddress.h"
#include "serverlist/CycleControls.h"
#include "serverlist/CycleParts.h"
#include "serverlist/ServerTable.h"

namespace hublane::serverlist {
class CycleState;
class UiWaits;
}  // namespace hublane::serverlist

namespace hublane::probe {

class TScanFiles;
class WorkerLink;

inline constexpr int kSlotCount = 40;

enum class SlotState { Free = 0, Ready = 1, Busy = 2 };

struct Slot {
    SlotState state = SlotState::Free;
    TScanFiles* worker = nullptr;
};

/// The campaigns of one copy: the slot table, the busy count and the worker limit, over the
/// cycle state. Everything here runs on the GUI thread; workers reach it only through
/// WorkerFinished and the synchronized steps of their link.
class Campaigns : public serverlist::CampaignRunner {
  public:
    /// Workers bind their sockets to the copy's address and ask peers on its peer port.
    Campaigns(serverlist::CycleState& state, serverlist::UiWaits& waits, platform::CopyAddress address = {},
              serverlist::AddressTest blocked = {});
    ~Campaigns() override;
    Campaigns(const Campaigns&) = delete;
    Campaigns& operator=(const Campaigns&) = delete;

    /// Copies the worker limit (kept within 1 to the number of slots).
    void SetWorkerLimit(int limit) override;
    int WorkerLimit() const { return m_workerLimit; }
    int BusyCount() const { return m_busyCount; }
    const std::array<Slot, kSlotCount>& Slots() const { return m_slots; }

    serverlist::CycleState& State() { return m_state; }
    const platform::CopyAddress& Address() const { return m_address; }
    serverlist::UiWaits& Waits() { return m_waits; }
    /// What the workers' merges keep out.
    const serverlist::AddressTest& Blocked() const { return m_blocked; }

    /// Runs the campaign of the checked mode, then its removal pass or French check.
    void RunCampaign() override;

    /// The hand-back of a worker, on the window's thread. A worker of an earlier campaign
    /// (one that outlived its campaign's final wait) frees nothing of the running campaign.
    void WorkerFinished(int slot, unsigned generation);
    /// Called when a worker's thread has ended (its object is then deleted).
    void WorkerEnded(TScanFiles* worker);

    /// Asks every live worker to stop, releases blocked hand-backs and waits (bounded) for their
    /// threads to end. Used when the program quits.
    void StopWorkers();

  private:
    /// The captions of the rows a campaign asked.
    using Asked = std::unordered_set<std::string>;

    Asked RunListCampaign(serverlist::ProbeKind kind);
    void RunFrenchCampaign();
    void RemoveUnansweredServers(const Asked& asked);
    void RemoveUnansweredPeers(const Asked& asked);
    void FrenchCheck();
    void ResetSlots();
    /// Takes the first free or ready slot for a row and starts its worker; false when none.
    bool StartWorker(serverlist::ProbeKind kind, const QString& host, const QString& port);
    void CountRowDealtWith();

    serverlist::CycleState& m_state;
    serverlist::UiWaits& m_waits;
    platform::CopyAddress m_address;
    serverlist::AddressTest m_blocked;
    std::shared_ptr<WorkerLink> m_link;
    std::array<Slot, kSlotCount> m_slots{};
    int m_workerLimit = 20;
    int m_busyCount = 0;
    unsigned m_generation = 0;
    std::set<TScanFiles*> m_live;
};

}  // namespace hublane::probe
