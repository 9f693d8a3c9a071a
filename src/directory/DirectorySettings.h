// Everything a running directory is told: where it listens and stores, its limits,
// its timings, and the reading of the --listen and --db values.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "HublaneVersion.h"

namespace hublane::directory {

/// Where the directory keeps its data: an SQLite file, or a PostgreSQL database.
struct DatabaseLocation {
    enum class Kind { Sqlite, Postgres };
    Kind kind = Kind::Sqlite;
    std::string file;  // Sqlite
    // Postgres: each empty when the URL leaves it out (the client library's defaults then hold).
    std::string user;
    std::string password;
    std::string host;  // a host name or address, or a folder of unix sockets
    std::optional<std::uint16_t> port;
    std::string database;
    /// Other settings of the URL's query (sslmode=require, connect_timeout=10, ...), in order.
    std::vector<std::pair<std::string, std::string>> options;
};

/// Reads the --db value: a "postgresql://" (or "postgres://") URL
/// [user[:password]@][host][:port][/database][?host=/socket/folder&name=value...], with percent
/// escapes; anything else is the path of an SQLite file. nullopt (and the reason) for a malformed
/// URL or an empty path.
std::optional<DatabaseLocation> ParseDatabaseLocation(std::string_view text, std::string* error = nullptr);

/// Reads the --listen value: "ADDRESS:PORT" for an IPv4 address or "[ADDRESS]:PORT" for an IPv6
/// one (the address is checked by the socket layer, the port here: 0 to 65535, 0 for any free
/// port).
struct ListenAddress {
    std::string host;
    std::uint16_t port = 0;
};
std::optional<ListenAddress> ParseListenAddress(std::string_view text);

/// Whether an address is to be kept out (an IP filter's test); an empty test keeps nothing out.
using BlockedTest = std::function<bool(std::string_view address)>;

/// The settings of one directory. Times are in milliseconds; the defaults are the program's.
struct DirectorySettings {
    ListenAddress listen{"127.0.0.1", 8080};
    DatabaseLocation database;
    /// Copies that announced within this are listed.
    std::int64_t peerTtlMs = 6LL * 3600 * 1000;
    /// The exact body of versionHBL.txt: by default this build's own version.
    std::string versionText = std::string(kVersion);
    /// Private, loopback and other non-public addresses are listed and recorded too.
    bool allowPrivate = false;
    /// Listed servers are asked again this often.
    std::int64_t recheckMs = 4LL * 3600 * 1000;

    /// Probes: how many start per second at most, how many run at once, how long each waits for
    /// its answer. probesPerSecond 0 stops verification altogether.
    double probesPerSecond = 10;
    int maxProbesInFlight = 32;
    int probeTimeoutMs = 5000;
    /// How often the verifier looks for servers due a check.
    int verifierTickMs = 250;
    /// The wait between a candidate's first answer and the second request it must answer to be
    /// listed, in milliseconds; empty: a random 2 to 10 s, so that no one can time forged answers.
    std::function<std::int64_t()> confirmDelay;

    /// Requests per address and minute: rcv.php and connectHB.php each (beyond: 429), and the
    /// list pages and version text together. 0 lets everything through.
    std::size_t writeLimitPerMinute = 60;
    std::size_t readLimitPerMinute = 600;
    /// Caps on what is stored: candidates and listed servers (dropped ones do not count; they are
    /// kept, at most as many again, only so that they are not asked again at once), the unverified
    /// candidates one reporter may have at once, what the reporters of one network (a /24 or a
    /// /64) may have stored in all, copies, and the copies of one network. A new copy takes the
    /// place of the one seen longest ago (in its network when that is full), so that no one can
    /// fill the table and keep new copies out.
    std::size_t maxStoredServers = 20000;
    std::size_t maxPendingPerReporter = 500;
    std::size_t maxStoredPerNetwork = 2000;
    std::size_t maxStoredCopies = 20000;
    std::size_t maxCopiesPerNetwork = 2000;
    /// Open connections at once (when full, the one that has sent least of its request head makes
    /// room) and per client (an IPv4 address, an IPv6 /64); idle connections are closed after
    /// connectionIdleMs, and a request head must be whole within requestHeadMs of its first byte.
    int maxConnections = 4096;
    int maxConnectionsPerClient = 16;
    int connectionIdleMs = 30000;
    int requestHeadMs = 10000;
    /// A built page is served again for this long (other instances sharing the database may have
    /// changed the lists meanwhile; this instance's own changes rebuild it at once).
    int pageCacheMs = 2000;

    /// Servers and copies kept out (an IP filter); consulted before storing, probing and listing.
    BlockedTest blocked;
    /// Which addresses may be stored, probed and listed at all; empty: a public address, or a
    /// private one with allowPrivate (see AddressRules). A closed test network that plays the
    /// internet on reserved ranges says so here.
    std::function<bool(std::string_view address)> listable;
    /// Wall-clock milliseconds since the epoch (stored times survive restarts and are shared
    /// between instances); the system clock when empty.
    std::function<std::int64_t()> clock;
};

/// Whether the settings let an address be stored, probed and listed (blocked aside).
bool IsListable(const DirectorySettings& settings, std::string_view address);

}  // namespace hublane::directory
