// The directory on a real PostgreSQL server started for the test (skipped when PostgreSQL or
// Qt's PSQL driver is not installed): the same verification, copies, refusals and restart as on
// SQLite, bytes of names kept exactly, and two instances sharing one database, each server asked
// by one of them only.
#include <gtest/gtest.h>
#include <QSqlDatabase>

#include "DirectoryRig.h"
#include "PostgresServer.h"
#include "lab/Lab.h"
#include "support/TestSupport.h"

namespace hublane::directory {
namespace {

using test::kCopyA;
using test::kCopyB;

class PostgresTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        if (test::PostgresServer::BinDir().isEmpty()) {
            s_skip = "PostgreSQL (initdb, postgres) is not installed";
            return;
        }
        if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL"))) {
            s_skip = "Qt's PSQL driver is not installed";
            return;
        }
        s_server = new test::PostgresServer;
        QString error;
        if (!s_server->Start(QStringLiteral("127.31.0.3"), &error)) {
            s_failure = error.toStdString();
        }
    }
    static void TearDownTestSuite() {
        delete s_server;
        s_server = nullptr;
    }
    void SetUp() override {
        if (!s_skip.empty()) {
            GTEST_SKIP() << s_skip;
        }
        ASSERT_TRUE(s_failure.empty()) << s_failure;
    }
    void TearDown() override {
        // Each test starts from empty tables.
        if (s_server != nullptr && s_failure.empty()) {
            rig.Stop();
            directory::DirectoryStore store(QStringLiteral("postgres-test-cleanup"));
            ASSERT_TRUE(store.Open(s_server->Location()));
            for (const StoredServer& server :
                 store.DueServers(std::numeric_limits<std::int64_t>::max(), 100000)) {
                store.Forget(server.address);
            }
            store.ForgetCopiesBefore(std::numeric_limits<std::int64_t>::max());
        }
    }
    DirectorySettings Settings() {
        DirectorySettings settings = rig.Settings();
        settings.database = s_server->Location();
        return settings;
    }
    void StartLab(const char* config) {
        QString error;
        ASSERT_TRUE(lab.StartServers(QString::fromUtf8(config), &error)) << error.toStdString();
    }

    static inline test::PostgresServer* s_server = nullptr;
    static inline std::string s_skip;
    static inline std::string s_failure;
    lab::Lab lab;
    test::DirectoryRig rig;
};

TEST_F(PostgresTest, VerifiesListsRefusesAndKeepsLikeOnSqlite) {
    StartLab(
        "127.31.1.30 4661 answer name=\"Caf\\xE9 <PG>\"\n"
        "127.31.1.31 4661 silent\n");
    DirectorySettings settings = Settings();
    settings.recheckMs = 4000;
    ASSERT_TRUE(rig.Start(settings)) << rig.error.toStdString();

    ASSERT_EQ(
        rig.Get(test::DirectoryRig::RcvTarget({{"127.31.1.30", "4661"}, {"127.31.1.31", "4661"}})).status,
        200);
    const std::vector<std::string> listed = {"ed2k://|server|127.31.1.30|4661|/"};
    EXPECT_TRUE(test::WaitFor([&] { return rig.ListedTargets() == listed; }, 10000));
    EXPECT_TRUE(test::WaitFor(
        [&] {
            const auto server = rig.Store().Server("127.31.1.31");
            return server && server->state == ServerState::Dropped;
        },
        10000));
    EXPECT_EQ(rig.Store().Server("127.31.1.30")->name, "Caf\xE9 <PG>")
        << "the name's bytes are kept as they came";
    EXPECT_EQ(rig.Page(QByteArrayLiteral("/liste.php")).texts,
              (std::vector<std::string>{"Caf\xC3\xA9 <PG>"}));

    for (const char* bad :
         {"/rcv.php?nbips=2&ips=2003007F1235", "/rcv.php?nbips=1&ips=2003007F1", "/rcv.php"}) {
        EXPECT_EQ(rig.Get(bad).status, 400) << bad;
    }
    EXPECT_EQ(rig.Store().CountServers(), 2);

    ASSERT_EQ(rig.Get(QByteArrayLiteral("/connectHB.php"), kCopyA).status, 200);
    rig.offsetMs += 10;
    ASSERT_EQ(rig.Get(QByteArrayLiteral("/connectHB.php"), kCopyB).status, 200);
    EXPECT_EQ(rig.Page(QByteArrayLiteral("/listeHBL.php")).targets,
              (std::vector<std::string>{"http://127.31.2.3/", "http://127.31.2.2/"}));

    rig.Stop();
    settings.probesPerSecond = 0;
    ASSERT_TRUE(rig.Start(settings)) << rig.error.toStdString();
    EXPECT_EQ(rig.ListedTargets(), listed);
    EXPECT_EQ(rig.Page(QByteArrayLiteral("/listeHBL.php")).targets.size(), 2u);
}

TEST_F(PostgresTest, TwoInstancesShareTheirDataAndNeverAskTheSameServerTwice) {
    StartLab(
        "127.31.1.32 4661 answer name=Shared\n"
        "127.31.1.33 4661 answer\n"
        "127.31.1.34 4661 answer\n");
    DirectorySettings settings = Settings();
    settings.pageCacheMs = 50;
    ASSERT_TRUE(rig.Start(settings)) << rig.error.toStdString();
    DirectorySettings secondSettings = settings;
    secondSettings.listen.host = "127.31.0.4";
    Directory second(secondSettings);
    QString error;
    ASSERT_TRUE(second.Start(&error)) << error.toStdString();
    const auto fromSecond = [&](const QByteArray& target, const QString& from = kCopyB) {
        return test::HttpRequest(QStringLiteral("127.31.0.4"), second.Port(), target, from);
    };

    ASSERT_EQ(rig.Get(QByteArrayLiteral("/connectHB.php"), kCopyA).status, 200);
    EXPECT_EQ(test::ReadPageLinks(fromSecond("/listeHBL.php").Text()).targets,
              (std::vector<std::string>{"http://127.31.2.2/"}));

    ASSERT_EQ(fromSecond(test::DirectoryRig::RcvTarget(
                             {{"127.31.1.32", "4661"}, {"127.31.1.33", "4661"}, {"127.31.1.34", "4661"}}))
                  .status,
              200);
    EXPECT_TRUE(test::WaitFor([&] { return rig.ListedTargets().size() == 3; }, 10000));
    // Each asked once for each of the two answers it takes to be listed, by one instance or other.
    for (const char* address : {"127.31.1.32", "127.31.1.33", "127.31.1.34"}) {
        EXPECT_EQ(lab.Requests(QString::fromLatin1(address)).description, 2) << address;
    }
    second.Stop();
}

TEST_F(PostgresTest, ADatabaseServerThatRestartsIsReconnectedTo) {
    DirectorySettings settings = Settings();
    settings.probesPerSecond = 0;
    settings.pageCacheMs = 0;
    ASSERT_TRUE(rig.Start(settings)) << rig.error.toStdString();
    ASSERT_EQ(rig.Get(QByteArrayLiteral("/connectHB.php"), kCopyA).status, 200);

    s_server->Stop();
    EXPECT_EQ(rig.Get(QByteArrayLiteral("/connectHB.php"), kCopyB).status, 500)
        << "a failure is never a success";
    EXPECT_EQ(rig.Get(QByteArrayLiteral("/listeHBL.php")).status, 500);
    ASSERT_FALSE(rig.log.isEmpty());
    EXPECT_TRUE(rig.log.last().contains(QStringLiteral(" 500 "))) << rig.log.last().toStdString();
    EXPECT_TRUE(rig.log.last().contains(QStringLiteral("(database: "))) << "the log says why";
    QString error;
    ASSERT_TRUE(s_server->Launch(&error)) << error.toStdString();

    EXPECT_TRUE(test::WaitFor(
        [&] { return rig.Get(QByteArrayLiteral("/connectHB.php"), kCopyB).status == 200; }, 15000));
    EXPECT_EQ(rig.Page(QByteArrayLiteral("/listeHBL.php")).targets.size(), 2u);
}

}  // namespace
}  // namespace hublane::directory
