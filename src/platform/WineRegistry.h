// Reading one key's default value out of a Wine prefix's registry file (system.reg, user.reg).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace hublane::platform {

/// What a registry file says about one key.
struct WineKeyLookup {
    /// The key has a section in the file.
    bool keyFound = false;
    /// Its default ("@") value in UTF-8, when the key holds one of a string type (REG_SZ or
    /// REG_EXPAND_SZ, the latter not expanded). A string with an embedded NUL ends there.
    std::optional<std::string> defaultValue;
};

/// Looks a key up in the text of a Wine registry file. keyPath is relative to the file's root
/// (HKLM for system.reg, HKCU for user.reg), with single backslashes, compared without regard to
/// ASCII case: "Software\Classes\ed2k\DefaultIcon". The first section of that name counts.
WineKeyLookup FindWineDefaultValue(std::string_view fileText, std::string_view keyPath);

/// A path on a Windows drive split for mapping onto a Wine prefix's dosdevices folder.
struct WindowsDrivePath {
    char drive = 0;    ///< the drive letter, lower case
    std::string rest;  ///< the path below the drive with '/' separators: "/Dir/prog.exe,0", or ""
};

/// Splits "C:\Dir\prog.exe,0" into 'c' and "/Dir/prog.exe,0". Anything that is not an absolute path
/// on a drive letter (relative, drive-relative "C:Dir", a share, "%Var%\...") gives nullopt.
std::optional<WindowsDrivePath> SplitDrivePath(std::string_view windowsPath);

}  // namespace hublane::platform
