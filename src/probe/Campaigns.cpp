// Probe campaigns: one pass of probe workers over the server table or the peer list in one mode,
// with at most the worker limit out at once, and the removal of silent rows afterwards.
#include "probe/Campaigns.h"

#include <QDeadlineTimer>
#include <algorithm>
#include <array>
#include <optional>
#include <string_view>

#include "platform/Clock.h"
#include "probe/TScanFiles.h"
#include "probe/WorkerLink.h"
#include "serverlist/CycleState.h"
#include "serverlist/UiWaits.h"

namespace hublane::probe {

using serverlist::Column;
using serverlist::ProbeKind;

namespace {

constexpr int kSlotWaits = 20;
constexpr int kSlotWaitMs = 500;
constexpr int kFinalWaitMs = 1000;
constexpr int kServerListRows = 50;
constexpr int kStopWaitMs = 7000;

// Home texts that keep a row in the French check (case-sensitive, anywhere in the text).
constexpr std::array<std::string_view, 9> kFrenchHomes = {".fr", ".be", ".ca", ".ch", ".gp",
                                                          ".lu", ".mc", ".mq", ".re"};

bool IsPeerKind(ProbeKind kind) {
    return kind == ProbeKind::PingHBL || kind == ProbeKind::AskCopiesForServers ||
           kind == ProbeKind::AskCopiesForCopies;
}

ProbeMode ModeOf(ProbeKind kind) {
    switch (kind) {
        case ProbeKind::RechNew:
            return ProbeMode::ModeServerList;
        case ProbeKind::RechDesc:
            return ProbeMode::ModeDescription;
        case ProbeKind::PingHBL:
            return ProbeMode::ModePeerPing;
        case ProbeKind::AskCopiesForServers:
            return ProbeMode::ModePeerServers;
        case ProbeKind::AskCopiesForCopies:
            return ProbeMode::ModePeerPeers;
        case ProbeKind::RechFr:
        case ProbeKind::None:
            break;
    }
    return ProbeMode::ModeNone;
}

// What a peer campaign asks of each copy, so that the peer server takes the answer.
std::optional<serverlist::PeerAsk> AskOf(ProbeKind kind) {
    switch (kind) {
        case ProbeKind::PingHBL:
            return serverlist::PeerAsk::Ping;
        case ProbeKind::AskCopiesForServers:
            return serverlist::PeerAsk::Servers;
        case ProbeKind::AskCopiesForCopies:
            return serverlist::PeerAsk::Peers;
        default:
            return std::nullopt;
    }
}

// Whether the kind probes a row with this answered flag: the list requests go to rows that
// answered, the pings to rows that have not. Asking copies for their peers is a list request
// too: in the cycle it follows the peer ping, whose removal leaves no row without the flag, so
// asking only those would ask no one.
bool Probes(ProbeKind kind, bool answered) {
    const bool listRequest = kind == ProbeKind::RechNew || kind == ProbeKind::AskCopiesForServers ||
                             kind == ProbeKind::AskCopiesForCopies;
    return listRequest ? answered : !answered;
}

// The UDP port of a server row: its listed port plus 4. Empty when the listed port is not a
// port number (a row taken from a web link); such a row is not probed.
QString ServerProbePort(const std::string& listed) {
    bool ok = false;
    const uint port = QString::fromStdString(listed).toUInt(&ok);
    if (!ok || port + 4 > 65535) {
        return {};
    }
    return QString::number(port + 4);
}

}  // namespace

Campaigns::Campaigns(serverlist::CycleState& state, serverlist::UiWaits& waits, platform::CopyAddress address,
                     serverlist::AddressTest blocked)
    : m_state(state),
      m_waits(waits),
      m_address(std::move(address)),
      m_blocked(std::move(blocked)),
      m_link(std::make_shared<WorkerLink>(&waits)) {
    QObject::connect(&waits, &serverlist::UiWaits::Terminated, &waits, [this] { StopWorkers(); });
}

Campaigns::~Campaigns() {
    StopWorkers();
}

void Campaigns::SetWorkerLimit(int limit) {
    m_workerLimit = std::clamp(limit, 1, kSlotCount);
}

void Campaigns::ResetSlots() {
    for (int k = 0; k < m_workerLimit; ++k) {
        m_slots[static_cast<std::size_t>(k)] = Slot{};
    }
}

void Campaigns::CountRowDealtWith() {
    ++m_state.probedCounter;
    m_state.Gauge().Step();
}

void Campaigns::RunCampaign() {
    switch (m_state.Controls().checked) {
        case ProbeKind::RechNew:
            RunListCampaign(ProbeKind::RechNew);
            break;
        case ProbeKind::RechDesc:
            RemoveUnansweredServers(RunListCampaign(ProbeKind::RechDesc));
            break;
        case ProbeKind::PingHBL:
            RemoveUnansweredPeers(RunListCampaign(ProbeKind::PingHBL));
            break;
        case ProbeKind::AskCopiesForServers:
            RunListCampaign(ProbeKind::AskCopiesForServers);
            break;
        case ProbeKind::AskCopiesForCopies:
            RunListCampaign(ProbeKind::AskCopiesForCopies);
            break;
        case ProbeKind::RechFr:
            RunFrenchCampaign();
            FrenchCheck();
            break;
        case ProbeKind::None:
            break;
    }
}

bool Campaigns::StartWorker(ProbeKind kind, const QString& host, const QString& port) {
    int k = 0;
    while (k < m_workerLimit && m_slots[static_cast<std::size_t>(k)].state == SlotState::Busy) {
        ++k;
    }
    if (k >= m_workerLimit) {
        return false;  // every slot still busy after the waits: the row is left out
    }
    Slot& slot = m_slots[static_cast<std::size_t>(k)];
    if (slot.state == SlotState::Free) {
        slot.worker = new TScanFiles(k, m_generation, m_link, *this);
        slot.state = SlotState::Ready;
        TScanFiles* worker = slot.worker;
        m_live.insert(worker);
        QObject::connect(worker, &QThread::finished, &m_waits, [this, worker] { WorkerEnded(worker); });
    }
    ++m_busyCount;
    TScanFiles* worker = slot.worker;
    worker->Host = host;
    worker->Port = port;
    worker->TimeoutMs = m_state.Controls().timeout.Value() * 1000;
    worker->Mode = ModeOf(kind);
    if (const auto ask = AskOf(kind)) {
        m_state.peerAsks.Note(host.toStdString(), *ask, m_waits.Clock().NowMs());
    }
    slot.state = SlotState::Busy;
    worker->Resume();
    return true;
}

Campaigns::Asked Campaigns::RunListCampaign(ProbeKind kind) {
    Asked asked;
    if (m_busyCount > 0) {
        return asked;
    }
    const bool peers = IsPeerKind(kind);
    const auto rowCount = [this, peers] {
        return peers ? m_state.Peers().Count() : m_state.Servers().Count();
    };
    m_busyCount = 0;
    ++m_generation;
    m_state.Gauge().SetPosition(0);
    m_state.Gauge().SetMax(kind == ProbeKind::RechNew ? kServerListRows : static_cast<int>(rowCount()));
    ResetSlots();

    const auto slotFree = [this] { return m_busyCount < m_workerLimit; };
    // The row count is read anew at every row: rows appended meanwhile are visited too.
    for (std::size_t j = 0; j < rowCount(); ++j) {
        if (kind == ProbeKind::RechNew && j >= kServerListRows) {
            break;
        }
        if (m_waits.Terminating()) {
            return asked;
        }
        const bool answered = peers ? m_state.Peers().Row(j).answered : m_state.Servers().Row(j).answered;
        if (!Probes(kind, answered)) {
            CountRowDealtWith();
            continue;
        }
        m_waits.ResetWaitCounter();
        while (m_busyCount == m_workerLimit && m_waits.WaitCounter() < kSlotWaits && !m_waits.Terminating()) {
            m_waits.UiWait(kSlotWaitMs, slotFree);
        }
        // A wait may have let a nested campaign remove rows.
        if (j >= rowCount() || m_waits.Terminating()) {
            break;
        }
        QString host;
        QString port;
        if (peers) {
            host = QString::fromStdString(m_state.Peers().Row(j).caption);
            port = QString::number(m_address.peerPort);
        } else {
            const serverlist::ServerRow& row = m_state.Servers().Row(j);
            host = QString::fromStdString(row.caption);
            port = ServerProbePort(row.Sub(Column::Port));
            if (port.isEmpty()) {
                // No port to ask: the row counts as asked and silent.
                asked.insert(row.caption);
                CountRowDealtWith();
                continue;
            }
        }
        if (StartWorker(kind, host, port)) {
            asked.insert(host.toStdString());
        }
    }

    const int finalWaits = kind == ProbeKind::RechNew ? 10 : 20;
    m_waits.ResetWaitCounter();
    // A ping's answer never comes back through its worker, which hands back at once: it reaches
    // the peer server during these waits, so they run their whole second. The other kinds have
    // applied their answers when they hand back; their wait ends with the last hand-back.
    const bool answersComeLater = kind == ProbeKind::PingHBL;
    while (m_busyCount > 0 && m_waits.WaitCounter() < finalWaits && !m_waits.Terminating()) {
        if (answersComeLater) {
            m_waits.UiWait(kFinalWaitMs);
        } else {
            m_waits.UiWait(kFinalWaitMs, [this] { return m_busyCount <= 0; });
        }
    }
    m_state.Gauge().SetPosition(0);
    return asked;
}

void Campaigns::RunFrenchCampaign() {
    serverlist::ServerTable& table = m_state.Servers();
    if (m_busyCount > 0 || table.Empty()) {
        return;
    }
    m_busyCount = 0;
    ++m_generation;
    m_state.probedCounter = 0;
    m_state.Gauge().SetMax(static_cast<int>(table.Count()));
    m_state.Gauge().SetPosition(0);
    for (std::size_t i = 0; i < table.Count(); ++i) {
        table.Row(i).answered = true;
    }
    ResetSlots();
    for (std::size_t j = 0; j < table.Count(); ++j) {
        // No bound on the number of waits here: these workers hand back at once.
        while (m_busyCount == m_workerLimit && !m_waits.Terminating()) {
            m_waits.UiWait(kSlotWaitMs, [this] { return m_busyCount < m_workerLimit; });
        }
        if (j >= table.Count() || m_waits.Terminating()) {
            break;
        }
        StartWorker(ProbeKind::RechFr, QString::fromStdString(table.Row(j).caption), QString());
    }
    m_waits.ResetWaitCounter();
    while (m_busyCount > 0 && m_waits.WaitCounter() < 20 && !m_waits.Terminating()) {
        m_waits.UiWait(kFinalWaitMs, [this] { return m_busyCount <= 0; });
    }
    // Only rows appended while the campaign ran can lack the flag.
    table.RemoveIf([](const serverlist::ServerRow& row) { return !row.answered; });
    m_state.Gauge().SetPosition(0);
    m_state.CountServers();
}

void Campaigns::FrenchCheck() {
    m_state.Servers().RemoveIf([](const serverlist::ServerRow& row) {
        const std::string& home = row.Sub(Column::Home);
        return std::none_of(kFrenchHomes.begin(), kFrenchHomes.end(),
                            [&home](std::string_view tld) { return home.find(tld) != std::string::npos; });
    });
}

namespace {

// The removal pass: rows the campaign asked that stayed without the answered flag go, in one
// pass; a row whose caption is "0" ends the pass, so it and the rows after it stay. Rows the
// campaign never asked (added after it went by, or skipped because every worker was out, or
// every row when it could not start at all) stay: silence is only known of a row that was asked.
template <typename List, typename Removed>
void RemoveUnanswered(List& list, const std::unordered_set<std::string>& asked, Removed removed) {
    bool stopped = false;
    list.RemoveIf([&stopped, &asked, &removed](const auto& row) {
        stopped = stopped || row.caption == "0";
        const bool silent = !stopped && !row.answered && asked.count(row.caption) > 0;
        if (silent) {
            removed(row);
        }
        return silent;
    });
}

}  // namespace

void Campaigns::RemoveUnansweredServers(const Asked& asked) {
    RemoveUnanswered(m_state.Servers(), asked, [this](const serverlist::ServerRow& row) {
        m_state.silentServers.insert({row.caption, row.Sub(Column::Port)});
    });
    m_state.Servers().Sort();
}

void Campaigns::RemoveUnansweredPeers(const Asked& asked) {
    RemoveUnanswered(m_state.Peers(), asked, [](const serverlist::PeerRow&) {});
    m_state.Peers().SortByCaption();
}

void Campaigns::WorkerFinished(int slot, unsigned generation) {
    if (generation != m_generation || slot < 0 || slot >= kSlotCount) {
        // A worker that outlived its campaign: the slots and the busy count it held were reset
        // when the next campaign started, so it frees nothing there.
        return;
    }
    Slot& s = m_slots[static_cast<std::size_t>(slot)];
    s.state = SlotState::Free;
    s.worker = nullptr;
    --m_busyCount;
    CountRowDealtWith();
    m_waits.NotifyStateChanged();
}

void Campaigns::WorkerEnded(TScanFiles* worker) {
    if (m_live.erase(worker) > 0) {
        worker->wait();
        delete worker;
    }
}

void Campaigns::StopWorkers() {
    m_link->Close();
    for (TScanFiles* worker : m_live) {
        worker->requestInterruption();
    }
    const QDeadlineTimer deadline(kStopWaitMs);
    for (TScanFiles* worker : m_live) {
        if (worker->wait(deadline)) {
            delete worker;
        }
        // A thread that does not end in time is left to the process's end rather than deleted
        // while it runs.
    }
    m_live.clear();
    m_busyCount = 0;
}

}  // namespace hublane::probe
