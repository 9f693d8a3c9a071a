// The hand-off part of the cycle: the server table typed into every running
// eDonkey2000 client by a runner, and the status line that says how it went.
#pragma once

#include <QString>
#include <functional>
#include <vector>

#include "clients/HandOffRunner.h"
#include "serverlist/CycleParts.h"

namespace hublane::clients {

/// The status line of one hand-off of rows server rows, in the program's words.
QString HandOffStatusLine(const HandOffResult& result, int rows);

/// The status line of one hand-off of rows, in the client's words, the cycle having removed
/// `removed` servers read from the client's file (CycleState::removedThisCycle).
using HandOffStatusFunction =
    std::function<QString(const HandOffResult& result, const std::vector<HandOffAddress>& rows, int removed)>;

/// "Envoyer à eDonkey" and the cycle's last step. An empty table is not handed off at all; the
/// outcome, whatever it is, goes to the status label.
class HandOff final : public serverlist::HandOffPart {
  public:
    /// blocked: the addresses an IP filter keeps out; they are never typed. statusLine: the
    /// client's words for the outcome; empty: eDonkey2000's (HandOffStatusLine).
    HandOff(serverlist::CycleState& state, HandOffRunner& runner, serverlist::AddressTest blocked = {},
            HandOffStatusFunction statusLine = {})
        : m_state(state),
          m_runner(runner),
          m_blocked(std::move(blocked)),
          m_statusLine(std::move(statusLine)) {}

    void SendToDonkey() override;
    QString LastStatus() const override { return m_status; }
    const HandOffResult& LastResult() const { return m_result; }

  private:
    serverlist::CycleState& m_state;
    HandOffRunner& m_runner;
    serverlist::AddressTest m_blocked;
    HandOffStatusFunction m_statusLine;
    HandOffResult m_result;
    QString m_status;
};

}  // namespace hublane::clients
