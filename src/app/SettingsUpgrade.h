// The settings upgrade step run when the main window is created.
#pragma once

#include "clients/TPartInfo.h"

namespace hublane::app {

/// Reads the stored Version (absent reads empty); when it is not this program's version, forgets
/// the client's folder and stores the version (clients::TPartInfo::ResetDonkeyPath, owner showing the busy
/// cursor meanwhile), so the folder is searched for again. A settings error ends the step silently.
void SettingsUpgradeStep(platform::BusyOwner& owner, const clients::PartInfoDeps& deps);

}  // namespace hublane::app
