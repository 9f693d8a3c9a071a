// One simulated eD2k server: a UDP socket on a loopback address answering as its behaviour says.
#include "lab/LabServer.h"

#include <QNetworkDatagram>
#include <QTimer>

#include "probe/Ed2kMessages.h"

namespace hublane::lab {
namespace {

QByteArray ToBytes(const std::string& s) {
    return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
}

// Noise that is the same on every run for a given server, with no answer code at byte 1.
QByteArray Garbage(const LabServerConfig& config) {
    quint32 state =
        QHostAddress(config.address).toIPv4Address() ^ (quint32{config.udpPort} << 16) ^ 0x9E3779B9u;
    QByteArray out(config.garbageBytes, '\0');
    for (char& c : out) {
        state = state * 1664525u + 1013904223u;
        c = static_cast<char>(state >> 24);
    }
    if (out.size() > 1 && (static_cast<std::uint8_t>(out[1]) == probe::kServerListAnswerCode ||
                           static_cast<std::uint8_t>(out[1]) == probe::kDescriptionAnswerCode)) {
        out[1] = 0;
    }
    return out;
}

}  // namespace

RequestKind KindOf(const QByteArray& datagram) {
    if (datagram.size() < 2 || static_cast<std::uint8_t>(datagram[0]) != probe::kEd2kProtocol) {
        return RequestKind::Other;
    }
    switch (static_cast<std::uint8_t>(datagram[1])) {
        case probe::kDescriptionRequestCode:
            return RequestKind::Description;
        case probe::kServerListRequestCode:
            return RequestKind::ServerList;
        default:
            return RequestKind::Other;
    }
}

std::optional<QByteArray> AnswerFor(const LabServerConfig& config, RequestKind kind) {
    if (kind == RequestKind::Other || config.behaviour == Behaviour::Silent) {
        return std::nullopt;
    }
    if (config.behaviour == Behaviour::Garbage) {
        return Garbage(config);
    }
    const bool wrong = config.behaviour == Behaviour::WrongCode;
    QByteArray answer;
    if (kind == RequestKind::Description) {
        answer = ToBytes(probe::BuildDescriptionAnswer(
            config.name, config.description, config.byte0,
            wrong ? probe::kServerListAnswerCode : probe::kDescriptionAnswerCode));
    } else {
        // The config parser only lets encodable entries through.
        answer = ToBytes(
            probe::BuildServerListAnswer(config.entries, config.byte0,
                                         wrong ? probe::kDescriptionAnswerCode : probe::kServerListAnswerCode)
                .value_or(std::string()));
    }
    if (config.behaviour == Behaviour::Truncated) {
        answer.chop(config.cutBytes);
    }
    return answer;
}

LabServer::LabServer(int index, LabServerConfig config, std::shared_ptr<LabCounters> counters)
    : m_index(index),
      m_config(std::move(config)),
      m_counters(std::move(counters)),
      m_peerHandler(kLabPeerPort) {
    connect(&m_socket, &QUdpSocket::readyRead, this, &LabServer::OnReadyRead);
    m_peerClock.start();
    for (const serverlist::SERVEUR& e : m_config.entries) {
        m_peerServers.AddServerRow(e.ip, e.port);
    }
    for (const std::string& p : m_config.peers) {
        m_peerPeers.AddPeerRow(p);
    }
}

void LabServer::OnPeerDatagram(const QByteArray& bytes, const QHostAddress& from) {
    ++m_counters->peer;
    emit RequestReceived(m_index, RequestKind::Other, from.toString());
    if (m_config.behaviour != Behaviour::Answer) {
        return;
    }
    const exchange::PeerOutcome outcome = m_peerHandler.Handle(
        std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
        from.toString().toStdString(), m_peerClock.elapsed(), m_peerServers, m_peerPeers);
    for (const exchange::PeerAnswer& a : outcome.answers) {
        m_socket.writeDatagram(ToBytes(a.bytes), QHostAddress(QString::fromStdString(a.address)),
                               kLabPeerPort);
    }
}

bool LabServer::Bind(QString* error) {
    if (m_socket.bind(QHostAddress(m_config.address), m_config.udpPort)) {
        return true;
    }
    if (error) {
        *error = m_config.address + u':' + QString::number(m_config.udpPort) + QStringLiteral(": ") +
                 m_socket.errorString();
    }
    return false;
}

void LabServer::OnReadyRead() {
    while (m_socket.hasPendingDatagrams()) {
        const QNetworkDatagram datagram = m_socket.receiveDatagram();
        if (!datagram.isValid()) {
            continue;
        }
        if (m_config.peer) {
            OnPeerDatagram(datagram.data(), datagram.senderAddress());
            continue;
        }
        const RequestKind kind = KindOf(datagram.data());
        switch (kind) {
            case RequestKind::Description:
                ++m_counters->description;
                break;
            case RequestKind::ServerList:
                ++m_counters->serverList;
                break;
            case RequestKind::Other:
                ++m_counters->other;
                break;
        }
        const QHostAddress to = datagram.senderAddress();
        const quint16 port = static_cast<quint16>(datagram.senderPort());
        emit RequestReceived(m_index, kind, to.toString() + u':' + QString::number(port));
        const std::optional<QByteArray> answer = AnswerFor(m_config, kind);
        if (!answer) {
            continue;
        }
        if (m_config.behaviour == Behaviour::Late) {
            QTimer::singleShot(m_config.delayMs, this,
                               [this, a = *answer, to, port] { m_socket.writeDatagram(a, to, port); });
        } else {
            m_socket.writeDatagram(*answer, to, port);
        }
    }
}

}  // namespace hublane::lab
