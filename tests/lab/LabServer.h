// One simulated eD2k server: a UDP socket on a loopback address answering as its behaviour says.
#pragma once

#include <QElapsedTimer>
#include <QHostAddress>
#include <QObject>
#include <QUdpSocket>
#include <atomic>
#include <memory>

#include "exchange/PeerHandler.h"
#include "lab/LabConfig.h"

namespace hublane::lab {

/// The kinds of datagram a simulated server tells apart.
enum class RequestKind { Description, ServerList, Other };

/// Requests one server has received; read from any thread.
struct LabCounters {
    std::atomic<int> description{0};
    std::atomic<int> serverList{0};
    std::atomic<int> other{0};
    std::atomic<int> peer{0};  // datagrams a simulated copy got
};

/// The answer a server of the given config gives to one request, or nothing (silent servers, and
/// datagrams that are neither request). Late servers give their answer here too; the delay is
/// the caller's business.
std::optional<QByteArray> AnswerFor(const LabServerConfig& config, RequestKind kind);

/// Which request a datagram is: byte 0 = 0xE3 and byte 1 = 0xA2 or 0xA4.
RequestKind KindOf(const QByteArray& datagram);

/// One server; lives on the lab's thread, which must run an event loop.
class LabServer : public QObject {
    Q_OBJECT
  public:
    LabServer(int index, LabServerConfig config, std::shared_ptr<LabCounters> counters);

    /// Binds config.address:config.udpPort; false with the socket's message otherwise.
    bool Bind(QString* error);

  signals:
    /// One datagram has come from sender (address:port); emitted after the counters moved.
    void RequestReceived(int index, hublane::lab::RequestKind kind, const QString& sender);

  private:
    void OnReadyRead();
    void OnPeerDatagram(const QByteArray& bytes, const QHostAddress& from);

    int m_index;
    LabServerConfig m_config;
    std::shared_ptr<LabCounters> m_counters;
    QUdpSocket m_socket;
    // A simulated copy's own tables and protocol.
    exchange::PeerHandler m_peerHandler;
    QElapsedTimer m_peerClock;
    serverlist::ServerTable m_peerServers;
    serverlist::PeerList m_peerPeers;
};

}  // namespace hublane::lab
