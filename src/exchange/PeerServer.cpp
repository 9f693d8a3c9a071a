// The peer server of one copy and the asking side of the peer protocol.
#include "exchange/PeerServer.h"

#include <QHostInfo>
#include <QNetworkDatagram>
#include <stdexcept>

#include "platform/Clock.h"
#include "probe/Ed2kMessages.h"
#include "serverlist/CycleState.h"
#include "serverlist/UiWaits.h"

namespace hublane::exchange {
namespace {

constexpr int kWaitStepMs = 100;

QByteArray Bytes(const std::string& s) {
    return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
}

std::string_view View(const QByteArray& b) {
    return {b.constData(), static_cast<std::size_t>(b.size())};
}

// The IPv4 text of a sender ("198.51.100.7"), also when the socket reports it v4-mapped.
std::string SenderText(const QHostAddress& address) {
    bool ok = false;
    const quint32 v4 = address.toIPv4Address(&ok);
    if (!ok) {
        return address.toString().toStdString();
    }
    return probe::AddressText(static_cast<std::uint8_t>(v4 >> 24), static_cast<std::uint8_t>(v4 >> 16),
                              static_cast<std::uint8_t>(v4 >> 8), static_cast<std::uint8_t>(v4));
}

// The first IPv4 address of host, looked up without blocking the GUI thread (events are processed
// while the resolver works); null when there is none within the wait.
QHostAddress Resolve(const QString& host, serverlist::UiWaits& waits) {
    QHostAddress address;
    if (address.setAddress(host)) {
        return address.protocol() == QAbstractSocket::IPv4Protocol ? address : QHostAddress();
    }
    bool done = false;
    QHostAddress found;
    QObject context;
    QHostInfo::lookupHost(host, &context, [&done, &found, &waits](const QHostInfo& info) {
        for (const QHostAddress& a : info.addresses()) {
            if (a.protocol() == QAbstractSocket::IPv4Protocol) {
                found = a;
                break;
            }
        }
        done = true;
        waits.NotifyStateChanged();
    });
    const std::int64_t end = waits.Clock().NowMs() + kDirectAnswerWaitMs;
    while (!done && !waits.Terminating() && waits.Clock().NowMs() < end) {
        waits.UiWait(kWaitStepMs, [&done] { return done; });
    }
    return found;
}

}  // namespace

PeerServer::PeerServer(serverlist::CycleState& state, serverlist::UiWaits& waits,
                       serverlist::WebDirectoryPart& web, platform::CopyAddress address,
                       probe::AddressTest blocked, QObject* parent)
    : QObject(parent),
      m_state(state),
      m_waits(waits),
      m_web(web),
      m_address(std::move(address)),
      m_handler(m_address.peerPort, std::move(blocked)) {
    m_handler.SetSelf(m_address.SelfAddress().toStdString(), !m_address.HasOwnAddress());
    m_handler.SetAsks(m_state.peerAsks);
    connect(&m_socket, &QUdpSocket::readyRead, this, &PeerServer::ReadPending);
}

bool PeerServer::Listen(QString* error) {
    if (Listening()) {
        return true;
    }
    // Not shared: a second copy on the same address and port must fail to bind, not steal
    // half of the datagrams.
    if (!m_socket.bind(m_address.bind, m_address.peerPort, QAbstractSocket::DontShareAddress)) {
        if (error) {
            *error = m_socket.errorString();
        }
        return false;
    }
    return true;
}

void PeerServer::StartPeerServer() {
    QString error;
    if (!Listen(&error)) {
        throw std::runtime_error(QStringLiteral("Le serveur Hublane ne peut pas écouter sur %1:%2 : %3")
                                     .arg(m_address.bind.toString())
                                     .arg(m_address.peerPort)
                                     .arg(error)
                                     .toStdString());
    }
    // The start-up check: a ping to this copy's own peer server, answered to its peer port.
    const QString self = m_address.SelfAddress();
    QUdpSocket client;
    const std::uint64_t pongsBefore = m_selfPongs;
    m_state.peerAsks.Note(self.toStdString(), serverlist::PeerAsk::Ping, m_waits.Clock().NowMs());
    if (client.bind(m_address.bind, 0) &&
        client.writeDatagram(Bytes(probe::PeerRequest(probe::PeerKind::Ping)), QHostAddress(self),
                             m_address.peerPort) > 0) {
        const auto ponged = [this, pongsBefore] { return m_selfPongs != pongsBefore; };
        const std::int64_t end = m_waits.Clock().NowMs() + kDirectAnswerWaitMs;
        while (!ponged() && !m_waits.Terminating() && m_waits.Clock().NowMs() < end) {
            m_waits.UiWait(kWaitStepMs, ponged);
        }
    }
    m_web.AnnounceToWeb();
}

void PeerServer::AskPeerForServers(const QString& host) {
    const QHostAddress target = Resolve(host, m_waits);
    if (target.isNull()) {
        return;  // a name that does not resolve ends it silently
    }
    QUdpSocket asking;
    // The asked copy answers to the peer port too: its lists are taken there for a minute.
    m_state.peerAsks.Note(SenderText(target), serverlist::PeerAsk::Servers, m_waits.Clock().NowMs());
    if (!asking.bind(m_address.bind, 0) ||
        asking.writeDatagram(Bytes(probe::PeerRequest(probe::PeerKind::GetServers)), target,
                             m_address.peerPort) <= 0) {
        return;
    }
    const std::int64_t end = m_waits.Clock().NowMs() + kDirectAnswerWaitMs;
    const auto arrived = [&asking] { return asking.hasPendingDatagrams(); };
    QMetaObject::Connection wake =
        connect(&asking, &QUdpSocket::readyRead, &m_waits, &serverlist::UiWaits::NotifyStateChanged);
    while (!arrived() && !m_waits.Terminating() && m_waits.Clock().NowMs() < end) {
        m_waits.UiWait(kWaitStepMs, arrived);
    }
    disconnect(wake);
    if (!arrived()) {
        return;
    }
    const QNetworkDatagram datagram = asking.receiveDatagram(static_cast<qint64>(kPeerDatagramMax));
    const QByteArray bytes = datagram.data();
    if (!probe::IsPeerMessage(View(bytes), probe::PeerKind::Servers)) {
        return;
    }
    serverlist::EntryTable entries{};
    const int count = probe::ParseServerList(View(bytes), entries);
    m_state.serverCounter +=
        probe::MergeServerEntries(m_state.Servers(), entries, count, m_handler.Blocked());
}

void PeerServer::ReadPending() {
    while (m_socket.hasPendingDatagrams()) {
        const QNetworkDatagram datagram = m_socket.receiveDatagram(static_cast<qint64>(kPeerDatagramMax));
        if (!datagram.isValid()) {
            // A read error (an ICMP refusal of an earlier answer, for one) drops only that
            // datagram.
            if (m_socket.pendingDatagramSize() < 0) {
                break;
            }
            continue;
        }
        const QByteArray bytes = datagram.data();
        const PeerOutcome outcome =
            m_handler.Handle(View(bytes), SenderText(datagram.senderAddress()), m_waits.Clock().NowMs(),
                             m_state.Servers(), m_state.Peers());
        m_state.serverCounter += outcome.serverCounterRaise;
        m_selfPongs += outcome.selfPong ? 1 : 0;
        for (const PeerAnswer& answer : outcome.answers) {
            m_socket.writeDatagram(Bytes(answer.bytes), QHostAddress(QString::fromStdString(answer.address)),
                                   m_address.peerPort);
        }
        ++m_handled;
        emit DatagramHandled();
        m_waits.NotifyStateChanged();
    }
}

}  // namespace hublane::exchange
