// The eDonkey2000 client: locator, server.met dialect and hand-off.
#include "clients/DonkeyClient.h"

#include "clients/ServerMetCodec.h"
#include "platform/ClassRegistration.h"

namespace hublane::clients {

DonkeyClient::DonkeyClient(const PartInfoDeps& locator, QString programDir, QString folder)
    : m_locator(locator),
      m_programDir(std::move(programDir)),
      m_folder(WithSeparator(std::move(folder))),
      m_dialect(kServerMetCodec) {}

QString DonkeyClient::KnownFolder() {
    return m_folder.isEmpty() ? WithSeparator(StoredDonkeyDir(m_locator.settings)) : m_folder;
}

QString DonkeyClient::ServerMetPath(platform::BusyOwner& owner) {
    if (!m_folder.isEmpty()) {
        return m_folder + QStringLiteral("server.met");
    }
    return clients::ServerMetPath(owner, m_locator);
}

HandOffSetup LocatorHandOffSetup(const PartInfoDeps& locator, std::function<QString()> clientFolder,
                                 QString programDir, serverlist::UiWaits& waits) {
    HandOffSetup setup;
    setup.clientFolder = std::move(clientFolder);
    setup.registeredProgram = [classes = &locator.classes] {
        return classes->ReadDefaultIcon(QStringLiteral("ed2k"));
    };
    setup.programDir = std::move(programDir);
    setup.waits = &waits;
    return setup;
}

// The client's folder is only read here, never asked for: the hand-off needs it to find the
// Wine prefix the client runs in, and finds it without when it is not stored.
std::shared_ptr<HandOffRunner> DonkeyClient::CreateHandOffRunner(serverlist::UiWaits& waits) {
    return CreateSystemHandOffRunner(LocatorHandOffSetup(
        m_locator, [this] { return m_folder.isEmpty() ? StoredDonkeyDir(m_locator.settings) : m_folder; },
        m_programDir, waits));
}

}  // namespace hublane::clients
