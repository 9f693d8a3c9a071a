// The aMule client: its folder, its list's dialect, and what a running one means.
#include "clients/AmuleClient.h"

#include <QDir>

#include "clients/AmuleRunning.h"
#include "clients/HandOffRunner.h"
#include "clients/PartInfo.h"
#include "serverlist/CycleParts.h"

namespace hublane::clients {
namespace {

class NoClientRunner final : public HandOffRunner {
  public:
    HandOffResult Run(const std::vector<HandOffAddress>& /*rows*/,
                      serverlist::WorkGauge& /*gauge*/) override {
        return {HandOffResult::Outcome::NoClient, 0, 0, {}};
    }
};

}  // namespace

AmuleClient::AmuleClient(QString folder)
    : m_folder(WithSeparator(QDir::fromNativeSeparators(folder.isEmpty() ? DefaultFolder() : folder))) {}

QString AmuleClient::DefaultFolder() {
    return QDir::home().filePath(QStringLiteral(".aMule"));
}

QString AmuleClient::ServerMetPath(platform::BusyOwner& /*owner*/) {
    return m_folder + QStringLiteral("server.met");
}

std::shared_ptr<HandOffRunner> AmuleClient::CreateHandOffRunner(serverlist::UiWaits& /*waits*/) {
    return std::make_shared<NoClientRunner>();
}

std::unique_ptr<serverlist::HandOffPart> AmuleClient::CreateHandOffPart(serverlist::CycleState& /*state*/,
                                                                        serverlist::UiWaits& /*waits*/,
                                                                        serverlist::AddressTest /*blocked*/) {
    return std::make_unique<serverlist::NoHandOff>();
}

QString AmuleClient::RunningNotice() {
    if (!AmuleRunning(m_folder)) {
        return {};
    }
    return QString::fromUtf8(m_handsOverLive ? kAmuleHandedNotice : kAmuleRewritesNotice);
}

}  // namespace hublane::clients
