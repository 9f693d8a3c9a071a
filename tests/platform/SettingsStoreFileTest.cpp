// The settings file store: registry semantics, location, atomic writes and damaged files.
#include "platform/SettingsStoreFile.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <csignal>

#include "support/TestSupport.h"

namespace hublane::platform {
namespace {

using hublane::test::ReadWholeFile;
using hublane::test::WriteWholeFile;

class SettingsStoreFileTest : public ::testing::Test {
  protected:
    QString Path() const { return m_dir.filePath(QStringLiteral("Orvandels/Hublane.reg")); }
    QStringList FilesInFolder() const {
        return QDir(m_dir.filePath(QStringLiteral("Orvandels"))).entryList(QDir::Files | QDir::Hidden);
    }

    QTemporaryDir m_dir;
};

TEST_F(SettingsStoreFileTest, KeepsEveryValueTypeAcrossOpens) {
    SettingsStoreFile store(Path());
    {
        auto key = store.Open();
        ASSERT_NE(key, nullptr);
        EXPECT_TRUE(
            key->WriteString(QStringLiteral("Langage"), QStringLiteral("/tmp/français \"x\"\\y.lng")));
        EXPECT_TRUE(key->WriteString(QStringLiteral("ServeurWeb"), QStringLiteral("ligne\nsuivante")));
        EXPECT_TRUE(key->WriteString(QStringLiteral("PathDonkey"), QString()));
        EXPECT_TRUE(key->WriteInteger(QStringLiteral("NbThreads"), 20));
        EXPECT_TRUE(key->WriteInteger(QStringLiteral("Timeout"), -2));
    }
    EXPECT_EQ(ReadWholeFile(Path()),
              QByteArray("REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Orvandels\\Hublane]\n"
                         "\"Langage\"=\"/tmp/fran\xC3\xA7"
                         "ais \\\"x\\\"\\\\y.lng\"\n"
                         "\"ServeurWeb\"=\"ligne\\nsuivante\"\n"
                         "\"PathDonkey\"=\"\"\n"
                         "\"NbThreads\"=dword:00000014\n"
                         "\"Timeout\"=dword:fffffffe\n"));

    auto key = store.Open();
    ASSERT_NE(key, nullptr);
    QString text;
    EXPECT_TRUE(key->ReadString(QStringLiteral("Langage"), text));
    EXPECT_EQ(text, QStringLiteral("/tmp/français \"x\"\\y.lng"));
    EXPECT_TRUE(key->ReadString(QStringLiteral("ServeurWeb"), text));
    EXPECT_EQ(text, QStringLiteral("ligne\nsuivante"));
    EXPECT_TRUE(key->ValueExists(QStringLiteral("PathDonkey")));
    EXPECT_EQ(key->ReadInteger(QStringLiteral("NbThreads")), 20);
    EXPECT_EQ(key->ReadInteger(QStringLiteral("Timeout")), -2);
}

TEST_F(SettingsStoreFileTest, FollowsRegistryRulesForAbsentAndMistypedValues) {
    SettingsStoreFile store(Path());
    auto key = store.Open();
    ASSERT_NE(key, nullptr);
    key->WriteString(QStringLiteral("s"), QStringLiteral("texte"));
    key->WriteInteger(QStringLiteral("n"), 7);

    QString text = QStringLiteral("old");
    EXPECT_TRUE(key->ReadString(QStringLiteral("absent"), text));
    EXPECT_TRUE(text.isEmpty());
    EXPECT_FALSE(key->ReadString(QStringLiteral("n"), text));
    EXPECT_EQ(key->ReadInteger(QStringLiteral("absent")), std::nullopt);
    EXPECT_EQ(key->ReadInteger(QStringLiteral("s")), std::nullopt);
    EXPECT_FALSE(key->ValueExists(QStringLiteral("absent")));
    EXPECT_TRUE(key->DeleteValue(QStringLiteral("absent")));
    EXPECT_TRUE(key->DeleteValue(QStringLiteral("S")));  // value names ignore letter case
    EXPECT_FALSE(key->ValueExists(QStringLiteral("s")));
}

TEST_F(SettingsStoreFileTest, KeepsValuesOfOtherTypesAsTypeErrors) {
    QDir().mkpath(QFileInfo(Path()).absolutePath());
    WriteWholeFile(Path(),
                   "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Orvandels\\Hublane]\r\n"
                   "\"Blob\"=hex:01,02\r\n\"inter\"=dword:00000001\r\n");
    SettingsStoreFile store(Path());
    {
        auto key = store.Open();
        ASSERT_NE(key, nullptr);
        QString text;
        EXPECT_FALSE(key->ReadString(QStringLiteral("Blob"), text));
        EXPECT_EQ(key->ReadInteger(QStringLiteral("Blob")), std::nullopt);
        key->WriteInteger(QStringLiteral("inter"), 2);
    }
    EXPECT_TRUE(ReadWholeFile(Path()).contains("\"Blob\"=hex:01,02\n\"inter\"=dword:00000002\n"));
}

TEST_F(SettingsStoreFileTest, WritesOnlyWhenAValueChanged) {
    const QByteArray handMade =
        "REGEDIT4\n; edited by hand\n[HKEY_CURRENT_USER\\Software\\Orvandels\\Hublane]\n\"inter\"=dword:2\n";
    QDir().mkpath(QFileInfo(Path()).absolutePath());
    WriteWholeFile(Path(), handMade);
    SettingsStoreFile store(Path());
    {
        auto key = store.Open();
        ASSERT_NE(key, nullptr);
        key->WriteInteger(QStringLiteral("inter"), 2);
        key->DeleteValue(QStringLiteral("absent"));
        EXPECT_EQ(key->ReadInteger(QStringLiteral("inter")), 2);
    }
    EXPECT_EQ(ReadWholeFile(Path()), handMade);

    // Reading a store that has no file creates its folder but no file.
    SettingsStoreFile fresh(m_dir.filePath(QStringLiteral("a/b/Hublane.reg")));
    ASSERT_NE(fresh.Open(), nullptr);
    EXPECT_TRUE(QFileInfo(m_dir.filePath(QStringLiteral("a/b"))).isDir());
    EXPECT_FALSE(QFileInfo::exists(fresh.Path()));
}

TEST_F(SettingsStoreFileTest, DefaultPathFollowsXdgConfigHome) {
    const QByteArray savedXdg = qgetenv("XDG_CONFIG_HOME");
    const QByteArray savedHome = qgetenv("HOME");
    qputenv("XDG_CONFIG_HOME", m_dir.path().toUtf8());
    EXPECT_EQ(SettingsStoreFile::DefaultPath(), m_dir.path() + QStringLiteral("/Orvandels/Hublane.reg"));
    qputenv("XDG_CONFIG_HOME", "");
    qputenv("HOME", m_dir.filePath(QStringLiteral("home")).toUtf8());
    EXPECT_EQ(SettingsStoreFile::DefaultPath(),
              m_dir.filePath(QStringLiteral("home/.config/Orvandels/Hublane.reg")));
    qputenv("HOME", savedHome);
    if (savedXdg.isNull()) {
        qunsetenv("XDG_CONFIG_HOME");
    } else {
        qputenv("XDG_CONFIG_HOME", savedXdg);
    }
}

TEST_F(SettingsStoreFileTest, MovesADamagedFileAsideAndNeverOverwritesIt) {
    const QByteArray damaged =
        "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Orvandels\\Hublane]\n\"Langage\"=\"fran";
    QDir().mkpath(QFileInfo(Path()).absolutePath());
    WriteWholeFile(Path(), damaged);
    SettingsStoreFile store(Path());

    EXPECT_EQ(store.Open(), nullptr) << "the operation that meets the damage fails";
    EXPECT_EQ(ReadWholeFile(Path() + QStringLiteral(".bad")), damaged);
    EXPECT_FALSE(QFileInfo::exists(Path()));
    {
        auto key = store.Open();
        ASSERT_NE(key, nullptr) << "later operations start from an empty key";
        EXPECT_FALSE(key->ValueExists(QStringLiteral("Langage")));
        key->WriteString(QStringLiteral("Langage"), QStringLiteral("francais.lng"));
    }
    EXPECT_TRUE(ReadWholeFile(Path()).contains("\"Langage\"=\"francais.lng\""));

    // A second damaged file goes beside the first, which stays as it was.
    WriteWholeFile(Path(), "garbage");
    EXPECT_EQ(store.Open(), nullptr);
    EXPECT_EQ(ReadWholeFile(Path() + QStringLiteral(".bad")), damaged);
    EXPECT_EQ(ReadWholeFile(Path() + QStringLiteral(".bad.1")), QByteArray("garbage"));
}

TEST_F(SettingsStoreFileTest, KeepsFailingWhenADamagedFileCannotBeMovedAside) {
    QDir().mkpath(QFileInfo(Path()).absolutePath());
    WriteWholeFile(Path(), "not a settings file");
    for (int i = 0; i < 10; ++i) {
        WriteWholeFile(Path() + QStringLiteral(".bad") + (i == 0 ? QString() : QStringLiteral(".%1").arg(i)),
                       "old");
    }
    SettingsStoreFile store(Path());
    for (int attempt = 0; attempt < 3; ++attempt) {
        EXPECT_EQ(store.Open(), nullptr);
    }
    EXPECT_EQ(ReadWholeFile(Path()), QByteArray("not a settings file"));
}

TEST_F(SettingsStoreFileTest, AFailedWriteLeavesThePreviousFileWhole) {
    SettingsStoreFile store(Path());
    {
        auto key = store.Open();
        ASSERT_NE(key, nullptr);
        key->WriteString(QStringLiteral("Langage"), QStringLiteral("francais.lng"));
    }
    const QByteArray before = ReadWholeFile(Path());

    // A full disk, as the kernel reports it to any writer (root included): writes beyond the
    // file size limit fail.
    struct rlimit saved {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    {
        auto key = store.Open();
        ASSERT_NE(key, nullptr);
        key->WriteString(QStringLiteral("ServeurWeb"), QString(200000, QLatin1Char('x')));
        struct rlimit small = saved;
        small.rlim_cur = 4096;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    }  // the key is closed here and its write fails part-way
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(ReadWholeFile(Path()), before);
    EXPECT_EQ(FilesInFolder(), QStringList{QStringLiteral("Hublane.reg")}) << "no temporary file is left";

    {
        auto key = store.Open();
        ASSERT_NE(key, nullptr);
        key->WriteString(QStringLiteral("ServeurWeb"), QString(200000, QLatin1Char('x')));
    }
    EXPECT_GT(ReadWholeFile(Path()).size(), 200000);
    EXPECT_EQ(FilesInFolder(), QStringList{QStringLiteral("Hublane.reg")});
}

TEST_F(SettingsStoreFileTest, ASmallWriteCutByAFullDiskLeavesThePreviousFileWhole) {
    // A settings file is a few hundred bytes: its whole text fits in a write buffer, so a write
    // that the disk refuses part-way shows only when the bytes really reach the file.
    SettingsStoreFile store(Path());
    {
        auto key = store.Open();
        ASSERT_NE(key, nullptr);
        key->WriteString(QStringLiteral("Langage"), QStringLiteral("francais.lng"));
        key->WriteString(QStringLiteral("ServeurWeb"), QString(150, QLatin1Char('w')));
        key->WriteInteger(QStringLiteral("NbThreads"), 20);
    }
    const QByteArray before = ReadWholeFile(Path());
    ASSERT_GT(before.size(), 200);

    struct rlimit saved {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    {
        auto key = store.Open();
        ASSERT_NE(key, nullptr);
        key->WriteString(QStringLiteral("Langage"), QStringLiteral("anglais.lng"));
        struct rlimit small = saved;
        small.rlim_cur = 100;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(ReadWholeFile(Path()), before);
    EXPECT_EQ(FilesInFolder(), QStringList{QStringLiteral("Hublane.reg")});
}

}  // namespace
}  // namespace hublane::platform
