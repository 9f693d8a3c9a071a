// The aMule client: its folder, its list's dialect, and what a running one means.
#include "clients/AmuleClient.h"

#include <QDir>

#include "clients/AmuleEcTarget.h"
#include "clients/AmuleHandOffPart.h"
#include "clients/AmuleRunning.h"
#include "clients/HandOffRunner.h"
#include "clients/TPartInfo.h"
#include "platform/MemorySettingsStore.h"
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

PendingRemovalStore SettingsPendingStore(platform::SettingsStore& settings) {
    const QString name = QString::fromLatin1(kAmulePendingRemovalsSetting);
    return {[&settings, name] {
                QString text;
                const auto key = settings.Open();
                if (!key || !key->ReadString(name, text)) {
                    return std::set<ServerEndpoint>{};
                }
                return EndpointsFromText(text.toStdString(), kMaxStoredPendingRemovals);
            },
            [&settings, name](const std::set<ServerEndpoint>& pending) {
                const auto key = settings.Open();
                if (!key) {
                    return;
                }
                if (pending.empty()) {
                    key->DeleteValue(name);
                } else {
                    key->WriteString(
                        name, QString::fromStdString(EndpointsText(pending, kMaxStoredPendingRemovals)));
                }
            }};
}

}  // namespace

AmuleClient::AmuleClient(QString folder, platform::SettingsStore* settings)
    : m_folder(WithSeparator(QDir::fromNativeSeparators(folder.isEmpty() ? DefaultFolder() : folder))),
      m_settings(settings) {
    if (m_settings != nullptr) {
        SealEcPassword(*m_settings);
    }
}

QString AmuleClient::DefaultFolder() {
    return QDir::home().filePath(QStringLiteral(".aMule"));
}

QString AmuleClient::ServerMetPath(platform::BusyOwner& /*owner*/) {
    return m_folder + QStringLiteral("server.met");
}

std::shared_ptr<HandOffRunner> AmuleClient::CreateHandOffRunner(serverlist::UiWaits& /*waits*/) {
    return std::make_shared<NoClientRunner>();
}

std::unique_ptr<serverlist::HandOffPart> AmuleClient::CreateHandOffPart(serverlist::CycleState& state,
                                                                        serverlist::UiWaits& waits,
                                                                        serverlist::AddressTest blocked) {
    // Where to connect is read anew for each hand-off: a changed amule.conf or setting counts.
    auto part = std::make_unique<AmuleHandOffPart>(
        state, waits,
        [this] {
            platform::MemorySettingsStore none;
            return ChooseEcTarget(m_settings != nullptr ? *m_settings : none, m_folder);
        },
        std::move(blocked),
        m_settings != nullptr ? SettingsPendingStore(*m_settings) : PendingRemovalStore{});
    m_handOff = part.get();
    return part;
}

QString AmuleClient::RunningNotice() {
    if (!AmuleRunning(m_folder)) {
        return {};
    }
    // A hand-off that did not carry out its whole plan (aMule refused the login, the session broke)
    // leaves aMule to overwrite the written file when it quits.
    const bool handed =
        m_handOff != nullptr && m_handOff->LastResult().outcome == AmuleHandOffResult::Outcome::Delivered;
    return QString::fromUtf8(handed ? kAmuleHandedNotice : kAmuleRewritesNotice);
}

}  // namespace hublane::clients
