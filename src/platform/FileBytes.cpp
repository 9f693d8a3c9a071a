// Whole-file reads with a size limit, and atomic whole-file writes.
#include "platform/FileBytes.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include "platform/FileReplace.h"

namespace hublane::platform {
namespace {

// A write takes far less than this; a part file older than that was left by a killed write.
constexpr qint64 kStalePartSeconds = 60;
// A list or settings file far larger than this is not one of ours.
constexpr qint64 kMaxBackupBytes = 256LL * 1024 * 1024;

void SetError(QString* error, const QString& text) {
    if (error) {
        *error = text;
    }
}

// Removes the part files of earlier writes to the same file that were killed before renaming.
void RemoveStaleParts(const QFileInfo& target) {
    const QDir dir = target.absoluteDir();
    const QString prefix = PartFilePrefix(target.fileName());
    const QDateTime staleBefore = QDateTime::currentDateTimeUtc().addSecs(-kStalePartSeconds);
    for (const QFileInfo& part : dir.entryInfoList({prefix + QLatin1Char('*')}, QDir::Files | QDir::Hidden)) {
        if (part.fileName().startsWith(prefix) && part.lastModified().toUTC() < staleBefore) {
            QFile::remove(part.absoluteFilePath());
        }
    }
}

}  // namespace

QString PartFilePrefix(const QString& fileName) {
    return fileName + QStringLiteral(".hublane-part-");
}

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
    if (path.isEmpty()) {
        SetError(error, QStringLiteral("no file name"));
        return false;
    }
    // Follows a symbolic link, so the file it names is the one replaced.
    const QFileInfo target(
        QFileInfo(path).canonicalFilePath().isEmpty() ? path : QFileInfo(path).canonicalFilePath());
    if (target.exists() && !target.isFile()) {
        SetError(error, QStringLiteral("%1 is not a regular file").arg(path));
        return false;
    }
    if (!target.absoluteDir().exists()) {
        SetError(error, QStringLiteral("the folder of %1 does not exist").arg(path));
        return false;
    }
    RemoveStaleParts(target);

    QTemporaryFile part(
        target.absoluteDir().filePath(PartFilePrefix(target.fileName()) + QStringLiteral("XXXXXX")));
    part.setAutoRemove(true);
    if (!part.open()) {
        SetError(error, part.errorString());
        return false;
    }
    const QFileDevice::Permissions permissions = target.exists()
                                                     ? target.permissions()
                                                     : (QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                        QFileDevice::ReadGroup | QFileDevice::ReadOther);
    part.setPermissions(permissions);
    const auto size = static_cast<qint64>(bytes.size());
    qint64 written = 0;
    while (written < size) {
        const qint64 n = part.write(bytes.data() + written, size - written);
        if (n <= 0) {
            SetError(error, part.errorString());
            return false;
        }
        written += n;
    }
    if (!part.flush() || !SyncToDisk(part)) {
        SetError(error, part.errorString());
        return false;
    }
    part.close();
    if (!ReplaceFile(part.fileName(), target.absoluteFilePath(), error)) {
        return false;
    }
    part.setAutoRemove(false);  // renamed: nothing left to remove
    return true;
}

bool KeepBackup(const QString& path, const QString& backupPath, QString* error) {
    const std::optional<QByteArray> old = ReadRegularFile(path, kMaxBackupBytes);
    if (!old) {
        SetError(error, QStringLiteral("cannot read %1").arg(path));
        return false;
    }
    return WriteFileAtomically(
        backupPath, std::string_view(old->constData(), static_cast<std::size_t>(old->size())), error);
}

}  // namespace hublane::platform
