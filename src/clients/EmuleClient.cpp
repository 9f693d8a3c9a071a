// The eMule client: its config folder, its list's dialect and its hand-off.
#include "clients/EmuleClient.h"

#include <QFileInfo>

#include "clients/DonkeyClient.h"
#include "clients/EmuleSystemRunner.h"
#include "platform/ClassRegistration.h"

namespace hublane::clients {

EmuleClient::EmuleClient(const PartInfoDeps& locator, QString programDir, QString folder)
    : m_locator(locator), m_programDir(std::move(programDir)), m_folder(WithSeparator(std::move(folder))) {}

QString EmuleClient::ConfigFolderOf(const QString& programFolder) {
    if (programFolder.isEmpty()) {
        return {};
    }
    const QString folder = WithSeparator(programFolder);
    const QString config = folder + QStringLiteral("config");
    return QFileInfo(config).isDir() ? WithSeparator(config) : folder;
}

QString EmuleClient::KnownFolder() {
    return m_folder.isEmpty() ? ConfigFolderOf(StoredDonkeyDir(m_locator.settings)) : m_folder;
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

// The program folder (not the config folder) leads the hand-off to the Wine prefix eMule runs in.
std::shared_ptr<HandOffRunner> EmuleClient::CreateHandOffRunner(serverlist::UiWaits& waits) {
    return CreateSystemEmuleRunner(LocatorHandOffSetup(
        m_locator, [settings = &m_locator.settings] { return StoredDonkeyDir(*settings); }, m_programDir,
        waits));
}

}  // namespace hublane::clients
