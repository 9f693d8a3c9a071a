// The EC session against stand-ins on loopback for what a real aMule cannot be made to do: never
// answer, hang up at once, send bytes that are no EC, refuse the login for a reason of its own,
// or hang up on the first connection once it is in.
#include "clients/AmuleSession.h"

#include <gtest/gtest.h>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>

#include "clients/EcCodes.h"

namespace hublane::clients {
namespace {

enum class Behaviour {
    Silent,
    HangUp,
    Junk,
    AuthFail,
    HugeFrame,
    BareRefusalFirst,
    HangUpOnListFirst,
    HangUpOnEveryList
};

// Accepts every connection on 127.0.0.1 and behaves as told with it.
class StandIn {
  public:
    explicit StandIn(Behaviour behaviour) : m_behaviour(behaviour) {
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] { Accept(); });
        EXPECT_TRUE(m_server.listen(QHostAddress(QStringLiteral("127.0.0.1")), 0));
    }
    EcTarget Target() const { return {QStringLiteral("127.0.0.1"), m_server.serverPort(), "00"}; }
    int Connections() const { return m_connections; }

  private:
    void Accept() {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            ++m_connections;
            socket->setProperty("first", m_connections == 1);
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { Answer(socket); });
        }
    }
    void Answer(QTcpSocket* socket) {
        const QByteArray request = socket->readAll();
        switch (m_behaviour) {
            case Behaviour::Silent:
                break;
            case Behaviour::HangUp:
                socket->disconnectFromHost();
                break;
            case Behaviour::Junk:
                socket->write("HTTP/1.1 400 Bad Request\r\n\r\n");
                break;
            case Behaviour::AuthFail: {
                const EcPacket fail{kEcFlagsPlain,
                                    ec::kOpAuthFail,
                                    {EcTag::Text(ec::kTagString, "Invalid protocol version.")}};
                socket->write(QByteArray::fromStdString(EncodeEcFrame(fail)));
                break;
            }
            case Behaviour::HugeFrame:
                socket->write(QByteArray::fromHex("0000002001000001"));
                break;
            case Behaviour::BareRefusalFirst:
                socket->write(QByteArray::fromStdString(EncodeEcFrame(LoginAnswer(request))));
                break;
            case Behaviour::HangUpOnListFirst:
            case Behaviour::HangUpOnEveryList:
                HangUpOnList(socket, request);
                break;
        }
    }
    // Logs every connection in; the first (or every one) is dropped when it asks for the list, the
    // next ones get a list of one server.
    void HangUpOnList(QTcpSocket* socket, const QByteArray& request) {
        const auto asked = DecodeEcFrame(std::string_view(request.constData(), request.size()));
        EcPacket answer{kEcFlagsPlain, ec::kOpAuthOk, {}};
        if (asked.status == EcDecodeStatus::Ok && asked.packet.opcode == ec::kOpAuthReq) {
            answer = {kEcFlagsPlain, ec::kOpAuthSalt, {EcTag::Int(ec::kTagPasswdSalt, 42)}};
        } else if (asked.status == EcDecodeStatus::Ok && asked.packet.opcode == ec::kOpGetServerList) {
            if (socket->property("first").toBool() || m_behaviour == Behaviour::HangUpOnEveryList) {
                socket->disconnectFromHost();
                return;
            }
            EcTag server = EcTag::Ipv4(ec::kTagServer, {198, 51, 100, 7}, 4661);
            server.children.push_back(EcTag::Text(ec::kTagServerName, "Seven"));
            answer = {kEcFlagsPlain, ec::kOpServerList, {server}};
        }
        socket->write(QByteArray::fromStdString(EncodeEcFrame(answer)));
    }
    // The first connection gets a refusal that gives no reason; the next ones a whole login.
    EcPacket LoginAnswer(const QByteArray& request) const {
        const auto asked = DecodeEcFrame(std::string_view(request.constData(), request.size()));
        if (m_connections == 1 || asked.status != EcDecodeStatus::Ok) {
            return {kEcFlagsPlain, ec::kOpAuthFail, {}};
        }
        if (asked.packet.opcode == ec::kOpAuthReq) {
            return {kEcFlagsPlain, ec::kOpAuthSalt, {EcTag::Int(ec::kTagPasswdSalt, 42)}};
        }
        return {kEcFlagsPlain, ec::kOpAuthOk, {}};
    }

    Behaviour m_behaviour;
    int m_connections = 0;
    QTcpServer m_server;
};

struct SessionCase {
    const char* name;
    Behaviour behaviour;
    EcFailure failure;
    const char* reason;
};

void PrintTo(const SessionCase& c, std::ostream* os) {
    *os << c.name;
}

class SessionFailures : public ::testing::TestWithParam<SessionCase> {};

TEST_P(SessionFailures, EndTheLoginWithTheirReason) {
    const SessionCase& c = GetParam();
    StandIn standIn(c.behaviour);
    AmuleSession session(300, 1000);
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(session.Login(standIn.Target()));
    EXPECT_LT(timer.elapsed(), 3000);
    EXPECT_EQ(session.Failure(), c.failure);
    EXPECT_TRUE(session.Reason().contains(QString::fromUtf8(c.reason))) << session.Reason().toStdString();
    EXPECT_TRUE(session.Reason().contains(standIn.Target().Text())) << session.Reason().toStdString();
    // Only a refusal that gives no reason is worth a second try.
    EXPECT_EQ(standIn.Connections(), c.behaviour == Behaviour::HangUp ? 2 : 1);
}

TEST(AmuleSession, TriesOnceMoreWhenTheLoginIsRefusedWithoutAReason) {
    StandIn standIn(Behaviour::BareRefusalFirst);
    AmuleSession session(300, 1000);
    EXPECT_TRUE(session.Login(standIn.Target())) << session.Reason().toStdString();
    EXPECT_EQ(standIn.Connections(), 2);
}

TEST(AmuleSession, AsksForTheListAgainWhenTheConnectionIsDroppedBeforeIt) {
    StandIn standIn(Behaviour::HangUpOnListFirst);
    AmuleSession session(300, 1000);
    ASSERT_TRUE(session.Login(standIn.Target())) << session.Reason().toStdString();
    const auto list = session.ServerList();
    ASSERT_TRUE(list.has_value()) << session.Reason().toStdString();
    EXPECT_EQ(*list, (std::vector<AmuleServer>{{{"198.51.100.7", 4661}, "Seven", false}}));
    EXPECT_EQ(standIn.Connections(), 2);

    // Once a login: an aMule that keeps dropping the connection is lost for good.
    StandIn dropping(Behaviour::HangUpOnEveryList);
    ASSERT_TRUE(session.Login(dropping.Target())) << session.Reason().toStdString();
    EXPECT_FALSE(session.ServerList().has_value());
    EXPECT_EQ(session.Failure(), EcFailure::Lost);
    EXPECT_EQ(dropping.Connections(), 2);
}

INSTANTIATE_TEST_SUITE_P(
    StandIns, SessionFailures,
    ::testing::Values(
        SessionCase{"NeverAnswers", Behaviour::Silent, EcFailure::NoAnswer, "ne répond pas"},
        SessionCase{"HangsUp", Behaviour::HangUp, EcFailure::Refused, "a refusé la connexion EC"},
        SessionCase{"SendsNoEc", Behaviour::Junk, EcFailure::Garbled, "réponse illisible"},
        SessionCase{"RefusesTheLogin", Behaviour::AuthFail, EcFailure::Refused,
                    "a refusé la connexion EC (Invalid protocol version.)"},
        SessionCase{"AnnouncesAHugeFrame", Behaviour::HugeFrame, EcFailure::Garbled, "trop grande"}),
    [](const ::testing::TestParamInfo<SessionCase>& p) { return std::string(p.param.name); });

}  // namespace
}  // namespace hublane::clients
