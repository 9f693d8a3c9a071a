// What the directory makes of a request before it looks at its data: which page
// it asks for, whether its method and size are acceptable, and the fields of its query.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "exchange/WebFormats.h"

namespace hublane::directory {

/// The pages of the directory.
enum class Page {
    ConnectCopy,     // connectHB.php: a running copy announces itself
    CopyList,        // listeHBL.php: the copies that announced lately
    ReceiveServers,  // rcv.php: a copy sends servers it knows
    ServerList,      // liste.php: the verified servers
    ServerMet,       // server.met: the verified servers as a file eMule and aMule load
    Version,         // versionHBL.txt: the current version text
};

/// The longest request target (path and query) taken; a full rcv.php request is under 700.
inline constexpr std::size_t kMaxTargetLength = 2048;

/// HTTP status codes the directory answers with.
inline constexpr int kStatusOk = 200;
inline constexpr int kStatusBadRequest = 400;
inline constexpr int kStatusForbidden = 403;
inline constexpr int kStatusNotFound = 404;
inline constexpr int kStatusMethodNotAllowed = 405;
inline constexpr int kStatusUriTooLong = 414;
inline constexpr int kStatusTooManyRequests = 429;
inline constexpr int kStatusServerError = 500;
inline constexpr int kStatusUnavailable = 503;

/// Where a request goes: a page, or the status that refuses it.
struct Route {
    std::optional<Page> page;
    int status = kStatusOk;
};

/// The page of a request: only GET is served (405 otherwise), the target may not be longer than
/// kMaxTargetLength (414), and the page is the last segment of the decoded path, so that a
/// directory served under a prefix ("/hublane/liste.php") works as well as at the root (404 for
/// any other name).
Route RouteRequest(std::string_view method, std::string_view path, std::size_t targetLength);

/// Text with its percent escapes (%HH) decoded; nullopt when an escape is malformed.
std::optional<std::string> PercentDecode(std::string_view text);

/// The fields of a query text ("a=1&b=2"), percent escapes decoded. nullopt when an escape is
/// malformed or a field name is empty.
std::optional<std::vector<std::pair<std::string, std::string>>> ParseQuery(std::string_view query);

/// The servers of an rcv.php query, or why it is refused. The query must hold exactly the fields
/// nbips and ips, once each; their values follow exchange::ParseRcvQuery.
struct RcvReading {
    std::vector<exchange::LinkedServer> servers;
    std::string error;  // empty when the query is valid
    bool Valid() const { return error.empty(); }
};
RcvReading ReadRcvQuery(std::string_view query);

}  // namespace hublane::directory
