// The window system of Windows (user32), built for Windows only.
#pragma once

#include <memory>

#include "platform/WindowSystem.h"

namespace hublane::platform {

/// Other programs' windows through user32: EnumChildWindows on GetDesktopWindow, EnumWindows,
/// EnumDesktopWindows, GetWindowTextA, GetClassNameA and SendMessageTimeoutA.
std::unique_ptr<WindowSystem> CreateWin32WindowSystem();

}  // namespace hublane::platform
