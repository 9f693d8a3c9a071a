// Loading one web page as the embedded browser would.
#include "exchange/PageLoader.h"

#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QTimer>

#include "exchange/HtmlLinks.h"
#include "platform/Clock.h"

namespace hublane::exchange {
namespace {

bool IsHtml(const QNetworkReply& reply) {
    const QString type = reply.header(QNetworkRequest::ContentTypeHeader).toString().toLower();
    // A server that names no type gets the benefit of the doubt, as a browser sniffs it.
    return type.isEmpty() || type.contains(QLatin1String("html"));
}

}  // namespace

PageLoader::PageLoader(QNetworkAccessManager& network, const platform::Clock& clock, int limitMs,
                       QObject* parent)
    : QObject(parent), m_network(network), m_clock(clock), m_limitMs(limitMs) {}

PageLoader::~PageLoader() {
    Abort();
}

void PageLoader::Load(const QUrl& url, qint64 maxBytes) {
    Abort();
    m_page = LoadedPage{};
    m_page.url = url;
    m_timedOut = false;
    m_tooLarge = false;
    m_maxBytes = maxBytes;
    QNetworkRequest request(url);
    // Redirects are followed as a browser follows them (never from https down to http).
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setTransferTimeout(0);
    QNetworkReply* reply = m_network.get(request);
    m_reply = reply;
    connect(reply, &QNetworkReply::downloadProgress, this, [this, reply](qint64 received, qint64 total) {
        // A reply announced or arriving larger than the bound is not read on.
        if (received > m_maxBytes || total > m_maxBytes) {
            m_tooLarge = true;
            reply->abort();
            return;
        }
        emit Progress(received, total);
    });
    connect(reply, &QNetworkReply::finished, this, &PageLoader::OnFinished);
    QTimer::singleShot(m_clock.RealMs(m_limitMs), reply, [this, reply] {
        if (reply->isRunning()) {
            m_timedOut = true;
            reply->abort();
        }
    });
}

void PageLoader::Abort() {
    if (m_reply) {
        QNetworkReply* reply = m_reply;
        m_reply = nullptr;
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
}

void PageLoader::OnFinished() {
    QNetworkReply* reply = m_reply;
    if (!reply) {
        return;
    }
    m_reply = nullptr;
    reply->deleteLater();
    m_page.url = reply->url();
    m_page.timedOut = m_timedOut;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (m_timedOut) {
        m_page.error = m_limitMs % 1000 == 0 ? QStringLiteral("no answer within %1 s").arg(m_limitMs / 1000)
                                             : QStringLiteral("no answer within %1 ms").arg(m_limitMs);
    } else if (m_tooLarge) {
        m_page.error = QStringLiteral("larger than %1 bytes").arg(m_maxBytes);
    } else if (reply->error() != QNetworkReply::NoError) {
        m_page.error = reply->errorString();
        m_page.body = reply->readAll().left(m_maxBytes);
    } else if (status != 0 && (status < 200 || status >= 300)) {
        m_page.error = QStringLiteral("HTTP %1").arg(status);
    } else {
        m_page.ok = true;
        m_page.body = reply->readAll().left(m_maxBytes);
        if (IsHtml(*reply)) {
            m_page.links = LinkTargets(
                std::string_view(m_page.body.constData(), static_cast<std::size_t>(m_page.body.size())),
                m_page.url.toString(QUrl::FullyEncoded).toStdString());
        }
    }
    emit Finished();
}

}  // namespace hublane::exchange
