// The hand-off to eMule on Windows: this process sends the links itself.
#include "clients/EmuleHandOff.h"
#include "clients/EmuleSystemRunner.h"
#include "platform/WindowSystemWin.h"

namespace hublane::clients {
namespace {

class SystemEmuleRunner final : public clients::HandOffRunner {
  public:
    SystemEmuleRunner() : m_windows(platform::CreateWin32WindowSystem()), m_runner(*m_windows) {}

    clients::HandOffResult Run(const std::vector<clients::HandOffAddress>& rows,
                               serverlist::WorkGauge& gauge) override {
        return m_runner.Run(rows, gauge);
    }

  private:
    std::unique_ptr<platform::WindowSystem> m_windows;
    EmuleWindowRunner m_runner;
};

}  // namespace

std::unique_ptr<clients::HandOffRunner> CreateSystemEmuleRunner(clients::HandOffSetup /*setup*/) {
    return std::make_unique<SystemEmuleRunner>();
}

clients::HandOffResult FindSystemEmule(clients::HandOffSetup /*setup*/) {
    const std::unique_ptr<platform::WindowSystem> windows = platform::CreateWin32WindowSystem();
    serverlist::PlainGauge gauge;
    return EmuleHandOff(*windows, gauge).Find();
}

}  // namespace hublane::clients
