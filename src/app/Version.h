// The program's version text, stored in the settings and shown in the version labels.
#pragma once

#include <string_view>

namespace hublane::app {
inline constexpr std::string_view kVersion = "0.2.1.0";
}  // namespace hublane::app
