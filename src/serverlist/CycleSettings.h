// The settings operations of the program: the cycle settings read and write, the upgrade step
// and the settings reset.
#pragma once

#include "serverlist/CycleControls.h"

namespace hublane::platform {
class SettingsStore;
}

namespace hublane::serverlist {

/// Start of every cycle: when `inter` exists, reads the five cycle settings into the controls;
/// a store error ends the read at that value, keeping what was already applied. A directory given
/// on the command line (webFromCommandLine) then stands in the web directory box.
void ReadCycleSettings(platform::SettingsStore& store, CycleControls& controls);

/// End of every cycle: stores the five cycle settings from the controls; the web directory only
/// when it is not the command line's.
void WriteCycleSettings(platform::SettingsStore& store, const CycleControls& controls);

/// "Recharger les répertoires": stores Version and deletes the six values, so that only
/// Langage and Version remain.
void ResetSettings(platform::SettingsStore& store);

}  // namespace hublane::serverlist
