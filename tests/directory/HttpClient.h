// Test helper: one HTTP request over a QTcpSocket from a chosen loopback address, so that tests
// can play several copies of the program; waits are bounded and pump the event loop.
#pragma once

#include <QByteArray>
#include <QString>

namespace hublane::test {

struct HttpResult {
    int status = 0;  // 0 when no complete answer came
    QByteArray headers;
    QByteArray body;
    /// The value of a header (name case ignored), empty when absent.
    QByteArray Header(const QByteArray& name) const;
    std::string Text() const { return body.toStdString(); }
};

/// Sends "METHOD target HTTP/1.1" to host:port from the address from (any when empty) and reads
/// the answer (at most timeoutMs).
HttpResult HttpRequest(const QString& host, quint16 port, const QByteArray& target, const QString& from = {},
                       const QByteArray& method = QByteArrayLiteral("GET"), int timeoutMs = 10000);

}  // namespace hublane::test
