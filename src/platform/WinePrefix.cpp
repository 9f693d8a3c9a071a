// Wine prefixes on disk.
#include "platform/WinePrefix.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "platform/FileBytes.h"

namespace hublane::platform {

namespace {

// The architecture line comes before the first key; a few kilobytes hold it.
constexpr qint64 kRegistryHeadBytes = 4096;
// Registry files of a well-used prefix run to tens of megabytes; anything far beyond is not one.
constexpr qint64 kMaxRegistryBytes = 256LL * 1024 * 1024;

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

QString MapDrivePath(const QString& prefix, std::string_view windowsPath) {
    const auto drivePath = SplitDrivePath(windowsPath);
    if (!drivePath || prefix.isEmpty()) {
        return {};
    }
    const QString drive =
        prefix + QStringLiteral("/dosdevices/") + QLatin1Char(drivePath->drive) + QLatin1Char(':');
    QString root = QFileInfo(drive).canonicalFilePath();  // empty when the link leads nowhere
    if (root.isEmpty()) {
        return {};
    }
    if (root == QLatin1String("/")) {
        root.clear();  // "Z:\home" is "/home", not "//home"
    }
    const QString mapped = root + QString::fromStdString(drivePath->rest);
    return mapped.isEmpty() ? QStringLiteral("/") : mapped;
}

WineValueLookup ReadPrefixValue(const QString& prefix, const char* file, std::string_view keyPath,
                                std::string_view valueName) {
    const auto text = ReadRegularFile(prefix + QLatin1Char('/') + QLatin1String(file), kMaxRegistryBytes);
    if (!text) {
        return {};
    }
    return FindWineValue(std::string_view(text->constData(), static_cast<std::size_t>(text->size())), keyPath,
                         valueName);
}

}  // namespace hublane::platform
