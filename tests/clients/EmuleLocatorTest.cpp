// eMule's folders found on disk: its program folder by the stored folder or the ed2k
// registration, its config folder inside a fake Wine prefix by the prefix's registry files, and
// the eMule client's server.met path from them.
#include "clients/EmuleLocator.h"

#include "clients/EmuleClient.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <filesystem>

#include "clients/TPartInfo.h"
#include "language/LanguageTable.h"
#include "platform/MemorySettingsStore.h"
#include "support/Fakes.h"
#include "support/TestSupport.h"

namespace hublane::clients {
namespace {

const QByteArray kSystemReg =
    "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win64\n\n"
    "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Explorer\\\\Shell Folders] 1700000000\n"
    "\"Common AppData\"=\"C:\\\\ProgramData\"\n\"Common Desktop\"=\"C:\\\\users\\\\Public\\\\Desktop\"\n";

QByteArray UserReg(const QByteArray& emuleValue) {
    return "WINE REGISTRY Version 2\n;; All keys relative to \\\\User\\\\S-1-5-21-0-0-0-1000\n\n"
           "[Software\\\\eMule] 1700000000\n" +
           emuleValue +
           "\n\n[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Explorer\\\\Shell Folders] "
           "1700000000\n"
           "\"AppData\"=\"C:\\\\users\\\\u\\\\AppData\\\\Roaming\"\n"
           "\"Local AppData\"=\"C:\\\\users\\\\u\\\\AppData\\\\Local\"\n";
}

class EmuleLocatorTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_prefix = m_dir.filePath(QStringLiteral("pfx"));
        QDir().mkpath(m_prefix + QStringLiteral("/dosdevices"));
        QDir().mkpath(m_prefix + QStringLiteral("/drive_c/Program Files/eMule"));
        std::filesystem::create_directory_symlink(
            "../drive_c", (m_prefix + QStringLiteral("/dosdevices/c:")).toStdString());
        test::WriteWholeFile(m_prefix + QStringLiteral("/system.reg"), kSystemReg);
        test::WriteWholeFile(ProgramFolder() + QStringLiteral("eMule.exe"), "MZ");
        m_driveC = QFileInfo(m_prefix + QStringLiteral("/drive_c")).canonicalFilePath();
    }
    QString ProgramFolder() const { return m_prefix + QStringLiteral("/drive_c/Program Files/eMule/"); }
    void Preferences(const QString& relative) const {
        const QString config = m_prefix + QStringLiteral("/drive_c/") + relative + QStringLiteral("/config");
        QDir().mkpath(config);
        test::WriteWholeFile(config + QStringLiteral("/preferences.ini"), "[eMule]\n");
    }

    QTemporaryDir m_dir;
    QString m_prefix;
    QString m_driveC;
};

TEST_F(EmuleLocatorTest, ConfigFolderFollowsThePrefixRegistry) {
    const struct {
        const char* name;
        QByteArray value;
        QStringList preferences;  // below drive_c, each with config/preferences.ini
        QString folder;           // below drive_c
    } cases[] = {
        {"ValueOne",
         "\"usepublicuserdirectories\"=dword:00000001",
         {},
         QStringLiteral("/ProgramData/eMule/config/")},
        {"TextValueCountsAsNone",
         "\"UsePublicUserDirectories\"=\"2\"",
         {QStringLiteral("ProgramData/eMule")},
         QStringLiteral("/ProgramData/eMule/config/")},
        {"NoValueNothingFound", "", {}, QStringLiteral("/users/u/AppData/Local/eMule/config/")},
    };
    for (const auto& c : cases) {
        QDir(m_prefix + QStringLiteral("/drive_c/ProgramData")).removeRecursively();
        QDir(m_prefix + QStringLiteral("/drive_c/users")).removeRecursively();
        QDir(ProgramFolder() + QStringLiteral("config")).removeRecursively();
        test::WriteWholeFile(m_prefix + QStringLiteral("/user.reg"), UserReg(c.value));
        for (const QString& folder : c.preferences) {
            Preferences(folder);
        }
        EXPECT_EQ(EmuleConfigFolderOf(ProgramFolder()), m_driveC + c.folder) << c.name;
    }
}

// A prefix whose registry says nothing of its folders, or cannot be read, leaves eMule in its
// program folder; so does a folder in no prefix.
TEST_F(EmuleLocatorTest, WithoutKnownFoldersTheProgramFolderHoldsTheConfig) {
    test::WriteWholeFile(m_prefix + QStringLiteral("/user.reg"), "\x01\x02[[[\n\"Local AppData\"=\n");
    EXPECT_EQ(EmuleConfigFolderOf(ProgramFolder()), ProgramFolder() + QStringLiteral("config/"));
    const QString plain = m_dir.filePath(QStringLiteral("plain/eMule/"));
    QDir().mkpath(plain);
    EXPECT_EQ(EmuleConfigFolderOf(plain), plain + QStringLiteral("config/"));
}

TEST_F(EmuleLocatorTest, ProgramFolderIsTheStoredOrTheRegisteredOneHoldingEmule) {
    const QString other = m_prefix + QStringLiteral("/drive_c/Program Files/eDonkey2000/");
    QDir().mkpath(other);
    test::WriteWholeFile(other + QStringLiteral("eDonkey2000.exe"), "MZ");
    const QString registered = QStringLiteral("\"") + ProgramFolder() + QStringLiteral("emule.exe\",0");
    const struct {
        const char* name;
        QString stored;  // PathDonkey; empty: none
        std::optional<QString> icon;
        QString found;
    } cases[] = {
        {"StoredEmuleFolder", ProgramFolder(), std::nullopt, ProgramFolder()},
        {"StoredFolderWithoutEmuleThenRegistration", other, registered, ProgramFolder()},
        {"RegistrationAlone", QString(), registered, ProgramFolder()},
        {"RegisteredOtherClient", QString(), other + QStringLiteral("eDonkey2000.exe,0"), QString()},
        {"StoredWindowsPath", QStringLiteral("C:\\Program Files\\eMule\\"), std::nullopt, QString()},
        {"Nothing", QString(), std::nullopt, QString()},
    };
    for (const auto& c : cases) {
        platform::MemorySettingsStore settings;
        if (!c.stored.isEmpty()) {
            settings.Values()[QStringLiteral("PathDonkey")] = c.stored;
        }
        test::FakeClassRegistration classes;
        classes.defaultIcon = c.icon;
        const QString found = FindEmuleFolder(settings, classes);
        EXPECT_EQ(QDir::cleanPath(found), QDir::cleanPath(c.found)) << c.name;
        EXPECT_EQ(found.isEmpty(), c.found.isEmpty()) << c.name;
    }
}

// The list's path: eMule found needs no question; otherwise the folder asked for is eMule's
// program folder or the list's own.
TEST_F(EmuleLocatorTest, ServerMetIsInTheConfigFolderOfTheEmuleFound) {
    test::WriteWholeFile(m_prefix + QStringLiteral("/user.reg"),
                         UserReg("\"UsePublicUserDirectories\"=dword:00000001"));
    const QString config = m_driveC + QStringLiteral("/ProgramData/eMule/config/server.met");
    const QString byHand = m_dir.filePath(QStringLiteral("byhand")) + QLatin1Char('/');
    QDir().mkpath(byHand);
    const struct {
        const char* name;
        QString stored;
        std::optional<QString> chosen;
        QString path;
        int questions;
    } cases[] = {
        {"StoredEmule", ProgramFolder(), std::nullopt, config, 0},
        {"ChosenEmule", QString(), ProgramFolder(), config, 1},
        {"ChosenConfigFolder", QString(), byHand, byHand + QStringLiteral("server.met"), 1},
        {"StoredOtherFolder", byHand, std::nullopt, byHand + QStringLiteral("server.met"), 0},
        {"NothingChosen", QString(), std::nullopt, QStringLiteral("server.met"), 1},
    };
    for (const auto& c : cases) {
        platform::MemorySettingsStore settings;
        if (!c.stored.isEmpty()) {
            settings.Values()[QStringLiteral("PathDonkey")] = c.stored;
        }
        test::FakePrompts prompts;
        prompts.folderAnswer = c.chosen;
        test::FakeClassRegistration classes;
        test::FakeBusyOwner owner;
        language::LanguageTable language;
        language.Reset();
        for (int n = 1; n <= 15; ++n) {
            language.Append(QStringLiteral("text %1").arg(n));
        }
        EmuleClient client(PartInfoDeps{settings, prompts, classes, language}, QString());
        const QString path = client.ServerMetPath(owner);
        EXPECT_EQ(QDir::cleanPath(path), QDir::cleanPath(c.path)) << c.name;
        EXPECT_EQ(static_cast<int>(prompts.folderCalls.size()), c.questions) << c.name;
        const std::vector<bool> busy = c.questions > 0 ? std::vector<bool>{true, false} : std::vector<bool>{};
        EXPECT_EQ(owner.calls, busy) << c.name;
    }
}

}  // namespace
}  // namespace hublane::clients
