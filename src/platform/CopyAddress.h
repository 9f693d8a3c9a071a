// Where one copy of the program lives on the network: the address every socket of
// the copy binds and the peer port its peer server listens on.
#pragma once

#include <QHostAddress>
#include <QString>
#include <optional>

namespace hublane::platform {

/// The port of every copy's peer server.
inline constexpr quint16 kDefaultPeerPort = 3077;

/// By default a copy binds every local IPv4 address and the peer port 3077. Copies given their own
/// loopback addresses (127.0.0.2, 127.0.0.3, ...) talk to each other exactly as machines would.
struct CopyAddress {
    QHostAddress bind = QHostAddress(QHostAddress::AnyIPv4);
    quint16 peerPort = kDefaultPeerPort;

    /// Whether the copy has an address of its own rather than every address.
    bool HasOwnAddress() const { return bind != QHostAddress(QHostAddress::AnyIPv4) && !bind.isNull(); }
    /// The address the start-up check pings: the copy's own, else 127.0.0.1.
    QString SelfAddress() const { return HasOwnAddress() ? bind.toString() : QStringLiteral("127.0.0.1"); }
};

/// The copy's address from the text of --peer-address: every address when the text is empty;
/// nullopt unless it is an IPv4 address.
inline std::optional<CopyAddress> ReadCopyAddress(const QString& text) {
    CopyAddress address;
    if (!text.isEmpty() &&
        (!address.bind.setAddress(text) || address.bind.protocol() != QAbstractSocket::IPv4Protocol)) {
        return std::nullopt;
    }
    return address;
}

}  // namespace hublane::platform
