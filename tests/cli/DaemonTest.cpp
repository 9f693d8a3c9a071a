// hublanectl daemon as a real process beside lab servers: cycles one after the other on its own,
// the peer server answering between them, and a clean end on SIGTERM, even in the middle of a cycle.
#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QNetworkDatagram>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUdpSocket>

#include "lab/Lab.h"
#include "probe/Ed2kMessages.h"
#include "support/CliRun.h"
#include "support/TestSupport.h"

namespace hublane::cli {
namespace {

// The copy lives on 127.0.9.2; its web directory is a dead loopback port.
constexpr const char* kCopyAddress = "127.0.9.2";

class DaemonTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(m_root.isValid());
        QString error;
        ASSERT_TRUE(m_lab.StartServers(QStringLiteral("127.0.9.20 4661 answer name=\"D20\"\n"
                                                      "127.0.9.21 4661 silent\n"),
                                       &error))
            << error.toStdString();
        const QString rows = QStringLiteral("127.0.9.20\t4661\n127.0.9.21\t4661\n");
        ASSERT_EQ(test::Hublanectl({QStringLiteral("servermet"), QStringLiteral("write"), ServerMet()}, &rows)
                      .status,
                  0);
    }
    QString ServerMet() const { return m_root.filePath(QStringLiteral("server.met")); }

    // speed 720: the 120 minutes between cycles last ten seconds.
    void Start(QProcess& p, int speed) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_root.filePath(QStringLiteral("config")));
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(m_root.path());
        p.start(QStringLiteral(HUBLANECTL_PROGRAM),
                {QStringLiteral("daemon"), QStringLiteral("--donkey-dir"), m_root.path(),
                 QStringLiteral("--peer-address"), QString::fromLatin1(kCopyAddress), QStringLiteral("--web"),
                 QStringLiteral("http://127.0.9.250:9/"), QStringLiteral("--no-handoff"),
                 QStringLiteral("--speed"), QString::number(speed), QStringLiteral("--timeout"),
                 QStringLiteral("1")});
        ASSERT_TRUE(p.waitForStarted(10000));
    }
    // Waits (bounded) until standard output holds count lines containing text.
    static bool WaitForLines(QProcess& p, QString& out, const QString& text, int count, int ms) {
        return test::WaitFor(
            [&] {
                out += QString::fromUtf8(p.readAllStandardOutput());
                return out.count(text) >= count;
            },
            ms);
    }
    static bool Stop(QProcess& p) {
        p.terminate();
        if (!p.waitForFinished(10000)) {
            p.kill();
            p.waitForFinished(5000);
            return false;
        }
        return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    }

    QTemporaryDir m_root;
    lab::Lab m_lab;
};

TEST_F(DaemonTest, RunsCyclesOneAfterTheOtherAndAnswersPeersBetweenThem) {
    QProcess daemon;
    Start(daemon, 720);
    QString out;
    ASSERT_TRUE(WaitForLines(daemon, out, QStringLiteral("Cycle terminé"), 1, 60000)) << out.toStdString();
    // Each line carries the date and time before the caption.
    EXPECT_TRUE(QRegularExpression(
                    QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d Lecture du Server.met$"),
                    QRegularExpression::MultilineOption)
                    .match(out)
                    .hasMatch())
        << out.toStdString();

    // Between cycles the peer server still answers a ping (at the peer port of the sender).
    QUdpSocket asker;
    ASSERT_TRUE(asker.bind(QHostAddress(QStringLiteral("127.0.9.3")), 3077));
    const std::string ping = probe::PeerRequest(probe::PeerKind::Ping);
    asker.writeDatagram(ping.data(), static_cast<qint64>(ping.size()),
                        QHostAddress(QString::fromLatin1(kCopyAddress)), 3077);
    ASSERT_TRUE(test::WaitFor([&] { return asker.hasPendingDatagrams(); }, 10000));
    EXPECT_EQ(static_cast<std::uint8_t>(asker.receiveDatagram().data().at(0)),
              static_cast<std::uint8_t>(probe::PeerKind::Pong));

    ASSERT_TRUE(WaitForLines(daemon, out, QStringLiteral("Cycle terminé"), 2, 60000)) << out.toStdString();
    EXPECT_TRUE(Stop(daemon));
    // The silent server is gone from the file the cycles wrote; the answering one stays, named.
    const auto rows = test::Hublanectl({QStringLiteral("servermet"), QStringLiteral("read"), ServerMet()});
    EXPECT_TRUE(rows.out.startsWith(QStringLiteral("127.0.9.20\t4661\t"))) << rows.out.toStdString();
    EXPECT_FALSE(rows.out.contains(QStringLiteral("127.0.9.21"))) << rows.out.toStdString();
}

TEST_F(DaemonTest, SigtermInTheMiddleOfACycleEndsItWithoutWritingTheFile) {
    QFile file(ServerMet());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();
    QProcess daemon;
    // Real speed: the cycle's fixed waits hold it in its probing steps long enough to stop it there.
    Start(daemon, 1);
    QString out;
    ASSERT_TRUE(WaitForLines(daemon, out, QStringLiteral("Lancement du Serveur Hublane"), 1, 30000))
        << out.toStdString();
    EXPECT_TRUE(Stop(daemon));
    out += QString::fromUtf8(daemon.readAllStandardOutput());
    EXPECT_TRUE(out.contains(QStringLiteral("Arrêt demandé"))) << out.toStdString();
    EXPECT_FALSE(out.contains(QStringLiteral("Cycle terminé"))) << out.toStdString();
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before);
}

}  // namespace
}  // namespace hublane::cli
