// Reading one key's default value out of a Wine prefix's registry file (system.reg, user.reg).
#pragma once

#include <cstdint>
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

/// What a registry file says about one value of one key.
struct WineValueLookup {
    /// The key has a section in the file.
    bool keyFound = false;
    /// The value in UTF-8 when it is of a string type (as defaultValue above).
    std::optional<std::string> text;
    /// The value when it is a REG_DWORD ("dword:0000002a").
    std::optional<std::uint32_t> dword;
};

/// Looks a value up in the key's section (the key found as FindWineDefaultValue finds it); the
/// value's name compares without regard to ASCII case, and the empty name is the default value.
WineValueLookup FindWineValue(std::string_view fileText, std::string_view keyPath,
                              std::string_view valueName);

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
