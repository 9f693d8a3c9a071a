// The new-version check.
#include "app/VersionCheck.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

#include "platform/Clock.h"
#include "platform/VersionText.h"

namespace hublane::app {
namespace {

// A version file is a few bytes; anything far longer is not one.
constexpr qint64 kMaxBodyBytes = 64 * 1024;

}  // namespace

bool ShowsNewVersionNotice(const QByteArray& body) {
    return !body.isEmpty() && body != platform::VersionText().toLatin1();
}

VersionCheck::VersionCheck(QNetworkAccessManager& network, const platform::Clock& clock, QUrl url,
                           QObject* parent)
    : QObject(parent), m_network(network), m_clock(clock), m_url(std::move(url)) {}

VersionCheck::~VersionCheck() {
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
        m_reply->deleteLater();
    }
}

void VersionCheck::CheckVersion() {
    if (m_reply) {
        return;
    }
    QNetworkRequest request(m_url);
    // The plain client of the program: redirects are not followed.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    request.setRawHeader("Accept", "text/html, */*");
    request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("Mozilla/3.0 (compatible; Hublane)"));
    request.setTransferTimeout(0);
    m_timedOut = false;
    QNetworkReply* reply = m_network.get(request);
    m_reply = reply;
    connect(reply, &QNetworkReply::finished, this, &VersionCheck::OnFinished);
    QTimer::singleShot(m_clock.RealMs(kVersionCheckLimitMs), reply, [this, reply] {
        if (reply->isRunning()) {
            m_timedOut = true;
            reply->abort();
        }
    });
}

void VersionCheck::OnFinished() {
    QNetworkReply* reply = m_reply;
    if (!reply) {
        return;
    }
    m_reply = nullptr;
    reply->deleteLater();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (m_timedOut) {
        emit Failed(QStringLiteral("pas de réponse de %1 en %2 s")
                        .arg(m_url.host())
                        .arg(kVersionCheckLimitMs / 1000));
        return;
    }
    if (reply->error() != QNetworkReply::NoError || status < 200 || status >= 300) {
        emit Failed(reply->error() != QNetworkReply::NoError ? reply->errorString()
                                                             : QStringLiteral("HTTP %1").arg(status));
        return;
    }
    const QByteArray body = reply->read(kMaxBodyBytes);
    if (ShowsNewVersionNotice(body)) {
        emit NewVersion();
    } else {
        emit SameVersion();
    }
}

}  // namespace hublane::app
