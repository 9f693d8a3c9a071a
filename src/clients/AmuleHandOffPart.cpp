// The hand-off part of the cycle when the client is aMule.
#include "clients/AmuleHandOffPart.h"

#include "serverlist/UiWaits.h"

namespace hublane::clients {

void AmuleHandOffPart::SendToDonkey() {
    if (m_running || m_waits.Terminating()) {
        return;
    }
    m_running = true;
    serverlist::ServerTable table = m_state.Servers();
    if (m_blocked) {
        table.RemoveIf([this](const serverlist::ServerRow& row) { return m_blocked(row.caption); });
    }
    std::set<ServerEndpoint> silent;
    for (const serverlist::ListedServer& server : m_state.silentServers) {
        if (auto endpoint = EndpointOf(server.ip, server.port)) {
            silent.insert(std::move(*endpoint));
        }
    }
    m_result = AmuleHandOffResult{};
    if (!HoldsServerForAmule(table)) {
        // An empty table says nothing about aMule's servers; aMule is not even looked for.
        m_result.outcome = AmuleHandOffResult::Outcome::EmptyTable;
    } else if (const EcTargetChoice choice = m_target ? m_target() : EcTargetChoice{}; !choice.target) {
        m_result.reason = choice.problem;
    } else {
        AmuleSession session;
        const QMetaObject::Connection stop = QObject::connect(&m_waits, &serverlist::UiWaits::Terminated,
                                                              &m_waits, [&session] { session.Abort(); });
        m_result = RunAmuleHandOff(session, *choice.target, table, silent, m_state.Gauge());
        QObject::disconnect(stop);
    }
    m_status = AmuleStatusLine(m_result);
    m_state.Caption().SetCaption(m_status);
    m_running = false;
}

}  // namespace hublane::clients
