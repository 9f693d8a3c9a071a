// The new-version check: the version host's /versionHBL.txt compared byte for byte
// with this program's version, asynchronously and within a time limit.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

class QNetworkAccessManager;
class QNetworkReply;

namespace hublane::platform {
class Clock;
}

namespace hublane::app {

/// The home page, opened by the notice and the banner.
inline constexpr const char* kHomePage = "http://hublane.orvandels.net/";
/// The version host's file: the built-in directory's host, whatever the directory in use.
inline constexpr const char* kDefaultVersionUrl = "http://hublane.orvandels.net/versionHBL.txt";
/// The longest the check may take.
inline constexpr int kVersionCheckLimitMs = 10000;

/// Whether a published version body shows the notice: not empty and not exactly this version
/// (no trimming: "0.2.1.0\n" is another text).
bool ShowsNewVersionNotice(const QByteArray& body);

class VersionCheck : public QObject {
    Q_OBJECT
  public:
    VersionCheck(QNetworkAccessManager& network, const platform::Clock& clock,
                 QUrl url = QUrl(QString::fromLatin1(kDefaultVersionUrl)), QObject* parent = nullptr);
    ~VersionCheck() override;

    /// Starts the check and returns at once; NewVersion() or Failed() follow (or nothing when the
    /// host publishes this very version). A check still running is left to finish.
    void CheckVersion();
    const QUrl& Url() const { return m_url; }

  signals:
    /// The host publishes another version: the notice is to be shown (it stays shown).
    void NewVersion();
    /// The same version (or an empty body).
    void SameVersion();
    /// The request failed or took too long; reason says why.
    void Failed(const QString& reason);

  private:
    void OnFinished();

    QNetworkAccessManager& m_network;
    const platform::Clock& m_clock;
    QUrl m_url;
    QPointer<QNetworkReply> m_reply;
    bool m_timedOut = false;
};

}  // namespace hublane::app
