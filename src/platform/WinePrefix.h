// Wine prefixes on disk: which prefix holds a path, and whether it runs 32-bit or
// 64-bit Windows programs.
#pragma once

#include <QString>

namespace hublane::platform {

/// A folder is a Wine prefix when it holds the machine's registry file, system.reg.
bool IsWinePrefix(const QString& folder);

/// The prefix at or above an absolute local path ("/home/u/.wine/drive_c/Client/client.exe,0"
/// gives "/home/u/.wine"), or empty when none holds it or the path is not absolute.
QString PrefixHolding(const QString& path);

enum class WineArch { Unknown, Win32, Win64 };

/// The architecture a prefix was made for: Wine writes "#arch=win32" or "#arch=win64" near the
/// top of system.reg. Unknown when the file or the line is missing.
WineArch PrefixArch(const QString& prefix);

}  // namespace hublane::platform
