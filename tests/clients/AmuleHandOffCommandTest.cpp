// hublanectl handoff --client amule without a real aMule: the command line's mistakes, an
// amule.conf that refuses EC, an empty or unreadable list, and nobody listening on loopback.
#include <gtest/gtest.h>
#include <QDir>
#include <QTcpServer>
#include <QTemporaryDir>

#include "clients/ServerMetCodec.h"
#include "serverlist/ListFiles.h"
#include "support/CliRun.h"
#include "support/TestSupport.h"

namespace hublane::clients {
namespace {

struct VerbCase {
    const char* name;
    std::vector<const char*> args;  // after "handoff"; DIR stands for the test's aMule folder
    QByteArray conf;                // amule.conf written in DIR
    bool servers;                   // DIR/server.met holds a server (else it is empty)
    int status;
    const char* err;
};

void PrintTo(const VerbCase& c, std::ostream* os) {
    *os << c.name;
}

class AmuleVerb : public ::testing::TestWithParam<VerbCase> {};

// A port on 127.0.0.1 that nothing listens on.
quint16 ClosedPort() {
    QTcpServer server;
    EXPECT_TRUE(server.listen(QHostAddress(QStringLiteral("127.0.0.1")), 0));
    return server.serverPort();
}

TEST_P(AmuleVerb, RefusesAndSaysWhy) {
    const VerbCase& c = GetParam();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString port = QString::number(ClosedPort());
    QByteArray conf = c.conf;
    conf.replace("PORT", port.toLatin1());
    test::WriteWholeFile(dir.filePath(QStringLiteral("amule.conf")), conf);
    serverlist::ServerTable table;
    if (c.servers) {
        table.AddServerRow("203.0.113.5", "4661");
    }
    serverlist::PlainGauge gauge;
    ASSERT_TRUE(serverlist::WriteServerMet(dir.filePath(QStringLiteral("server.met")), table, gauge, {},
                                           clients::kServerMetCodec)
                    .Written());
    QStringList args{QStringLiteral("handoff")};
    for (const char* given : c.args) {
        QString arg = QString::fromUtf8(given);
        args << arg.replace(QStringLiteral("DIR"), dir.path()).replace(QStringLiteral("PORT"), port);
    }
    const test::CliOutcome r = test::Hublanectl(args);
    EXPECT_EQ(r.status, c.status) << r.err.toStdString();
    EXPECT_EQ(r.out, QString());
    EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.err).replace(QStringLiteral("PORT"), port)))
        << r.err.toStdString();
}

const QByteArray kListening = "[ExternalConnect]\nAcceptExternalConnections=1\nECPort=PORT\n";

INSTANTIATE_TEST_SUITE_P(
    Lines, AmuleVerb,
    ::testing::Values(
        VerbCase{"UnknownClient", {"--client", "emule2"}, kListening, true, 64, "unknown client \"emule2\""},
        VerbCase{
            "EcWithoutAmule", {"--ec", "127.0.0.1:4712"}, kListening, true, 64, "go with --client amule"},
        VerbCase{"BadEc",
                 {"--client", "amule", "--client-dir", "DIR", "--ec", "127.0.0.1"},
                 kListening,
                 true,
                 64,
                 "--ec takes HOST:"},
        VerbCase{"EcOff",
                 {"--client", "amule", "--client-dir", "DIR"},
                 "[ExternalConnect]\nAcceptExternalConnections=0\n",
                 true,
                 1,
                 "AcceptExternalConnections=1 manque"},
        VerbCase{"NotRunning",
                 {"--client", "amule", "--client-dir", "DIR"},
                 kListening,
                 true,
                 1,
                 "aMule injoignable sur 127.0.0.1:PORT : il n'est pas lancé"},
        VerbCase{"EcGivenOverridesConf",
                 {"--client", "amule", "--client-dir", "DIR", "--ec", "127.0.0.1:PORT"},
                 "[ExternalConnect]\nAcceptExternalConnections=0\nECPort=1\n",
                 true,
                 1,
                 "127.0.0.1:PORT"},
        VerbCase{"EmptyList",
                 {"--client", "amule", "--client-dir", "DIR"},
                 kListening,
                 false,
                 1,
                 "holds no server: nothing is handed to aMule"},
        VerbCase{"MissingList",
                 {"--client", "amule", "--client-dir", "DIR", "--server-met", "DIR/none.met"},
                 kListening,
                 true,
                 1,
                 "cannot read"}),
    [](const ::testing::TestParamInfo<VerbCase>& p) { return std::string(p.param.name); });

}  // namespace
}  // namespace hublane::clients
