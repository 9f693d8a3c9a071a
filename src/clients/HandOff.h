// The hand-off part of the cycle: the server table typed into every running
// eDonkey2000 client by a runner, and the status line that says how it went.
#pragma once

#include <QString>

#include "clients/HandOffRunner.h"
#include "serverlist/CycleParts.h"

namespace hublane::clients {

/// The status line of one hand-off of rows server rows, in the program's words.
QString HandOffStatusLine(const HandOffResult& result, int rows);

/// "Envoyer à eDonkey" and the cycle's last step. An empty table is not handed off at all; the
/// outcome, whatever it is, goes to the status label.
class HandOff final : public serverlist::HandOffPart {
  public:
    /// blocked: the addresses an IP filter keeps out; they are never typed.
    HandOff(serverlist::CycleState& state, HandOffRunner& runner, serverlist::AddressTest blocked = {})
        : m_state(state), m_runner(runner), m_blocked(std::move(blocked)) {}

    void SendToDonkey() override;
    QString LastStatus() const override { return m_status; }
    const HandOffResult& LastResult() const { return m_result; }

  private:
    serverlist::CycleState& m_state;
    HandOffRunner& m_runner;
    serverlist::AddressTest m_blocked;
    HandOffResult m_result;
    QString m_status;
};

}  // namespace hublane::clients
