// A TCP server that keeps its connections within bounds.
#include "directory/BoundedTcpServer.h"

#include <QPointer>
#include <QTcpSocket>
#include <QTimer>
#include <memory>

namespace hublane::directory {

BoundedTcpServer::BoundedTcpServer(int maxConnections, int idleMs, qint64 maxBytes, QObject* parent)
    : QTcpServer(parent), m_maxConnections(maxConnections), m_idleMs(idleMs), m_maxBytes(maxBytes) {}

void BoundedTcpServer::incomingConnection(qintptr socketDescriptor) {
    auto* socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(socketDescriptor)) {
        delete socket;
        return;
    }
    if (m_open >= m_maxConnections) {
        socket->abort();
        delete socket;
        return;
    }
    ++m_open;
    connect(socket, &QObject::destroyed, this, [this] { --m_open; });
    auto* idle = new QTimer(socket);
    idle->setSingleShot(true);
    idle->setInterval(m_idleMs);
    connect(idle, &QTimer::timeout, socket, [socket] { socket->abort(); });
    idle->start();
    auto received = std::make_shared<qint64>(0);
    // Connected before the HTTP server's own reader, so each arrival is counted before it is read.
    connect(socket, &QIODevice::readyRead, socket, [socket, idle, received, this] {
        *received += socket->bytesAvailable();
        if (*received > m_maxBytes) {
            socket->abort();
            return;
        }
        idle->start();
    });
    connect(socket, &QIODevice::bytesWritten, idle, [idle] { idle->start(); });
    // QTcpServer announces the connection itself once this returns.
    addPendingConnection(socket);
}

}  // namespace hublane::directory
