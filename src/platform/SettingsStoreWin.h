// The settings key in the Windows registry (built on Windows only).
#pragma once

#include "platform/SettingsStore.h"

namespace hublane::platform {

/// HKEY_CURRENT_USER\Software\Orvandels\Hublane: "Software" is opened without being created,
/// "Orvandels" and "Hublane" are created when missing. Strings are REG_SZ (REG_EXPAND_SZ is read
/// as a string too), integers REG_DWORD. The key handle is closed when the key is destroyed.
class SettingsStoreWin : public SettingsStore {
  public:
    std::unique_ptr<SettingsKey> Open() override;
};

}  // namespace hublane::platform
