// fsync and rename(2), which replaces its target in one step.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/FileReplace.h"

namespace hublane::platform {

bool SyncToDisk(QFile& file) {
    return ::fsync(file.handle()) == 0;
}

bool ReplaceFile(const QString& from, const QString& to, QString* error) {
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0) {
        if (error) {
            *error = QString::fromLocal8Bit(std::strerror(errno));
        }
        return false;
    }
    return true;
}

}  // namespace hublane::platform
