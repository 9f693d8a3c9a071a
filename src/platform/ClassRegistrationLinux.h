// The class registration of a link scheme on Linux: a Wine prefix's registry, else the desktop's
// default handler of the scheme.
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include "platform/ClassRegistration.h"

namespace hublane::platform {

/// The environment the look-up reads: the home folder and the variables (WINEPREFIX, XDG_*, PATH).
/// Tests fill it with a sandbox; the program takes FromProcess().
struct DesktopEnvironment {
    QString home;
    QHash<QString, QString> variables;

    static DesktopEnvironment FromProcess();
    /// The variable's value, empty when unset.
    QString Variable(const QString& name) const { return variables.value(name); }
};

/// Answers ReadDefaultIcon from, in this order:
///  1. the Wine prefix ($WINEPREFIX, else ~/.wine): the key Software\Classes\<class>\DefaultIcon of
///     user.reg (HKCU) when user.reg has that key, else of system.reg (HKLM), as the merged
///     HKEY_CLASSES_ROOT view resolves a key; the Windows path in its default value is mapped onto
///     the prefix's dosdevices/<drive>: link, so the answer is a local path that keeps its icon
///     index text ("/home/u/.wine/drive_c/Program Files/Client/client.exe,0"), quotes removed;
///     a value that cannot be mapped (no drive letter, drive not linked) counts as no answer;
///  2. the desktop's default handler of x-scheme-handler/<class>: the first installed desktop entry
///     named in the mimeapps.list files (the order xdg-mime follows), whose Exec program is
///     returned as an absolute path, a bare name being looked up in PATH.
/// Only reads files; runs no program.
class LinuxClassRegistration : public ClassRegistration {
  public:
    explicit LinuxClassRegistration(DesktopEnvironment environment);

    std::optional<QString> ReadDefaultIcon(const QString& className) override;

    /// Step 1 alone.
    std::optional<QString> FromWine(const QString& className) const;
    /// Step 2 alone.
    std::optional<QString> FromDesktopHandler(const QString& className) const;

    QString WinePrefix() const;
    /// The mimeapps.list files in the order they are consulted.
    QStringList MimeAppsLists() const;
    /// The folders desktop entries are installed in, most personal first.
    QStringList ApplicationDirs() const;

  private:
    QString FindDesktopFile(const QString& desktopId) const;
    QString FindInPath(const QString& program) const;

    DesktopEnvironment m_env;
};

}  // namespace hublane::platform
