// The directory's answer to each request.
#include "directory/DirectoryService.h"

#include <charconv>

#include "directory/AddressRules.h"
#include "directory/DirectoryStore.h"
#include "directory/HtmlPages.h"
#include "directory/ServerMetPage.h"

namespace hublane::directory {
namespace {

constexpr std::int64_t kMinuteMs = 60000;
// Addresses each limiter remembers at most; past this, requests from new addresses are refused
// until a minute frees room.
constexpr std::size_t kMaxLimitedAddresses = 100000;

const QByteArray kText = QByteArrayLiteral("text/plain; charset=utf-8");
const QByteArray kHtml = QByteArrayLiteral("text/html; charset=utf-8");
const QByteArray kBinary = QByteArrayLiteral("application/octet-stream");

QByteArray Bytes(const std::string& text) {
    return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

HttpAnswer TextAnswer(int status, const std::string& text) {
    return HttpAnswer{status, kText, Bytes(text + "\n"), {}, {}, {}};
}

HttpAnswer TooMany() {
    HttpAnswer answer = TextAnswer(kStatusTooManyRequests, "Trop de demandes : réessayez dans une minute.");
    answer.extraHeader = QByteArrayLiteral("Retry-After");
    answer.extraValue = QByteArrayLiteral("60");
    return answer;
}

HttpAnswer StoreFailed(const DirectoryStore& store) {
    HttpAnswer answer = TextAnswer(kStatusServerError, "Erreur de la base de données.");
    answer.logNote = QStringLiteral("database: ") + store.LastError().simplified();
    return answer;
}

}  // namespace

DirectoryService::DirectoryService(DirectoryStore& store, const DirectorySettings& settings,
                                   std::function<std::int64_t()> clock, QObject* parent)
    : QObject(parent),
      m_store(store),
      m_settings(settings),
      m_clock(std::move(clock)),
      m_connectLimiter(settings.writeLimitPerMinute, kMinuteMs, kMaxLimitedAddresses),
      m_receiveLimiter(settings.writeLimitPerMinute, kMinuteMs, kMaxLimitedAddresses),
      m_readLimiter(settings.readLimitPerMinute, kMinuteMs, kMaxLimitedAddresses) {}

bool DirectoryService::Blocked(const std::string& address) const {
    return m_settings.blocked && m_settings.blocked(address);
}

bool DirectoryService::Fresh(const CachedPage& page, std::int64_t now) const {
    return page.valid && now >= page.builtAtMs && now - page.builtAtMs < m_settings.pageCacheMs;
}

HttpAnswer DirectoryService::Answer(const DirectoryRequest& request) {
    const Route route = RouteRequest(request.method, request.path, request.targetLength);
    if (!route.page) {
        switch (route.status) {
            case kStatusMethodNotAllowed: {
                HttpAnswer answer = TextAnswer(route.status, "Seule la méthode GET est servie.");
                answer.extraHeader = QByteArrayLiteral("Allow");
                answer.extraValue = QByteArrayLiteral("GET");
                return answer;
            }
            case kStatusUriTooLong:
                return TextAnswer(route.status, "Demande trop longue.");
            default:
                return TextAnswer(route.status, "Page inconnue.");
        }
    }
    const std::int64_t now = m_clock();
    switch (*route.page) {
        case Page::ConnectCopy:
            return ConnectCopy(request.remote, now);
        case Page::ReceiveServers:
            return ReceiveServers(request.query, request.remote, now);
        case Page::ServerList:
        case Page::ServerMet:
        case Page::CopyList:
        case Page::Version:
            break;
    }
    if (!m_readLimiter.Allow(request.remote, now)) {
        return TooMany();
    }
    switch (*route.page) {
        case Page::ServerList:
            return ServerList(now);
        case Page::ServerMet:
            return ServerMet(now);
        case Page::CopyList:
            return CopyList(now);
        default:
            return HttpAnswer{kStatusOk, kText, Bytes(m_settings.versionText), {}, {}, {}};
    }
}

HttpAnswer DirectoryService::ConnectCopy(const std::string& remote, std::int64_t now) {
    if (!m_connectLimiter.Allow(remote, now)) {
        return TooMany();
    }
    if (!IsListable(m_settings, remote) || Blocked(remote)) {
        return TextAnswer(kStatusForbidden, "Adresse non enregistrée : " + remote);
    }
    switch (m_store.RecordCopy(remote, now, now - m_settings.peerTtlMs, m_settings.maxStoredCopies,
                               m_settings.maxCopiesPerNetwork)) {
        case DirectoryStore::CopyResult::Recorded:
            m_copyPage.valid = false;
            return TextAnswer(kStatusOk, "Copie enregistrée : " + remote);
        case DirectoryStore::CopyResult::Full:
            return TextAnswer(kStatusUnavailable, "Annuaire plein : réessayez plus tard.");
        case DirectoryStore::CopyResult::Failed:
            break;
    }
    return StoreFailed(m_store);
}

HttpAnswer DirectoryService::ReceiveServers(std::string_view query, const std::string& remote,
                                            std::int64_t now) {
    if (!m_receiveLimiter.Allow(remote, now)) {
        return TooMany();
    }
    if (Blocked(remote)) {
        return TextAnswer(kStatusForbidden, "Adresse refusée : " + remote);
    }
    RcvReading reading = ReadRcvQuery(query);
    if (!reading.Valid()) {
        return TextAnswer(kStatusBadRequest, "Demande refusée : " + reading.error);
    }
    std::vector<exchange::LinkedServer> accepted;
    for (exchange::LinkedServer& server : reading.servers) {
        unsigned port = 0;
        std::from_chars(server.port.data(), server.port.data() + server.port.size(), port);
        if (IsListable(m_settings, server.address) && IsListablePort(port) && !Blocked(server.address)) {
            accepted.push_back(std::move(server));
        }
    }
    const auto result = m_store.AddCandidates(
        accepted, remote, now,
        {m_settings.maxStoredServers, m_settings.maxPendingPerReporter, m_settings.maxStoredPerNetwork});
    if (result.failed) {
        return StoreFailed(m_store);
    }
    const std::size_t refused = reading.servers.size() - accepted.size();
    return TextAnswer(kStatusOk, "reçus " + std::to_string(reading.servers.size()) + ", nouveaux " +
                                     std::to_string(result.added) + ", connus " +
                                     std::to_string(result.known) + ", refusés " + std::to_string(refused) +
                                     ", en trop " + std::to_string(result.overCap));
}

std::optional<std::vector<ListedServer>> DirectoryService::ShownServers() {
    auto servers = m_store.ListedServers(kMaxListedServers);
    if (servers) {
        std::erase_if(*servers, [this](const ListedServer& server) {
            return !IsListable(m_settings, server.address) || Blocked(server.address);
        });
    }
    return servers;
}

HttpAnswer DirectoryService::ServerList(std::int64_t now) {
    if (!Fresh(m_serverPage, now)) {
        const auto shown = ShownServers();
        if (!shown) {
            return StoreFailed(m_store);
        }
        m_serverPage = CachedPage{Bytes(ServerListPage(*shown)), now, true};
    }
    return HttpAnswer{kStatusOk, kHtml, m_serverPage.body, {}, {}, {}};
}

HttpAnswer DirectoryService::ServerMet(std::int64_t now) {
    if (!Fresh(m_serverMet, now)) {
        const auto shown = ShownServers();
        if (!shown) {
            return StoreFailed(m_store);
        }
        m_serverMet = CachedPage{Bytes(ServerMetFile(*shown)), now, true};
    }
    return HttpAnswer{kStatusOk, kBinary, m_serverMet.body, {}, {}, {}};
}

HttpAnswer DirectoryService::CopyList(std::int64_t now) {
    if (!Fresh(m_copyPage, now)) {
        const auto copies = m_store.RecentCopies(now - m_settings.peerTtlMs, kMaxListedCopies);
        if (!copies) {
            return StoreFailed(m_store);
        }
        std::vector<std::string> shown;
        for (const std::string& address : *copies) {
            if (IsListable(m_settings, address) && !Blocked(address)) {
                shown.push_back(address);
            }
        }
        m_copyPage = CachedPage{Bytes(CopyListPage(shown)), now, true};
    }
    return HttpAnswer{kStatusOk, kHtml, m_copyPage.body, {}, {}, {}};
}

}  // namespace hublane::directory
