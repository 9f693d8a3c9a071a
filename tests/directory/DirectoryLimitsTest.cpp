// The directory on loopback against bad and abundant input: malformed rcv.php requests refused
// with nothing stored, addresses it may not list, per-address limits, caps on what it stores,
// the blocked-address hook, and the answers to other pages, methods and sizes.
#include <gtest/gtest.h>
#include <algorithm>
#include <cctype>

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTcpSocket>
#include <memory>

#include "DirectoryRig.h"
#include "support/TestSupport.h"

namespace hublane::directory {
namespace {

using test::kCopyA;
using test::kCopyB;

// An rcv.php entry for address and port, the client's way.
std::string Entry(const char* address, const char* port) {
    return exchange::RcvEntry(address, port).value_or("?");
}

class DirectoryLimitsTest : public ::testing::Test {
  protected:
    /// Settings without probing: these tests look at what is stored, and nothing is sent anywhere.
    DirectorySettings Quiet() {
        DirectorySettings settings = rig.Settings();
        settings.probesPerSecond = 0;
        return settings;
    }
    test::DirectoryRig rig;
};

TEST_F(DirectoryLimitsTest, MalformedRcvRequestsAreRefusedAndStoreNothing) {
    ASSERT_TRUE(rig.Start(Quiet())) << rig.error.toStdString();
    const std::string a = Entry("127.31.1.40", "4661");
    const std::string b = Entry("127.31.1.41", "4661");
    std::string fiftyOne = a;
    for (int i = 1; i < 51; ++i) {
        fiftyOne += "-" + Entry(("127.31.4." + std::to_string(i)).c_str(), "4661");
    }
    struct Case {
        const char* what;
        std::string query;
    };
    for (const Case& c : {
             Case{"nbips above the count", "nbips=3&ips=" + a + "-" + b},
             Case{"nbips below the count", "nbips=1&ips=" + a + "-" + b},
             Case{"nbips 0", "nbips=0&ips="},
             Case{"nbips 0 with an entry", "nbips=0&ips=" + a},
             Case{"51 entries", "nbips=51&ips=" + fiftyOne},
             Case{"nbips not a number", "nbips=two&ips=" + a + "-" + b},
             Case{"bad hex", "nbips=1&ips=7F00032X1235"},
             Case{"9 digits", "nbips=1&ips=2803007F1"},
             Case{"13 digits", "nbips=1&ips=2803007F12351"},
             Case{"two dashes", "nbips=2&ips=" + a + "--" + b},
             Case{"leading dash", "nbips=1&ips=-" + a},
             Case{"trailing dash", "nbips=1&ips=" + a + "-"},
             Case{"no nbips", "ips=" + a},
             Case{"no ips", "nbips=1"},
             Case{"no query", ""},
             Case{"nbips twice", "nbips=1&nbips=1&ips=" + a},
             Case{"another field", "nbips=1&ips=" + a + "&more=1"},
             Case{"broken escape", "nbips=1&ips=" + a + "%Z"},
             Case{"space inside", "nbips=1&ips=%20" + a},
         }) {
        const std::string target = c.query.empty() ? "/rcv.php" : "/rcv.php?" + c.query;
        const test::HttpResult result = rig.Get(QByteArray::fromStdString(target));
        EXPECT_EQ(result.status, 400) << c.what << ": " << result.Text();
        EXPECT_EQ(rig.Store().CountServers(), 0) << c.what;
    }

    // Lower-case digits are taken, and give the same server.
    std::string lower = a;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char ch) { return std::tolower(ch); });
    ASSERT_NE(lower, a);
    EXPECT_EQ(rig.Get(QByteArray::fromStdString("/rcv.php?nbips=1&ips=" + lower)).status, 200);
    const auto stored = rig.Store().Server("127.31.1.40");
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->port, 4661);
    EXPECT_EQ(stored->state, ServerState::Candidate);
    EXPECT_EQ(rig.Store().CountServers(), 1);
}

TEST_F(DirectoryLimitsTest, ValidRequestsKeepOnlyServersThatCanBeAsked) {
    ASSERT_TRUE(rig.Start(Quiet())) << rig.error.toStdString();
    const std::string entries = Entry("0.0.0.0", "4661") + "-" + Entry("224.0.0.1", "4661") + "-" +
                                Entry("255.255.255.255", "4661") + "-" + Entry("127.31.1.42", "0") + "-" +
                                Entry("127.31.1.43", "65532") + "-" + Entry("127.31.1.44", "65531");
    const test::HttpResult result = rig.Get(QByteArray::fromStdString("/rcv.php?nbips=6&ips=" + entries));
    EXPECT_EQ(result.status, 200) << result.Text();
    EXPECT_EQ(rig.Store().CountServers(), 1);
    EXPECT_TRUE(rig.Store().Server("127.31.1.44"));
}

TEST_F(DirectoryLimitsTest, WithoutAllowPrivateNoPrivateAddressIsRecordedOrListed) {
    DirectorySettings settings = Quiet();
    settings.allowPrivate = false;
    ASSERT_TRUE(rig.Start(settings)) << rig.error.toStdString();
    EXPECT_EQ(rig.Get(QByteArrayLiteral("/connectHB.php"), kCopyA).status, 403);
    EXPECT_EQ(rig.Store().CountCopies(), 0);
    EXPECT_TRUE(rig.Page(QByteArrayLiteral("/listeHBL.php")).targets.empty());

    const QByteArray target = test::DirectoryRig::RcvTarget({{"10.0.0.5", "4661"},
                                                             {"192.168.1.10", "4661"},
                                                             {"127.31.1.45", "4661"},
                                                             {"169.254.0.10", "4661"},
                                                             {"100.64.0.10", "4661"},
                                                             {"80.1.2.3", "4661"}});
    EXPECT_EQ(rig.Get(target).status, 200);
    EXPECT_EQ(rig.Store().CountServers(), 1);
    const auto kept = rig.Store().Server("80.1.2.3");
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->reporter, kCopyA.toStdString());

    // A private server put straight into the store is still not shown.
    StoredServer server;
    server.address = "192.168.1.20";
    server.port = 4661;
    server.state = ServerState::Listed;
    server.nextCheckMs = rig.running->NowMs() + 3600000;
    ASSERT_TRUE(rig.Store().PutServer(server));
    EXPECT_TRUE(rig.ListedTargets().empty());
}

TEST_F(DirectoryLimitsTest, RequestsBeyondThePerAddressLimitsAnswer429) {
    DirectorySettings settings = Quiet();
    settings.writeLimitPerMinute = 3;
    settings.readLimitPerMinute = 4;
    ASSERT_TRUE(rig.Start(settings)) << rig.error.toStdString();
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(rig.Get(QByteArrayLiteral("/connectHB.php"), kCopyA).status, 200) << i;
    }
    const test::HttpResult refused = rig.Get(QByteArrayLiteral("/connectHB.php"), kCopyA);
    EXPECT_EQ(refused.status, 429);
    EXPECT_EQ(refused.Header("Retry-After"), "60");
    EXPECT_EQ(rig.Get(QByteArrayLiteral("/connectHB.php"), kCopyB).status, 200) << "each address has its own";

    for (int i = 0; i < 3; ++i) {
        const std::string address = "127.31.1." + std::to_string(50 + i);
        EXPECT_EQ(rig.Get(test::DirectoryRig::RcvTarget({{address, "4661"}}), kCopyA).status, 200) << i;
    }
    EXPECT_EQ(rig.Get(test::DirectoryRig::RcvTarget({{"127.31.1.53", "4661"}}), kCopyA).status, 429);
    EXPECT_FALSE(rig.Store().Server("127.31.1.53")) << "a refused request stores nothing";
    EXPECT_EQ(rig.Store().CountServers(), 3);

    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(
            rig.Get(i % 2 == 0 ? QByteArrayLiteral("/liste.php") : QByteArrayLiteral("/listeHBL.php")).status,
            200);
    }
    EXPECT_EQ(rig.Get(QByteArrayLiteral("/versionHBL.txt")).status, 429);

    rig.offsetMs += 60000;
    EXPECT_EQ(rig.Get(QByteArrayLiteral("/connectHB.php"), kCopyA).status, 200);
    EXPECT_EQ(rig.Get(test::DirectoryRig::RcvTarget({{"127.31.1.53", "4661"}}), kCopyA).status, 200);
    EXPECT_EQ(rig.Get(QByteArrayLiteral("/liste.php")).status, 200);
}

TEST_F(DirectoryLimitsTest, StoredServersAndCopiesStayWithinTheirCaps) {
    DirectorySettings settings = Quiet();
    settings.maxStoredServers = 4;
    settings.maxPendingPerReporter = 3;
    settings.maxStoredCopies = 2;
    ASSERT_TRUE(rig.Start(settings)) << rig.error.toStdString();

    const test::HttpResult first = rig.Get(test::DirectoryRig::RcvTarget({{"127.31.3.1", "4661"},
                                                                          {"127.31.3.2", "4661"},
                                                                          {"127.31.3.3", "4661"},
                                                                          {"127.31.3.4", "4661"},
                                                                          {"127.31.3.5", "4661"}}));
    EXPECT_EQ(first.status, 200);
    EXPECT_NE(first.Text().find("nouveaux 3"), std::string::npos) << first.Text();
    EXPECT_EQ(rig.Store().CountServers(), 3) << "one reporter's unverified candidates are capped";
    EXPECT_EQ(rig.Get(test::DirectoryRig::RcvTarget({{"127.31.3.6", "4661"}, {"127.31.3.7", "4661"}}), kCopyB)
                  .status,
              200);
    EXPECT_EQ(rig.Store().CountServers(), 4) << "and so are all stored servers";
    EXPECT_FALSE(rig.Store().Server("127.31.3.7"));

    EXPECT_EQ(rig.Get(QByteArrayLiteral("/connectHB.php"), kCopyA).status, 200);
    rig.offsetMs += 1000;
    EXPECT_EQ(rig.Get(QByteArrayLiteral("/connectHB.php"), kCopyB).status, 200);
    rig.offsetMs += 1000;
    EXPECT_EQ(rig.Get(QByteArrayLiteral("/connectHB.php"), kCopyB).status, 200) << "a known copy is renewed";
    EXPECT_EQ(rig.Store().CountCopies(), 2);
    // A full table keeps no new copy out: the one seen longest ago makes room.
    rig.offsetMs += 1000;
    EXPECT_EQ(rig.Get(QByteArrayLiteral("/connectHB.php"), QStringLiteral("127.31.2.4")).status, 200);
    EXPECT_EQ(rig.Store().CountCopies(), 2);
    const auto copies = rig.Store().RecentCopies(0, 10);
    ASSERT_TRUE(copies.has_value());
    EXPECT_EQ(*copies, (std::vector<std::string>{"127.31.2.4", kCopyB.toStdString()}));
}

TEST_F(DirectoryLimitsTest, SilentCandidatesAndOneNetworkCannotKeepANewReporterOut) {
    DirectorySettings settings = Quiet();
    ASSERT_TRUE(rig.Start(settings)) << rig.error.toStdString();
    DirectoryStore& store = rig.Store();
    const DirectoryStore::StoreCaps caps{400, 11, 40};
    const auto report = [&](const std::string& reporter, int first, int count) {
        std::vector<exchange::LinkedServer> servers;
        for (int i = first; i < first + count; ++i)
            servers.push_back(
                {"127.40." + std::to_string(i / 250) + "." + std::to_string(i % 250 + 1), "4661"});
        return store.AddCandidates(servers, reporter, 1000, caps);
    };
    // Forty reporters, ten networks of four, fill the store with addresses that never answer.
    int next = 0;
    for (int r = 0; r < 40; ++r) {
        const auto result =
            report("127.32." + std::to_string(r / 4) + "." + std::to_string(r % 4 + 1), next, 11);
        next += 11;
        EXPECT_EQ(result.added + result.overCap, 11);
    }
    EXPECT_EQ(store.CountServers(), 400);
    EXPECT_EQ(report("127.33.0.1", next, 5).overCap, 5) << "the store is full";
    // The verifier drops them: dropped servers no longer count, and new reporters are stored.
    for (const auto& due : store.DueServers(2000, 1000))
        ASSERT_TRUE(
            store.SaveCheck(due.address, CheckStep{ServerState::Dropped, 2, 5000, false}, "", "", 2000));
    // (the count of stored servers is taken again every few seconds)
    DirectoryStore fresh(QStringLiteral("limits-fresh"));
    ASSERT_TRUE(fresh.Open(rig.running->Settings().database));
    const auto after = [&](const std::string& reporter, int first, int count) {
        std::vector<exchange::LinkedServer> servers;
        for (int i = first; i < first + count; ++i)
            servers.push_back(
                {"127.41." + std::to_string(i / 250) + "." + std::to_string(i % 250 + 1), "4661"});
        return fresh.AddCandidates(servers, reporter, 3000, caps);
    };
    EXPECT_EQ(after("127.33.0.1", 0, 5).added, 5);
    // One network holds at most its share, however many addresses it reports from.
    int added = 0;
    for (int r = 0; r < 10; ++r)
        added += after("127.34.0." + std::to_string(r + 1), 100 + r * 10, 10).added;
    EXPECT_EQ(added, 40);
    EXPECT_EQ(after("127.34.1.1", 300, 5).added, 5) << "the next network has its own share";

    // Copies the same way: one network holds its share, the others keep their places.
    for (int i = 1; i <= 5; ++i)
        ASSERT_EQ(fresh.RecordCopy("127.35.0." + std::to_string(i), 1000 + i, 0, 4, 2),
                  DirectoryStore::CopyResult::Recorded);
    ASSERT_EQ(fresh.RecordCopy("127.35.1.1", 1010, 0, 4, 2), DirectoryStore::CopyResult::Recorded);
    const auto copies = fresh.RecentCopies(0, 10);
    ASSERT_TRUE(copies.has_value());
    EXPECT_EQ(*copies, (std::vector<std::string>{"127.35.1.1", "127.35.0.5", "127.35.0.4"}));
}

TEST_F(DirectoryLimitsTest, TheBlockedTestKeepsServersAndCopiesOut) {
    DirectorySettings settings = Quiet();
    settings.blocked = [](std::string_view address) {
        return address == "127.31.2.9" || address == "127.31.1.60";
    };
    ASSERT_TRUE(rig.Start(settings)) << rig.error.toStdString();
    EXPECT_EQ(rig.Get(QByteArrayLiteral("/connectHB.php"), QStringLiteral("127.31.2.9")).status, 403);
    EXPECT_EQ(rig.Get(test::DirectoryRig::RcvTarget({{"127.31.1.61", "4661"}}), QStringLiteral("127.31.2.9"))
                  .status,
              403);
    EXPECT_EQ(
        rig.Get(test::DirectoryRig::RcvTarget({{"127.31.1.60", "4661"}, {"127.31.1.61", "4661"}})).status,
        200);
    EXPECT_FALSE(rig.Store().Server("127.31.1.60"));
    EXPECT_TRUE(rig.Store().Server("127.31.1.61"));

    for (const char* address : {"127.31.1.60", "127.31.1.62"}) {
        StoredServer server;
        server.address = address;
        server.port = 4661;
        server.state = ServerState::Listed;
        server.nextCheckMs = rig.running->NowMs() + 3600000;
        ASSERT_TRUE(rig.Store().PutServer(server));
    }
    EXPECT_EQ(rig.ListedTargets(), (std::vector<std::string>{"ed2k://|server|127.31.1.62|4661|/"}));
}

TEST_F(DirectoryLimitsTest, OtherPagesMethodsAndSizesGetTheirOwnAnswersAndEachRequestOneLogLine) {
    DirectorySettings settings = Quiet();
    settings.versionText = "0.2.1.0-test";
    ASSERT_TRUE(rig.Start(settings)) << rig.error.toStdString();
    const test::HttpResult version = rig.Get(QByteArrayLiteral("/versionHBL.txt"));
    EXPECT_EQ(version.status, 200);
    EXPECT_EQ(version.body, "0.2.1.0-test");
    EXPECT_EQ(rig.Get(QByteArrayLiteral("/nope.php")).status, 404);
    EXPECT_EQ(rig.Get(QByteArrayLiteral("/")).status, 404);
    EXPECT_EQ(rig.Get(QByteArrayLiteral("/hublane/liste.php")).status, 200) << "served under a prefix too";
    const test::HttpResult post =
        test::HttpRequest(test::kDirectoryHost, rig.running->Port(), "/connectHB.php", kCopyA, "POST");
    EXPECT_EQ(post.status, 405);
    EXPECT_EQ(post.Header("Allow"), "GET");
    EXPECT_EQ(rig.Store().CountCopies(), 0);
    const QByteArray tooLong = "/rcv.php?nbips=1&ips=" + QByteArray(3000, 'A');
    EXPECT_EQ(rig.Get(tooLong).status, 414);
    EXPECT_EQ(rig.Get(QByteArrayLiteral("/liste.php")).Header("Content-Type"), "text/html; charset=utf-8");

    ASSERT_EQ(rig.log.size(), 7) << rig.log.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(rig.log[0].contains(QStringLiteral(" 127.31.2.2 GET /versionHBL.txt 200 12")))
        << rig.log[0].toStdString();
    EXPECT_TRUE(rig.log[1].contains(QStringLiteral(" GET /nope.php 404 "))) << rig.log[1].toStdString();
    EXPECT_TRUE(rig.log[4].contains(QStringLiteral(" POST /connectHB.php 405 "))) << rig.log[4].toStdString();
    EXPECT_TRUE(rig.log[5].contains(QStringLiteral("AAA... 414 ")))
        << "long targets are cut: " << rig.log[5].toStdString();
    EXPECT_LT(rig.log[5].size(), 300);
}

TEST_F(DirectoryLimitsTest, ADatabaseOfTheFirstLayoutGetsTheNewColumnsAndKeepsItsRows) {
    const DirectorySettings settings = Quiet();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("layout1"));
        db.setDatabaseName(QString::fromStdString(settings.database.file));
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        for (const char* statement : {
                 "CREATE TABLE hublane_meta (key TEXT PRIMARY KEY, value TEXT NOT NULL)",
                 "CREATE TABLE hublane_servers (address TEXT PRIMARY KEY, port INTEGER NOT NULL, state "
                 "INTEGER "
                 "NOT NULL, misses INTEGER NOT NULL DEFAULT 0, name BLOB, reported_by TEXT NOT NULL, "
                 "reported_at "
                 "BIGINT NOT NULL, verified_at BIGINT NOT NULL DEFAULT 0, next_check BIGINT NOT NULL)",
                 "CREATE TABLE hublane_copies (address TEXT PRIMARY KEY, seen_at BIGINT NOT NULL)",
                 "INSERT INTO hublane_meta VALUES ('schema', '1')",
                 "INSERT INTO hublane_servers VALUES ('127.31.9.1', 4661, 1, 0, 'kept', '127.31.2.2', 1, 1, "
                 "1)",
                 "INSERT INTO hublane_copies VALUES ('127.31.9.2', 5)",
             })
            ASSERT_TRUE(q.exec(QString::fromLatin1(statement))) << q.lastError().text().toStdString();
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("layout1"));
    ASSERT_TRUE(rig.Start(settings)) << rig.error.toStdString();
    ASSERT_TRUE(rig.Store().Server("127.31.9.1").has_value());
    EXPECT_EQ(rig.Store().Server("127.31.9.1")->name, "kept");
    // The description column came too: the listed server has none until its next check.
    const auto listed = rig.Store().ListedServers(10);
    ASSERT_TRUE(listed.has_value()) << rig.Store().LastError().toStdString();
    EXPECT_EQ(*listed, (std::vector<ListedServer>{{"127.31.9.1", 4661, "kept", ""}}));
    ASSERT_TRUE(rig.Store().SaveCheck("127.31.9.1", CheckStep{ServerState::Listed, 0, 5000, true}, "kept",
                                      "décrit", 20));
    EXPECT_EQ(rig.Store().ListedServers(10)->front().description, "décrit");
    EXPECT_EQ(rig.Store().AddCandidates({{"127.31.9.3", "4661"}}, "127.31.2.2", 10, {10, 10, 10}).added, 1);
    EXPECT_EQ(rig.Store().RecordCopy("127.31.9.4", 10, 0, 10, 10), DirectoryStore::CopyResult::Recorded);
    const auto copies = rig.Store().RecentCopies(0, 10);
    ASSERT_TRUE(copies.has_value());
    EXPECT_NE(std::find(copies->begin(), copies->end(), "127.31.9.4"), copies->end());
    rig.Stop();
    ASSERT_TRUE(rig.Start(settings)) << rig.error.toStdString() << " (opened a second time)";
}

// A connection of a client that speaks bytes, not requests, from a chosen loopback address.
struct RawConnection {
    RawConnection(const QString& from, quint16 port) {
        EXPECT_TRUE(socket.bind(QHostAddress(from), 0));
        socket.connectToHost(test::kDirectoryHost, port);
        // Connected, or already closed again by the directory.
        EXPECT_TRUE(test::WaitFor(
            [&] {
                return socket.state() == QAbstractSocket::ConnectedState ||
                       socket.state() == QAbstractSocket::UnconnectedState;
            },
            5000));
    }
    void Send(const QByteArray& bytes) { socket.write(bytes); }
    // Waits (bounded) until the directory has closed the connection; what it wrote meanwhile.
    bool Closed(int ms = 5000) {
        return test::WaitFor(
            [&] {
                reply += socket.readAll();
                return socket.state() == QAbstractSocket::UnconnectedState;
            },
            ms);
    }
    bool Answered(int ms = 5000) {
        return test::WaitFor(
            [&] {
                reply += socket.readAll();
                return reply.contains("\r\n\r\n");
            },
            ms);
    }
    QTcpSocket socket;
    QByteArray reply;
};

TEST_F(DirectoryLimitsTest, HeadsAreJudgedBeforeTheHttpLayerAndOneAnswerGoesToEachRequest) {
    DirectorySettings settings = Quiet();
    settings.requestHeadMs = 500;  // the idle time stays 30 s: closing earlier is the head's deadline
    ASSERT_TRUE(rig.Start(settings)) << rig.error.toStdString();
    const quint16 port = rig.running->Port();
    struct Case {
        const char* what;
        QByteArray bytes;
        const char* status;
    };
    for (const Case& c : {
             Case{"malformed request line", "HELLO\r\n\r\n", "HTTP/1.1 400 "},
             Case{"a head past 16 KB", "GET /liste.php HTTP/1.1\r\nX: " + QByteArray(20000, 'a'),
                  "HTTP/1.1 431 "},
             Case{"WebSocket upgrade",
                  "GET /liste.php HTTP/1.1\r\nHost: x\r\nConnection: Upgrade\r\nUpgrade: websocket\r\n"
                  "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n\r\n",
                  "HTTP/1.1 400 "},
             Case{"HTTP/1.0", "GET /versionHBL.txt HTTP/1.0\r\n\r\n", "HTTP/1.1 200 "},
             Case{"Connection: close", "GET /versionHBL.txt HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n",
                  "HTTP/1.1 200 "},
             Case{"a head that never ends", "GET /versionHBL.txt HTTP/1.1\r\nHost: x\r\n", ""},
         }) {
        SCOPED_TRACE(c.what);
        RawConnection raw(kCopyA, port);
        raw.Send(c.bytes);
        ASSERT_TRUE(raw.Closed()) << "the directory closes the connection";
        EXPECT_TRUE(raw.reply.startsWith(c.status)) << raw.reply.left(200).toStdString();
        EXPECT_EQ(raw.reply.count("HTTP/1."), *c.status != '\0' ? 1 : 0) << "one answer at most";
    }
}

TEST_F(DirectoryLimitsTest, OneClientHoldsSixteenConnectionsAndAFullServerDropsTheLeastAdvancedOne) {
    DirectorySettings settings = Quiet();
    settings.maxConnections = 20;
    ASSERT_TRUE(rig.Start(settings)) << rig.error.toStdString();
    const quint16 port = rig.running->Port();
    std::vector<std::unique_ptr<RawConnection>> mine;
    for (int i = 0; i < 16; ++i)
        mine.push_back(std::make_unique<RawConnection>(QStringLiteral("127.31.6.1"), port));
    EXPECT_TRUE(test::WaitFor([&] { return rig.running->OpenConnections() == 16; }, 5000));
    RawConnection extra(QStringLiteral("127.31.6.1"), port);
    EXPECT_TRUE(extra.Closed()) << "a seventeenth connection of one address is closed";
    for (const auto& c : mine)
        EXPECT_EQ(c->socket.state(), QAbstractSocket::ConnectedState);
    // Four more from other addresses, each part-way through a head, fill the server.
    std::vector<std::unique_ptr<RawConnection>> slow;
    for (int i = 0; i < 4; ++i) {
        slow.push_back(std::make_unique<RawConnection>(QStringLiteral("127.31.7.%1").arg(i + 1), port));
        slow.back()->Send("GET /liste.php HTTP/1.1\r\nHost: x\r\n");
    }
    EXPECT_TRUE(test::WaitFor([&] { return rig.running->OpenConnections() == 20; }, 5000));
    // A new client is served: the oldest of the idle connections (none of its head sent) made
    // room, whether or not the server has read the slow ones' bytes yet.
    EXPECT_EQ(rig.Get(QByteArrayLiteral("/versionHBL.txt"), kCopyB).status, 200);
    EXPECT_TRUE(test::WaitFor(
        [&] { return mine.front()->socket.state() == QAbstractSocket::UnconnectedState; }, 5000));
    for (std::size_t i = 1; i < mine.size(); ++i)
        EXPECT_EQ(mine[i]->socket.state(), QAbstractSocket::ConnectedState) << i;
    for (const auto& c : slow)
        EXPECT_EQ(c->socket.state(), QAbstractSocket::ConnectedState);
}

}  // namespace
}  // namespace hublane::directory
