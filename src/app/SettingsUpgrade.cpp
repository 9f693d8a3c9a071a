// The settings upgrade step run when the main window is created.
#include "app/SettingsUpgrade.h"

#include "platform/SettingsKeys.h"
#include "platform/SettingsStore.h"
#include "platform/VersionText.h"

namespace hublane::app {

void SettingsUpgradeStep(platform::BusyOwner& owner, const clients::PartInfoDeps& deps) {
    QString stored;
    {
        // Closed before the reset opens the key for itself.
        const auto key = deps.settings.Open();
        if (!key || !key->ReadString(platform::settings::kVersion.Name(), stored)) {
            return;
        }
    }
    if (stored != platform::VersionText()) {
        clients::TPartInfo part(owner, deps);
        part.ResetDonkeyPath();
    }
}

}  // namespace hublane::app
