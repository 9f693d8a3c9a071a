// The peer server on its own loopback address, spoken to by plain UDP sockets as another copy
// would: answers go to the requester's peer port, the start-up check, a port already taken, and
// asking another copy for its servers.
#include "exchange/PeerServer.h"

#include <gtest/gtest.h>
#include <QNetworkDatagram>
#include <QUdpSocket>

#include "lab/Lab.h"
#include "probe/Ed2kMessages.h"
#include "support/EngineRig.h"
#include "support/TestSupport.h"

namespace hublane::exchange {
namespace {

using probe::PeerKind;

QByteArray Bytes(const std::string& s) {
    return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
}

app::EngineOptions At(const char* address) {
    app::EngineOptions options;
    options.address.bind = QHostAddress(QString::fromLatin1(address));
    return options;
}

// Another copy, seen from the outside: its peer port, and a socket with a port of its own.
struct OtherCopy {
    explicit OtherCopy(const char* address) : host(QString::fromLatin1(address)) {
        EXPECT_TRUE(peerPort.bind(host, 3077));
        EXPECT_TRUE(ephemeral.bind(host, 0));
    }
    void Send(PeerKind kind, const char* to) {
        ephemeral.writeDatagram(Bytes(probe::PeerRequest(kind)), QHostAddress(QString::fromLatin1(to)), 3077);
    }
    // Datagrams that came to the peer port within ms (events pumped meanwhile).
    std::vector<QByteArray> Collect(int ms, std::size_t atLeast = 1) {
        std::vector<QByteArray> got;
        test::WaitFor(
            [&] {
                while (peerPort.hasPendingDatagrams())
                    got.push_back(peerPort.receiveDatagram().data());
                return got.size() >= atLeast;
            },
            ms);
        return got;
    }
    QHostAddress host;
    QUdpSocket peerPort;
    QUdpSocket ephemeral;
};

TEST(PeerServerTest, AnswersGoToTheRequestersPeerPortAndTheSenderBecomesAPeer) {
    test::EngineRig rig(At("127.0.0.2"));
    auto& state = rig.State();
    const auto now = [&rig] { return rig.Waits().Clock().NowMs(); };
    for (int i = 1; i <= 51; ++i)
        state.Servers().AddServerRow("198.51.100." + std::to_string(i), "4661");
    ASSERT_TRUE(rig.engine->PeerServer().Listen());
    OtherCopy other("127.0.0.3");

    // A pong nobody asked for sets nothing; a list nobody asked for is dropped.
    const auto list =
        probe::BuildListDatagram(PeerKind::Servers, {{"4661", "198.51.101.1"}, {"4242", "198.51.101.2"}});
    other.Send(PeerKind::Pong, "127.0.0.2");
    other.ephemeral.writeDatagram(Bytes(*list), QHostAddress(QStringLiteral("127.0.0.2")), 3077);
    other.Send(PeerKind::Ping, "127.0.0.2");
    const std::vector<QByteArray> pong = other.Collect(3000);
    ASSERT_EQ(pong.size(), 1u);
    EXPECT_EQ(pong[0], QByteArray("\x9F"));
    ASSERT_EQ(state.Peers().FindExact("127.0.0.3"), 0);
    EXPECT_FALSE(state.Peers().Row(0).answered);
    EXPECT_EQ(state.Servers().Count(), 51u);

    // Once this copy pinged it and it answered, it is a copy: its answered flag is set, it gets the
    // whole table, and its server list is merged by the port-4661 rule once asked for.
    state.peerAsks.Note("127.0.0.3", serverlist::PeerAsk::Ping, now());
    other.Send(PeerKind::Pong, "127.0.0.2");
    EXPECT_TRUE(test::WaitFor([&] { return state.Peers().Row(0).answered; }, 3000));
    other.Send(PeerKind::GetServers, "127.0.0.2");
    const std::vector<QByteArray> lists = other.Collect(3000, 2);
    ASSERT_EQ(lists.size(), 2u);
    EXPECT_EQ(lists[0].size(), 304);
    EXPECT_EQ(lists[1].size(), 10);
    EXPECT_FALSE(other.ephemeral.hasPendingDatagrams());  // never to the port it came from
    state.peerAsks.Note("127.0.0.3", serverlist::PeerAsk::Servers, now());
    other.ephemeral.writeDatagram(Bytes(*list), QHostAddress(QStringLiteral("127.0.0.2")), 3077);
    EXPECT_TRUE(test::WaitFor([&] { return state.Servers().Count() == 52; }, 3000));
    EXPECT_EQ(state.Servers().FindExact("198.51.101.2"), -1);
    EXPECT_EQ(state.serverCounter, 1);

    // A stranger gets the first datagram only.
    OtherCopy stranger("127.0.0.61");
    stranger.Send(PeerKind::GetServers, "127.0.0.2");
    const std::vector<QByteArray> first = stranger.Collect(3000);
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first[0].size(), 304);
    EXPECT_TRUE(stranger.Collect(300, 2).empty());
}

TEST(PeerServerTest, StartUpCheckEndsWithTheCopysOwnPongAndASecondStartDoesNotRebind) {
    test::EngineRig rig(At("127.0.0.4"));
    exchange::PeerServer& server = rig.engine->PeerServer();
    for (int start = 0; start < 2; ++start) {
        rig.Waits().ResetWaitCounter();
        EXPECT_NO_THROW(server.StartPeerServer());  // the second start re-runs the check on the same socket
        ASSERT_TRUE(server.Listening());
        // The pong came back at once: far fewer than the fifty 100 ms waits of the bound.
        EXPECT_LT(rig.Waits().WaitCounter(), 20);
    }
    // A copy with an address of its own is never its own peer.
    EXPECT_EQ(rig.State().Peers().FindExact("127.0.0.4"), -1);
}

TEST(PeerServerTest, APortAlreadyTakenReachesTheCycleAsAnErrorWithTheSocketsMessage) {
    QUdpSocket holder;
    ASSERT_TRUE(holder.bind(QHostAddress(QStringLiteral("127.0.0.5")), 3077));
    test::EngineRig rig(At("127.0.0.5"));
    try {
        rig.engine->PeerServer().StartPeerServer();
        FAIL() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("127.0.0.5:3077"), std::string::npos) << e.what();
    }
    // In the cycle the taken port is said in the status line, never in a box, and the cycle goes
    // on to its end, whose summary repeats it.
    rig.Window().Show();
    EXPECT_TRUE(rig.prompts.escaped.isEmpty());
    EXPECT_TRUE(rig.status.captions.last().startsWith(QStringLiteral("Cycle terminé")));
    EXPECT_TRUE(rig.status.captions.last().contains(QStringLiteral("127.0.0.5:3077")))
        << rig.status.captions.last().toStdString();
}

TEST(PeerServerTest, AskingAnotherCopyTakesEveryPortOfTheAnswerOnTheAskingSocket) {
    test::EngineRig rig(At("127.0.0.6"));
    // A copy that answers to the port the request came from (the asking socket).
    QUdpSocket responder;
    ASSERT_TRUE(responder.bind(QHostAddress(QStringLiteral("127.0.0.7")), 3077));
    QObject::connect(&responder, &QUdpSocket::readyRead, &responder, [&responder] {
        const QNetworkDatagram request = responder.receiveDatagram();
        const auto list = probe::BuildListDatagram(
            PeerKind::Servers, {{"4661", "198.51.102.1"}, {"4242", "198.51.102.2"}, {"80", "10.0.0.1"}});
        responder.writeDatagram(Bytes(*list), request.senderAddress(),
                                static_cast<quint16>(request.senderPort()));
    });
    rig.State().Controls().hblServer = QStringLiteral("127.0.0.7");
    rig.Window().BtnAskPeerClick();
    ASSERT_EQ(rig.State().Servers().Count(), 2u);
    EXPECT_EQ(rig.State().Servers().Row(1).caption, "198.51.102.2");
    EXPECT_EQ(rig.State().serverCounter, 3);  // 10.0.0.1 is counted, too short to be a row
    // A name that does not resolve ends it silently.
    rig.State().Controls().hblServer = QStringLiteral("no-such-copy.invalid");
    EXPECT_NO_THROW(rig.Window().BtnAskPeerClick());
    EXPECT_EQ(rig.State().Servers().Count(), 2u);
}

TEST(PeerServerTest, ThePeerPingCampaignKeepsTheCopiesThatAnswer) {
    lab::Lab lab;
    QString error;
    ASSERT_TRUE(lab.StartServers(QStringLiteral("127.0.0.40 peer answer\n127.0.0.41 peer silent\n"), &error))
        << error.toStdString();
    test::EngineRig rig(At("127.0.0.8"));
    ASSERT_TRUE(rig.engine->PeerServer().Listen());
    rig.State().Peers().AddPeerRow("127.0.0.40");
    rig.State().Peers().AddPeerRow("127.0.0.41");
    rig.State().Controls().checked = serverlist::ProbeKind::PingHBL;
    rig.Window().BtnLancerClick();
    ASSERT_EQ(rig.State().Peers().Count(), 1u);
    EXPECT_EQ(rig.State().Peers().Row(0).caption, "127.0.0.40");
    EXPECT_EQ(lab.Requests(QStringLiteral("127.0.0.41")).peer, 1);
}

}  // namespace
}  // namespace hublane::exchange
