// A TCP server that keeps its connections within bounds before the HTTP layer sees
// them: how many are open at once and per client, how long a request head may take, how large it
// may be, how long one may stay idle, and how many bytes one may send.
#pragma once

#include <QHash>
#include <QTcpServer>
#include <cstdint>
#include <memory>

namespace hublane::directory {

/// The bounds of the connections.
struct ConnectionBounds {
    /// Open at once; when full, a new connection takes the place of the one that has sent least
    /// of its current request head (an idle one first, the oldest of equals).
    int maxConnections = 4096;
    /// Open at once from one client (an IPv4 address, an IPv6 /64); past this a new one is closed.
    int maxPerClient = 16;
    /// A request head (and, were there one, its body) must arrive within this from its first byte.
    int headDeadlineMs = 10000;
    /// Without a byte either way for this long, a connection is closed.
    int idleMs = 30000;
    /// Bytes received over a connection's life.
    qint64 maxBytes = 4 * 1024 * 1024;
};

class BoundedTcpServer : public QTcpServer {
    Q_OBJECT
  public:
    explicit BoundedTcpServer(ConnectionBounds bounds, QObject* parent = nullptr);
    ~BoundedTcpServer() override;

    int OpenConnections() const { return static_cast<int>(m_open.size()); }

    /// The socket property the HTTP layer reads after each answer: true when the request asked
    /// for the connection to be closed (Connection: close, or HTTP/1.0 without keep-alive).
    static constexpr const char* kCloseAfterAnswer = "hublaneCloseAfterAnswer";

  protected:
    void incomingConnection(qintptr socketDescriptor) override;

  private:
    struct Connection;
    void Watch(QTcpSocket* socket, const std::shared_ptr<Connection>& connection);
    /// Makes room for one more connection; false when none can be made.
    bool MakeRoom();
    void Forget(QTcpSocket* socket);

    ConnectionBounds m_bounds;
    QHash<QTcpSocket*, std::shared_ptr<Connection>> m_open;
    QHash<QString, int> m_perClient;
    std::uint64_t m_accepted = 0;
};

}  // namespace hublane::directory
