// Copies of the program on their own loopback addresses, each a real hublanectl process, with the
// lab's servers and a lab copy: they answer each other and exchange servers and peers as machines
// would, and no list file is ever written empty.
#include <gtest/gtest.h>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include "cli/Commands.h"
#include "lab/Lab.h"
#include "support/CliRun.h"
#include "support/TestSupport.h"

namespace hublane::cli {
namespace {

using test::Hublanectl;

// One copy: a folder with its server.met and serverHBL.met, and its address.
struct Copy {
    Copy(QTemporaryDir& root, const char* name, const char* ip) : address(QString::fromLatin1(ip)) {
        dir = root.filePath(QString::fromLatin1(name));
        QDir().mkpath(dir);
    }
    QString File(const char* name) const { return QDir(dir).filePath(QString::fromLatin1(name)); }
    void Write(const QString& serverRows, const QString& peerRows) const {
        ASSERT_EQ(Hublanectl({QStringLiteral("servermet"), QStringLiteral("write"), File("server.met")},
                             &serverRows)
                      .status,
                  0);
        ASSERT_EQ(
            Hublanectl({QStringLiteral("peers"), QStringLiteral("write"), File("serverHBL.met")}, &peerRows)
                .status,
            0);
    }
    QStringList Servers() const {
        QStringList out;
        for (const QString& line :
             Hublanectl({QStringLiteral("servermet"), QStringLiteral("read"), File("server.met")})
                 .out.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            out << line.section(QLatin1Char('\t'), 0, 0);
        return out;
    }
    QStringList Peers() const {
        return Hublanectl({QStringLiteral("peers"), QStringLiteral("read"), File("serverHBL.met")})
            .out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    // hublanectl as another process, in the copy's folder, with settings of its own.
    void Start(QProcess& p, const QStringList& args, const QString& config) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(dir);
        p.start(QStringLiteral(HUBLANECTL_PROGRAM), args);
        ASSERT_TRUE(p.waitForStarted(10000));
    }
    QStringList CycleArgs() const {
        // The fixed waits run twice as fast: the whole exchange stays on loopback.
        return {QStringLiteral("cycle"),
                QStringLiteral("--donkey-dir"),
                dir,
                QStringLiteral("--peer-address"),
                address,
                QStringLiteral("--no-handoff"),
                QStringLiteral("--speed"),
                QStringLiteral("2"),
                QStringLiteral("--timeout"),
                QStringLiteral("1")};
    }

    QString dir;
    QString address;
};

bool Finish(QProcess& p, int ms) {
    const bool done = p.waitForFinished(ms);
    if (!done) {
        p.kill();
        p.waitForFinished(5000);
    }
    return done && p.exitStatus() == QProcess::NormalExit;
}

TEST(CopiesTest, CopiesFindEachOthersServersAndPeersAndDropTheSilentOnes) {
    lab::Lab lab;
    QString error;
    ASSERT_TRUE(lab.StartServers(QStringLiteral(R"(
127.0.0.30 4661 answer name="S1"
127.0.0.31 4661 silent
127.0.0.32 4661 answer name="S3"
127.0.0.33 4661 answer name="S4"
127.0.0.42 peer silent
)"),
                                 &error))
        << error.toStdString();
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QString config = root.filePath(QStringLiteral("config"));
    Copy a(root, "a", "127.0.0.2");
    Copy b(root, "b", "127.0.0.3");
    Copy c(root, "c", "127.0.0.9");
    a.Write(QStringLiteral("127.0.0.30\t4661\n127.0.0.31\t4661\n"),
            QStringLiteral("127.0.0.3\n127.0.0.42\n"));
    b.Write(QStringLiteral("127.0.0.32\t4661\n"), QStringLiteral("127.0.0.2\n"));
    c.Write(QStringLiteral("127.0.0.33\t4661\n"), QStringLiteral("127.0.0.2\n"));

    // A copy that serves its files while another runs its cycle, as a copy left running does.
    const auto serve = [&config](const Copy& copy, QProcess& process) {
        copy.Start(process,
                   {QStringLiteral("peer"), QStringLiteral("serve"), QStringLiteral("--peer-address"),
                    copy.address, QStringLiteral("--server-met"), copy.File("server.met"),
                    QStringLiteral("--peers"), copy.File("serverHBL.met"), QStringLiteral("--write")},
                   config);
        ASSERT_TRUE(process.waitForReadyRead(10000));  // "listening on ..."
    };
    const auto stop = [](QProcess& process) {
        process.terminate();  // SIGTERM: the peer server writes its tables and ends
        EXPECT_TRUE(Finish(process, 10000));
        EXPECT_EQ(process.exitCode(), 0);
    };
    const auto cycle = [&config](const Copy& copy) {
        QProcess process;
        copy.Start(process, copy.CycleArgs(), config);
        EXPECT_TRUE(Finish(process, 90000));
        EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
        return QString::fromUtf8(process.readAllStandardOutput());
    };

    // Round one: A runs its cycle while B serves, then B while A serves. (Two cycles started
    // together only meet when each copy's server is up before the other's ping, which a loaded
    // machine does not promise.)
    QProcess serveB;
    serve(b, serveB);
    const QString outA = cycle(a);
    stop(serveB);
    EXPECT_TRUE(outA.startsWith(
        QStringLiteral("Lecture du Server.met\nLecture du ServerHBL.met\nLancement du Serveur Hublane\n")))
        << outA.toStdString();
    EXPECT_TRUE(outA.contains(QStringLiteral("\nCycle terminé : ")));
    QProcess serveA;
    serve(a, serveA);
    cycle(b);
    stop(serveA);
    // Both know every answering server and each other; the silent server and copy are gone.
    EXPECT_EQ(a.Servers(), (QStringList{QStringLiteral("127.0.0.30"), QStringLiteral("127.0.0.32")}));
    EXPECT_EQ(b.Servers(), (QStringList{QStringLiteral("127.0.0.30"), QStringLiteral("127.0.0.32")}));
    EXPECT_EQ(a.Peers(), QStringList{QStringLiteral("127.0.0.3")});
    EXPECT_EQ(b.Peers(), QStringList{QStringLiteral("127.0.0.2")});
    // The silent copy was asked and is in no list.
    EXPECT_GE(lab.Requests(QStringLiteral("127.0.0.42")).peer, 1);

    // Round two: C runs its cycle while A and B serve what they learned.
    serve(a, serveA);
    serve(b, serveB);
    cycle(c);
    stop(serveA);
    stop(serveB);
    EXPECT_EQ(c.Servers(), (QStringList{QStringLiteral("127.0.0.30"), QStringLiteral("127.0.0.32"),
                                        QStringLiteral("127.0.0.33")}));
    // C knew only A; A's peer list brought it B, which answered C's ping.
    EXPECT_EQ(c.Peers(), (QStringList{QStringLiteral("127.0.0.2"), QStringLiteral("127.0.0.3")}));
    // A learned C from its datagrams; no file was ever written empty.
    EXPECT_TRUE(a.Peers().contains(QStringLiteral("127.0.0.9")));
    for (const Copy* copy : {&a, &b, &c}) {
        EXPECT_GT(QFileInfo(copy->File("server.met")).size(), 5);
        EXPECT_GT(QFileInfo(copy->File("serverHBL.met")).size(), 5);
    }
}

}  // namespace
}  // namespace hublane::cli
