// The lab itself: its description format, the answer of each behaviour, binding many loopback
// addresses and counting the requests each server gets.
#include "lab/Lab.h"

#include <gtest/gtest.h>
#include <QNetworkDatagram>
#include <QUdpSocket>

#include "probe/Ed2kMessages.h"
#include "support/TestSupport.h"

namespace hublane::lab {
namespace {

using test::Hex;

QByteArray Bytes(const std::string& s) {
    return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
}

LabServerConfig Parsed(const char* line) {
    QString error;
    std::optional<LabServerConfig> s = ParseLabLine(QString::fromUtf8(line), &error);
    EXPECT_TRUE(s) << error.toStdString();
    return s.value_or(LabServerConfig{});
}

TEST(LabConfig, ReadsAServerLine) {
    const LabServerConfig s = Parsed(
        R"(127.0.0.20 4242 late name="Lab 20" desc="tab\there \"q\" \x80\x00z" list=127.0.0.21:4661,10.0.0.1:80 )"
        R"(delay=250 byte0=0xC5)");
    EXPECT_EQ(s.address, QStringLiteral("127.0.0.20"));
    EXPECT_EQ(s.listedPort, 4242);
    EXPECT_EQ(s.udpPort, 4246);
    EXPECT_EQ(s.behaviour, Behaviour::Late);
    EXPECT_EQ(s.name, "Lab 20");
    EXPECT_EQ(s.description, std::string("tab\there \"q\" \x80\0z", 16));
    ASSERT_EQ(s.entries.size(), 2u);
    EXPECT_EQ(s.entries[1].ip, "10.0.0.1");
    EXPECT_EQ(s.entries[1].port, "80");
    EXPECT_EQ(s.delayMs, 250);
    EXPECT_EQ(s.byte0, 0xC5);

    // The documentation ranges, which a private network namespace routes to loopback.
    EXPECT_EQ(Parsed("198.51.100.7 4661 answer").address, QStringLiteral("198.51.100.7"));
    EXPECT_EQ(Parsed("203.0.113.255 4661 silent").address, QStringLiteral("203.0.113.255"));

    const LabServerConfig u = Parsed("127.0.0.30 4661 truncated cut=3 udp=5000 size=7 name=bare");
    EXPECT_EQ(u.udpPort, 5000);
    EXPECT_EQ(u.cutBytes, 3);
    EXPECT_EQ(u.garbageBytes, 7);
    EXPECT_EQ(u.name, "bare");
    EXPECT_EQ(u.byte0, 0xE3);
}

TEST(LabConfig, RangeListsConsecutiveAddresses) {
    const LabServerConfig s = Parsed("127.0.0.20 4661 answer range=127.0.0.254:4661*3 list=127.0.0.9:1");
    ASSERT_EQ(s.entries.size(), 4u);
    EXPECT_EQ(s.entries[0].ip, "127.0.0.254");
    EXPECT_EQ(s.entries[1].ip, "127.0.0.255");
    EXPECT_EQ(s.entries[2].ip, "127.0.1.0");
    EXPECT_EQ(s.entries[2].port, "4661");
    EXPECT_EQ(s.entries[3].ip, "127.0.0.9");
}

TEST(LabConfig, RefusesMalformedLines) {
    const char* bad[] = {
        "127.0.0.20 4661",                                                    // no behaviour
        "192.0.2.1 4661 answer",                                              // not loopback
        "198.51.101.1 4661 answer",                                           // next to a documentation range
        "localhost 4661 answer",                                              // not an address
        "127.0.0.20 65532 answer",                                            // port + 4 does not fit
        "127.0.0.20 x answer",                                                // port not a number
        "127.0.0.20 4661 shouting",                                           // unknown behaviour
        "127.0.0.20 4661 answer colour=red",                                  // unknown key
        "127.0.0.20 4661 answer name",                                        // not KEY=VALUE
        "127.0.0.20 4661 answer list=127.0.0.21",                             // entry without port
        "127.0.0.20 4661 answer list=127.0.0.256:1",                          // octet too large
        "127.0.0.20 4661 answer name=\"open",                                 // unterminated quote
        "127.0.0.20 4661 answer name=\"\\q\"",                                // unknown escape
        "127.0.0.20 4661 answer name=\"\\x4\"",                               // short \x
        "127.0.0.20 4661 answer range=127.0.1.1:1*200 range=127.0.2.1:1*56",  // 256 entries
        "127.0.0.20 4661 late delay=-5",
    };
    for (const char* line : bad) {
        SCOPED_TRACE(line);
        QString error;
        EXPECT_FALSE(ParseLabLine(QString::fromUtf8(line), &error));
        EXPECT_FALSE(error.isEmpty());
    }
}

TEST(LabConfig, SkipsBlankAndCommentLinesAndNamesTheBadLine) {
    std::vector<LabServerConfig> servers;
    QString error;
    EXPECT_TRUE(ParseLabConfig(
        QStringLiteral("# lab\n\n  127.0.0.20 4661 answer\n\t# more\n127.0.0.21 4661 silent\n"), servers,
        &error));
    ASSERT_EQ(servers.size(), 2u);
    EXPECT_EQ(servers[1].behaviour, Behaviour::Silent);

    servers.clear();
    EXPECT_FALSE(ParseLabConfig(QStringLiteral("127.0.0.20 4661 answer\n# ok\n127.0.0.21 4661 nope\n"),
                                servers, &error));
    EXPECT_TRUE(error.startsWith(QStringLiteral("line 3:"))) << error.toStdString();
}

TEST(LabServer, EachBehaviourAnswersAsDescribed) {
    const LabServerConfig answer = Parsed("127.0.0.20 4661 answer name=N desc=D list=127.0.0.21:4661");
    const QByteArray description = Bytes(probe::BuildDescriptionAnswer("N", "D"));
    const QByteArray list = Bytes(Hex("E3 A1 01 7F 00 00 15 35 12"));
    EXPECT_EQ(AnswerFor(answer, RequestKind::Description), description);
    EXPECT_EQ(AnswerFor(answer, RequestKind::ServerList), list);
    EXPECT_FALSE(AnswerFor(answer, RequestKind::Other));

    LabServerConfig s = answer;
    s.behaviour = Behaviour::Late;
    EXPECT_EQ(AnswerFor(s, RequestKind::ServerList), list);
    s.behaviour = Behaviour::Silent;
    EXPECT_FALSE(AnswerFor(s, RequestKind::Description));
    s.behaviour = Behaviour::WrongCode;
    EXPECT_EQ(AnswerFor(s, RequestKind::ServerList), Bytes(Hex("E3 A3 01 7F 00 00 15 35 12")));
    EXPECT_EQ(AnswerFor(s, RequestKind::Description), Bytes(Hex("E3 A1 01 00 4E 01 00 44")));
    s.behaviour = Behaviour::Truncated;
    s.cutBytes = 2;
    EXPECT_EQ(AnswerFor(s, RequestKind::ServerList), list.left(list.size() - 2));
    s.behaviour = Behaviour::Garbage;
    s.garbageBytes = 300;
    const std::optional<QByteArray> noise = AnswerFor(s, RequestKind::Description);
    ASSERT_TRUE(noise);
    EXPECT_EQ(noise->size(), 300);
    EXPECT_EQ(AnswerFor(s, RequestKind::ServerList), noise);  // same noise every time
    EXPECT_NE(static_cast<std::uint8_t>(noise->at(1)), probe::kServerListAnswerCode);
    EXPECT_NE(static_cast<std::uint8_t>(noise->at(1)), probe::kDescriptionAnswerCode);
}

TEST(LabServer, TellsRequestsApart) {
    EXPECT_EQ(KindOf(Bytes(probe::DescriptionRequest())), RequestKind::Description);
    EXPECT_EQ(KindOf(Bytes(probe::ServerListRequest())), RequestKind::ServerList);
    EXPECT_EQ(KindOf(QByteArrayLiteral("\xE3\xA2")), RequestKind::Description);
    EXPECT_EQ(KindOf(QByteArrayLiteral("\xC5\xA2\0\0\0\0")), RequestKind::Other);
    EXPECT_EQ(KindOf(QByteArrayLiteral("\xA2")), RequestKind::Other);
    EXPECT_EQ(KindOf(QByteArray()), RequestKind::Other);
}

// Sends one datagram from a socket of the test and reads the answer, if any, within waitMs.
QByteArray SendTo(const QString& address, quint16 port, const QByteArray& datagram, int waitMs) {
    QUdpSocket socket;
    EXPECT_TRUE(socket.bind(QHostAddress::AnyIPv4, 0));
    socket.writeDatagram(datagram, QHostAddress(address), port);
    if (!socket.waitForReadyRead(waitMs)) {
        return {};
    }
    return socket.receiveDatagram().data();
}

TEST(Lab, RunsManyServersOnTheirOwnLoopbackAddresses) {
    QString config;
    for (int x = 20; x < 60; ++x) {
        config += QStringLiteral("127.0.0.%1 4661 answer name=\"Lab %1\"\n").arg(x);
    }
    Lab lab;
    QString error;
    ASSERT_TRUE(lab.StartServers(config, &error)) << error.toStdString();
    ASSERT_EQ(lab.ServerCount(), 40);

    for (int x = 20; x < 60; x += 13) {
        const QString address = QStringLiteral("127.0.0.%1").arg(x);
        const QByteArray answer = SendTo(address, 4665, Bytes(probe::DescriptionRequest()), 2000);
        EXPECT_EQ(probe::ParseDescription({answer.constData(), static_cast<std::size_t>(answer.size())}).name,
                  "Lab " + std::to_string(x));
    }
    EXPECT_EQ(lab.Requests(QStringLiteral("127.0.0.33")).description, 1);
    EXPECT_EQ(lab.Requests(QStringLiteral("127.0.0.34")).Total(), 0);
    EXPECT_EQ(lab.Requests(QStringLiteral("127.0.0.99")).Total(), 0);  // no such server
}

TEST(Lab, CountsEachKindOfRequestAndReportsItOnTheCallersThread) {
    Lab lab;
    ASSERT_TRUE(lab.StartServers(QStringLiteral("127.0.0.70 4661 silent\n127.0.0.70 4700 silent")));
    std::vector<std::pair<int, RequestKind>> seen;
    QObject::connect(&lab, &Lab::RequestReceived, &lab,
                     [&](int index, RequestKind kind, const QString&) { seen.emplace_back(index, kind); });

    SendTo(QStringLiteral("127.0.0.70"), 4665, Bytes(probe::ServerListRequest()), 0);
    SendTo(QStringLiteral("127.0.0.70"), 4665, Bytes(probe::ServerListRequest()), 0);
    SendTo(QStringLiteral("127.0.0.70"), 4704, QByteArrayLiteral("\xA0"), 0);
    ASSERT_TRUE(test::WaitFor([&] { return seen.size() == 3; }, 3000));

    const RequestCounts first = lab.Requests(QStringLiteral("127.0.0.70"), 4661);
    EXPECT_EQ(first.serverList, 2);
    EXPECT_EQ(first.description + first.other, 0);
    EXPECT_EQ(lab.Requests(QStringLiteral("127.0.0.70"), 4700).other, 1);
    EXPECT_EQ(seen.back(), std::make_pair(1, RequestKind::Other));
}

TEST(Lab, AFailedStartLeavesNoServerOfItsOwnRunning) {
    Lab lab;
    QString error;
    EXPECT_FALSE(lab.StartServers(QStringLiteral("127.0.0.71 4661 answer\n127.0.0.71 4661 answer"), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("127.0.0.71:4665"))) << error.toStdString();
    EXPECT_EQ(lab.ServerCount(), 0);
    // The first socket was closed again: the address can be taken now.
    EXPECT_TRUE(lab.StartServers(QStringLiteral("127.0.0.71 4661 answer"), &error)) << error.toStdString();

    EXPECT_FALSE(lab.StartServers(QStringLiteral("127.0.0.72 4661 nonsense"), &error));
    EXPECT_EQ(lab.ServerCount(), 1);
    lab.StopServers();
    EXPECT_EQ(lab.ServerCount(), 0);
    EXPECT_TRUE(
        SendTo(QStringLiteral("127.0.0.71"), 4665, Bytes(probe::DescriptionRequest()), 200).isEmpty());
}

}  // namespace
}  // namespace hublane::lab
