// hublanectl probe desc|list against simulated servers on loopback.
#include <gtest/gtest.h>
#include <QTextStream>

#include "cli/Commands.h"
#include "lab/Lab.h"
#include "support/CliRun.h"

namespace hublane::cli {
namespace {

using test::Hublanectl;
using Outcome = test::CliOutcome;

class ProbeCommandTest : public ::testing::Test {
  protected:
    void SetUp() override {
        QString error;
        ASSERT_TRUE(m_lab.StartServers(QStringLiteral(R"(
127.0.0.200 4661 answer name="Lab\t200\\x" desc="line one\r\nprice 5\x80" list=127.0.0.201:4661,10.0.0.1:4661,10.0.0.10:4662,1.2.3.4:1,127.0.0.202:80
127.0.0.201 4242 truncated list=127.0.0.210:4661,127.0.0.211:4661,127.0.0.212:4661 name=cut desc=abcdef
127.0.0.202 4661 wrongcode name=wrong list=127.0.0.210:4661
127.0.0.203 4661 garbage
127.0.0.204 4661 answer byte0=0 name= desc=
)"),
                                       &error))
            << error.toStdString();
    }

    lab::Lab m_lab;
};

TEST_F(ProbeCommandTest, DescPrintsNameAndDescriptionEscaped) {
    const Outcome r = Hublanectl({QStringLiteral("probe"), QStringLiteral("desc"),
                                  QStringLiteral("127.0.0.200"), QStringLiteral("4661")});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    // The bytes as the server sent them, as every verb prints stored bytes (0x80 stays 0x80).
    EXPECT_EQ(r.out,
              QStringLiteral("Lab\\t200\\\\x\tline one\\r\\nprice 5") + QChar(0x80) + QStringLiteral("\n"));
    EXPECT_EQ(m_lab.Requests(QStringLiteral("127.0.0.200")).description, 1);
}

TEST_F(ProbeCommandTest, DescOfATruncatedOrEmptyAnswer) {
    Outcome r = Hublanectl({QStringLiteral("probe"), QStringLiteral("desc"), QStringLiteral("127.0.0.201"),
                            QStringLiteral("4242")});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, QStringLiteral("cut\tabcde\n"));
    r = Hublanectl({QStringLiteral("probe"), QStringLiteral("desc"), QStringLiteral("127.0.0.204"),
                    QStringLiteral("4661")});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, QStringLiteral("\t\n"));
}

TEST_F(ProbeCommandTest, ListPrintsUsableEntriesInAnswerOrder) {
    const Outcome r = Hublanectl({QStringLiteral("probe"), QStringLiteral("list"),
                                  QStringLiteral("127.0.0.200"), QStringLiteral("4661")});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("127.0.0.201:4661\n10.0.0.10:4662\n127.0.0.202:80\n"));
    EXPECT_EQ(m_lab.Requests(QStringLiteral("127.0.0.200")).serverList, 1);
}

TEST_F(ProbeCommandTest, ListOfATruncatedAnswerKeepsTheWholeEntries) {
    const Outcome r = Hublanectl({QStringLiteral("probe"), QStringLiteral("list"),
                                  QStringLiteral("127.0.0.201"), QStringLiteral("4242")});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, QStringLiteral("127.0.0.210:4661\n127.0.0.211:4661\n"));
}

TEST_F(ProbeCommandTest, WrongCodeOrGarbageIsNoAnswer) {
    for (const char* verb : {"desc", "list"}) {
        for (const char* host : {"127.0.0.202", "127.0.0.203"}) {
            SCOPED_TRACE(std::string(verb) + " " + host);
            const Outcome r = Hublanectl({QStringLiteral("probe"), QString::fromLatin1(verb),
                                          QString::fromLatin1(host), QStringLiteral("4661")});
            EXPECT_EQ(r.status, 2);
            EXPECT_TRUE(r.out.isEmpty());
            EXPECT_FALSE(r.err.isEmpty());
        }
    }
    EXPECT_EQ(m_lab.Requests(QStringLiteral("127.0.0.202")).Total(), 2);
}

TEST_F(ProbeCommandTest, BadArgumentsAreUsageErrorsThatSayWhatIsWrong) {
    const struct {
        QStringList args;
        const char* reason;
    } bad[] = {
        {{QStringLiteral("probe")}, "probe needs a command"},
        {{QStringLiteral("probe"), QStringLiteral("desc"), QStringLiteral("127.0.0.200")},
         "missing argument"},
        {{QStringLiteral("probe"), QStringLiteral("ping"), QStringLiteral("127.0.0.200"),
          QStringLiteral("4661")},
         "unknown command 'probe ping'"},
        {{QStringLiteral("probe"), QStringLiteral("desc"), QStringLiteral("127.0.0.200"),
          QStringLiteral("port")},
         "bad port 'port'"},
        {{QStringLiteral("probe"), QStringLiteral("list"), QStringLiteral("127.0.0.200"),
          QStringLiteral("65532")},
         "bad port '65532'"},
        {{QStringLiteral("probe"), QStringLiteral("list"), QStringLiteral("127.0.0.200"),
          QStringLiteral("-4")},
         "Unknown option '4'"},
    };
    for (const auto& b : bad) {
        SCOPED_TRACE(b.args.join(u' ').toStdString());
        const Outcome r = Hublanectl(b.args);
        EXPECT_EQ(r.status, 64);
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(b.reason))) << r.err.toStdString();
    }
    // A host that does not resolve is said at once, not after the five seconds of a silent server.
    const Outcome unknownHost = Hublanectl({QStringLiteral("probe"), QStringLiteral("desc"),
                                            QStringLiteral("no-such-host.invalid"), QStringLiteral("4661")});
    EXPECT_EQ(unknownHost.status, 1);
    EXPECT_TRUE(unknownHost.err.contains(QStringLiteral("cannot resolve host 'no-such-host.invalid'")));
    EXPECT_EQ(m_lab.Requests(QStringLiteral("127.0.0.200")).Total(), 0);
    EXPECT_TRUE(Hublanectl({QStringLiteral("--help")}).out.contains(QStringLiteral("probe desc HOST PORT")));
}

}  // namespace
}  // namespace hublane::cli
