// The directory's data in SQLite or PostgreSQL through Qt SQL: reported servers with
// their checks, and the copies that announced themselves. The same statements serve both.
#pragma once

#include <QString>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "directory/DirectorySettings.h"
#include "directory/HtmlPages.h"
#include "directory/Verification.h"
#include "exchange/WebFormats.h"

namespace hublane::directory {

/// The most bytes of a server name kept, and of its description.
inline constexpr std::size_t kMaxStoredNameBytes = 255;

/// One stored server.
struct StoredServer {
    std::string address;
    std::uint16_t port = 0;
    ServerState state = ServerState::Candidate;
    int misses = 0;
    std::int64_t nextCheckMs = 0;
    std::int64_t verifiedAtMs = 0;
    std::string name;
    std::string reporter;
    std::int64_t reportedAtMs = 0;
};

/// The database of one directory, used on the thread that opened it. Every call reports failure
/// instead of throwing; after a failure the connection is tested (and opened again when it was
/// lost) before the next statement, at most every few seconds.
class DirectoryStore {
  public:
    /// connectionName must be unique within the process.
    explicit DirectoryStore(QString connectionName);
    ~DirectoryStore();
    DirectoryStore(const DirectoryStore&) = delete;
    DirectoryStore& operator=(const DirectoryStore&) = delete;

    /// Opens the database (an SQLite file is created when absent) and creates the tables it lacks.
    bool Open(const DatabaseLocation& location, QString* error = nullptr);
    /// Closes the database (SQLite writes its journal back into the file).
    void Close();
    bool IsOpen() const;
    QString LastError() const { return m_lastError; }

    /// What became of the servers of one report.
    struct AddResult {
        int added = 0;    // new candidates
        int known = 0;    // already stored, in whatever state: left as they are
        int overCap = 0;  // not stored: the table, the reporter's or its network's share is full
        bool failed = false;
    };
    /// The caps a report is stored within.
    struct StoreCaps {
        std::size_t maxStored = 0;      // candidates and listed servers in all (dropped ones aside)
        std::size_t maxPending = 0;     // unverified candidates of the reporter
        std::size_t maxPerNetwork = 0;  // candidates and listed servers of the reporter's network
    };
    /// Stores new candidates (due a check at once) reported by reporter, within the caps (the
    /// total is counted again every few seconds, so instances sharing the database may overshoot
    /// it a little). The reporter's network is its /24 or /64 (NetworkOf).
    AddResult AddCandidates(const std::vector<exchange::LinkedServer>& servers, const std::string& reporter,
                            std::int64_t nowMs, const StoreCaps& caps);

    enum class CopyResult { Recorded, Full, Failed };
    /// Records that a copy announced itself at nowMs. A copy already stored is renewed; a new one
    /// takes its place after copies not seen since staleBeforeMs are forgotten; when maxCopies are
    /// still stored, or maxPerNetwork of its own network, the copy seen longest ago (of that
    /// network) makes room.
    CopyResult RecordCopy(const std::string& address, std::int64_t nowMs, std::int64_t staleBeforeMs,
                          std::size_t maxCopies, std::size_t maxPerNetwork);

    /// The listed servers, most recently verified first; nullopt on a failure.
    std::optional<std::vector<ListedServer>> ListedServers(std::size_t limit);
    /// The copies seen since sinceMs, most recent first; nullopt on a failure.
    std::optional<std::vector<std::string>> RecentCopies(std::int64_t sinceMs, std::size_t limit);

    /// Servers whose next check has come, the longest waiting first.
    std::vector<StoredServer> DueServers(std::int64_t nowMs, std::size_t limit);
    /// Takes a due server for a probe: moves its next check from expectedNextMs to leaseUntilMs.
    /// False when it was not due at expectedNextMs any more (another instance took it).
    bool Claim(const std::string& address, std::int64_t expectedNextMs, std::int64_t leaseUntilMs);
    /// Saves a probe's outcome; name and description (each cut to kMaxStoredNameBytes) and the
    /// verification time change only when the step verified the server.
    bool SaveCheck(const std::string& address, const CheckStep& step, const std::string& name,
                   const std::string& description, std::int64_t nowMs);
    bool Forget(const std::string& address);
    /// Forgets copies not seen since beforeMs; the number forgotten, or -1 on a failure.
    int ForgetCopiesBefore(std::int64_t beforeMs);

    /// Stores a server as given, replacing one at its address (set-up of tests and benchmarks).
    bool PutServer(const StoredServer& server);
    std::optional<StoredServer> Server(const std::string& address);
    /// Stored servers in a state (all when empty), and stored copies; -1 on a failure.
    long long CountServers(std::optional<ServerState> state = std::nullopt);
    long long CountCopies();

  private:
    bool Healthy();
    void Failed(const QString& what);

    QString m_connection;
    DatabaseLocation m_location;
    QString m_lastError;
    bool m_broken = false;
    std::int64_t m_lastRepairMs = 0;
    long long m_storedCount = -1;  // -1: to be counted
    std::int64_t m_storedCountAtMs = 0;
};

}  // namespace hublane::directory
