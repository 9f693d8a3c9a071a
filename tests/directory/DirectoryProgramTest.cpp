// hublane-directory as a program: its command line, and a real process that serves, logs each
// request, and ends cleanly on SIGTERM with its data in the file.
#include "directory/DirectoryCommandLine.h"

#include <gtest/gtest.h>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>

#include "HttpClient.h"
#include "directory/DirectoryStore.h"
#include "support/TestSupport.h"

namespace hublane::directory {
namespace {

QStringList Args(std::initializer_list<const char*> args) {
    QStringList list;
    for (const char* a : args) {
        list << QString::fromUtf8(a);
    }
    return list;
}

TEST(DirectoryCommandLine, ReadsEveryOption) {
    const auto read = ReadDirectoryCommandLine(Args(
        {"--listen", "127.0.0.1:8080", "--db", "dir.sqlite", "--peer-ttl", "0.5", "--version-text", "1.2.3.4",
         "--allow-private", "--recheck-hours", "2", "--probes-per-second", "3", "--limit-per-minute", "7"}));
    ASSERT_TRUE(std::holds_alternative<DirectorySettings>(read));
    const auto& s = std::get<DirectorySettings>(read);
    EXPECT_EQ(s.listen.host, "127.0.0.1");
    EXPECT_EQ(s.listen.port, 8080);
    EXPECT_EQ(s.database.kind, DatabaseLocation::Kind::Sqlite);
    EXPECT_EQ(s.database.file, "dir.sqlite");
    EXPECT_EQ(s.peerTtlMs, 1800000);
    EXPECT_EQ(s.versionText, "1.2.3.4");
    EXPECT_TRUE(s.allowPrivate);
    EXPECT_EQ(s.recheckMs, 7200000);
    EXPECT_EQ(s.probesPerSecond, 3);
    EXPECT_EQ(s.writeLimitPerMinute, 7u);

    const auto defaults = ReadDirectoryCommandLine(
        Args({"--listen", "[::1]:80", "--db", "postgresql://hublane@127.0.0.1:5432/hublane"}));
    ASSERT_TRUE(std::holds_alternative<DirectorySettings>(defaults));
    const auto& d = std::get<DirectorySettings>(defaults);
    EXPECT_EQ(d.database.kind, DatabaseLocation::Kind::Postgres);
    EXPECT_EQ(d.peerTtlMs, 6LL * 3600 * 1000);
    EXPECT_EQ(d.versionText, std::string(hublane::kVersion)) << "this build's own version";
    EXPECT_FALSE(d.allowPrivate);
    EXPECT_EQ(d.recheckMs, 4LL * 3600 * 1000);
    EXPECT_EQ(d.writeLimitPerMinute, 60u);
}

TEST(DirectoryCommandLine, HelpAndUsageErrorsEndAtOnce) {
    struct Case {
        QStringList args;
        int status;
    };
    for (const Case& c : {
             Case{Args({"--help"}), 0},
             Case{Args({"--listen", "1.2.3.4:5", "--help"}), 0},
             Case{Args({"--listen", "127.0.0.1:8080"}), 64},
             Case{Args({"--db", "x.sqlite"}), 64},
             Case{Args({"--listen", "127.0.0.1", "--db", "x"}), 64},
             Case{Args({"--listen", "127.0.0.1:8080", "--db", "postgresql://u@h:x/d"}), 64},
             Case{Args({"--listen", "127.0.0.1:8080", "--db", "x", "--peer-ttl", "0"}), 64},
             Case{Args({"--listen", "127.0.0.1:8080", "--db", "x", "--peer-ttl", "-1"}), 64},
             Case{Args({"--listen", "127.0.0.1:8080", "--db", "x", "--recheck-hours", "nan"}), 64},
             Case{Args({"--listen", "127.0.0.1:8080", "--db", "x", "--probes-per-second", "-1"}), 64},
             Case{Args({"--listen", "127.0.0.1:8080", "--db", "x", "--limit-per-minute", "1.5"}), 64},
             Case{Args({"--listen", "127.0.0.1:8080", "--db", "x", "--bogus"}), 64},
             Case{Args({"--listen", "127.0.0.1:8080", "--db", "x", "extra"}), 64},
             Case{Args({"--listen", "127.0.0.1:8080", "--listen", "127.0.0.1:8081", "--db", "x"}), 64},
         }) {
        const auto read = ReadDirectoryCommandLine(c.args);
        ASSERT_TRUE(std::holds_alternative<CommandLineExit>(read))
            << c.args.join(QLatin1Char(' ')).toStdString();
        const auto& exit = std::get<CommandLineExit>(read);
        EXPECT_EQ(exit.status, c.status) << c.args.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(exit.text.contains(QStringLiteral("usage: hublane-directory")));
    }
}

quint16 FreePort(const QString& host) {
    QTcpServer probe;
    return probe.listen(QHostAddress(host), 0) ? probe.serverPort() : 0;
}

TEST(DirectoryProgram, ServesLogsAndEndsCleanlyOnSigterm) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString host = QStringLiteral("127.31.0.2");
    const quint16 port = FreePort(host);
    ASSERT_NE(port, 0);
    const QString db = dir.filePath(QStringLiteral("program.sqlite"));
    QProcess program;
    program.start(
        QStringLiteral(HUBLANE_DIRECTORY_PROGRAM),
        {QStringLiteral("--listen"), QStringLiteral("%1:%2").arg(host).arg(port), QStringLiteral("--db"), db,
         QStringLiteral("--allow-private"), QStringLiteral("--probes-per-second"), QStringLiteral("0")});
    QByteArray errors;
    ASSERT_TRUE(test::WaitFor(
        [&] {
            errors += program.readAllStandardError();
            return errors.contains("listening on") || program.state() == QProcess::NotRunning;
        },
        10000))
        << errors.toStdString();
    ASSERT_EQ(program.state(), QProcess::Running) << errors.toStdString();

    const test::HttpResult version =
        test::HttpRequest(host, port, "/versionHBL.txt", QStringLiteral("127.31.2.6"));
    EXPECT_EQ(version.status, 200);
    EXPECT_EQ(version.body.toStdString(), std::string(hublane::kVersion));
    EXPECT_EQ(test::HttpRequest(host, port, "/connectHB.php", QStringLiteral("127.31.2.6")).status, 200);

    program.terminate();  // SIGTERM
    ASSERT_TRUE(test::WaitFor([&] { return program.state() == QProcess::NotRunning; }, 10000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
    errors += program.readAllStandardError();
    EXPECT_TRUE(errors.contains(" 127.31.2.6 GET /versionHBL.txt 200 " +
                                QByteArray::number(qsizetype(hublane::kVersion.size())) + "\n"))
        << errors.toStdString();
    EXPECT_TRUE(errors.contains(" 127.31.2.6 GET /connectHB.php 200 ")) << errors.toStdString();
    EXPECT_TRUE(errors.contains("stopped")) << errors.toStdString();

    // The database was closed whole: its journal was written back into the file.
    EXPECT_FALSE(QFile::exists(db + QStringLiteral("-wal")));
    DirectoryStore store(QStringLiteral("program-test"));
    DatabaseLocation location;
    location.file = db.toStdString();
    ASSERT_TRUE(store.Open(location));
    EXPECT_EQ(store.CountCopies(), 1);
}

TEST(DirectoryProgram, UsageErrorsAndUnusableDatabasesEndWithTheirStatus) {
    QProcess usage;
    usage.start(QStringLiteral(HUBLANE_DIRECTORY_PROGRAM), {QStringLiteral("--listen"), QStringLiteral("x")});
    ASSERT_TRUE(usage.waitForFinished(10000));
    EXPECT_EQ(usage.exitCode(), 64);
    EXPECT_TRUE(usage.readAllStandardError().contains("usage: hublane-directory"));

    QTemporaryDir dir;
    QProcess badDb;
    badDb.start(QStringLiteral(HUBLANE_DIRECTORY_PROGRAM),
                {QStringLiteral("--listen"), QStringLiteral("127.31.0.2:0"), QStringLiteral("--db"),
                 dir.filePath(QStringLiteral("missing/folder/dir.sqlite"))});
    ASSERT_TRUE(badDb.waitForFinished(10000));
    EXPECT_EQ(badDb.exitCode(), 1);
    EXPECT_TRUE(badDb.readAllStandardError().contains("cannot open the database")) << "names what failed";
}

}  // namespace
}  // namespace hublane::directory
