// A real HTTP server for the tests (Qt HttpServer) on a loopback address of the test's choosing:
// pages, redirects, errors, and a page that never finishes loading.
#pragma once

#include <QHostAddress>
#include <QHttpServer>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QMap>
#include <QStringList>
#include <functional>

namespace hublane::test {

class PageServer {
  public:
    struct Page {
        QByteArray body;
        QByteArray contentType = "text/html";
        int status = 200;
        QByteArray location;  // a redirect's target
        bool neverEnds = false;
    };

    /// Listens on address (a port is chosen); Port() is 0 when that failed.
    explicit PageServer(const QString& address) : m_address(address) {
        m_server.setMissingHandler(
            [this](const QHttpServerRequest& request, QHttpServerResponder&& responder) {
                const QString path = request.url().path();
                m_requests << request.url().toString(QUrl::RemoveScheme | QUrl::RemoveAuthority);
                if (onRequest) {
                    const QString target = m_requests.last();  // a copy: the hook may take more requests
                    onRequest(target);
                }
                const auto it = m_pages.constFind(path);
                if (it == m_pages.constEnd()) {
                    responder.write(QByteArray("<html><body>not here</body></html>"), "text/html",
                                    QHttpServerResponder::StatusCode::NotFound);
                    return;
                }
                const Page& page = *it;
                if (page.neverEnds) {
                    // Promises a body it never sends: the load never completes.
                    responder.writeStatusLine(QHttpServerResponder::StatusCode::Ok);
                    responder.writeHeader("Content-Type", page.contentType);
                    responder.writeHeader("Content-Length", "100000");
                    responder.writeBody(page.body);
                    return;
                }
                if (!page.location.isEmpty()) {
                    responder.write({{"Location", page.location}},
                                    static_cast<QHttpServerResponder::StatusCode>(page.status));
                    return;
                }
                responder.write(page.body, page.contentType,
                                static_cast<QHttpServerResponder::StatusCode>(page.status));
            });
        m_port = m_server.listen(QHostAddress(address), 0);
    }

    quint16 Port() const { return m_port; }
    /// "http://ADDRESS:PORT/" followed by path.
    QString Url(const QString& path = {}) const {
        return QStringLiteral("http://%1:%2/").arg(m_address).arg(m_port) + path;
    }
    /// path as Url() takes it ("liste.php", "dir/page.html"), without the leading slash.
    void Set(const QString& path, Page page) { m_pages.insert(QLatin1Char('/') + path, std::move(page)); }
    void Html(const QString& path, const QByteArray& body) {
        Page page;
        page.body = body;
        Set(path, std::move(page));
    }
    /// The paths (with their queries) asked so far, in order.
    const QStringList& Requests() const { return m_requests; }

    /// Runs with each request's path (and query) as it comes, before it is answered: a test acts
    /// there while the program waits for that page.
    std::function<void(const QString& target)> onRequest;

  private:
    QString m_address;
    QHttpServer m_server;
    quint16 m_port = 0;
    QMap<QString, Page> m_pages;
    QStringList m_requests;
};

}  // namespace hublane::test
