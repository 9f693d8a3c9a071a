// Reading the desktop's default handler of a URL scheme: mimeapps.list and a desktop entry's Exec.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hublane::platform {

/// The desktop file IDs ("client.desktop") that a mimeapps.list text names in its
/// [Default Applications] group for mimeType, in order of preference; empty when it names none.
std::vector<std::string> DefaultApplications(std::string_view mimeAppsText, std::string_view mimeType);

/// The program a desktop entry runs: the first word of the Exec key of its [Desktop Entry] group,
/// with the key file's escapes and the Exec quoting undone. A leading "env NAME=VALUE ..." is
/// passed over, since the program that follows it is the one installed. nullopt when there is no
/// such key, no program in it, or the quoting is broken.
std::optional<std::string> DesktopExecProgram(std::string_view desktopText);

}  // namespace hublane::platform
