// Loading one web page as the embedded browser would: an HTTP GET on the program's
// network access, redirects followed, progress, completion, and the page's link targets.
#pragma once

#include <QNetworkReply>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <vector>

class QNetworkAccessManager;

namespace hublane::platform {
class Clock;
}

namespace hublane::exchange {

/// A page far larger than any directory page is not read beyond this.
inline constexpr qint64 kMaxPageBytes = 8LL * 1024 * 1024;

/// How one load ended.
struct LoadedPage {
    bool ok = false;                 // an HTTP success with the whole body
    QString error;                   // why not, when not ok
    QUrl url;                        // where the page came from, after redirects
    QByteArray body;                 // the bytes (also for an HTTP error page)
    std::vector<std::string> links;  // link targets in document order (HTML pages only)
    bool timedOut = false;
};

/// Loads one page at a time. Load() starts a GET and returns at once; Finished() comes when the
/// reply is complete, failed, or the time limit passed (the request is then aborted). An HTTP
/// error status or a reply that is not HTML yields no links.
class PageLoader : public QObject {
    Q_OBJECT
  public:
    /// limitMs: the longest a page may take, on the clock.
    PageLoader(QNetworkAccessManager& network, const platform::Clock& clock, int limitMs = 30000,
               QObject* parent = nullptr);
    ~PageLoader() override;

    /// maxBytes: the most body bytes taken; a longer reply is aborted and fails.
    void Load(const QUrl& url, qint64 maxBytes = kMaxPageBytes);
    /// Aborts the page being loaded (Finished() comes with an error).
    void Abort();
    bool Loading() const { return !m_reply.isNull(); }
    const LoadedPage& Page() const { return m_page; }
    int LimitMs() const { return m_limitMs; }

  signals:
    void Progress(qint64 received, qint64 total);
    void Finished();

  private:
    void OnFinished();

    QNetworkAccessManager& m_network;
    const platform::Clock& m_clock;
    int m_limitMs;
    QPointer<QNetworkReply> m_reply;
    LoadedPage m_page;
    bool m_timedOut = false;
    bool m_tooLarge = false;
    qint64 m_maxBytes = kMaxPageBytes;
};

}  // namespace hublane::exchange
