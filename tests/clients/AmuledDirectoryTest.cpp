// The real amuled loading a directory's /server.met through its own update-from-URL, in the
// private network namespace: every listed server comes in with its name, and nothing else does.
#include <gtest/gtest.h>

#include <QDir>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <map>

#include "AmuledRig.h"
#include "directory/Directory.h"
#include "directory/DirectoryStore.h"
#include "support/TestSupport.h"

namespace hublane::clients {
namespace {

// The namespace's stand-ins for the internet: the documentation ranges, routed to loopback.
bool InTestNetwork(std::string_view address) {
    return address.starts_with("198.51.100.") || address.starts_with("203.0.113.");
}

struct Seeded {
    const char* address;
    std::uint16_t port;
    const char* name;
    const char* description;
};

// Passes each connection on to the directory, byte for byte, but hangs up on amuled only a second
// after the directory has. amuled reads the file in a thread of its own while its main loop
// watches the same socket; a hang-up that comes while the thread still reads the head of the
// reply makes the main loop close the socket under it ("socket->m_fd != -1" in its log) and
// amuled ends. Under load that happened in 15 fetches of 80 straight from the directory, and in
// none of 80 through this relay.
class LateHangUp {
  public:
    explicit LateHangUp(quint16 directoryPort) : m_directoryPort(directoryPort) {
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] { Take(); });
    }
    bool Listen() { return m_server.listen(QHostAddress::LocalHost, 0); }
    quint16 Port() const { return m_server.serverPort(); }

  private:
    void Take() {
        while (QTcpSocket* client = m_server.nextPendingConnection()) {
            auto* directory = new QTcpSocket(client);
            const auto forward = [client, directory] {
                if (directory->state() == QAbstractSocket::ConnectedState)
                    directory->write(client->readAll());
            };
            QObject::connect(client, &QTcpSocket::readyRead, directory, forward);
            QObject::connect(directory, &QTcpSocket::connected, directory, forward);
            QObject::connect(directory, &QTcpSocket::readyRead, client,
                             [client, directory] { client->write(directory->readAll()); });
            QObject::connect(directory, &QTcpSocket::disconnected, client, [client, directory] {
                client->write(directory->readAll());
                QTimer::singleShot(1000, client, [client] { client->disconnectFromHost(); });
            });
            QObject::connect(client, &QTcpSocket::disconnected, client, &QObject::deleteLater);
            directory->connectToHost(QHostAddress::LocalHost, m_directoryPort);
        }
    }

    QTcpServer m_server;
    quint16 m_directoryPort;
};

std::map<std::string, std::string> NamesIn(AmuleSession& session) {
    std::map<std::string, std::string> names;
    for (const AmuleServer& server : session.ServerList().value_or(std::vector<AmuleServer>{}))
        names[server.endpoint.Text()] = server.name;
    return names;
}

TEST(AmuledDirectoryTest, LoadsTheDirectorysServerMetThroughItsUpdateFromUrl) {
    if (const QString why = test::AmuledUnavailable(); !why.isEmpty()) {
        GTEST_SKIP() << why.toStdString();
    }
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    directory::DirectorySettings settings;
    settings.listen = {"127.0.0.1", 0};
    settings.database.file = folder.filePath(QStringLiteral("directory.sqlite")).toStdString();
    settings.probesPerSecond = 0;  // the seeded listing stays as it is
    settings.listable = InTestNetwork;
    QStringList log;
    directory::Directory dir(settings, [&log](const QString& line) { log << line; });
    QString error;
    ASSERT_TRUE(dir.Start(&error)) << error.toStdString();

    const std::int64_t now = dir.NowMs();
    for (const Seeded& s : {Seeded{"198.51.100.21", 4661, "Annuaire un", "le premier"},
                            Seeded{"203.0.113.22", 4242, "Annuaire deux", ""},
                            Seeded{"192.0.2.23", 4661, "Hors du réseau", ""}}) {
        directory::StoredServer server;
        server.address = s.address;
        server.port = s.port;
        server.state = directory::ServerState::Listed;
        server.nextCheckMs = now + 3600000;
        server.reporter = "198.51.100.1";
        ASSERT_TRUE(dir.Store().PutServer(server));
        ASSERT_TRUE(dir.Store().SaveCheck(
            s.address, directory::CheckStep{directory::ServerState::Listed, 0, now + 3600000, true}, s.name,
            s.description, now));
    }

    test::AmuledRig rig;
    ASSERT_TRUE(rig.Start()) << rig.Error().toStdString();
    {
        AmuleSession session;
        ASSERT_TRUE(session.Login(rig.Target())) << session.Reason().toStdString();
        ASSERT_TRUE(NamesIn(session).empty());
    }
    LateHangUp relay(dir.Port());
    ASSERT_TRUE(relay.Listen());
    const QString url = QStringLiteral("http://127.0.0.1:%1/server.met").arg(relay.Port());
    const std::map<std::string, std::string> expected = {{"198.51.100.21:4661", "Annuaire un"},
                                                         {"203.0.113.22:4242", "Annuaire deux"}};
    std::map<std::string, std::string> names;
    // amuled reads the file to its end (the relay's hang-up) and then loads it. A fetch that
    // fails all the same is tried again, up to three times, on an amuled started anew when it
    // no longer answers.
    QStringList reasons;
    for (int attempt = 0; names.size() < expected.size() && attempt < 3; ++attempt) {
        const qsizetype served = log.filter(QStringLiteral("GET /server.met ")).size();
        AmuleSession session;
        if (session.Login(rig.Target()) && session.UpdateServersFromUrl(url)) {
            test::WaitFor([&] { return log.filter(QStringLiteral("GET /server.met ")).size() > served; },
                          5000);
            test::WaitFor(
                [&] {
                    QThread::msleep(100);
                    names = NamesIn(session);
                    return names.size() >= expected.size();
                },
                5000);
        }
        if (names.size() < expected.size()) {
            reasons << session.Reason();
            if (AmuleSession probe; !probe.Login(rig.Target())) {
                rig.Kill();
                ASSERT_TRUE(rig.Start()) << rig.Error().toStdString();
            }
        }
    }
    EXPECT_EQ(names, expected)
        << reasons.join(QLatin1Char('\n')).toStdString() << "\n"
        << log.join(QLatin1Char('\n')).toStdString() << "\namuled:\n"
        << test::ReadWholeFile(QDir(rig.Dir()).filePath(QStringLiteral("amuled.log")))
               .right(3000)
               .toStdString()
        << "\nits logfile:\n"
        << test::ReadWholeFile(QDir(rig.Dir()).filePath(QStringLiteral("logfile"))).right(3000).toStdString();
    // Each time aMule asked, the directory served the file whole.
    EXPECT_FALSE(log.filter(QStringLiteral("GET /server.met 200")).isEmpty());
    EXPECT_EQ(log.filter(QStringLiteral("GET /server.met ")),
              log.filter(QStringLiteral("GET /server.met 200")))
        << log.join(QLatin1Char('\n')).toStdString();
}

}  // namespace
}  // namespace hublane::clients
