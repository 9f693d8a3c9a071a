// One EC session with a running aMule.
#include "clients/AmuleSession.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>

#include "clients/EcCodes.h"

namespace hublane::clients {
namespace {

std::array<std::uint8_t, 16> Md5(const std::string& text) {
    const QByteArray digest = QCryptographicHash::hash(
        QByteArray(text.data(), static_cast<qsizetype>(text.size())), QCryptographicHash::Md5);
    std::array<std::uint8_t, 16> out{};
    std::copy_n(reinterpret_cast<const std::uint8_t*>(digest.constData()), out.size(), out.begin());
    return out;
}

std::optional<std::array<std::uint8_t, 4>> AddressBytes(const std::string& ip) {
    std::array<std::uint8_t, 4> bytes{};
    std::size_t start = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        const std::size_t dot = i < 3 ? ip.find('.', start) : ip.size();
        if (dot == std::string::npos) {
            return std::nullopt;
        }
        bytes[i] = static_cast<std::uint8_t>(std::stoi(ip.substr(start, dot - start)));
        start = dot + 1;
    }
    return bytes;
}

std::string FailureText(const EcPacket& packet) {
    const EcTag* text = packet.Tag(ec::kTagString);
    return text != nullptr ? text->AsText().value_or(std::string()) : std::string();
}

}  // namespace

AmuleSession::AmuleSession(int replyTimeoutMs, int loginTimeoutMs)
    : m_replyTimeoutMs(replyTimeoutMs), m_loginTimeoutMs(loginTimeoutMs) {}

AmuleSession::~AmuleSession() {
    Close();
}

void AmuleSession::Close() {
    m_socket.abort();
    m_buffer.clear();
}

void AmuleSession::Abort() {
    if (Stopped()) {
        return;
    }
    Fail(EcFailure::Stopped);
    if (m_loop != nullptr) {
        m_loop->quit();
    }
}

bool AmuleSession::Fail(EcFailure failure, std::string detail) {
    m_failure = failure;
    m_detail = std::move(detail);
    Close();
    return false;
}

QString AmuleSession::Reason() const {
    const QString at = m_target.Text();
    QString detail = QString::fromStdString(m_detail);
    switch (m_failure) {
        case EcFailure::None:
            return {};
        case EcFailure::NotRunning:
            return QStringLiteral(
                       "aMule injoignable sur %1 : il n'est pas lancé, ou ses connexions externes (EC) "
                       "sont désactivées")
                .arg(at);
        case EcFailure::Unreachable:
            return QStringLiteral("aMule injoignable sur %1 : %2").arg(at, detail);
        case EcFailure::Refused:
            return detail.isEmpty()
                       ? QStringLiteral("aMule sur %1 a refusé la connexion EC").arg(at)
                       : QStringLiteral("aMule sur %1 a refusé la connexion EC (%2)").arg(at, detail);
        case EcFailure::WrongPassword:
            return QStringLiteral("aMule sur %1 a refusé le mot de passe EC").arg(at);
        case EcFailure::NoAnswer:
            return QStringLiteral("aMule sur %1 ne répond pas (rien en %2 s)")
                .arg(at)
                .arg(m_replyTimeoutMs / 1000.0);
        case EcFailure::Garbled:
            return QStringLiteral("aMule sur %1 a envoyé une réponse illisible (%2)").arg(at, detail);
        case EcFailure::Lost:
            return QStringLiteral("aMule sur %1 a fermé la connexion EC en cours de route").arg(at);
        case EcFailure::Stopped:
            return QStringLiteral("l'échange avec aMule sur %1 a été arrêté (le programme se ferme)").arg(at);
    }
    return detail;
}

bool AmuleSession::Login(const EcTarget& target) {
    m_target = target;
    m_reconnected = false;
    m_loginDeadline = QDateTime::currentMSecsSinceEpoch() + m_loginTimeoutMs;
    bool in = TryLogin();
    // amuled now and then answers a bare refusal, with none of its reasons, to a login that comes
    // while it still closes the connection before: it could not read our request. A second try a
    // moment later gets in; a refusal that says why is final.
    if (!in && m_failure == EcFailure::Refused && m_detail.empty() && Pause(kEcLoginRetryPauseMs)) {
        in = TryLogin();
    }
    m_loginDeadline = 0;  // from here on each reply has its own time
    return in;
}

bool AmuleSession::Pause(int ms) {
    if (QDateTime::currentMSecsSinceEpoch() + ms >= m_loginDeadline) {
        return false;
    }
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    m_loop = &loop;
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    m_loop = nullptr;
    return !Stopped();
}

bool AmuleSession::TryLogin() {
    Close();
    m_failure = EcFailure::None;
    m_detail.clear();
    m_version.clear();

    {
        QEventLoop loop;
        QTimer timer;
        timer.setSingleShot(true);
        QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
        QObject::connect(&m_socket, &QTcpSocket::connected, &loop, &QEventLoop::quit);
        QObject::connect(&m_socket, &QTcpSocket::errorOccurred, &loop, &QEventLoop::quit);
        m_socket.connectToHost(m_target.host, m_target.port);
        timer.start(RemainingWaitMs());
        if (m_socket.state() != QAbstractSocket::ConnectedState &&
            m_socket.state() != QAbstractSocket::UnconnectedState) {
            m_loop = &loop;
            loop.exec(QEventLoop::ExcludeUserInputEvents);
            m_loop = nullptr;
        }
        if (Stopped()) {
            return false;
        }
        if (m_socket.state() != QAbstractSocket::ConnectedState) {
            const auto error = m_socket.error();
            const std::string text = m_socket.errorString().toStdString();
            if (error == QAbstractSocket::ConnectionRefusedError) {
                return Fail(EcFailure::NotRunning);
            }
            if (!timer.isActive()) {
                return Fail(EcFailure::NoAnswer);
            }
            return Fail(EcFailure::Unreachable, text);
        }
    }

    EcPacket request{kEcFlagsPlain, ec::kOpAuthReq, {}};
    request.tags.push_back(EcTag::Text(ec::kTagClientName, "Hublane"));
    request.tags.push_back(EcTag::Text(ec::kTagClientVersion, "1.0"));
    request.tags.push_back(EcTag::Int(ec::kTagProtocolVersion, ec::kProtocolVersion));
    if (!Send(request)) {
        return false;
    }
    auto reply = Receive();
    if (!reply) {
        return false;
    }
    if (reply->opcode == ec::kOpAuthFail) {
        return Fail(EcFailure::Refused, FailureText(*reply));
    }
    const EcTag* saltTag = reply->Tag(ec::kTagPasswdSalt);
    const auto salt = saltTag != nullptr ? saltTag->AsInt() : std::nullopt;
    if (reply->opcode != ec::kOpAuthSalt || !salt) {
        return Fail(EcFailure::Garbled, "pas de sel de connexion");
    }
    EcPacket passwd{kEcFlagsPlain, ec::kOpAuthPasswd, {}};
    passwd.tags.push_back(EcTag::Hash(ec::kTagPasswdHash, EcLoginHash(m_target.passwordMd5Hex, *salt, Md5)));
    if (!Send(passwd)) {
        return false;
    }
    reply = Receive();
    if (!reply) {
        return false;
    }
    if (reply->opcode == ec::kOpAuthFail) {
        // aMule 2.3 answers "Authentication failed." for a wrong password, its only other refusal
        // at this step being a wrong protocol version, already passed.
        return Fail(EcFailure::WrongPassword, FailureText(*reply));
    }
    if (reply->opcode != ec::kOpAuthOk) {
        return Fail(EcFailure::Garbled, "réponse inattendue au mot de passe");
    }
    if (const EcTag* version = reply->Tag(ec::kTagServerVersion)) {
        m_version = version->AsText().value_or(std::string());
    }
    return true;
}

std::optional<EcPacket> AmuleSession::Exchange(const EcPacket& request) {
    if (Send(request)) {
        if (auto reply = Receive()) {
            return reply;
        }
    }
    if (!Reconnect()) {
        return std::nullopt;
    }
    return Send(request) ? Receive() : std::nullopt;
}

bool AmuleSession::Reconnect() {
    if (m_failure != EcFailure::Lost || m_reconnected) {
        return false;
    }
    const std::string lost = m_detail;
    const bool in = Login(m_target);
    m_reconnected = true;
    if (!in && !Stopped()) {
        // The loss is what went wrong; that the new connection failed too says less.
        m_failure = EcFailure::Lost;
        m_detail = lost;
    }
    return in;
}

std::optional<std::vector<AmuleServer>> AmuleSession::ServerList() {
    const auto reply = Exchange(EcPacket{kEcFlagsPlain, ec::kOpGetServerList, {}});
    if (!reply) {
        return std::nullopt;
    }
    if (reply->opcode != ec::kOpServerList) {
        Fail(EcFailure::Garbled, "pas de liste de serveurs");
        return std::nullopt;
    }
    std::vector<AmuleServer> servers;
    for (const EcTag& tag : reply->tags) {
        const auto address = tag.name == ec::kTagServer ? tag.AsIpv4() : std::nullopt;
        if (!address) {
            continue;
        }
        AmuleServer server{{address->first, address->second}, {}, false};
        if (const EcTag* name = tag.Child(ec::kTagServerName)) {
            server.name = name->AsText().value_or(std::string());
        }
        if (const EcTag* isStatic = tag.Child(ec::kTagServerStatic)) {
            server.isStatic = isStatic->AsInt().value_or(0) != 0;
        }
        servers.push_back(std::move(server));
    }
    return servers;
}

AddAnswer AmuleSession::AddServer(const ServerToAdd& server) {
    EcPacket add{kEcFlagsPlain, ec::kOpServerAdd, {}};
    add.tags.push_back(EcTag::Text(ec::kTagServerAddress, server.endpoint.Text()));
    add.tags.push_back(EcTag::Text(ec::kTagServerName, server.name));
    const auto reply = Exchange(add);
    if (!reply) {
        return AddAnswer::Failed;
    }
    return reply->opcode == ec::kOpNoop ? AddAnswer::Added : AddAnswer::Refused;
}

bool AmuleSession::RemoveServer(const ServerEndpoint& endpoint) {
    const auto bytes = AddressBytes(endpoint.ip);
    if (!bytes) {
        return true;  // no address aMule could hold
    }
    EcPacket remove{kEcFlagsPlain, ec::kOpServerRemove, {}};
    remove.tags.push_back(EcTag::Ipv4(ec::kTagServer, *bytes, endpoint.port));
    return Exchange(remove).has_value();
}

bool AmuleSession::UpdateServersFromUrl(const QString& url) {
    EcPacket update{kEcFlagsPlain, ec::kOpServerUpdateFromUrl, {}};
    update.tags.push_back(EcTag::Text(ec::kTagString, url.toStdString()));
    return Exchange(update).has_value();
}

bool AmuleSession::Send(const EcPacket& packet) {
    if (Stopped()) {
        return false;
    }
    if (m_socket.state() != QAbstractSocket::ConnectedState) {
        return Fail(EcFailure::Lost);
    }
    const std::string frame = EncodeEcFrame(packet);
    if (m_socket.write(frame.data(), static_cast<qint64>(frame.size())) !=
        static_cast<qint64>(frame.size())) {
        return Fail(EcFailure::Lost);
    }
    return true;
}

int AmuleSession::RemainingWaitMs() const {
    if (m_loginDeadline == 0) {
        return m_replyTimeoutMs;
    }
    return static_cast<int>(
        std::clamp<qint64>(m_loginDeadline - QDateTime::currentMSecsSinceEpoch(), 0, m_replyTimeoutMs));
}

std::optional<EcPacket> AmuleSession::Receive() {
    const int waitMs = RemainingWaitMs();
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(&m_socket, &QTcpSocket::readyRead, &loop, &QEventLoop::quit);
    QObject::connect(&m_socket, &QTcpSocket::disconnected, &loop, &QEventLoop::quit);
    QObject::connect(&m_socket, &QTcpSocket::errorOccurred, &loop, &QEventLoop::quit);
    timer.start(waitMs);
    while (true) {
        if (Stopped()) {
            return std::nullopt;
        }
        m_buffer += m_socket.readAll();
        const EcDecodeResult frame =
            DecodeEcFrame(std::string_view(m_buffer.constData(), static_cast<std::size_t>(m_buffer.size())));
        switch (frame.status) {
            case EcDecodeStatus::Ok:
                m_buffer.remove(0, static_cast<qsizetype>(frame.consumed));
                return frame.packet;
            case EcDecodeStatus::NeedMore:
                break;
            case EcDecodeStatus::TooLarge:
                Fail(EcFailure::Garbled, "trame trop grande");
                return std::nullopt;
            case EcDecodeStatus::Unsupported:
                Fail(EcFailure::Garbled, "trame compressée");
                return std::nullopt;
            case EcDecodeStatus::Malformed:
                Fail(EcFailure::Garbled, "trame mal formée");
                return std::nullopt;
        }
        if (m_socket.state() != QAbstractSocket::ConnectedState && m_socket.bytesAvailable() == 0) {
            // Closed before a whole answer came: during the login aMule refused us, after it aMule
            // went away.
            Fail(m_loginDeadline != 0 ? EcFailure::Refused : EcFailure::Lost);
            return std::nullopt;
        }
        if (!timer.isActive()) {
            Fail(EcFailure::NoAnswer);
            return std::nullopt;
        }
        if (m_socket.bytesAvailable() == 0) {
            m_loop = &loop;
            loop.exec(QEventLoop::ExcludeUserInputEvents);
            m_loop = nullptr;
        }
    }
}

}  // namespace hublane::clients
