// The user's settings store where there is no registry: the settings file.
#include "platform/SettingsStoreFile.h"
#include "platform/UserSettingsStore.h"

namespace hublane::platform {

std::unique_ptr<SettingsStore> CreateUserSettingsStore() {
    return std::make_unique<SettingsStoreFile>();
}

}  // namespace hublane::platform
