// One probe exchange against simulated servers on loopback: answers, silence, wrong answers,
// the receive limit, the stop request and use from a worker thread.
#include "probe/UdpExchange.h"

#include <gtest/gtest.h>
#include <QElapsedTimer>
#include <QThread>
#include <QUdpSocket>

#include "lab/Lab.h"
#include "probe/Ed2kMessages.h"

namespace hublane::probe {
namespace {

QByteArray Bytes(const std::string& s) {
    return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
}
std::string_view View(const QByteArray& b) {
    return {b.constData(), static_cast<std::size_t>(b.size())};
}

class UdpExchangeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        QString error;
        ASSERT_TRUE(m_lab.StartServers(QStringLiteral(R"(
127.0.0.60 4661 answer name="Lab 60" desc="first" list=127.0.0.61:4661,10.0.0.1:4242
127.0.0.61 4661 silent
127.0.0.62 4661 wrongcode name="Lab 62"
127.0.0.63 4661 garbage size=40
127.0.0.64 4661 late delay=200 name="Lab 64"
127.0.0.65 4661 garbage size=9000
127.0.0.66 4242 answer name="Lab 66"
)"),
                                       &error))
            << error.toStdString();
    }

    // One exchange on the calling thread: request to address:4665, answer within timeoutMs.
    static QByteArray Ask(const QString& address, const std::string& request, int timeoutMs,
                          quint16 udpPort = 4665) {
        UdpExchange exchange;
        if (!exchange.Open(address, udpPort) || !exchange.Send(Bytes(request))) {
            return QByteArrayLiteral("<failed>");
        }
        return exchange.Receive(timeoutMs);
    }

    lab::Lab m_lab;
};

TEST_F(UdpExchangeTest, AnsweringServerGivesItsAnswers) {
    const QByteArray description = Ask(QStringLiteral("127.0.0.60"), DescriptionRequest(), 2000);
    EXPECT_EQ(description, Bytes(BuildDescriptionAnswer("Lab 60", "first")));

    const QByteArray list = Ask(QStringLiteral("127.0.0.60"), ServerListRequest(), 2000);
    ASSERT_TRUE(IsServerListAnswer(View(list)));
    serverlist::EntryTable entries{};
    ASSERT_EQ(ParseServerList(View(list), entries), 2);
    EXPECT_EQ(entries[0].ip, "127.0.0.61");
    EXPECT_EQ(entries[1].ip, "10.0.0.1");
    EXPECT_EQ(entries[1].port, "4242");

    const lab::RequestCounts counts = m_lab.Requests(QStringLiteral("127.0.0.60"));
    EXPECT_EQ(counts.description, 1);
    EXPECT_EQ(counts.serverList, 1);
}

TEST_F(UdpExchangeTest, ServerIsAskedOnItsListedPortPlusFour) {
    EXPECT_EQ(
        ParseDescription(View(Ask(QStringLiteral("127.0.0.66"), DescriptionRequest(), 2000, 4246))).name,
        "Lab 66");
    EXPECT_TRUE(Ask(QStringLiteral("127.0.0.66"), DescriptionRequest(), 300, 4242).isEmpty());
}

TEST_F(UdpExchangeTest, SilentServerGivesNothingAfterTheWait) {
    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(Ask(QStringLiteral("127.0.0.61"), DescriptionRequest(), 300).isEmpty());
    EXPECT_GE(clock.elapsed(), 290);
    EXPECT_EQ(m_lab.Requests(QStringLiteral("127.0.0.61")).description, 1);
}

TEST_F(UdpExchangeTest, NobodyListeningReadsAsNoAnswer) {
    EXPECT_TRUE(Ask(QStringLiteral("127.0.0.69"), DescriptionRequest(), 300).isEmpty());
}

TEST_F(UdpExchangeTest, WrongCodeAndGarbageComeBackButAreNoAnswers) {
    const QByteArray wrong = Ask(QStringLiteral("127.0.0.62"), DescriptionRequest(), 2000);
    ASSERT_FALSE(wrong.isEmpty());
    EXPECT_FALSE(IsDescriptionAnswer(View(wrong)));
    EXPECT_TRUE(IsServerListAnswer(View(wrong)));

    const QByteArray garbage = Ask(QStringLiteral("127.0.0.63"), ServerListRequest(), 2000);
    EXPECT_EQ(garbage.size(), 40);
    EXPECT_FALSE(IsServerListAnswer(View(garbage)));
    EXPECT_FALSE(IsDescriptionAnswer(View(garbage)));
}

TEST_F(UdpExchangeTest, KeepsAtMost8192BytesOfADatagram) {
    EXPECT_EQ(Ask(QStringLiteral("127.0.0.65"), ServerListRequest(), 2000).size(), kReceiveBufferSize);
}

TEST_F(UdpExchangeTest, LateAnswerCountsOnlyWithinTheWait) {
    EXPECT_TRUE(Ask(QStringLiteral("127.0.0.64"), DescriptionRequest(), 50).isEmpty());
    EXPECT_EQ(ParseDescription(View(Ask(QStringLiteral("127.0.0.64"), DescriptionRequest(), 3000))).name,
              "Lab 64");
}

TEST_F(UdpExchangeTest, DatagramsFromOtherAddressesAreDroppedWhileTheAnswerIsAwaited) {
    // The server answers 200 ms late; meanwhile junk from another address floods the socket.
    UdpExchange exchange;
    ASSERT_TRUE(exchange.Open(QStringLiteral("127.0.0.64"), 4665));
    ASSERT_TRUE(exchange.Send(Bytes(DescriptionRequest())));
    QUdpSocket sprayer;
    ASSERT_TRUE(sprayer.bind(QHostAddress(QStringLiteral("127.0.0.98")), 0));
    const QByteArray junk = Bytes(BuildDescriptionAnswer("junk", "junk"));
    for (int i = 0; i < 200; ++i) {
        sprayer.writeDatagram(junk, QHostAddress(QStringLiteral("127.0.0.1")), exchange.LocalPort());
    }
    const QByteArray answer = exchange.Receive(3000);
    EXPECT_EQ(ParseDescription(View(answer)).name, "Lab 64");
}

TEST_F(UdpExchangeTest, AskedPortOnlyDropsAnswersFromTheServersOtherPorts) {
    // Answers sprayed from another port of the server's own address: taken by the probe workers
    // (servers may answer from elsewhere), dropped by a directory's probe.
    for (const bool only : {false, true}) {
        SCOPED_TRACE(only);
        UdpExchange exchange;
        exchange.AnswerFromAskedPortOnly(only);
        ASSERT_TRUE(exchange.Open(QStringLiteral("127.0.0.64"), 4665));
        ASSERT_TRUE(exchange.Send(Bytes(DescriptionRequest())));
        QUdpSocket sprayer;
        ASSERT_TRUE(sprayer.bind(QHostAddress(QStringLiteral("127.0.0.64")), 0));
        sprayer.writeDatagram(Bytes(BuildDescriptionAnswer("spoofed", "x")),
                              QHostAddress(QStringLiteral("127.0.0.1")), exchange.LocalPort());
        EXPECT_EQ(ParseDescription(View(exchange.Receive(3000))).name, only ? "Lab 64" : "spoofed");
    }
}

TEST_F(UdpExchangeTest, StopEndsTheReceiveEarly) {
    UdpExchange exchange;
    ASSERT_TRUE(exchange.Open(QStringLiteral("127.0.0.61"), 4665));
    ASSERT_TRUE(exchange.Send(Bytes(DescriptionRequest())));
    QElapsedTimer clock;
    clock.start();
    int polls = 0;
    const QByteArray got = exchange.Receive(5000, [&] {
        ++polls;
        return clock.elapsed() >= 150;
    });
    EXPECT_TRUE(got.isEmpty());
    EXPECT_GE(polls, 2);
    EXPECT_LT(clock.elapsed(), 2500);
}

TEST_F(UdpExchangeTest, StopAlreadyRequestedReadsNothing) {
    UdpExchange exchange;
    ASSERT_TRUE(exchange.Open(QStringLiteral("127.0.0.60"), 4665));
    ASSERT_TRUE(exchange.Send(Bytes(DescriptionRequest())));
    EXPECT_TRUE(exchange.Receive(2000, [] { return true; }).isEmpty());
    // The answer was not consumed by the stopped receive.
    EXPECT_TRUE(IsDescriptionAnswer(View(exchange.Receive(2000))));
}

TEST(UdpExchange, UnopenedOrUnresolvableExchangeFailsQuietly) {
    UdpExchange exchange;
    EXPECT_FALSE(exchange.IsOpen());
    EXPECT_FALSE(exchange.Send(QByteArrayLiteral("x")));
    EXPECT_TRUE(exchange.Receive(10).isEmpty());
    EXPECT_FALSE(exchange.Open(QStringLiteral("::1"), 4665));  // IPv4 only
    EXPECT_FALSE(exchange.IsOpen());
    ASSERT_TRUE(exchange.Open(QStringLiteral("127.0.0.69"), 4665));
    EXPECT_TRUE(exchange.IsOpen());
    exchange.Close();
    EXPECT_FALSE(exchange.IsOpen());
    EXPECT_FALSE(exchange.Send(QByteArrayLiteral("x")));
}

TEST_F(UdpExchangeTest, ResolvesHostNames) {
    lab::Lab local;
    QString error;
    ASSERT_TRUE(local.StartServers(QStringLiteral("127.0.0.1 40661 answer name=local"), &error))
        << error.toStdString();
    EXPECT_EQ(
        ParseDescription(View(Ask(QStringLiteral("localhost"), DescriptionRequest(), 2000, 40665))).name,
        "local");
}

TEST_F(UdpExchangeTest, WorksOnAWorkerThreadWithoutAnEventLoop) {
    QByteArray got;
    std::unique_ptr<QThread> worker(
        QThread::create([&got] { got = Ask(QStringLiteral("127.0.0.60"), ServerListRequest(), 2000); }));
    worker->start();
    ASSERT_TRUE(worker->wait(5000));
    EXPECT_TRUE(IsServerListAnswer(View(got)));
}

}  // namespace
}  // namespace hublane::probe
