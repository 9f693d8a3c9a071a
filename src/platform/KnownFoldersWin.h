// The current user's known folders without Qt (built for Windows only), as the shell gives
// them. WindowsProfileWin puts Qt's texts on them; the cross build tests them under Wine.
#pragma once

#include <string>

namespace hublane::platform {

enum class KnownFolderWin {
    LocalAppData,  // FOLDERID_LocalAppData: the user's local application data
    ProgramData,   // FOLDERID_ProgramData: application data shared by all users
};

/// The folder's local path (UTF-16), neither created nor checked; empty when the shell does not
/// know it.
std::wstring KnownFolderPathWin(KnownFolderWin folder);

}  // namespace hublane::platform
