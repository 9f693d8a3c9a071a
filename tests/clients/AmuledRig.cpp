// A private amuled for tests and benchmarks.
#include "AmuledRig.h"

#include <QDir>
#include <QElapsedTimer>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QThread>
#include <csignal>

#include <gtest/gtest.h>

#include "support/TestSupport.h"

namespace hublane::test {
namespace {

// The configuration of clients.md: connects to nothing, downloads nothing, EC on loopback.
const char* const kAmuleConf =
    "[eMule]\nPort=24662\nUDPPort=24672\nAddress=127.0.0.1\nAutoconnect=0\nReconnect=0\nConnectToKad=0\n"
    "ConnectToED2K=1\nServerlist=0\nUPnPEnabled=0\nFilterLanIPs=0\nIPFilterAutoLoad=0\nNewVersionCheck=0\n"
    "GeoIPEnabled=0\nEd2kServersUrl=\nKadNodesUrl=\n"
    "[ExternalConnect]\nAcceptExternalConnections=1\nECAddress=127.0.0.1\nECPort=24712\n"
    "ECPassword=5febc38ef02954d03e4d18fb1d131eb7\n";

}  // namespace

QString AmuledUnavailable() {
    if (qEnvironmentVariable("HUBLANE_NETNS") != QLatin1String("inside")) {
        return QStringLiteral("not inside a private network namespace (run through scripts/netns-run)");
    }
    if (QStandardPaths::findExecutable(QStringLiteral("amuled")).isEmpty()) {
        return QStringLiteral("amuled missing (Debian's amule-daemon)");
    }
    return {};
}

AmuledRig::AmuledRig() : m_folder(m_dir.path()) {
    WriteWholeFile(QDir(m_folder).filePath(QStringLiteral("amule.conf")), kAmuleConf);
}

AmuledRig::~AmuledRig() {
    Stop();
}

void AmuledRig::WriteStaticServers(const QByteArray& lines) {
    WriteWholeFile(QDir(m_folder).filePath(QStringLiteral("staticservers.dat")), lines);
}

bool AmuledRig::Start() {
    m_error.clear();
    m_process.setProgram(QStringLiteral("amuled"));
    m_process.setArguments({QStringLiteral("-c"), m_folder, QStringLiteral("-o")});
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.setStandardOutputFile(QDir(m_folder).filePath(QStringLiteral("amuled.log")), QIODevice::Append);
    m_process.start();
    if (!m_process.waitForStarted(5000)) {
        m_error = QStringLiteral("amuled did not start: ") + m_process.errorString();
        return false;
    }
    QElapsedTimer timer;
    timer.start();
    // Its EC port opens a moment before it takes logins: it is ready once one goes through.
    while (timer.elapsed() < 10000 && Running()) {
        QTcpSocket probe;
        probe.connectToHost(QStringLiteral("127.0.0.1"), kAmuledEcPort);
        if (probe.waitForConnected(500)) {
            probe.abort();
            clients::AmuleSession session;
            if (session.Login(Target())) {
                return true;
            }
        }
        QThread::msleep(20);
    }
    m_error =
        QStringLiteral("amuled's EC port did not open: ") +
        QString::fromUtf8(ReadWholeFile(QDir(m_folder).filePath(QStringLiteral("amuled.log"))).right(2000));
    Stop();
    return false;
}

bool AmuledRig::Stop() {
    if (!Running()) {
        return true;
    }
    m_process.terminate();
    if (m_process.waitForFinished(10000)) {
        return true;
    }
    Kill();
    return false;
}

void AmuledRig::StopSaving() {
    const std::vector<clients::AmuleServer> kept = Servers();
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (Stop()) {
            return;
        }
        ASSERT_TRUE(Start()) << m_error.toStdString();
        const ListMap now = List();
        std::vector<clients::ServerToAdd> missing;
        for (const clients::AmuleServer& server : kept) {
            if (!server.isStatic && !now.contains(server.endpoint.Text())) {
                missing.push_back({server.endpoint, server.name});
            }
        }
        Add(missing);
    }
    ADD_FAILURE() << "amuled did not end within 10 s of SIGTERM, three times";
}

void AmuledRig::Kill() {
    if (Running()) {
        ::kill(static_cast<pid_t>(m_process.processId()), SIGKILL);
        m_process.waitForFinished(5000);
    }
}

clients::EcTarget AmuledRig::Target(const char* passwordMd5) const {
    return {QStringLiteral("127.0.0.1"), kAmuledEcPort, passwordMd5};
}

void PrintTo(const Listed& l, std::ostream* os) {
    *os << l.name << (l.isStatic ? " (static)" : "");
}

std::vector<clients::AmuleServer> AmuledRig::Servers() const {
    clients::AmuleSession session;
    if (!session.Login(Target())) {
        ADD_FAILURE() << session.Reason().toStdString();
        return {};
    }
    auto list = session.ServerList();
    EXPECT_TRUE(list.has_value()) << session.Reason().toStdString();
    return std::move(list).value_or(std::vector<clients::AmuleServer>{});
}

ListMap AmuledRig::List() const {
    ListMap listed;
    for (const clients::AmuleServer& server : Servers()) {
        listed[server.endpoint.Text()] = {server.name, server.isStatic};
    }
    return listed;
}

void AmuledRig::Add(const std::vector<clients::ServerToAdd>& servers) const {
    clients::AmuleSession session;
    ASSERT_TRUE(session.Login(Target())) << session.Reason().toStdString();
    for (const clients::ServerToAdd& server : servers) {
        ASSERT_EQ(session.AddServer(server), clients::AddAnswer::Added) << server.endpoint.Text();
    }
}

void AmuledRig::Remove(const clients::ServerEndpoint& server) const {
    clients::AmuleSession session;
    ASSERT_TRUE(session.Login(Target())) << session.Reason().toStdString();
    EXPECT_TRUE(session.RemoveServer(server)) << session.Reason().toStdString();
}

}  // namespace hublane::test
