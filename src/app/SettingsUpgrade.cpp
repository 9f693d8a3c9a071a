// The settings upgrade step run when the main window is created.
#include "app/SettingsUpgrade.h"

#include "app/Version.h"
#include "platform/SettingsStore.h"

namespace hublane::app {

void SettingsUpgradeStep(platform::BusyOwner& owner, const PartInfoDeps& deps) {
    QString stored;
    {
        // Closed before the reset opens the key for itself.
        const auto key = deps.settings.Open();
        if (!key || !key->ReadString(QStringLiteral("Version"), stored)) {
            return;
        }
    }
    if (stored != QString::fromLatin1(kVersion.data(), static_cast<qsizetype>(kVersion.size()))) {
        TPartInfo part(owner, deps);
        part.ResetDonkeyPath();
    }
}

}  // namespace hublane::app
