// One UDP exchange of a probe: a socket of its own, one datagram out, at most one datagram back.
#include "probe/UdpExchange.h"

#include <QDeadlineTimer>
#include <QHostAddress>
#include <QHostInfo>
#include <QUdpSocket>
#include <algorithm>

namespace hublane::probe {
namespace {

constexpr int kPollStepMs = 100;

}  // namespace

QHostAddress ResolveIpv4(const QString& host) {
    QHostAddress address;
    if (address.setAddress(host)) {
        return address.protocol() == QAbstractSocket::IPv4Protocol ? address : QHostAddress();
    }
    const QHostInfo info = QHostInfo::fromName(host);
    if (info.error() != QHostInfo::NoError) {
        return {};
    }
    for (const QHostAddress& a : info.addresses()) {
        if (a.protocol() == QAbstractSocket::IPv4Protocol) {
            return a;
        }
    }
    return {};
}

struct UdpExchange::Impl {
    std::unique_ptr<QUdpSocket> socket;
    QHostAddress remote;
    quint16 port = 0;
};

UdpExchange::UdpExchange() : m_impl(std::make_unique<Impl>()) {}

UdpExchange::~UdpExchange() {
    Close();
}

bool UdpExchange::Open(const QString& host, quint16 port, const QHostAddress& bind) {
    Close();
    const QHostAddress remote = ResolveIpv4(host);
    if (remote.isNull()) {
        return false;
    }
    auto socket = std::make_unique<QUdpSocket>();
    if (!socket->bind(bind, 0)) {
        return false;
    }
    m_impl->socket = std::move(socket);
    m_impl->remote = remote;
    m_impl->port = port;
    return true;
}

bool UdpExchange::IsOpen() const {
    return m_impl->socket != nullptr;
}

bool UdpExchange::Send(const QByteArray& datagram) {
    if (!m_impl->socket) {
        return false;
    }
    return m_impl->socket->writeDatagram(datagram, m_impl->remote, m_impl->port) == datagram.size();
}

quint16 UdpExchange::LocalPort() const {
    return m_impl->socket ? m_impl->socket->localPort() : 0;
}

QByteArray UdpExchange::Receive(int timeoutMs, const std::function<bool()>& stop) {
    QUdpSocket* socket = m_impl->socket.get();
    if (!socket) {
        return {};
    }
    const QDeadlineTimer deadline(std::max(timeoutMs, 0));
    for (;;) {
        if (stop && stop()) {
            return {};
        }
        while (socket->hasPendingDatagrams()) {
            const qint64 pending = socket->pendingDatagramSize();
            QByteArray datagram(static_cast<qsizetype>(std::clamp<qint64>(pending, 0, kReceiveBufferSize)),
                                '\0');
            QHostAddress sender;
            quint16 senderPort = 0;
            const qint64 read = socket->readDatagram(datagram.data(), datagram.size(), &sender, &senderPort);
            if (read < 0) {
                return {};
            }
            // Only the address asked answers (at the port asked, when so set); anything else that
            // reaches the socket is dropped.
            if (sender.isEqual(m_impl->remote, QHostAddress::TolerantConversion) &&
                (!m_askedPortOnly || senderPort == m_impl->port)) {
                datagram.truncate(static_cast<qsizetype>(read));
                return datagram;
            }
        }
        const qint64 left = deadline.remainingTime();
        if (left <= 0) {
            return {};
        }
        if (!socket->waitForReadyRead(static_cast<int>(std::min<qint64>(left, kPollStepMs))) &&
            socket->error() != QAbstractSocket::SocketTimeoutError) {
            // A socket error (an ICMP refusal, for one) ends the exchange as if nothing came.
            return {};
        }
    }
}

void UdpExchange::Close() {
    if (m_impl && m_impl->socket) {
        m_impl->socket->close();
        m_impl->socket.reset();
    }
}

}  // namespace hublane::probe
