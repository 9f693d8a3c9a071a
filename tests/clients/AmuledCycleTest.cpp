// Whole cycles and the daemon against the real amuled, in a private network namespace with lab
// servers on the documentation ranges: the list aMule is left with (added, this cycle's silent
// ones removed, static and never-asked ones kept), a wrong password, a closed EC port and an
// amuled that stops part-way (each said, nothing lost), and two cycles of hublanectl daemon.
#include <gtest/gtest.h>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <functional>
#include <memory>

#include "AmuledRig.h"
#include "lab/Lab.h"
#include "support/TestSupport.h"

namespace hublane::clients {
namespace {

using test::ListMap;

// aMule's servers: 198.51.100.3 is static and silent, .2 silent, .4 answers and lists two servers
// aMule lacks; .1 is added once amuled runs, so it is in aMule's list but not in its server.met:
// the cycle never asks it.
constexpr const char* kLab =
    "198.51.100.2 4661 silent\n"
    "198.51.100.4 4661 answer name=\"Answered\" list=203.0.113.5:4242,203.0.113.7:4661\n"
    "203.0.113.5 4242 answer name=\"Five\"\n"
    "203.0.113.7 4661 answer name=\"Seven\"\n";

const ListMap kBefore = {{"198.51.100.1:4661", {"Never asked", false}},
                         {"198.51.100.2:4661", {"Silent", false}},
                         {"198.51.100.3:4661", {"Static silent", true}},
                         {"198.51.100.4:4661", {"Answered", false}}};

const ListMap kAfter = {{"198.51.100.1:4661", {"Never asked", false}},
                        {"198.51.100.3:4661", {"Static silent", true}},
                        {"198.51.100.4:4661", {"Answered", false}},
                        {"203.0.113.5:4242", {"Five", false}},
                        {"203.0.113.7:4661", {"Seven", false}}};

struct Outcome {
    int status = -1;
    QString out;
    QString err;
};

// Stands between the cycle and amuled's EC port, passing each request on; before passing on the
// request numbered cutAt (1: the login's first), it calls cut (which stops amuled).
class EcRelay {
  public:
    EcRelay(int cutAt, std::function<void()> cut) : m_cutAt(cutAt), m_cut(std::move(cut)) {
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] { Accept(); });
        EXPECT_TRUE(m_server.listen(QHostAddress(QStringLiteral("127.0.0.1")), 0));
    }
    QString Address() const { return QStringLiteral("127.0.0.1:%1").arg(m_server.serverPort()); }

  private:
    void Accept() {
        QTcpSocket* client = m_server.nextPendingConnection();
        auto* amule = new QTcpSocket(client);
        amule->connectToHost(QStringLiteral("127.0.0.1"), test::kAmuledEcPort);
        if (!amule->waitForConnected(2000)) {
            client->disconnectFromHost();  // amuled is gone: so is the way to it
            return;
        }
        // The cycle sends one request and waits for its answer: each read is one request. They are
        // counted on each connection, as a login amuled refuses is tried again on a new one.
        QObject::connect(client, &QTcpSocket::readyRead, client,
                         [this, client, amule, requests = 0]() mutable {
                             if (++requests == m_cutAt) {
                                 m_cut();
                             }
                             amule->write(client->readAll());
                         });
        QObject::connect(amule, &QTcpSocket::readyRead, client,
                         [client, amule] { client->write(amule->readAll()); });
        QObject::connect(amule, &QTcpSocket::disconnected, client,
                         [client] { client->disconnectFromHost(); });
    }

    QTcpServer m_server;
    int m_cutAt;
    std::function<void()> m_cut;
};

class AmuledCycleTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (const QString why = test::AmuledUnavailable(); !why.isEmpty()) {
            GTEST_SKIP() << why.toStdString();
        }
        ASSERT_TRUE(m_work.isValid());
        QString error;
        ASSERT_TRUE(m_lab.StartServers(QString::fromLatin1(kLab), &error)) << error.toStdString();
        m_rig.WriteStaticServers("198.51.100.3:4661,0,Static silent\n");
        ASSERT_TRUE(m_rig.Start()) << m_rig.Error().toStdString();
        m_rig.Add({{{"198.51.100.2", 4661}, "Silent"}, {{"198.51.100.4", 4661}, "Answered"}});
        m_rig.StopSaving();  // amuled writes its server.met, which the cycle reads
        ASSERT_TRUE(m_rig.Start()) << m_rig.Error().toStdString();
        m_rig.Add({{{"198.51.100.1", 4661}, "Never asked"}});
        ASSERT_EQ(m_rig.List(), kBefore);
    }

    QStringList Args(const char* verb, const QStringList& more = {}) const {
        return QStringList{QString::fromLatin1(verb),
                           QStringLiteral("--client"),
                           QStringLiteral("amule"),
                           QStringLiteral("--client-dir"),
                           m_rig.Dir(),
                           QStringLiteral("--peer-address"),
                           QStringLiteral("127.0.0.2"),
                           QStringLiteral("--web"),
                           QStringLiteral("http://127.0.0.1:9/"),
                           QStringLiteral("--timeout"),
                           QStringLiteral("1"),
                           QStringLiteral("--speed"),
                           QStringLiteral("720")} +
               more;
    }
    void Launch(QProcess& p, const QStringList& args) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_work.filePath(QStringLiteral("config")));
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(m_work.path());
        p.start(QStringLiteral(HUBLANECTL_PROGRAM), args);
        ASSERT_TRUE(p.waitForStarted(10000));
    }
    // One cycle as a process of its own; events run meanwhile (an EcRelay works in them).
    Outcome Cycle(const QStringList& more = {}) const {
        QProcess p;
        Launch(p, Args("cycle", more));
        EXPECT_TRUE(test::WaitFor([&p] { return p.state() == QProcess::NotRunning; }, 30000));
        return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
                QString::fromUtf8(p.readAllStandardError())};
    }
    QString SettingsFile() const { return m_work.filePath(QStringLiteral("config/Orvandels/Hublane.reg")); }
    static QString Summary(const Outcome& r) {
        const QStringList lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        return lines.isEmpty() ? QString() : lines.last();
    }

    QTemporaryDir m_work;
    lab::Lab m_lab;
    test::AmuledRig m_rig;
};

TEST_F(AmuledCycleTest, ACycleLeavesAmuleExactlyTheListItShouldHave) {
    // The EC password stored in plain text: the cycle uses it, and leaves only its hash behind.
    QDir().mkpath(QFileInfo(SettingsFile()).path());
    test::WriteWholeFile(SettingsFile(),
                         "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Orvandels\\Hublane]\n"
                         "\"AmuleEcPassword\"=\"hublane\"\n");
    const Outcome r = Cycle();
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    const QString summary = Summary(r);
    EXPECT_TRUE(summary.startsWith(QStringLiteral("Cycle terminé : "))) << r.out.toStdString();
    EXPECT_TRUE(summary.contains(QStringLiteral("aMule : 2 serveurs ajoutés, 1 retiré")))
        << summary.toStdString();
    EXPECT_TRUE(summary.contains(QStringLiteral("aMule est lancé : la liste lui est transmise directement")))
        << summary.toStdString();
    EXPECT_EQ(m_rig.List(), kAfter);
    const QByteArray settings = test::ReadWholeFile(SettingsFile());
    EXPECT_TRUE(settings.contains(QByteArray("\"AmuleEcPassword\"=\"") + test::kAmuledPasswordMd5 + '"'))
        << settings.toStdString();
    EXPECT_FALSE(settings.contains("\"hublane\"")) << settings.toStdString();
}

TEST_F(AmuledCycleTest, SilentServersAFailedCycleLeftGoWithTheNextCycle) {
    // The first cycle finds .2 and .3 silent but cannot reach aMule. The list it writes no longer
    // holds them, so no later cycle asks them again: the settings keep them for the next hand-off,
    // even of a program started anew.
    const Outcome failed = Cycle({QStringLiteral("--ec"), QStringLiteral("127.0.0.1:24713")});
    EXPECT_TRUE(Summary(failed).contains(QStringLiteral("Envoi vers aMule impossible")))
        << failed.out.toStdString();
    EXPECT_TRUE(test::ReadWholeFile(SettingsFile())
                    .contains("\"AmulePendingRemovals\"=\"198.51.100.2:4661 198.51.100.3:4661\""))
        << test::ReadWholeFile(SettingsFile()).toStdString();
    EXPECT_EQ(m_rig.List(), kBefore);

    // The next one reaches it: the silent server goes (the static one stays), and the setting with it.
    const Outcome next = Cycle();
    EXPECT_TRUE(Summary(next).contains(QStringLiteral("aMule : 2 serveurs ajoutés, 1 retiré")))
        << next.out.toStdString();
    EXPECT_EQ(m_rig.List(), kAfter);
    EXPECT_FALSE(test::ReadWholeFile(SettingsFile()).contains("AmulePendingRemovals"));
}

struct Failure {
    const char* name;
    QStringList args;  // RELAY stands for the address of an EcRelay that stops amuled
    const char* line;  // in the summary; PORT stands for the relay's port
    bool stops;
};

void PrintTo(const Failure& f, std::ostream* os) {
    *os << f.name;
}

class AmuledCycleFailures : public AmuledCycleTest, public ::testing::WithParamInterface<Failure> {};

TEST_P(AmuledCycleFailures, SayWhyAndLoseNothing) {
    const Failure& f = GetParam();
    // The fifth request is the second addition: amuled is gone before it arrives.
    EcRelay relay(5, [this] { m_rig.Kill(); });
    QStringList args = f.args;
    args.replaceInStrings(QStringLiteral("RELAY"), relay.Address());
    QElapsedTimer timer;
    timer.start();
    const Outcome r = Cycle(args);
    EXPECT_LT(timer.elapsed(), 10000);
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    QString line = QString::fromUtf8(f.line);
    line.replace(QStringLiteral("RELAY"), relay.Address());
    EXPECT_TRUE(Summary(r).contains(line)) << Summary(r).toStdString();
    // A password given is never stored, let alone in plain text.
    if (QFileInfo::exists(SettingsFile())) {
        EXPECT_FALSE(test::ReadWholeFile(SettingsFile()).contains("not it"));
    }
    // The cycle's list was written all the same, before the hand-off.
    const QByteArray met = test::ReadWholeFile(QDir(m_rig.Dir()).filePath(QStringLiteral("server.met")));
    EXPECT_TRUE(met.contains("Seven")) << "server.met not written";
    if (f.stops) {
        // Started again, aMule reads the list the cycle wrote: every server it had, but for the
        // one this cycle found silent, is there.
        ASSERT_TRUE(m_rig.Start()) << m_rig.Error().toStdString();
        ListMap expected = kAfter;
        expected.erase("198.51.100.1:4661");  // added by hand, never saved by the killed amuled
        EXPECT_EQ(m_rig.List(), expected);
    } else {
        EXPECT_EQ(m_rig.List(), kBefore);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cycles, AmuledCycleFailures,
    ::testing::Values(
        Failure{"WrongPassword",
                {QStringLiteral("--ec-password"), QStringLiteral("not it")},
                "Envoi vers aMule impossible : aMule sur 127.0.0.1:24712 a refusé le mot de passe EC",
                false},
        Failure{"ClosedPort",
                {QStringLiteral("--ec"), QStringLiteral("127.0.0.1:24713")},
                "Envoi vers aMule impossible : aMule injoignable sur 127.0.0.1:24713 : il n'est pas lancé",
                false},
        Failure{"AmuledStopsPartWay",
                {QStringLiteral("--ec"), QStringLiteral("RELAY")},
                "Envoi vers aMule interrompu (1 serveur ajouté, 0 retiré) : aMule sur RELAY a fermé la "
                "connexion EC en cours de route",
                true}),
    [](const ::testing::TestParamInfo<Failure>& p) { return std::string(p.param.name); });

TEST_F(AmuledCycleTest, DaemonHandsOffEachCycleAndStopsWithinTwoSecondsOfSigterm) {
    QProcess daemon;
    // --speed 720: the 120 minutes between cycles last ten seconds.
    Launch(daemon, Args("daemon"));
    QString out;
    const auto lines = [&](const QString& text) {
        out += QString::fromUtf8(daemon.readAllStandardOutput());
        return out.count(text);
    };
    ASSERT_TRUE(test::WaitFor([&] { return lines(QStringLiteral("Cycle terminé")) >= 1; }, 20000))
        << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("aMule : 2 serveurs ajoutés, 1 retiré"))) << out.toStdString();
    EXPECT_EQ(m_rig.List(), kAfter);

    // Between the cycles aMule loses a server; the next cycle gives it back.
    m_rig.Remove({"203.0.113.7", 4661});
    ASSERT_TRUE(test::WaitFor([&] { return lines(QStringLiteral("Cycle terminé")) >= 2; }, 30000))
        << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("aMule : 1 serveur ajouté, 0 retiré"))) << out.toStdString();
    EXPECT_EQ(m_rig.List(), kAfter);

    QElapsedTimer timer;
    timer.start();
    daemon.terminate();
    const bool ended = test::WaitFor([&] { return daemon.state() == QProcess::NotRunning; }, 5000);
    EXPECT_TRUE(ended);
    EXPECT_LT(timer.elapsed(), 2000);
    if (!ended) {
        daemon.kill();
        daemon.waitForFinished(5000);
    }
    EXPECT_EQ(daemon.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(daemon.exitCode(), 0);
}

}  // namespace
}  // namespace hublane::clients
