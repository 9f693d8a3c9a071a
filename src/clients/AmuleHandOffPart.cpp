// The hand-off part of the cycle when the client is aMule.
#include "clients/AmuleHandOffPart.h"

#include "serverlist/UiWaits.h"

namespace hublane::clients {

AmuleHandOffPart::AmuleHandOffPart(serverlist::CycleState& state, serverlist::UiWaits& waits,
                                   EcTargetSource target, serverlist::AddressTest blocked,
                                   PendingRemovalStore pending)
    : m_state(state),
      m_waits(waits),
      m_target(std::move(target)),
      m_blocked(std::move(blocked)),
      m_pendingStore(std::move(pending)) {
    if (m_pendingStore.load) {
        m_pendingRemovals = m_pendingStore.load();
    }
}

void AmuleHandOffPart::KeepPendingRemovals(const std::set<ServerEndpoint>& silent) {
    using Outcome = AmuleHandOffResult::Outcome;
    std::set<ServerEndpoint> pending;
    if (m_result.outcome == Outcome::NoSession) {
        // aMule's list was never read: any of them may be in it.
        pending = silent;
    } else if (m_result.outcome == Outcome::CutShort) {
        // The removals run in plan order, after every addition: the ones not yet made.
        const auto& remove = m_result.plan.remove;
        pending.insert(remove.begin() + m_result.removed, remove.end());
    }
    if (pending != m_pendingRemovals) {
        m_pendingRemovals = std::move(pending);
        if (m_pendingStore.save) {
            m_pendingStore.save(m_pendingRemovals);
        }
    }
}

void AmuleHandOffPart::SendToDonkey() {
    if (m_running || m_waits.Terminating()) {
        return;
    }
    m_running = true;
    serverlist::ServerTable table = m_state.Servers();
    if (m_blocked) {
        table.RemoveIf([this](const serverlist::ServerRow& row) { return m_blocked(row.caption); });
    }
    m_result = AmuleHandOffResult{};
    if (!HoldsServerForAmule(table)) {
        // An empty table says nothing about aMule's servers (nor about which are silent); aMule
        // is not even looked for.
        m_result.outcome = AmuleHandOffResult::Outcome::EmptyTable;
    } else {
        std::set<ServerEndpoint> silent = m_pendingRemovals;
        for (const serverlist::ListedServer& server : m_state.silentServers) {
            if (auto endpoint = EndpointOf(server.ip, server.port)) {
                silent.insert(std::move(*endpoint));
            }
        }
        if (const EcTargetChoice choice = m_target ? m_target() : EcTargetChoice{}; !choice.target) {
            m_result.reason = choice.problem;
        } else {
            AmuleSession session;
            const QMetaObject::Connection stop = QObject::connect(&m_waits, &serverlist::UiWaits::Terminated,
                                                                  &m_waits, [&session] { session.Abort(); });
            m_result = RunAmuleHandOff(session, *choice.target, table, silent, m_state.Gauge());
            QObject::disconnect(stop);
        }
        KeepPendingRemovals(silent);
    }
    m_status = AmuleStatusLine(m_result);
    m_state.Caption().SetCaption(m_status);
    m_running = false;
}

}  // namespace hublane::clients
