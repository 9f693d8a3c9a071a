// Test helper: one HTTP request over a QTcpSocket from a chosen loopback address.
#include "HttpClient.h"

#include <QHostAddress>
#include <QList>
#include <QTcpSocket>

#include "support/TestSupport.h"

namespace hublane::test {

QByteArray HttpResult::Header(const QByteArray& name) const {
    for (const QByteArray& line : headers.split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().toLower() == name.toLower()) {
            return line.mid(colon + 1).trimmed();
        }
    }
    return {};
}

HttpResult HttpRequest(const QString& host, quint16 port, const QByteArray& target, const QString& from,
                       const QByteArray& method, int timeoutMs) {
    HttpResult result;
    QTcpSocket socket;
    if (!from.isEmpty() && !socket.bind(QHostAddress(from), 0)) {
        return result;
    }
    socket.connectToHost(host, port);
    if (!WaitFor([&] { return socket.state() == QAbstractSocket::ConnectedState; }, timeoutMs)) {
        return result;
    }
    socket.write(method + ' ' + target + " HTTP/1.1\r\nHost: " + host.toLatin1() +
                 "\r\nConnection: close\r\n\r\n");
    QByteArray received;
    qsizetype headerEnd = -1;
    qsizetype length = -1;
    const auto complete = [&] {
        received += socket.readAll();
        if (headerEnd < 0) {
            headerEnd = received.indexOf("\r\n\r\n");
            if (headerEnd >= 0) {
                result.headers = received.left(headerEnd);
                const QByteArray value = result.Header(QByteArrayLiteral("Content-Length"));
                length = value.isEmpty() ? -1 : value.toLongLong();
            }
        }
        if (headerEnd >= 0 && length >= 0 && received.size() - headerEnd - 4 >= length) {
            return true;
        }
        return socket.state() == QAbstractSocket::UnconnectedState;
    };
    if (!WaitFor(complete, timeoutMs) || headerEnd < 0) {
        return result;
    }
    result.body = received.mid(headerEnd + 4, length >= 0 ? length : -1);
    const QList<QByteArray> statusLine = result.headers.left(result.headers.indexOf("\r\n")).split(' ');
    result.status = statusLine.size() >= 2 ? statusLine[1].toInt() : 0;
    return result;
}

}  // namespace hublane::test
