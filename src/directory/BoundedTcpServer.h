// A TCP server that keeps its connections within bounds: how many are open at
// once, how long one may stay idle, and how many bytes one may send.
#pragma once

#include <QTcpServer>

namespace hublane::directory {

class BoundedTcpServer : public QTcpServer {
    Q_OBJECT
  public:
    /// maxConnections open at once (a connection past them is closed at once); idleMs without a
    /// byte either way closes one; maxBytes received over its life closes one.
    BoundedTcpServer(int maxConnections, int idleMs, qint64 maxBytes, QObject* parent = nullptr);

    int OpenConnections() const { return m_open; }

  protected:
    void incomingConnection(qintptr socketDescriptor) override;

  private:
    int m_maxConnections;
    int m_idleMs;
    qint64 m_maxBytes;
    int m_open = 0;
};

}  // namespace hublane::directory
