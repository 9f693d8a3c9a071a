// The exchange with the web directory.
#include "exchange/WebDirectory.h"

#include <QNetworkAccessManager>
#include <stdexcept>

#include "exchange/WebFormats.h"
#include "platform/Clock.h"
#include "serverlist/CycleState.h"
#include "serverlist/UiWaits.h"

namespace hublane::exchange {
namespace {

constexpr int kPageWaitMs = 1000;
constexpr int kSettleGaugeMax = 30;

// Sets the busy flag for one operation, unless another one holds it.
class BusyScope {
  public:
    explicit BusyScope(bool& busy) : m_busy(busy), m_owned(!busy) { m_busy = true; }
    ~BusyScope() {
        if (m_owned) {
            m_busy = false;
        }
    }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;
    bool Owned() const { return m_owned; }

  private:
    bool& m_busy;
    bool m_owned;
};

}  // namespace

WebDirectory::WebDirectory(serverlist::CycleState& state, serverlist::UiWaits& waits,
                           QNetworkAccessManager& network, probe::AddressTest blocked, QString baseUrl,
                           int pageLimitMs, QObject* parent)
    : QObject(parent),
      m_state(state),
      m_waits(waits),
      m_loader(network, waits.Clock(), pageLimitMs),
      m_baseUrl(std::move(baseUrl)),
      m_blocked(std::move(blocked)) {
    connect(&m_loader, &exchange::PageLoader::Progress, this, [this](qint64 received, qint64 total) {
        // BrowserProgressChange: the gauge follows the page while a fetch wants it to.
        if (m_gaugeFollowsBrowser && total > 0) {
            m_state.Gauge().SetMax(static_cast<int>(std::min<qint64>(total, INT32_MAX)));
            m_state.Gauge().SetPosition(static_cast<int>(std::min<qint64>(received, INT32_MAX)));
        }
    });
    connect(&m_loader, &exchange::PageLoader::Finished, this, [this] {
        m_documentComplete = true;  // BrowserDocumentComplete
        m_waits.NotifyStateChanged();
    });
}

QString WebDirectory::BaseUrl() const {
    return m_baseUrl.isEmpty() ? m_state.Controls().serverWeb : m_baseUrl;
}

const exchange::LoadedPage& WebDirectory::LoadAndWait(const QString& url, qint64 maxBytes) {
    if (m_waits.Terminating()) {
        // Quitting: no new request is started.
        static const exchange::LoadedPage notLoaded{
            false, QStringLiteral("the program is quitting"), {}, {}, {}, false};
        m_lastError = url + QStringLiteral(" : ") + notLoaded.error;
        return notLoaded;
    }
    m_documentComplete = false;
    m_loaded << url;
    m_loader.Load(QUrl(url), maxBytes);
    // The page wait: waits of 1000 ms until the page has loaded. The loader gives up after its
    // time limit, so a directory that never answers cannot hold the cycle for ever.
    while (!m_documentComplete && !m_waits.Terminating()) {
        m_waits.UiWait(kPageWaitMs, [this] { return m_documentComplete; });
    }
    if (m_waits.Terminating() && !m_documentComplete) {
        m_loader.Abort();
    }
    const exchange::LoadedPage& page = m_loader.Page();
    m_lastError = page.ok ? QString() : url + QStringLiteral(" : ") + page.error;
    return page;
}

void WebDirectory::FetchServersFromWeb() {
    const BusyScope busy(m_busy);
    if (!busy.Owned()) {
        return;  // the running operation keeps its gauge
    }
    m_gaugeFollowsBrowser = true;
    const exchange::LoadedPage& page =
        LoadAndWait(QString::fromStdString(PageUrl(BaseUrl().toStdString(), "liste.php")));
    m_documentComplete = false;
    // The settle wait ends as soon as it starts: the links are read once the page has loaded
    // (nothing on a page of the directory runs scripts). Its gauge still shows.
    m_state.Gauge().SetMax(kSettleGaugeMax);
    m_state.Gauge().SetPosition(kSettleGaugeMax);
    // The link key list: each address:port of the page once, in page order.
    const std::vector<LinkedServer> keys = ServerLinks(page.links);
    m_state.Gauge().SetPosition(0);
    serverlist::ServerTable& table = m_state.Servers();
    const std::size_t before = table.Count();
    for (const LinkedServer& s : keys) {
        if (table.Count() >= serverlist::kMaxServerRowsFromNetwork) {
            break;
        }
        // The address is the text before the key's first ":", the port all after it.
        if (table.FindExact(s.address) < 0 && !(m_blocked && m_blocked(s.address))) {
            table.AddServerRow(s.address, s.port);
        }
    }
    FetchPublishedLists();
    if (before > 0) {
        m_state.focusRow = static_cast<int>(before) - 1;  // the last row there before the fetch
    }
    FetchEnded();
    m_waits.NotifyStateChanged();
}

void WebDirectory::FetchPublishedLists() {
    m_publishedLoads.clear();
    if (m_published == nullptr) {
        return;
    }
    QStringList addresses = m_published->Addresses();
    if (addresses.size() > kMaxPublishedLists) {
        addresses.resize(kMaxPublishedLists);
    }
    for (const QString& url : addresses) {
        if (m_waits.Terminating()) {
            break;
        }
        PublishedListLoad load{url, 0, {}};
        const exchange::LoadedPage& page = LoadAndWait(url, kMaxPublishedListBytes);
        if (!page.ok) {
            load.error = page.error;
        } else if (const auto added =
                       m_published->Merge(page.body, m_state.Servers(), m_blocked, &load.error)) {
            load.added = *added;
        }
        m_publishedLoads.push_back(std::move(load));
    }
    m_state.Gauge().SetPosition(0);
}

void WebDirectory::FetchPeersFromWeb() {
    const BusyScope busy(m_busy);
    if (!busy.Owned()) {
        return;  // the running operation keeps its gauge
    }
    m_gaugeFollowsBrowser = true;
    const exchange::LoadedPage& page =
        LoadAndWait(QString::fromStdString(PageUrl(BaseUrl().toStdString(), "listeHBL.php")));
    m_documentComplete = false;
    m_state.Gauge().SetMax(kSettleGaugeMax);
    m_state.Gauge().SetPosition(kSettleGaugeMax);
    for (const std::string& target : page.links) {
        if (const auto peer = PeerOfLink(target)) {
            // No duplicate check here: the list was emptied before the fetch. The list takes no
            // row past its bound.
            if (!(m_blocked && m_blocked(*peer))) {
                m_state.Peers().Append(*peer);
            }
        }
    }
    m_state.Gauge().SetPosition(0);
    FetchEnded();
    m_waits.NotifyStateChanged();
}

void WebDirectory::SendServersToWeb() {
    const BusyScope busy(m_busy);
    if (!busy.Owned()) {
        return;  // the running operation keeps its gauge
    }
    m_gaugeFollowsBrowser = false;
    const std::string prefix = PageUrl(BaseUrl().toStdString(), "rcv.php") + "?";
    const serverlist::ServerTable& table = m_state.Servers();
    const RcvRequests requests = BuildRcvRequests(table, prefix);
    m_state.Gauge().SetMax(static_cast<int>(table.Count()));
    m_state.Gauge().SetPosition(0);
    int sent = 0;
    for (const std::string& url : requests.urls) {
        // Once the program quits, no further request is started.
        if (m_waits.Terminating()) {
            break;
        }
        LoadAndWait(QString::fromStdString(url));
        sent += static_cast<int>(kRcvBatch);
        m_state.Gauge().SetPosition(std::min(sent, static_cast<int>(table.Count())));
    }
    m_state.Gauge().SetPosition(0);
    // A send cut short by the quit never reached the row that cannot be converted.
    if (requests.failedRow && !m_waits.Terminating()) {
        const serverlist::ServerRow& row = table.Row(*requests.failedRow);
        throw std::runtime_error("'" + row.caption + ":" + row.Sub(serverlist::Column::Port) +
                                 "' n'est pas une adresse IP et un port valides");
    }
}

void WebDirectory::AnnounceToWeb() {
    const BusyScope busy(m_busy);
    if (!busy.Owned()) {
        return;  // the running operation keeps its gauge
    }
    m_gaugeFollowsBrowser = false;
    LoadAndWait(QString::fromStdString(PageUrl(BaseUrl().toStdString(), "connectHB.php")));
}

}  // namespace hublane::exchange
