// The eMule client: its config folder, its list's dialect and its hand-off.
#include "clients/EmuleClient.h"

#include <utility>

#include "clients/EmuleLocator.h"
#include "clients/EmuleStatus.h"
#include "clients/EmuleSystemRunner.h"
#include "platform/ClassRegistration.h"

namespace hublane::clients {

EmuleClient::EmuleClient(const PartInfoDeps& locator, QString programDir, QString folder)
    : m_locator(locator), m_programDir(std::move(programDir)), m_folder(WithSeparator(std::move(folder))) {}

QString EmuleClient::ConfigFolderOf(const QString& folder) {
    return HoldsEmule(folder) ? EmuleConfigFolderOf(folder) : WithSeparator(folder);
}

QString EmuleClient::KnownFolder() {
    if (!m_folder.isEmpty()) {
        return m_folder;
    }
    const QString program = FindEmuleFolder(m_locator.settings, m_locator.classes);
    return ConfigFolderOf(program.isEmpty() ? StoredDonkeyDir(m_locator.settings) : program);
}

QString EmuleClient::ServerMetPath(platform::BusyOwner& owner) {
    QString folder = KnownFolder();
    if (folder.isEmpty()) {
        // The program folder, asked for as the eDonkey2000 client's is on a first start.
        TPartInfo part(owner, m_locator);
        part.FindDonkeyPath();
        folder = ConfigFolderOf(part.DonkeyDir());
    }
    return folder + QStringLiteral("server.met");
}

// eMule's program folder, else the folder of its list, leads the hand-off to the Wine prefix
// eMule runs in. Without the program's waits (a runner given from outside) a look for eMule's
// window is not cut short when the program quits; it is bounded all the same.
HandOffSetup EmuleClient::Setup(serverlist::UiWaits* waits) {
    HandOffSetup setup;
    setup.clientFolder = [this] {
        const QString program = FindEmuleFolder(m_locator.settings, m_locator.classes);
        return program.isEmpty() ? KnownFolder() : program;
    };
    setup.registeredProgram = [classes = &m_locator.classes] {
        return classes->ReadDefaultIcon(QStringLiteral("ed2k"));
    };
    setup.programDir = m_programDir;
    setup.waits = waits;
    return setup;
}

std::shared_ptr<HandOffRunner> EmuleClient::CreateHandOffRunner(serverlist::UiWaits& waits) {
    m_waits = &waits;
    return CreateSystemEmuleRunner(Setup(&waits));
}

HandOffStatusFunction EmuleClient::HandOffStatus() {
    return [this](const HandOffResult& result, const std::vector<HandOffAddress>& rows, int removed) {
        m_handOff = result;
        return EmuleHandOffStatus(result, rows, removed);
    };
}

QString EmuleClient::RunningNotice() {
    return EmuleRunningNotice(std::exchange(m_handOff, std::nullopt),
                              [this] { return FindSystemEmule(Setup(m_waits)); });
}

}  // namespace hublane::clients
