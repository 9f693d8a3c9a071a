// The hand-off of the server list to a running eMule: its main window found by the
// window message it answers, then one ed2k server link a server in WM_COPYDATA, each message
// bounded in time.
#pragma once

#include <vector>

#include "clients/DonkeyHandOff.h"
#include "clients/HandOffRunner.h"
#include "platform/WindowSystem.h"
#include "serverlist/WorkGauge.h"

namespace hublane::clients {

/// The hand-off, as a second copy of eMule passes links to the first. Each top-level window is
/// sent eMule's registered window message (a hung program is skipped at once, a busy one waited
/// for at most the time limit); the first that answers with the message's own number is eMule's
/// main window, and it is sent one WM_COPYDATA a link (see PlanEmuleLinks), one after the other.
///
/// The result reuses the eDonkey2000 hand-off's: Delivered when every link was taken; NoClient
/// when no window answered (detail: how many did not answer in time); NotAnswering / WindowGone
/// when eMule stopped answering or went away part-way; EmptyTable when no row makes a link;
/// HelperFailed when the message could not be registered. clients is 1 once eMule's window
/// answered; consoles counts the links it took. The gauge runs over the links.
class EmuleHandOff {
  public:
    EmuleHandOff(platform::WindowSystem& windows, serverlist::WorkGauge& gauge,
                 int messageTimeoutMs = clients::kMessageTimeoutMs);

    clients::HandOffResult Send(const std::vector<clients::HandOffAddress>& rows);
    /// Only looks for eMule's main window, as Send does, and sends it nothing: Delivered with
    /// clients 1 when it answered, else what Send would have said before its first link.
    clients::HandOffResult Find();

  private:
    /// eMule's main window, or 0 with the result saying why there is none.
    platform::WindowHandle FindEmule(clients::HandOffResult& result);

    platform::WindowSystem& m_windows;
    serverlist::WorkGauge& m_gauge;
    int m_timeoutMs;
};

/// The eMule hand-off in this process, over a window system (Windows, and the helper under Wine).
class EmuleWindowRunner final : public clients::HandOffRunner {
  public:
    explicit EmuleWindowRunner(platform::WindowSystem& windows,
                               int messageTimeoutMs = clients::kMessageTimeoutMs)
        : m_windows(windows), m_timeoutMs(messageTimeoutMs) {}
    clients::HandOffResult Run(const std::vector<clients::HandOffAddress>& rows,
                               serverlist::WorkGauge& gauge) override {
        return EmuleHandOff(m_windows, gauge, m_timeoutMs).Send(rows);
    }

  private:
    platform::WindowSystem& m_windows;
    int m_timeoutMs;
};

}  // namespace hublane::clients
