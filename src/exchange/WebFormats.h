// What the web directory exchange writes and reads: page addresses under the base
// URL, the server and peer links of the list pages, and the server entries of rcv.php.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "serverlist/ServerTable.h"

namespace hublane::exchange {

/// The page addresses: base + page, with one "/" added when the base does not end with one.
std::string PageUrl(std::string_view base, std::string_view page);

/// An address and a port as the pages give them (texts, unchecked).
struct LinkedServer {
    std::string address;
    std::string port;
    bool operator==(const LinkedServer&) const = default;
};

/// The server of a link "ed2k://|server|ADDRESS|PORT|/": the target must start with "ed2k:" and
/// have "server" right after its first "|"; the address runs to the next "|", the port to the one
/// after. nullopt for any other link.
std::optional<LinkedServer> CutServerLink(std::string_view target);

/// The servers of a page's links, each address:port once, in page order (the link key list).
std::vector<LinkedServer> ServerLinks(const std::vector<std::string>& targets);

/// The peer of a link that starts with "http://": what follows, with every "/" removed.
std::optional<std::string> PeerOfLink(std::string_view target);

/// One server's rcv.php entry: the four octets in reverse order as eight upper-case hex digits,
/// then the port in upper-case hex with at least two digits (10 to 12 characters). nullopt when
/// the caption is not four decimal numbers 0-255 or the port not a decimal number 0-65535.
std::optional<std::string> RcvEntry(std::string_view address, std::string_view port);

/// The rcv.php requests for every row in table order, 50 entries each at most:
/// prefix + "nbips=" + N + "&ips=" + the entries joined by "-". A row that cannot be converted
/// ends the list there (the request being filled is not made); failedRow then names it.
struct RcvRequests {
    std::vector<std::string> urls;
    std::optional<std::size_t> failedRow;
};
RcvRequests BuildRcvRequests(const serverlist::ServerTable& table, std::string_view prefix);

/// The most entries one rcv.php request carries.
inline constexpr std::size_t kRcvBatch = 50;

/// The servers of an rcv.php query, as the directory reads it: nbips must be the number of
/// entries, from 1 to 50; each entry 10 to 12 hex digits (either case). nullopt otherwise.
std::optional<std::vector<LinkedServer>> ParseRcvQuery(std::string_view nbips, std::string_view ips);

}  // namespace hublane::exchange
