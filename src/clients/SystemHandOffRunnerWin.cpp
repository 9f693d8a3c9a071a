// The hand-off on Windows: this process types into the clients' windows itself.
#include "clients/SystemHandOffRunner.h"
#include "platform/WindowSystemWin.h"

namespace hublane::clients {
using serverlist::WorkGauge;

namespace {

class SystemWin32Runner final : public HandOffRunner {
  public:
    SystemWin32Runner() : m_windows(platform::CreateWin32WindowSystem()), m_runner(*m_windows) {}

    HandOffResult Run(const std::vector<HandOffAddress>& rows, WorkGauge& gauge) override {
        return m_runner.Run(rows, gauge);
    }

  private:
    std::unique_ptr<platform::WindowSystem> m_windows;
    WindowSystemHandOffRunner m_runner;
};

}  // namespace

std::unique_ptr<HandOffRunner> CreateSystemHandOffRunner(HandOffSetup /*setup*/) {
    return std::make_unique<SystemWin32Runner>();
}

}  // namespace hublane::clients
