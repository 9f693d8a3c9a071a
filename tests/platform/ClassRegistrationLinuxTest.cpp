// The ed2k class registration on Linux: a Wine prefix in a sandbox, then the desktop's handler.
#include "platform/ClassRegistrationLinux.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <filesystem>

#include "support/TestSupport.h"

namespace hublane::platform {
namespace {

const char* const kIconKey = "[Software\\\\Classes\\\\ed2k\\\\DefaultIcon] 1700000000\n";

class ClassRegistrationLinuxTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(m_sandbox.isValid());
        m_root = m_sandbox.path();
        m_prefix = m_root + QStringLiteral("/home/.wine");
        QDir(m_root).mkpath(QStringLiteral("home/.wine/drive_c/Program Files/eDonkey2000"));
        QDir(m_root).mkpath(QStringLiteral("home/.wine/dosdevices"));
        std::filesystem::create_directory_symlink("../drive_c",
                                                  Path(m_prefix + QStringLiteral("/dosdevices/c:")));
        std::filesystem::create_directory_symlink("/", Path(m_prefix + QStringLiteral("/dosdevices/z:")));
        for (const char* dir : {"config", "etc/xdg", "data/applications", "share1/applications",
                                "share2/applications/vendor", "bin"}) {
            QDir(m_root).mkpath(QLatin1String(dir));
        }
        m_env.home = m_root + QStringLiteral("/home");
        m_env.variables = {
            {QStringLiteral("XDG_CONFIG_HOME"), m_root + QStringLiteral("/config")},
            {QStringLiteral("XDG_CONFIG_DIRS"), m_root + QStringLiteral("/etc/xdg")},
            {QStringLiteral("XDG_DATA_HOME"), m_root + QStringLiteral("/data")},
            {QStringLiteral("XDG_DATA_DIRS"),
             m_root + QStringLiteral("/share1:") + m_root + QStringLiteral("/share2")},
            {QStringLiteral("PATH"), QStringLiteral("relative:") + m_root + QStringLiteral("/bin")},
        };
    }

    static std::filesystem::path Path(const QString& path) { return path.toStdString(); }
    void Write(const QString& relative, const QByteArray& text) {
        test::WriteWholeFile(m_root + QLatin1Char('/') + relative, text);
    }
    std::optional<QString> Read() {
        return LinuxClassRegistration(m_env).ReadDefaultIcon(QStringLiteral("ed2k"));
    }
    QString DriveC() const { return QFileInfo(m_prefix + QStringLiteral("/drive_c")).canonicalFilePath(); }
    // Every entry below the sandbox with its size and time, to prove that a look-up writes nothing.
    QStringList Snapshot() const {
        QStringList entries;
        QDirIterator it(m_root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QFileInfo info(it.next());
            // A link is recorded by its target: "z:" leads to "/", whose time is not ours.
            entries << info.filePath() + QLatin1Char(' ') +
                           (info.isSymLink() ? info.symLinkTarget()
                                             : QString::number(info.size()) + QLatin1Char(' ') +
                                                   QString::number(info.lastModified().toMSecsSinceEpoch()));
        }
        entries.sort();
        return entries;
    }
    void InstallDesktopHandler() {
        Write(QStringLiteral("config/mimeapps.list"),
              "[Default Applications]\nx-scheme-handler/ed2k=missing.desktop;client.desktop\n");
        Write(QStringLiteral("data/applications/client.desktop"),
              "[Desktop Entry]\nType=Application\nExec=client %u\n");
        Write(QStringLiteral("bin/client"), "#!/bin/sh\n");
        QFile::setPermissions(m_root + QStringLiteral("/bin/client"), QFile::ReadOwner | QFile::ExeOwner);
    }

    QTemporaryDir m_sandbox;
    QString m_root;
    QString m_prefix;
    DesktopEnvironment m_env;
};

TEST_F(ClassRegistrationLinuxTest, MapsTheWinePathOntoTheDriveFolder) {
    Write(QStringLiteral("home/.wine/system.reg"),
          QByteArray("WINE REGISTRY Version 2\n\n") + kIconKey +
              "@=\"\\\"C:\\\\Program Files\\\\eDonkey2000\\\\eDonkey2000.exe\\\",0\"\n");
    EXPECT_EQ(Read(), DriveC() + QStringLiteral("/Program Files/eDonkey2000/eDonkey2000.exe,0"));

    Write(QStringLiteral("home/.wine/system.reg"),
          QByteArray(kIconKey) + "@=str(2):\"Z:\\\\opt\\\\client.exe,0\"\n");
    EXPECT_EQ(Read(), QStringLiteral("/opt/client.exe,0"));
    Write(QStringLiteral("home/.wine/system.reg"), QByteArray(kIconKey) + "@=\"z:\"\n");
    EXPECT_EQ(Read(), QStringLiteral("/"));
}

TEST_F(ClassRegistrationLinuxTest, UserKeyWinsOverTheMachineKey) {
    Write(QStringLiteral("home/.wine/system.reg"), QByteArray(kIconKey) + "@=\"C:\\\\machine.exe,0\"\n");
    Write(QStringLiteral("home/.wine/user.reg"), QByteArray(kIconKey) + "@=\"C:\\\\user.exe,0\"\n");
    EXPECT_EQ(Read(), DriveC() + QStringLiteral("/user.exe,0"));

    // A user key without a default value hides the machine's, as HKEY_CLASSES_ROOT does.
    Write(QStringLiteral("home/.wine/user.reg"), QByteArray(kIconKey) + "\"Other\"=\"x\"\n");
    EXPECT_EQ(Read(), std::nullopt);
}

TEST_F(ClassRegistrationLinuxTest, FollowsWinePrefixVariable) {
    QDir(m_root).mkpath(QStringLiteral("prefix/dosdevices"));
    QDir(m_root).mkpath(QStringLiteral("prefix/drive_c"));
    std::filesystem::create_directory_symlink("../drive_c",
                                              Path(m_root + QStringLiteral("/prefix/dosdevices/c:")));
    Write(QStringLiteral("prefix/system.reg"), QByteArray(kIconKey) + "@=\"C:\\\\other.exe\"\n");
    Write(QStringLiteral("home/.wine/system.reg"), QByteArray(kIconKey) + "@=\"C:\\\\default.exe\"\n");
    m_env.variables.insert(QStringLiteral("WINEPREFIX"), m_root + QStringLiteral("/prefix"));
    EXPECT_EQ(Read(), QFileInfo(m_root + QStringLiteral("/prefix/drive_c")).canonicalFilePath() +
                          QStringLiteral("/other.exe"));
}

TEST_F(ClassRegistrationLinuxTest, UnmappableWineValueHandsOverToTheDesktop) {
    for (const char* value : {"D:\\\\client.exe,0", "%ProgramFiles%\\\\client.exe", "client.exe"}) {
        Write(QStringLiteral("home/.wine/system.reg"), QByteArray(kIconKey) + "@=\"" + value + "\"\n");
        EXPECT_EQ(Read(), std::nullopt) << value;
    }
    InstallDesktopHandler();
    EXPECT_EQ(Read(), m_root + QStringLiteral("/bin/client"));
}

TEST_F(ClassRegistrationLinuxTest, FindsTheDesktopHandlerThroughMimeAppsLists) {
    InstallDesktopHandler();
    EXPECT_EQ(Read(), m_root + QStringLiteral("/bin/client"));

    // Not in PATH: no answer.
    QFile::remove(m_root + QStringLiteral("/bin/client"));
    EXPECT_EQ(Read(), std::nullopt);

    // A list naming only missing entries hands over to the next list; IDs may name subfolders.
    Write(QStringLiteral("config/mimeapps.list"),
          "[Default Applications]\nx-scheme-handler/ed2k=missing.desktop\n");
    Write(QStringLiteral("share2/applications/mimeapps.list"),
          "[Default Applications]\nx-scheme-handler/ed2k=vendor-client.desktop\n");
    Write(QStringLiteral("share2/applications/vendor/client.desktop"),
          "[Desktop Entry]\nExec=\"/opt/vendor client/run\" %u\n");
    EXPECT_EQ(Read(), QStringLiteral("/opt/vendor client/run"));

    // An entry without a usable Exec gives no answer rather than a later list's.
    Write(QStringLiteral("config/mimeapps.list"),
          "[Default Applications]\nx-scheme-handler/ed2k=client.desktop\n");
    Write(QStringLiteral("data/applications/client.desktop"), "[Desktop Entry]\nExec=bin/client\n");
    EXPECT_EQ(Read(), std::nullopt);
}

TEST_F(ClassRegistrationLinuxTest, NothingRegisteredGivesNoAnswerAndLookUpsWriteNothing) {
    EXPECT_EQ(Read(), std::nullopt);

    InstallDesktopHandler();
    Write(QStringLiteral("home/.wine/user.reg"), QByteArray(kIconKey) + "@=\"C:\\\\user.exe,0\"\n");
    const QStringList before = Snapshot();
    const LinuxClassRegistration registration(m_env);
    EXPECT_TRUE(registration.FromWine(QStringLiteral("ed2k")).has_value());
    EXPECT_TRUE(registration.FromDesktopHandler(QStringLiteral("ed2k")).has_value());
    EXPECT_EQ(Snapshot(), before);
}

TEST(ClassRegistrationLinuxPathsTest, ListsMimeAppsFilesInLookUpOrder) {
    DesktopEnvironment env;
    env.home = QStringLiteral("/home/u");
    EXPECT_EQ(LinuxClassRegistration(env).MimeAppsLists(),
              (QStringList{QStringLiteral("/home/u/.config/mimeapps.list"),
                           QStringLiteral("/etc/xdg/mimeapps.list"),
                           QStringLiteral("/home/u/.local/share/applications/mimeapps.list"),
                           QStringLiteral("/usr/local/share/applications/mimeapps.list"),
                           QStringLiteral("/usr/share/applications/mimeapps.list")}));
    EXPECT_EQ(LinuxClassRegistration(env).WinePrefix(), QStringLiteral("/home/u/.wine"));

    env.variables = {{QStringLiteral("XDG_CURRENT_DESKTOP"), QStringLiteral("ubuntu:GNOME")},
                     {QStringLiteral("XDG_CONFIG_HOME"), QStringLiteral("relative/ignored")},
                     {QStringLiteral("XDG_CONFIG_DIRS"), QStringLiteral("/a::b")},
                     {QStringLiteral("XDG_DATA_DIRS"), QStringLiteral("/d")}};
    EXPECT_EQ(LinuxClassRegistration(env).MimeAppsLists(),
              (QStringList{QStringLiteral("/home/u/.config/ubuntu-mimeapps.list"),
                           QStringLiteral("/home/u/.config/gnome-mimeapps.list"),
                           QStringLiteral("/home/u/.config/mimeapps.list"),
                           QStringLiteral("/a/ubuntu-mimeapps.list"),
                           QStringLiteral("/a/gnome-mimeapps.list"), QStringLiteral("/a/mimeapps.list"),
                           QStringLiteral("/home/u/.local/share/applications/ubuntu-mimeapps.list"),
                           QStringLiteral("/home/u/.local/share/applications/gnome-mimeapps.list"),
                           QStringLiteral("/home/u/.local/share/applications/mimeapps.list"),
                           QStringLiteral("/d/applications/ubuntu-mimeapps.list"),
                           QStringLiteral("/d/applications/gnome-mimeapps.list"),
                           QStringLiteral("/d/applications/mimeapps.list")}));
}

}  // namespace
}  // namespace hublane::platform
