// The class registration of a link scheme on Linux: a Wine prefix's registry, else the desktop's
// default handler of the scheme.
#include "platform/ClassRegistrationLinux.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <algorithm>

#include "platform/DesktopEntry.h"
#include "platform/FileBytes.h"
#include "platform/WinePrefix.h"
#include "platform/WineRegistry.h"

namespace hublane::platform {

namespace {

constexpr qint64 kMaxDesktopFileBytes = 1024LL * 1024;

std::string_view View(const QByteArray& bytes) {
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

// An XDG base folder variable: its value when absolute, else the default below home.
QString BaseDir(const DesktopEnvironment& env, const QString& variable, const QString& fallback) {
    const QString value = env.Variable(variable);
    return QDir::isAbsolutePath(value) ? value : env.home + fallback;
}

// An XDG folder list variable: its absolute entries, else the defaults.
QStringList BaseDirList(const DesktopEnvironment& env, const QString& variable, const QStringList& fallback) {
    QStringList dirs;
    for (const QString& dir : env.Variable(variable).split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        if (QDir::isAbsolutePath(dir)) {
            dirs << dir;
        }
    }
    return dirs.isEmpty() ? fallback : dirs;
}

}  // namespace

DesktopEnvironment DesktopEnvironment::FromProcess() {
    DesktopEnvironment env;
    env.home = QDir::homePath();
    const QProcessEnvironment process = QProcessEnvironment::systemEnvironment();
    for (const QString& name : process.keys()) {
        env.variables.insert(name, process.value(name));
    }
    return env;
}

LinuxClassRegistration::LinuxClassRegistration(DesktopEnvironment environment)
    : m_env(std::move(environment)) {}

std::optional<QString> LinuxClassRegistration::ReadDefaultIcon(const QString& className) {
    if (auto fromWine = FromWine(className)) {
        return fromWine;
    }
    return FromDesktopHandler(className);
}

QString LinuxClassRegistration::WinePrefix() const {
    const QString prefix = m_env.Variable(QStringLiteral("WINEPREFIX"));
    return prefix.isEmpty() ? m_env.home + QStringLiteral("/.wine") : prefix;
}

std::optional<QString> LinuxClassRegistration::FromWine(const QString& className) const {
    const QString prefix = WinePrefix();
    const std::string key = "Software\\Classes\\" + className.toStdString() + "\\DefaultIcon";
    std::optional<std::string> value;
    // HKEY_CLASSES_ROOT shows the user's key when there is one, whatever the machine's holds.
    for (const auto* file : {"user.reg", "system.reg"}) {
        const WineValueLookup found = ReadPrefixValue(prefix, file, key, {});
        if (found.keyFound) {
            value = found.text;
            break;
        }
    }
    if (!value) {
        return std::nullopt;
    }
    value->erase(std::remove(value->begin(), value->end(), '"'), value->end());
    const QString mapped = MapDrivePath(prefix, *value);
    return mapped.isEmpty() ? std::nullopt : std::optional<QString>(mapped);
}

QStringList LinuxClassRegistration::MimeAppsLists() const {
    QStringList dirs;
    dirs << BaseDir(m_env, QStringLiteral("XDG_CONFIG_HOME"), QStringLiteral("/.config"));
    dirs << BaseDirList(m_env, QStringLiteral("XDG_CONFIG_DIRS"), {QStringLiteral("/etc/xdg")});
    for (const QString& dir : ApplicationDirs()) {
        dirs << dir;
    }
    const QStringList desktops = m_env.Variable(QStringLiteral("XDG_CURRENT_DESKTOP"))
                                     .toLower()
                                     .split(QLatin1Char(':'), Qt::SkipEmptyParts);
    QStringList files;
    for (const QString& dir : dirs) {
        for (const QString& desktop : desktops) {
            files << dir + QLatin1Char('/') + desktop + QStringLiteral("-mimeapps.list");
        }
        files << dir + QStringLiteral("/mimeapps.list");
    }
    return files;
}

QStringList LinuxClassRegistration::ApplicationDirs() const {
    QStringList dirs{BaseDir(m_env, QStringLiteral("XDG_DATA_HOME"), QStringLiteral("/.local/share")) +
                     QStringLiteral("/applications")};
    const QStringList dataDirs =
        BaseDirList(m_env, QStringLiteral("XDG_DATA_DIRS"),
                    {QStringLiteral("/usr/local/share"), QStringLiteral("/usr/share")});
    for (const QString& dir : dataDirs) {
        dirs << dir + QStringLiteral("/applications");
    }
    return dirs;
}

// A desktop file ID names a file below an applications folder, its subfolders joined with '-':
// "vendor-client.desktop" may be vendor/client.desktop.
QString LinuxClassRegistration::FindDesktopFile(const QString& desktopId) const {
    if (desktopId.contains(QLatin1Char('/'))) {
        return {};
    }
    for (const QString& dir : ApplicationDirs()) {
        QString direct = dir + QLatin1Char('/') + desktopId;
        if (QFileInfo(direct).isFile()) {
            return direct;
        }
        if (!desktopId.contains(QLatin1Char('-'))) {
            continue;
        }
        QDirIterator it(dir, {QStringLiteral("*.desktop")}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QString path = it.next();
            QString id = path.mid(dir.size() + 1);
            id.replace(QLatin1Char('/'), QLatin1Char('-'));
            if (id == desktopId) {
                return path;
            }
        }
    }
    return {};
}

QString LinuxClassRegistration::FindInPath(const QString& program) const {
    for (const QString& dir :
         m_env.Variable(QStringLiteral("PATH")).split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        // Only absolute entries: a relative one would depend on the current folder.
        if (!QDir::isAbsolutePath(dir)) {
            continue;
        }
        const QFileInfo candidate(dir + QLatin1Char('/') + program);
        if (candidate.isFile() && candidate.isExecutable()) {
            return candidate.absoluteFilePath();
        }
    }
    return {};
}

std::optional<QString> LinuxClassRegistration::FromDesktopHandler(const QString& className) const {
    const std::string mimeType = "x-scheme-handler/" + className.toStdString();
    for (const QString& list : MimeAppsLists()) {
        const auto text = ReadRegularFile(list, kMaxDesktopFileBytes);
        if (!text) {
            continue;
        }
        // The first entry that is installed is the handler; a list naming only missing entries
        // hands over to the next list.
        for (const std::string& id : DefaultApplications(View(*text), mimeType)) {
            const QString desktopFile = FindDesktopFile(QString::fromStdString(id));
            if (desktopFile.isEmpty()) {
                continue;
            }
            const auto entry = ReadRegularFile(desktopFile, kMaxDesktopFileBytes);
            const auto program = entry ? DesktopExecProgram(View(*entry)) : std::nullopt;
            if (!program) {
                return std::nullopt;
            }
            const QString path = QString::fromStdString(*program);
            if (QDir::isAbsolutePath(path)) {
                return path;
            }
            if (path.contains(QLatin1Char('/'))) {
                return std::nullopt;
            }
            const QString found = FindInPath(path);
            return found.isEmpty() ? std::nullopt : std::optional<QString>(found);
        }
    }
    return std::nullopt;
}

std::unique_ptr<ClassRegistration> CreateSystemClassRegistration() {
    return std::make_unique<LinuxClassRegistration>(DesktopEnvironment::FromProcess());
}

}  // namespace hublane::platform
