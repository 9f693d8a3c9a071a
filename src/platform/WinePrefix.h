// Wine prefixes on disk: which prefix holds a path, whether it runs 32-bit or 64-bit
// Windows programs, where its drives lead, and the values of its registry files.
#pragma once

#include <QString>
#include <string_view>

#include "platform/WineRegistry.h"

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

/// A Windows path on one of the prefix's drives as a local path, through the drive's link in
/// dosdevices/: "C:\\users\\u\\AppData\\Local" gives "<drive_c's real path>/users/u/AppData/Local",
/// "Z:\\home" gives "/home". Empty when the path is not absolute on a drive letter or the drive
/// leads nowhere. What follows the drive is kept as written (an icon index ",0" included).
QString MapDrivePath(const QString& prefix, std::string_view windowsPath);

/// One value of a key in one of the prefix's registry files (file: "user.reg", the user's keys
/// below HKCU, or "system.reg", the machine's below HKLM); nothing found when the file is missing,
/// unreadable or far larger than any prefix's.
WineValueLookup ReadPrefixValue(const QString& prefix, const char* file, std::string_view keyPath,
                                std::string_view valueName);

}  // namespace hublane::platform
