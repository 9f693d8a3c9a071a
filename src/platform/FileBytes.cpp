// Whole-file reads with a size limit, and atomic whole-file writes that either replace a file
// completely or leave it as it was.
#include "platform/FileBytes.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace hublane::platform {

std::optional<QByteArray> ReadRegularFile(const QString& path, qint64 maxBytes) {
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isFile() || info.size() > maxBytes) {
        return std::nullopt;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError || bytes.size() > maxBytes) {
        return std::nullopt;
    }
    return bytes;
}

bool WriteFileAtomically(const QString& path, std::string_view bytes, QString* error) {
    QSaveFile file(path);
    // Unbuffered: a buffered write that the system takes only in part (a full disk, a file size
    // limit) can be lost in the flush inside commit() without commit() failing, which would put a
    // cut file in place of the old one. Written straight through, a short write shows at once.
    const auto size = static_cast<qint64>(bytes.size());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) || file.write(bytes.data(), size) != size ||
        file.size() != size) {
        if (error) {
            *error = file.errorString();
        }
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        if (error) {
            *error = file.errorString();
        }
        return false;
    }
    return true;
}

}  // namespace hublane::platform
