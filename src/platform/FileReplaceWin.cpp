// FlushFileBuffers and MoveFileEx, which replaces its target in one step.
#include <windows.h>

#include <io.h>

#include "platform/FileReplace.h"

namespace hublane::platform {

bool SyncToDisk(QFile& file) {
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(file.handle()));
    return handle != INVALID_HANDLE_VALUE && FlushFileBuffers(handle) != 0;
}

bool ReplaceFile(const QString& from, const QString& to, QString* error) {
    if (MoveFileExW(reinterpret_cast<LPCWSTR>(from.utf16()), reinterpret_cast<LPCWSTR>(to.utf16()),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) == 0) {
        if (error) {
            *error = QStringLiteral("cannot replace %1 (error %2)").arg(to).arg(GetLastError());
        }
        return false;
    }
    return true;
}

}  // namespace hublane::platform
