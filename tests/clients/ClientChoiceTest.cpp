// Which client an engine serves (option, setting, machine), where each keeps its list, and how
// a running aMule is seen (its lock file, its EC port).
#include "clients/ClientChoice.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTcpServer>
#include <QTemporaryDir>

#include "clients/AmuleClient.h"
#include "clients/AmuleRunning.h"
#include "language/LanguageTable.h"
#include "platform/MemorySettingsStore.h"
#include "support/Fakes.h"

namespace hublane::clients {
namespace {

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(bytes);
}

class ClientChoiceTest : public ::testing::Test {
  protected:
    QString Folder(const char* name) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        QDir().mkpath(path);
        return path;
    }

    QTemporaryDir dir;
    platform::MemorySettingsStore settings;
    test::FakeClassRegistration classes;
    test::FakePrompts prompts;
    language::LanguageTable language;
};

TEST_F(ClientChoiceTest, TheOptionThenTheSettingThenTheFolderDecide) {
    const QString emule = Folder("emule");
    WriteFile(emule + QStringLiteral("/emule.exe"), "MZ");
    const QString amule = Folder("amule");
    WriteFile(amule + QStringLiteral("/amule.conf"), "[eMule]\n");
    const QString plain = Folder("plain");
    struct Case {
        const char* what;
        std::optional<ClientKind> option;
        const char* setting;  // nullptr: none stored
        QString folder;
        ClientKind expected;
    };
    const std::vector<Case> cases = {
        {"the option beats the setting", ClientKind::Emule, "amule", plain, ClientKind::Emule},
        {"the setting beats the folder", std::nullopt, "amule", emule, ClientKind::Amule},
        {"the setting's letter case and blanks", std::nullopt, " eMule ", plain, ClientKind::Emule},
        {"a setting naming no client is ignored", std::nullopt, "kazaa", emule, ClientKind::Emule},
        {"a folder holding emule.exe", std::nullopt, nullptr, emule, ClientKind::Emule},
        {"a folder holding amule.conf", std::nullopt, nullptr, amule, ClientKind::Amule},
        {"any other folder", std::nullopt, nullptr, plain, ClientKind::Edonkey},
    };
    for (const Case& c : cases) {
        settings.Values().clear();
        if (c.setting != nullptr) {
            settings.Values()[QString::fromLatin1(kClientSetting)] = QString::fromLatin1(c.setting);
        }
        EXPECT_EQ(ChooseClientKind(c.option, settings, classes, c.folder), c.expected) << c.what;
    }
}

TEST_F(ClientChoiceTest, TheStoredFolderAndTheLinkHandlerAreClues) {
    const QString emule = Folder("Program Files/eMule");
    WriteFile(emule + QStringLiteral("/emule.exe"), "MZ");
    settings.Values()[QStringLiteral("PathDonkey")] = emule + QStringLiteral("/emule.exe");
    ClientClues clues = GatherClientClues(settings, classes, {}, dir.filePath(QStringLiteral("none")));
    EXPECT_TRUE(clues.storedFolderHoldsEmule);
    EXPECT_FALSE(clues.amuleFolderExists);
    EXPECT_EQ(GuessClientKind(clues), ClientKind::Emule);

    settings.Values().clear();
    classes.defaultIcon = emule + QStringLiteral("/start.exe,0");
    clues = GatherClientClues(settings, classes, {}, Folder(".aMule"));
    EXPECT_TRUE(clues.storedFolder.empty());
    EXPECT_TRUE(clues.handlerFolderHoldsEmule);
    EXPECT_TRUE(clues.amuleFolderExists);
    EXPECT_EQ(GuessClientKind(clues), ClientKind::Emule);
}

TEST_F(ClientChoiceTest, EachClientKeepsItsListWhereItLives) {
    const PartInfoDeps locator{settings, prompts, classes, language};
    test::FakeBusyOwner owner;
    const QString amule = Folder("amule");
    const auto amuleClient = CreateClient(ClientKind::Amule, locator, {}, amule);
    EXPECT_EQ(amuleClient->Kind(), ClientKind::Amule);
    EXPECT_EQ(amuleClient->ServerMetPath(owner), amule + QStringLiteral("/server.met"));
    EXPECT_EQ(amuleClient->KnownFolder(), amule + QLatin1Char('/'));
    EXPECT_EQ(AmuleClient().KnownFolder(),
              QDir::home().filePath(QStringLiteral(".aMule")) + QLatin1Char('/'));

    // eMule's list is in its program folder's config/ when eMule runs on no profile of its own.
    const QString program = Folder("eMule");
    const QString config = Folder("eMule/config");
    WriteFile(program + QStringLiteral("/emule.exe"), "MZ");
    settings.Values()[QStringLiteral("PathDonkey")] = program + QStringLiteral("/emule.exe");
    const auto emuleClient = CreateClient(ClientKind::Emule, locator, {});
    EXPECT_EQ(emuleClient->ServerMetPath(owner), config + QStringLiteral("/server.met"));
    EXPECT_EQ(CreateClient(ClientKind::Emule, locator, {}, amule)->ServerMetPath(owner),
              amule + QStringLiteral("/server.met"));

    // eDonkey2000 keeps the classic dialect, the two others the one that carries entries.
    const auto donkey = CreateClient(ClientKind::Edonkey, locator, {}, program);
    EXPECT_EQ(donkey->ServerMetPath(owner), program + QStringLiteral("/server.met"));
    EXPECT_EQ(donkey->ServerList().FileName(), std::string("server.met"));
    EXPECT_TRUE(prompts.folderCalls.empty());
}

TEST_F(ClientChoiceTest, ARunningAmuleIsSeenByItsLockOrItsEcPort) {
    QTcpServer ec;
    ASSERT_TRUE(ec.listen(QHostAddress(QStringLiteral("127.0.0.1")), 0));
    const QByteArray port = QByteArray::number(ec.serverPort());
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress(QStringLiteral("127.0.0.1")), 0));
    const QByteArray closedPort = QByteArray::number(closed.serverPort());
    closed.close();
    QFile pidMax(QStringLiteral("/proc/sys/kernel/pid_max"));
    // No process ever has the number pid_max.
    const QByteArray deadPid = pidMax.open(QIODevice::ReadOnly) ? pidMax.readAll().trimmed() : "2147483647";
    struct Case {
        const char* what;
        QByteArray lock;  // empty: no lock file
        QByteArray conf;  // empty: no amule.conf
        bool running;
    };
    const QByteArray ownPid = QByteArray::number(QCoreApplication::applicationPid());
    const std::vector<Case> cases = {
        {"nothing there", {}, {}, false},
        {"its lock names this process", ownPid + "\n", {}, true},
        {"a lock left by a process that ended", deadPid, {}, false},
        {"a lock that names no process", "amuled", {}, false},
        {"its EC port answers",
         {},
         "[ExternalConnect]\nAcceptExternalConnections=1\nECPort=" + port + "\n",
         true},
        {"any-address EC is reached on loopback",
         {},
         "[ExternalConnect]\r\nAcceptExternalConnections=1\r\nECAddress=0.0.0.0\r\nECPort=" + port + "\r\n",
         true},
        {"EC not accepted",
         {},
         "[ExternalConnect]\nAcceptExternalConnections=0\nECPort=" + port + "\n",
         false},
        {"nothing listens on its EC port", deadPid,
         "[ExternalConnect]\nAcceptExternalConnections=1\nECPort=" + closedPort + "\n", false},
    };
    int n = 0;
    for (const Case& c : cases) {
        const QString folder = Folder(QByteArray("running" + QByteArray::number(n++)).constData());
        if (!c.lock.isEmpty()) {
            WriteFile(folder + QStringLiteral("/muleLock"), c.lock);
        }
        if (!c.conf.isEmpty()) {
            WriteFile(folder + QStringLiteral("/amule.conf"), c.conf);
        }
        EXPECT_EQ(AmuleRunning(folder), c.running) << c.what;
        const QString notice = AmuleClient(folder).RunningNotice();
        EXPECT_EQ(notice.isEmpty(), !c.running) << c.what;
    }
    EXPECT_FALSE(AmuleRunning(QString()));
    for (const char* bad : {"", " ", "0", "-5", "12x", "99999999999999999999", "4294967296"}) {
        EXPECT_EQ(LockFilePid(bad), std::nullopt) << bad;
    }
    EXPECT_EQ(LockFilePid(" 4242\n"), 4242);
}

}  // namespace
}  // namespace hublane::clients
