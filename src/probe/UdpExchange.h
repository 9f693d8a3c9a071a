// One UDP exchange of a probe: a socket of its own, one datagram out, at most one datagram back.
#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QString>
#include <functional>
#include <memory>

namespace hublane::probe {

/// Largest datagram a probe reads.
inline constexpr int kReceiveBufferSize = 8192;
/// How long a probe waits for its answer, whatever the timeout setting.
inline constexpr int kReceiveWaitMs = 5000;

/// The first IPv4 address of a host: the text itself when it is one, else the resolver's answer;
/// a null address when there is none. Blocks while the resolver works.
QHostAddress ResolveIpv4(const QString& host);

/// A client UDP socket for one probe, used on the thread that created it. The remote host is an
/// address text or a name (resolved here). No call throws; failures read as "no answer".
class UdpExchange {
  public:
    UdpExchange();
    ~UdpExchange();
    UdpExchange(const UdpExchange&) = delete;
    UdpExchange& operator=(const UdpExchange&) = delete;

    /// Opens the socket towards host:port, bound to bind (every address by default) with a local
    /// port chosen by the system. False when the host cannot be resolved or the socket cannot be
    /// opened.
    bool Open(const QString& host, quint16 port,
              const QHostAddress& bind = QHostAddress(QHostAddress::AnyIPv4));
    bool IsOpen() const;
    /// The local port the socket got (0 when closed).
    quint16 LocalPort() const;
    /// Takes an answer only from the port asked, not from any port of the address: for a
    /// directory, where anyone could otherwise spray answers over the ports of a silent server.
    void AnswerFromAskedPortOnly(bool only) { m_askedPortOnly = only; }
    /// Sends one datagram to the remote host and port; false on a socket error.
    bool Send(const QByteArray& datagram);
    /// Waits at most timeoutMs for one datagram from the address asked (from any of its ports,
    /// since servers may answer from another) and returns its bytes, at most kReceiveBufferSize
    /// of them; datagrams from other addresses are dropped and the wait goes on within the same
    /// bound. Empty when nothing came, on an error, or once stop() holds (checked at least every
    /// 100 ms).
    QByteArray Receive(int timeoutMs, const std::function<bool()>& stop = {});
    void Close();

  private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
    bool m_askedPortOnly = false;
};

}  // namespace hublane::probe
