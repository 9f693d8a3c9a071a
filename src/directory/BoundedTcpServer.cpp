// A TCP server that keeps its connections within bounds before the HTTP layer.
#include "directory/BoundedTcpServer.h"

#include <QTcpSocket>
#include <QTimer>
#include <cstdint>
#include <limits>
#include <utility>

#include "directory/AddressRules.h"
#include "directory/RequestHead.h"

namespace hublane::directory {
namespace {

QString ClientOf(const QHostAddress& address) {
    return QString::fromStdString(ClientKey(address.toString().toStdString()));
}

// The answer to a head the HTTP layer is not given, written here before the connection closes.
QByteArray Refusal(RequestHeadScanner::Verdict verdict) {
    const QByteArray status = verdict == RequestHeadScanner::Verdict::TooLarge
                                  ? QByteArrayLiteral("431 Request Header Fields Too Large")
                                  : QByteArrayLiteral("400 Bad Request");
    return QByteArrayLiteral("HTTP/1.1 ") + status +
           QByteArrayLiteral("\r\nConnection: close\r\nContent-Length: 0\r\n\r\n");
}

}  // namespace

struct BoundedTcpServer::Connection {
    QString client;
    std::uint64_t accepted = 0;  // its place in the order of arrival
    RequestHeadScanner scanner;
    qint64 received = 0;
    bool refused = false;
};

BoundedTcpServer::BoundedTcpServer(ConnectionBounds bounds, QObject* parent)
    : QTcpServer(parent), m_bounds(bounds) {}

BoundedTcpServer::~BoundedTcpServer() {
    // The sockets are children: they go with this object; nothing is counted any more.
    for (auto it = m_open.begin(); it != m_open.end(); ++it) {
        disconnect(it.key(), nullptr, this, nullptr);
    }
}

bool BoundedTcpServer::MakeRoom() {
    if (m_open.size() < m_bounds.maxConnections) {
        return true;
    }
    // The one that has sent least of its head; of those, the oldest, idle the longest (the table's
    // own order would make the choice a matter of chance).
    QTcpSocket* least = nullptr;
    std::pair<std::size_t, std::uint64_t> leastRank{std::numeric_limits<std::size_t>::max(), 0};
    for (auto it = m_open.cbegin(); it != m_open.cend(); ++it) {
        const std::pair<std::size_t, std::uint64_t> rank{it.value()->scanner.HeadBytes(),
                                                         it.value()->accepted};
        if (!it.value()->refused && rank < leastRank) {
            least = it.key();
            leastRank = rank;
        }
    }
    if (least == nullptr) {
        return false;
    }
    // Counted out at once; the HTTP layer deletes the socket once it has seen it close.
    Forget(least);
    least->abort();
    least->deleteLater();
    return true;
}

void BoundedTcpServer::Forget(QTcpSocket* socket) {
    const auto it = m_open.find(socket);
    if (it == m_open.end()) {
        return;
    }
    const QString client = it.value()->client;
    m_open.erase(it);
    if (--m_perClient[client] <= 0) {
        m_perClient.remove(client);
    }
}

void BoundedTcpServer::incomingConnection(qintptr socketDescriptor) {
    auto* socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(socketDescriptor)) {
        delete socket;
        return;
    }
    const QString client = ClientOf(socket->peerAddress());
    if (m_perClient.value(client) >= m_bounds.maxPerClient || !MakeRoom()) {
        socket->abort();
        delete socket;
        return;
    }
    auto connection = std::make_shared<Connection>();
    connection->client = client;
    connection->accepted = m_accepted++;
    m_open.insert(socket, connection);
    ++m_perClient[client];
    connect(socket, &QObject::destroyed, this, [this, socket] { Forget(socket); });
    Watch(socket, connection);
    // QTcpServer announces the connection itself once this returns.
    addPendingConnection(socket);
}

void BoundedTcpServer::Watch(QTcpSocket* socket, const std::shared_ptr<Connection>& connection) {
    auto* idle = new QTimer(socket);
    idle->setSingleShot(true);
    idle->setInterval(m_bounds.idleMs);
    connect(idle, &QTimer::timeout, socket, [socket] { socket->abort(); });
    idle->start();
    // A head must be whole within its deadline however slowly its bytes come: each byte renews
    // the idle timer, not this one.
    auto* head = new QTimer(socket);
    head->setSingleShot(true);
    head->setInterval(m_bounds.headDeadlineMs);
    connect(head, &QTimer::timeout, socket, [socket] { socket->abort(); });
    // Connected before the HTTP layer's own reader, so each arrival is seen here before it is
    // read there.
    connect(socket, &QIODevice::readyRead, socket, [this, socket, idle, head, connection] {
        if (connection->refused) {
            socket->readAll();
            return;
        }
        const QByteArray arrived = socket->peek(socket->bytesAvailable());
        connection->received += arrived.size();
        if (connection->received > m_bounds.maxBytes) {
            socket->abort();
            return;
        }
        const bool wasInHead = connection->scanner.InHead();
        const std::size_t headsBefore = connection->scanner.Heads();
        const auto verdict = connection->scanner.Feed(
            std::string_view(arrived.constData(), static_cast<std::size_t>(arrived.size())));
        if (verdict != RequestHeadScanner::Verdict::Reading) {
            // Answered here, and the bytes taken away so that the HTTP layer never answers too.
            connection->refused = true;
            socket->readAll();
            socket->write(Refusal(verdict));
            socket->disconnectFromHost();
            return;
        }
        if (connection->scanner.Heads() != headsBefore) {
            socket->setProperty(kCloseAfterAnswer, connection->scanner.CloseAfterAnswer());
        }
        if (connection->scanner.InHead() && (!wasInHead || connection->scanner.Heads() != headsBefore)) {
            head->start();
        } else if (!connection->scanner.InHead()) {
            head->stop();
        }
        idle->start();
    });
    connect(socket, &QIODevice::bytesWritten, idle, [idle] { idle->start(); });
}

}  // namespace hublane::directory
