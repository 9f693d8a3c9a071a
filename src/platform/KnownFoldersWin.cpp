// The current user's known folders without Qt (built for Windows only).
#include "platform/KnownFoldersWin.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <knownfolders.h>
#include <shlobj.h>

namespace hublane::platform {

std::wstring KnownFolderPathWin(KnownFolderWin folder) {
    const KNOWNFOLDERID& id =
        folder == KnownFolderWin::LocalAppData ? FOLDERID_LocalAppData : FOLDERID_ProgramData;
    PWSTR path = nullptr;
    std::wstring text;
    if (SHGetKnownFolderPath(id, 0, nullptr, &path) == S_OK && path != nullptr) {
        text = path;
    }
    // The shell's buffer is freed on failure too; freeing nullptr does nothing.
    CoTaskMemFree(path);
    return text;
}

}  // namespace hublane::platform
