// Hublanectl handoff --client emule.
#include "cli/EmuleHandOffCommand.h"

#include <QCoreApplication>

#include "cli/VerbLine.h"
#include "clients/EmuleLinks.h"
#include "clients/EmuleLocator.h"
#include "clients/EmuleStatus.h"
#include "clients/EmuleSystemRunner.h"
#include "clients/TPartInfo.h"
#include "platform/ClassRegistration.h"
#include "platform/UserSettingsStore.h"

namespace hublane::cli {

int HandOffToEmule(const std::vector<clients::HandOffAddress>& rows, const QString& listFolder, bool dryRun,
                   Io& io) {
    const clients::EmuleLinkPlan plan = clients::PlanEmuleLinks(rows);
    if (plan.invalidRows > 0) {
        io.err << "hublanectl: " << plan.invalidRows << " row(s) without a valid address and port left out\n";
    }
    if (dryRun) {
        for (const std::string& link : plan.links) {
            io.out << QString::fromStdString(link) << '\n';
        }
        return plan.links.empty() ? Fail(io, QStringLiteral("no server to send")) : kExitOk;
    }
    const std::unique_ptr<platform::SettingsStore> settings = platform::CreateUserSettingsStore();
    const std::unique_ptr<platform::ClassRegistration> classes = platform::CreateSystemClassRegistration();
    clients::HandOffSetup setup;
    // eMule's program folder, else the folder of its list, leads to the Wine prefix it runs in.
    setup.clientFolder = [&settings, &classes, &listFolder] {
        const QString program = clients::FindEmuleFolder(*settings, *classes);
        return program.isEmpty() ? listFolder : program;
    };
    setup.registeredProgram = [&classes] { return classes->ReadDefaultIcon(QStringLiteral("ed2k")); };
    setup.programDir = QCoreApplication::applicationDirPath();
    serverlist::PlainGauge gauge;
    const clients::HandOffResult result =
        clients::CreateSystemEmuleRunner(std::move(setup))->Run(rows, gauge);
    const QString line = clients::EmuleStatusLine(result, static_cast<int>(plan.links.size()), 0);
    if (result.outcome != clients::HandOffResult::Outcome::Delivered) {
        return Fail(io, line);
    }
    io.out << line << '\n';
    return kExitOk;
}

}  // namespace hublane::cli
