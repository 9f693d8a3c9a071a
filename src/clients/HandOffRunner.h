// Who carries out a hand-off: this process through a window system (Windows), or
// a helper program where the client runs (Wine).
#pragma once

#include <vector>

#include "clients/DonkeyHandOff.h"
#include "platform/WindowSystem.h"
#include "serverlist/WorkGauge.h"

namespace hublane::clients {

/// Types rows into the running clients and tells what happened; the gauge shows each phase.
class HandOffRunner {
  public:
    virtual ~HandOffRunner() = default;
    virtual HandOffResult Run(const std::vector<HandOffAddress>& rows, serverlist::WorkGauge& gauge) = 0;
};

/// The hand-off in this process, over a window system.
class WindowSystemHandOffRunner final : public HandOffRunner {
  public:
    explicit WindowSystemHandOffRunner(platform::WindowSystem& windows,
                                       int messageTimeoutMs = kMessageTimeoutMs)
        : m_windows(windows), m_timeoutMs(messageTimeoutMs) {}
    HandOffResult Run(const std::vector<HandOffAddress>& rows, serverlist::WorkGauge& gauge) override {
        return DonkeyHandOff(m_windows, gauge, m_timeoutMs).SendToDonkey(rows);
    }

  private:
    platform::WindowSystem& m_windows;
    int m_timeoutMs;
};

}  // namespace hublane::clients
