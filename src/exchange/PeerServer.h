// The peer server of one copy: a UDP socket on the peer port at the copy's address,
// its datagrams handed one at a time to the peer protocol on the GUI thread; the start-up check;
// and asking another copy for its servers.
#pragma once

#include <QObject>
#include <QUdpSocket>
#include <memory>

#include "exchange/PeerHandler.h"
#include "platform/CopyAddress.h"
#include "serverlist/CycleParts.h"

namespace hublane::serverlist {
class CycleState;
class UiWaits;
}  // namespace hublane::serverlist

namespace hublane::exchange {

class PeerServer : public QObject, public serverlist::PeerServerPart {
    Q_OBJECT
  public:
    /// web: the directory the start announces the copy to. blocked: the senders and entries an
    /// IP filter keeps out (none when empty).
    PeerServer(serverlist::CycleState& state, serverlist::UiWaits& waits, serverlist::WebDirectoryPart& web,
               platform::CopyAddress address = {}, probe::AddressTest blocked = {},
               QObject* parent = nullptr);

    /// Binds the peer port once (throws std::runtime_error with the socket's message when it
    /// cannot), pings itself and waits up to 5000 ms for its own pong, then announces the copy.
    void StartPeerServer() override;
    /// Binds the peer port if it is not bound yet; false (and the reason) when it cannot be.
    bool Listen(QString* error = nullptr);
    bool Listening() const { return m_socket.state() == QAbstractSocket::BoundState; }
    /// Sends PEER_GET_SERVERS to host at the peer port and waits up to 5000 ms for one answer on
    /// the asking socket, whose entries are merged whatever their port. A host that does not
    /// resolve, a socket error or no answer leave the tables as they are; nothing is shown.
    void AskPeerForServers(const QString& host) override;

    PeerHandler& Handler() { return m_handler; }
    const platform::CopyAddress& Address() const { return m_address; }
    /// Datagrams handled so far (tests and the benchmark watch it).
    std::uint64_t Handled() const { return m_handled; }

  signals:
    /// One datagram was handled (after its answers went out).
    void DatagramHandled();

  private:
    void ReadPending();

    serverlist::CycleState& m_state;
    serverlist::UiWaits& m_waits;
    serverlist::WebDirectoryPart& m_web;
    platform::CopyAddress m_address;
    PeerHandler m_handler;
    QUdpSocket m_socket;
    std::uint64_t m_handled = 0;
    std::uint64_t m_selfPongs = 0;
};

/// The fixed waits of the peer exchanges.
inline constexpr int kDirectAnswerWaitMs = 5000;

}  // namespace hublane::exchange
