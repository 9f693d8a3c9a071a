// The directory's answer to each request, whatever carries it: limits, the pages
// built from the store (and kept a short while), and what the writing pages store.
#pragma once

#include <QByteArray>
#include <QObject>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "directory/DirectoryRequest.h"
#include "directory/DirectorySettings.h"
#include "directory/HtmlPages.h"
#include "directory/RateLimiter.h"

namespace hublane::directory {

class DirectoryStore;

/// One answer: status, content type and body, and a header the status calls for (Allow after a
/// 405, Retry-After after a 429), empty when none.
struct HttpAnswer {
    int status = kStatusOk;
    QByteArray contentType;
    QByteArray body;
    QByteArray extraHeader;
    QByteArray extraValue;
    /// Why the answer is an error on the directory's side, for the log line; empty otherwise.
    QString logNote;
};

/// What the HTTP front knows of a request.
struct DirectoryRequest {
    std::string_view method;
    std::string_view path;   // decoded
    std::string_view query;  // as sent (percent escapes kept)
    std::size_t targetLength = 0;
    std::string remote;  // the requester's IPv4 address text (or another address text)
};

class DirectoryService : public QObject {
    Q_OBJECT
  public:
    /// clock: wall-clock milliseconds since the epoch.
    DirectoryService(DirectoryStore& store, const DirectorySettings& settings,
                     std::function<std::int64_t()> clock, QObject* parent = nullptr);

    HttpAnswer Answer(const DirectoryRequest& request);
    /// The servers' page and file are built again at their next request.
    void ServersChanged() {
        m_serverPage.valid = false;
        m_serverMet.valid = false;
    }

  private:
    struct CachedPage {
        QByteArray body;
        std::int64_t builtAtMs = 0;
        bool valid = false;
    };
    HttpAnswer ConnectCopy(const std::string& remote, std::int64_t now);
    HttpAnswer ReceiveServers(std::string_view query, const std::string& remote, std::int64_t now);
    HttpAnswer ServerList(std::int64_t now);
    HttpAnswer ServerMet(std::int64_t now);
    /// The verified servers that may be shown, at most kMaxListedServers; nullopt on a failure
    /// of the store.
    std::optional<std::vector<ListedServer>> ShownServers();
    HttpAnswer CopyList(std::int64_t now);
    bool Fresh(const CachedPage& page, std::int64_t now) const;
    bool Blocked(const std::string& address) const;

    DirectoryStore& m_store;
    const DirectorySettings& m_settings;
    std::function<std::int64_t()> m_clock;
    RateLimiter m_connectLimiter;
    RateLimiter m_receiveLimiter;
    RateLimiter m_readLimiter;
    CachedPage m_serverPage;
    CachedPage m_serverMet;
    CachedPage m_copyPage;
};

}  // namespace hublane::directory
