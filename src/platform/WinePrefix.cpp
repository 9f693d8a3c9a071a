// Wine prefixes on disk.
#include "platform/WinePrefix.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace hublane::platform {

namespace {

// The architecture line comes before the first key; a few kilobytes hold it.
constexpr qint64 kRegistryHeadBytes = 4096;

}  // namespace

bool IsWinePrefix(const QString& folder) {
    return !folder.isEmpty() && QFileInfo(folder + QStringLiteral("/system.reg")).isFile();
}

QString PrefixHolding(const QString& path) {
    if (!QDir::isAbsolutePath(path) || path.startsWith(QLatin1String("//"))) {
        return {};
    }
    QString folder = QDir::cleanPath(path);
    while (true) {
        if (IsWinePrefix(folder)) {
            return folder;
        }
        const QString parent = QFileInfo(folder).path();
        if (parent == folder) {
            return {};
        }
        folder = parent;
    }
}

WineArch PrefixArch(const QString& prefix) {
    QFile file(prefix + QStringLiteral("/system.reg"));
    if (!file.open(QIODevice::ReadOnly)) {
        return WineArch::Unknown;
    }
    const QByteArray head = file.read(kRegistryHeadBytes);
    for (const QByteArray& rawLine : head.split('\n')) {
        const QByteArray line = rawLine.trimmed();
        if (line.startsWith('[')) {
            break;
        }
        if (line == "#arch=win32") {
            return WineArch::Win32;
        }
        if (line == "#arch=win64") {
            return WineArch::Win64;
        }
    }
    return WineArch::Unknown;
}

}  // namespace hublane::platform
