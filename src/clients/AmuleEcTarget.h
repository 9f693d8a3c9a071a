// Where a hand-off reaches a running aMule over EC and with what password: the settings
// AmuleEc and AmuleEcPassword stand in front of the [ExternalConnect] section of aMule's amule.conf.
#pragma once

#include <QString>
#include <optional>
#include <string>

#include "clients/AmuleSession.h"

namespace hublane::platform {
class SettingsStore;
}

namespace hublane::clients {

/// "HOST:PORT" where aMule answers EC; absent or empty: its amule.conf decides.
inline constexpr const char* kAmuleEcSetting = "AmuleEc";
/// The EC password, only ever as hex(MD5(password)); any other text found there (32 hex digits
/// count as a hash) is a plain password, replaced by its hash (SealEcPassword). Absent or empty:
/// amule.conf's ECPassword.
inline constexpr const char* kAmuleEcPasswordSetting = "AmuleEcPassword";

/// hex(MD5(password)) in lower case, the one form in which a password is kept.
std::string EcPasswordHash(const QString& password);

/// Where one hand-off connects, or why it cannot (in French, naming the setting or the file).
struct EcTargetChoice {
    std::optional<EcTarget> target;
    QString problem;
};

/// The address: AmuleEc, else amule.conf in amuleDir (which must accept external connections).
/// The password: AmuleEcPassword (hashed here when it is plain text), else amule.conf's.
EcTargetChoice ChooseEcTarget(platform::SettingsStore& settings, const QString& amuleDir);

/// Replaces a plain-text AmuleEcPassword by its hash in the store; nothing else is written.
void SealEcPassword(platform::SettingsStore& settings);

}  // namespace hublane::clients
