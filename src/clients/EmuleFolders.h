// Where eMule keeps its files: the rule by which it picks its config folder, from the
// registry value HKCU\Software\eMule\UsePublicUserDirectories, the user's known folders and the
// preferences.ini files it finds.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace hublane::clients {

/// The file eMule's program folder holds (compared without regard to letter case).
inline constexpr std::string_view kEmuleProgram = "emule.exe";
/// The key below HKEY_CURRENT_USER and the value that fix eMule's folders.
inline constexpr std::string_view kEmuleUserKey = "Software\\eMule";
inline constexpr std::string_view kEmuleDirModeValue = "UsePublicUserDirectories";

/// The three places eMule's config folder may lie in.
enum class EmuleDirMode : std::uint32_t {
    UserFolders = 0,    ///< <local application data>\eMule\config\  (one user's eMule)
    PublicFolders = 1,  ///< <program data>\eMule\config\  (every user's)
    ProgramFolder = 2,  ///< <program folder>\config\  (the one of eMule before Vista)
};

/// What the choice reads. Folders are written in one style each (a POSIX path, or a Windows path
/// ending with or without its backslash); a known folder is empty when it could not be had.
struct EmuleFolderFacts {
    /// UsePublicUserDirectories as a DWORD; nullopt when absent (or not a DWORD).
    std::optional<std::uint32_t> dirMode;
    /// The folder that holds emule.exe.
    std::string programFolder;
    /// FOLDERID_LocalAppData and FOLDERID_ProgramData.
    std::string localAppData;
    std::string programData;
    /// Whether a file exists, given its full path; only preferences.ini files are asked about.
    std::function<bool(const std::string& path)> fileExists;
};

/// The folder eMule reads its settings from, as eMule itself settles it. A registry value of
/// 0, 1 or 2 decides alone; any other value counts as none. Without one, the first folder that
/// holds config\preferences.ini among the user's, the public one and the program's is taken, and
/// the user's when none does. When the known folders are not both to be had, eMule stays in its
/// program folder.
EmuleDirMode ChooseEmuleDirMode(const EmuleFolderFacts& facts);

/// The config folder of that mode, ending with its separator: "C:\Users\u\AppData\Local\eMule\config\"
/// or "/home/u/.wine/drive_c/Program Files/eMule/config/". The file it keeps the server list in
/// is "server.met" there.
std::string EmuleConfigFolder(const EmuleFolderFacts& facts, EmuleDirMode mode);

}  // namespace hublane::clients
