// The directory's HTTP front on Qt HttpServer.
#include "directory/DirectoryHttpServer.h"

#include <QDateTime>
#include <QHostAddress>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QTcpSocket>
#include <QUrl>

#include "directory/DirectoryService.h"

namespace hublane::directory {
namespace {

// The longest request target a log line shows.
constexpr qsizetype kLoggedTargetMax = 200;

QByteArray MethodName(QHttpServerRequest::Method method) {
    switch (method) {
        case QHttpServerRequest::Method::Get:
            return QByteArrayLiteral("GET");
        case QHttpServerRequest::Method::Put:
            return QByteArrayLiteral("PUT");
        case QHttpServerRequest::Method::Delete:
            return QByteArrayLiteral("DELETE");
        case QHttpServerRequest::Method::Post:
            return QByteArrayLiteral("POST");
        case QHttpServerRequest::Method::Head:
            return QByteArrayLiteral("HEAD");
        case QHttpServerRequest::Method::Options:
            return QByteArrayLiteral("OPTIONS");
        case QHttpServerRequest::Method::Patch:
            return QByteArrayLiteral("PATCH");
        case QHttpServerRequest::Method::Connect:
            return QByteArrayLiteral("CONNECT");
        case QHttpServerRequest::Method::Trace:
            return QByteArrayLiteral("TRACE");
        default:
            return QByteArrayLiteral("OTHER");
    }
}

// The requester as an address text: an IPv4 address reached through an IPv6 socket is given as
// the IPv4 address it is.
std::string RemoteText(const QHostAddress& address) {
    bool isIpv4 = false;
    const quint32 ipv4 = address.toIPv4Address(&isIpv4);
    if (isIpv4) {
        return QHostAddress(ipv4).toString().toStdString();
    }
    return address.toString().toStdString();
}

}  // namespace

DirectoryHttpServer::DirectoryHttpServer(DirectoryService& service, std::function<void(const QString&)> log,
                                         QObject* parent)
    : QAbstractHttpServer(parent), m_service(service), m_log(std::move(log)) {}

bool DirectoryHttpServer::handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) {
    const QUrl url = request.url();
    const QByteArray method = MethodName(request.method());
    const std::string path = url.path(QUrl::FullyDecoded).toStdString();
    const QByteArray encodedPath = url.path(QUrl::FullyEncoded).toUtf8();
    const QByteArray query = url.query(QUrl::FullyEncoded).toUtf8();
    const std::size_t targetLength =
        static_cast<std::size_t>(encodedPath.size() + (url.hasQuery() ? query.size() + 1 : 0));
    const std::string remote = RemoteText(request.remoteAddress());

    const HttpAnswer answer = m_service.Answer(DirectoryRequest{
        std::string_view(method.constData(), static_cast<std::size_t>(method.size())), path,
        std::string_view(query.constData(), static_cast<std::size_t>(query.size())), targetLength, remote});

    QHttpServerResponder responder = makeResponder(request, socket);
    responder.writeStatusLine(static_cast<QHttpServerResponder::StatusCode>(answer.status));
    responder.writeHeader(QByteArrayLiteral("Content-Type"), answer.contentType);
    responder.writeHeader(QByteArrayLiteral("Cache-Control"), QByteArrayLiteral("no-store"));
    if (!answer.extraHeader.isEmpty()) {
        responder.writeHeader(answer.extraHeader, answer.extraValue);
    }
    responder.writeHeader(QByteArrayLiteral("Content-Length"), QByteArray::number(answer.body.size()));
    responder.writeBody(answer.body);

    if (m_log) {
        QByteArray target = encodedPath;
        if (url.hasQuery()) {
            target += '?' + query;
        }
        if (target.size() > kLoggedTargetMax) {
            target = target.left(kLoggedTargetMax) + "...";
        }
        QString line =
            QStringLiteral("%1 %2 %3 %4 %5 %6")
                .arg(QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs),
                     QString::fromStdString(remote), QString::fromLatin1(method), QString::fromLatin1(target))
                .arg(answer.status)
                .arg(answer.body.size());
        if (!answer.logNote.isEmpty()) {
            line += QStringLiteral(" (") + answer.logNote + QLatin1Char(')');
        }
        m_log(line);
    }
    return true;
}

void DirectoryHttpServer::missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) {
    // Every request is handled above; should one ever arrive here, it gets a plain 404.
    makeResponder(request, socket).write(QHttpServerResponder::StatusCode::NotFound);
}

}  // namespace hublane::directory
