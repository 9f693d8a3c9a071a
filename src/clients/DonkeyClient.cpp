// The eDonkey2000 client: locator, server.met dialect and hand-off.
#include "clients/DonkeyClient.h"

#include "clients/ServerMetCodec.h"
#include "clients/SystemHandOffRunner.h"
#include "platform/ClassRegistration.h"

namespace hublane::clients {

DonkeyClient::DonkeyClient(const PartInfoDeps& locator, QString programDir)
    : m_locator(locator), m_programDir(std::move(programDir)) {}

QString DonkeyClient::ServerMetPath(platform::BusyOwner& owner) {
    return clients::ServerMetPath(owner, m_locator);
}

const serverlist::ServerListCodec& DonkeyClient::ServerListCodec() const {
    return kServerMetCodec;
}

// The client's folder is only read here, never asked for: the hand-off needs it to find the
// Wine prefix the client runs in, and finds it without when it is not stored.
std::shared_ptr<HandOffRunner> DonkeyClient::CreateHandOffRunner(serverlist::UiWaits& waits) {
    HandOffSetup setup;
    setup.clientFolder = [settings = &m_locator.settings] { return StoredDonkeyDir(*settings); };
    setup.registeredProgram = [classes = &m_locator.classes] {
        return classes->ReadDefaultIcon(QStringLiteral("ed2k"));
    };
    setup.programDir = m_programDir;
    setup.waits = &waits;
    return CreateSystemHandOffRunner(std::move(setup));
}

}  // namespace hublane::clients
