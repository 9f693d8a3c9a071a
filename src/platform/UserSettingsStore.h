// The settings store of the user running the program, on whatever platform it runs.
#pragma once

#include <memory>

#include "platform/SettingsStore.h"

namespace hublane::platform {

/// The registry key on Windows, the settings file elsewhere.
std::unique_ptr<SettingsStore> CreateUserSettingsStore();

}  // namespace hublane::platform
