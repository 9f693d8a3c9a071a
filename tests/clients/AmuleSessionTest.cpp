// The EC session against stand-ins on loopback for what a real aMule cannot be made to do: never
// answer, hang up at once, send bytes that are no EC, refuse the login for a reason of its own.
#include "clients/AmuleSession.h"

#include <gtest/gtest.h>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>

#include "clients/EcCodes.h"

namespace hublane::clients {
namespace {

enum class Behaviour { Silent, HangUp, Junk, AuthFail, HugeFrame, BareRefusalFirst };

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
        }
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
