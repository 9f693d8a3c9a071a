// The hand-off on Linux: the client runs under Wine, so the Windows helper types
// into it from inside its prefix.
#include <QDir>
#include <QProcessEnvironment>

#include "clients/SystemHandOffRunner.h"
#include "clients/WineHandOffRunner.h"

namespace hublane::clients {
using serverlist::WorkGauge;

namespace {

class SystemWineRunner final : public HandOffRunner {
  public:
    explicit SystemWineRunner(HandOffSetup setup) : m_setup(std::move(setup)) {}

    HandOffResult Run(const std::vector<HandOffAddress>& rows, WorkGauge& gauge) override {
        const QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        WineSearch search;
        search.clientFolder = m_setup.clientFolder ? m_setup.clientFolder() : QString();
        search.registeredProgram = m_setup.registeredProgram ? m_setup.registeredProgram() : std::nullopt;
        search.winePrefixVariable = env.value(QStringLiteral("WINEPREFIX"));
        search.home = env.value(QStringLiteral("HOME"));
        search.pathVariable = env.value(QStringLiteral("PATH"));
        const QString helperDir = env.value(QStringLiteral("HUBLANE_HELPER_DIR"));
        if (!helperDir.isEmpty()) {
            search.helperDirs << helperDir;
        }
        search.helperDirs << m_setup.programDir;
        // An installed program keeps them in ../lib/hublane, as Unix layouts put them.
        if (!m_setup.programDir.isEmpty()) {
            search.helperDirs << QDir(m_setup.programDir).filePath(QStringLiteral("../lib/hublane"));
        }
        HandOffResult failure;
        const auto config = ChooseWineHandOff(search, failure);
        if (!config) {
            return failure;
        }
        return WineHandOffRunner(*config, m_setup.waits).Run(rows, gauge);
    }

  private:
    HandOffSetup m_setup;
};

}  // namespace

std::unique_ptr<HandOffRunner> CreateSystemHandOffRunner(HandOffSetup setup) {
    return std::make_unique<SystemWineRunner>(std::move(setup));
}

}  // namespace hublane::clients
