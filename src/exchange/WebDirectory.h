// The exchange with the web directory: servers and peers fetched from its list
// pages, the server table sent to it, and the announcement of this copy.
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

#include "exchange/PageLoader.h"
#include "exchange/PublishedServerLists.h"
#include "probe/Merge.h"
#include "serverlist/CycleParts.h"

class QNetworkAccessManager;

namespace hublane::serverlist {
class CycleState;
class UiWaits;
}  // namespace hublane::serverlist

namespace hublane::exchange {

using serverlist::PublishedListLoad;

/// The four operations over one page loader, with the window's flags of a fetch.
class WebDirectory : public QObject, public serverlist::WebDirectoryPart {
    Q_OBJECT
  public:
    /// blocked: the addresses an IP filter keeps out of the tables (none when empty). baseUrl: the
    /// directory given on the command line, used instead of the text of the web directory box
    /// (TServerWeb) when not empty. pageLimitMs: the longest a page may take.
    WebDirectory(serverlist::CycleState& state, serverlist::UiWaits& waits, QNetworkAccessManager& network,
                 probe::AddressTest blocked = {}, QString baseUrl = {}, int pageLimitMs = 30000,
                 QObject* parent = nullptr);

    /// Loads liste.php and adds a row for each server link whose address is not yet a row, then
    /// loads the published lists (when given) and merges their servers.
    void FetchServersFromWeb() override;
    /// Loads listeHBL.php and adds a peer row for each http:// link.
    void FetchPeersFromWeb() override;
    /// Sends the server table to rcv.php, 50 rows a request. Throws (after sending the requests
    /// before it) when a row's address or port cannot be converted.
    void SendServersToWeb() override;
    /// Loads connectHB.php; its content is not read.
    void AnnounceToWeb() override;

    /// The published lists a fetch of servers also loads; none when null.
    void SetPublishedLists(PublishedServerLists* lists) { m_published = lists; }
    const std::vector<PublishedListLoad>& PublishedLoads() const override { return m_publishedLoads; }

    /// The base URL in force: the command line's, else the box's.
    QString BaseUrl() const;
    /// The last page that failed to load and why (empty after a success).
    const QString& LastError() const { return m_lastError; }
    /// The URLs loaded so far, in order (tests, hublanectl web send).
    const QStringList& Loaded() const { return m_loaded; }
    /// True while an operation loads its pages; another one started meanwhile (a click during a
    /// wait of the cycle) does nothing, and a fetch's caller then waits out its bound.
    bool Busy() const { return m_busy; }

  private:
    /// Navigates and waits for the page (bounded); the links of the loaded page, if any.
    const exchange::LoadedPage& LoadAndWait(const QString& url, qint64 maxBytes = kMaxPageBytes);
    /// Loads each published list and merges what it holds.
    void FetchPublishedLists();

    serverlist::CycleState& m_state;
    serverlist::UiWaits& m_waits;
    exchange::PageLoader m_loader;
    QString m_baseUrl;
    probe::AddressTest m_blocked;
    PublishedServerLists* m_published = nullptr;
    std::vector<PublishedListLoad> m_publishedLoads;
    QString m_lastError;
    QStringList m_loaded;
    // The window's flags of a fetch; busy lasts from an operation's start to its end.
    bool m_busy = false;
    bool m_documentComplete = false;
    bool m_gaugeFollowsBrowser = false;
};

}  // namespace hublane::exchange
