// The directory's data in SQLite or PostgreSQL through Qt SQL.
#include "directory/DirectoryStore.h"

#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>
#include <algorithm>

#include "directory/AddressRules.h"
#include "directory/StoreSchema.h"

namespace hublane::directory {
namespace {

// After a failure, the connection is tested at most this often.
constexpr std::int64_t kRepairEveryMs = 2000;
// The number of stored servers is taken from the database at most this often.
constexpr std::int64_t kRecountEveryMs = 5000;

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

std::string Std(const QVariant& value) {
    return value.toString().toStdString();
}

QVariant Ms(std::int64_t ms) {
    return QVariant(static_cast<qlonglong>(ms));
}

std::int64_t SteadyMs() {
    static QElapsedTimer timer;
    if (!timer.isValid()) {
        timer.start();
    }
    return timer.elapsed();
}

}  // namespace

DirectoryStore::DirectoryStore(QString connectionName) : m_connection(std::move(connectionName)) {}

DirectoryStore::~DirectoryStore() {
    Close();
}

bool DirectoryStore::Open(const DatabaseLocation& location, QString* error) {
    Close();
    m_location = location;
    m_broken = false;
    m_storedCount = -1;
    const bool postgres = location.kind == DatabaseLocation::Kind::Postgres;
    const QString driver = postgres ? QStringLiteral("QPSQL") : QStringLiteral("QSQLITE");
    const auto fail = [&](const QString& why) {
        m_lastError = why;
        if (error != nullptr) {
            *error = why;
        }
        return false;
    };
    if (!QSqlDatabase::isDriverAvailable(driver)) {
        return fail(QStringLiteral("the Qt SQL driver %1 is not installed").arg(driver));
    }
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(driver, m_connection);
        if (postgres) {
            db.setHostName(Text(location.host));
            if (location.port) {
                db.setPort(*location.port);
            }
            db.setUserName(Text(location.user));
            db.setPassword(Text(location.password));
            db.setDatabaseName(Text(location.database));
            QStringList options;
            bool serverOptions = false;
            for (const auto& [name, value] : location.options) {
                options << Text(name) + QLatin1Char('=') + Text(value);
                serverOptions = serverOptions || name == "options";
            }
            if (!serverOptions) {
                // Notices ("relation already exists, skipping") are not worth a line on standard
                // error; set for the session, so that a connection opened again has it too.
                options << QStringLiteral("options=-cclient_min_messages=warning");
            }
            db.setConnectOptions(options.join(QLatin1Char(';')));
        } else {
            db.setDatabaseName(Text(location.file));
            db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
        }
        if (!db.open()) {
            const QString why = db.lastError().text();
            db = QSqlDatabase();
            Close();
            return fail(why);
        }
        if (!postgres) {
            // The journal beside the file: readers never wait for the verifier's writes, and a
            // commit does not wait for the disk (a crash may lose the last moments, never the file).
            QSqlQuery pragma(db);
            pragma.exec(QStringLiteral("PRAGMA journal_mode=WAL"));
            pragma.exec(QStringLiteral("PRAGMA synchronous=NORMAL"));
        }
    }
    QString why;
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    const bool created = CreateStoreTables(db, postgres, &why);
    db = QSqlDatabase();
    if (!created) {
        Close();
        return fail(why);
    }
    return true;
}

void DirectoryStore::Close() {
    if (!QSqlDatabase::contains(m_connection)) {
        return;
    }
    {
        QSqlDatabase db = QSqlDatabase::database(m_connection, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_connection);
}

bool DirectoryStore::IsOpen() const {
    return QSqlDatabase::contains(m_connection) && QSqlDatabase::database(m_connection, false).isOpen();
}

void DirectoryStore::Failed(const QString& what) {
    m_lastError = what;
    m_broken = true;
}

bool DirectoryStore::Healthy() {
    if (!QSqlDatabase::contains(m_connection)) {
        m_lastError = QStringLiteral("the database is not open");
        return false;
    }
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    if (!m_broken) {
        return true;
    }
    if (SteadyMs() - m_lastRepairMs < kRepairEveryMs) {
        // Between repairs, statements are tried on a connection that is still open.
        return db.isOpen();
    }
    m_lastRepairMs = SteadyMs();
    {
        QSqlQuery q(db);
        if (db.isOpen() && q.exec(QStringLiteral("SELECT 1"))) {
            m_broken = false;
            return true;
        }
    }
    // The connection was lost (a database server restarted): open it again.
    db.close();
    if (db.open()) {
        m_broken = false;
        return true;
    }
    m_lastError = db.lastError().text();
    return false;
}

DirectoryStore::AddResult DirectoryStore::AddCandidates(const std::vector<exchange::LinkedServer>& servers,
                                                        const std::string& reporter, std::int64_t nowMs,
                                                        const StoreCaps& caps) {
    AddResult result;
    if (servers.empty()) {
        return result;
    }
    if (!Healthy()) {
        result.failed = true;
        return result;
    }
    const std::string network = NetworkOf(reporter);
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    db.transaction();
    QSqlQuery q(db);
    // Counting every stored server for each report would cost a walk over the table: the count
    // is kept here and taken again now and then (other instances and the verifier change it too).
    // Dropped servers do not count; past as many as the cap they go, those due to be forgotten
    // first, so that they cannot fill the database either.
    bool ok = true;
    if (m_storedCount < 0 || SteadyMs() - m_storedCountAtMs >= kRecountEveryMs) {
        ok = q.exec(QStringLiteral("SELECT COUNT(*) FROM hublane_servers WHERE state <> 2")) && q.next();
        m_storedCount = ok ? q.value(0).toLongLong() : -1;
        m_storedCountAtMs = SteadyMs();
        long long dropped = 0;
        if (ok) {
            ok = q.exec(QStringLiteral("SELECT COUNT(*) FROM hublane_servers WHERE state = 2")) && q.next();
            dropped = ok ? q.value(0).toLongLong() : 0;
        }
        if (ok && dropped > static_cast<long long>(caps.maxStored)) {
            q.prepare(QStringLiteral(
                "DELETE FROM hublane_servers WHERE address IN (SELECT address FROM hublane_servers "
                "WHERE state = 2 ORDER BY next_check, address LIMIT :n)"));
            q.bindValue(QStringLiteral(":n"), dropped - static_cast<long long>(caps.maxStored));
            ok = q.exec();
        }
    }
    long long stored = m_storedCount;
    // Counted no further than their caps, so a report costs the same however many are stored.
    const auto countUpTo = [&q, &ok](const QString& where, const QString& key, const std::string& value,
                                     std::size_t cap) {
        if (!ok) {
            return 0LL;
        }
        q.prepare(
            QStringLiteral("SELECT COUNT(*) FROM (SELECT 1 FROM hublane_servers WHERE %1 LIMIT :cap) AS n")
                .arg(where));
        q.bindValue(key, Text(value));
        q.bindValue(QStringLiteral(":cap"), static_cast<qlonglong>(cap));
        ok = q.exec() && q.next();
        return ok ? q.value(0).toLongLong() : 0LL;
    };
    long long pending = countUpTo(QStringLiteral("reported_by = :r AND state IN (0, 3)"),
                                  QStringLiteral(":r"), reporter, caps.maxPending);
    long long inNetwork = countUpTo(QStringLiteral("reporter_net = :net AND state <> 2"),
                                    QStringLiteral(":net"), network, caps.maxPerNetwork);
    if (ok) {
        q.prepare(
            QStringLiteral("INSERT INTO hublane_servers (address, port, state, misses, reported_by, "
                           "reported_at, next_check, reporter_net) "
                           "VALUES (:a, :p, 0, 0, :r, :t, :t, :net) ON CONFLICT (address) DO NOTHING"));
    }
    for (std::size_t i = 0; ok && i < servers.size(); ++i) {
        if (stored >= static_cast<long long>(caps.maxStored) ||
            pending >= static_cast<long long>(caps.maxPending) ||
            inNetwork >= static_cast<long long>(caps.maxPerNetwork)) {
            result.overCap = static_cast<int>(servers.size() - i);
            break;
        }
        q.bindValue(QStringLiteral(":a"), Text(servers[i].address));
        q.bindValue(QStringLiteral(":p"), QString::fromStdString(servers[i].port).toInt());
        q.bindValue(QStringLiteral(":r"), Text(reporter));
        q.bindValue(QStringLiteral(":t"), Ms(nowMs));
        q.bindValue(QStringLiteral(":net"), Text(network));
        ok = q.exec();
        if (ok && q.numRowsAffected() == 1) {
            ++result.added;
            ++stored;
            ++m_storedCount;
            ++pending;
            ++inNetwork;
        } else if (ok) {
            ++result.known;
        }
    }
    if (!ok) {
        Failed(q.lastError().text());
        m_storedCount = -1;
        q.finish();
        db.rollback();
        return AddResult{0, 0, 0, true};
    }
    q.finish();
    if (!db.commit()) {
        Failed(db.lastError().text());
        m_storedCount = -1;
        db.rollback();
        return AddResult{0, 0, 0, true};
    }
    return result;
}

DirectoryStore::CopyResult DirectoryStore::RecordCopy(const std::string& address, std::int64_t nowMs,
                                                      std::int64_t staleBeforeMs, std::size_t maxCopies,
                                                      std::size_t maxPerNetwork) {
    if (!Healthy()) {
        return CopyResult::Failed;
    }
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(QStringLiteral("UPDATE hublane_copies SET seen_at = :t WHERE address = :a"));
    q.bindValue(QStringLiteral(":t"), Ms(nowMs));
    q.bindValue(QStringLiteral(":a"), Text(address));
    if (!q.exec()) {
        Failed(q.lastError().text());
        return CopyResult::Failed;
    }
    if (q.numRowsAffected() > 0) {
        return CopyResult::Recorded;
    }
    if (maxCopies == 0) {
        return CopyResult::Full;
    }
    const std::string network = NetworkOf(address);
    long long count = CountCopies();
    if (count >= static_cast<long long>(maxCopies)) {
        ForgetCopiesBefore(staleBeforeMs);
        count = CountCopies();
    }
    if (count < 0) {
        return CopyResult::Failed;
    }
    // A full network, or a full table, makes room by the copy seen longest ago (of the network
    // when it is the network that is full): a new copy is never refused for want of room.
    q.prepare(QStringLiteral(
        "SELECT COUNT(*) FROM (SELECT 1 FROM hublane_copies WHERE net = :net LIMIT :cap) AS n"));
    q.bindValue(QStringLiteral(":net"), Text(network));
    q.bindValue(QStringLiteral(":cap"), static_cast<qlonglong>(std::max<std::size_t>(maxPerNetwork, 1)));
    if (!q.exec() || !q.next()) {
        Failed(q.lastError().text());
        return CopyResult::Failed;
    }
    const bool networkFull = q.value(0).toLongLong() >= static_cast<long long>(maxPerNetwork);
    if (networkFull || count >= static_cast<long long>(maxCopies)) {
        q.prepare(
            QStringLiteral("DELETE FROM hublane_copies WHERE address IN (SELECT address FROM hublane_copies "
                           "%1 ORDER BY seen_at, address LIMIT 1)")
                .arg(networkFull ? QStringLiteral("WHERE net = :net") : QString()));
        if (networkFull) {
            q.bindValue(QStringLiteral(":net"), Text(network));
        }
        if (!q.exec()) {
            Failed(q.lastError().text());
            return CopyResult::Failed;
        }
    }
    q.prepare(
        QStringLiteral("INSERT INTO hublane_copies (address, seen_at, net) VALUES (:a, :t, :net) "
                       "ON CONFLICT (address) DO UPDATE SET seen_at = excluded.seen_at"));
    q.bindValue(QStringLiteral(":a"), Text(address));
    q.bindValue(QStringLiteral(":t"), Ms(nowMs));
    q.bindValue(QStringLiteral(":net"), Text(network));
    if (!q.exec()) {
        Failed(q.lastError().text());
        return CopyResult::Failed;
    }
    return CopyResult::Recorded;
}

std::optional<std::vector<ListedServer>> DirectoryStore::ListedServers(std::size_t limit) {
    if (!Healthy()) {
        return std::nullopt;
    }
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.setForwardOnly(true);
    q.prepare(
        QStringLiteral("SELECT address, port, name, description FROM hublane_servers WHERE state = 1 "
                       "ORDER BY verified_at DESC, address LIMIT :n"));
    q.bindValue(QStringLiteral(":n"), static_cast<qlonglong>(limit));
    if (!q.exec()) {
        Failed(q.lastError().text());
        return std::nullopt;
    }
    std::vector<ListedServer> servers;
    while (q.next()) {
        const QByteArray name = q.value(2).toByteArray();
        const QByteArray description = q.value(3).toByteArray();
        servers.push_back(
            ListedServer{Std(q.value(0)), static_cast<std::uint16_t>(q.value(1).toUInt()),
                         std::string(name.constData(), static_cast<std::size_t>(name.size())),
                         std::string(description.constData(), static_cast<std::size_t>(description.size()))});
    }
    return servers;
}

std::optional<std::vector<std::string>> DirectoryStore::RecentCopies(std::int64_t sinceMs,
                                                                     std::size_t limit) {
    if (!Healthy()) {
        return std::nullopt;
    }
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.setForwardOnly(true);
    q.prepare(
        QStringLiteral("SELECT address FROM hublane_copies WHERE seen_at >= :s "
                       "ORDER BY seen_at DESC, address LIMIT :n"));
    q.bindValue(QStringLiteral(":s"), Ms(sinceMs));
    q.bindValue(QStringLiteral(":n"), static_cast<qlonglong>(limit));
    if (!q.exec()) {
        Failed(q.lastError().text());
        return std::nullopt;
    }
    std::vector<std::string> copies;
    while (q.next()) {
        copies.push_back(Std(q.value(0)));
    }
    return copies;
}

std::vector<StoredServer> DirectoryStore::DueServers(std::int64_t nowMs, std::size_t limit) {
    std::vector<StoredServer> due;
    if (!Healthy()) {
        return due;
    }
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.setForwardOnly(true);
    q.prepare(
        QStringLiteral("SELECT %1 FROM hublane_servers WHERE next_check <= :t ORDER BY next_check LIMIT :n")
            .arg(QLatin1String(kStoredServerColumns)));
    q.bindValue(QStringLiteral(":t"), Ms(nowMs));
    q.bindValue(QStringLiteral(":n"), static_cast<qlonglong>(limit));
    if (!q.exec()) {
        Failed(q.lastError().text());
        return due;
    }
    while (q.next()) {
        due.push_back(ReadStoredServer(q));
    }
    return due;
}

bool DirectoryStore::Claim(const std::string& address, std::int64_t expectedNextMs,
                           std::int64_t leaseUntilMs) {
    if (!Healthy()) {
        return false;
    }
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(
        QStringLiteral("UPDATE hublane_servers SET next_check = :l WHERE address = :a AND next_check = :e"));
    q.bindValue(QStringLiteral(":l"), Ms(leaseUntilMs));
    q.bindValue(QStringLiteral(":a"), Text(address));
    q.bindValue(QStringLiteral(":e"), Ms(expectedNextMs));
    if (!q.exec()) {
        Failed(q.lastError().text());
        return false;
    }
    return q.numRowsAffected() == 1;
}

bool DirectoryStore::SaveCheck(const std::string& address, const CheckStep& step, const std::string& name,
                               const std::string& description, std::int64_t nowMs) {
    if (!Healthy()) {
        return false;
    }
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    if (step.verified) {
        q.prepare(
            QStringLiteral("UPDATE hublane_servers SET state = :s, misses = :m, next_check = :n, "
                           "verified_at = :v, name = :name, description = :d WHERE address = :a"));
        const std::string kept = CutName(name, kMaxStoredNameBytes);
        const std::string keptDescription = CutName(description, kMaxStoredNameBytes);
        q.bindValue(QStringLiteral(":v"), Ms(nowMs));
        q.bindValue(QStringLiteral(":name"), QByteArray(kept.data(), static_cast<qsizetype>(kept.size())));
        q.bindValue(QStringLiteral(":d"),
                    QByteArray(keptDescription.data(), static_cast<qsizetype>(keptDescription.size())));
    } else {
        q.prepare(QStringLiteral(
            "UPDATE hublane_servers SET state = :s, misses = :m, next_check = :n WHERE address = :a"));
    }
    q.bindValue(QStringLiteral(":s"), static_cast<int>(step.state));
    q.bindValue(QStringLiteral(":m"), step.misses);
    q.bindValue(QStringLiteral(":n"), Ms(step.nextCheckMs));
    q.bindValue(QStringLiteral(":a"), Text(address));
    if (!q.exec()) {
        Failed(q.lastError().text());
        return false;
    }
    return true;
}

bool DirectoryStore::Forget(const std::string& address) {
    if (!Healthy()) {
        return false;
    }
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(QStringLiteral("DELETE FROM hublane_servers WHERE address = :a"));
    q.bindValue(QStringLiteral(":a"), Text(address));
    if (!q.exec()) {
        Failed(q.lastError().text());
        return false;
    }
    return true;
}

int DirectoryStore::ForgetCopiesBefore(std::int64_t beforeMs) {
    if (!Healthy()) {
        return -1;
    }
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(QStringLiteral("DELETE FROM hublane_copies WHERE seen_at < :b"));
    q.bindValue(QStringLiteral(":b"), Ms(beforeMs));
    if (!q.exec()) {
        Failed(q.lastError().text());
        return -1;
    }
    return q.numRowsAffected();
}

bool DirectoryStore::PutServer(const StoredServer& server) {
    if (!Healthy() || !Forget(server.address)) {
        return false;
    }
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(
        QStringLiteral("INSERT INTO hublane_servers (%1) VALUES (:a, :p, :s, :m, :n, :v, :name, :r, :t)")
            .arg(QLatin1String(kStoredServerColumns)));
    q.bindValue(QStringLiteral(":a"), Text(server.address));
    q.bindValue(QStringLiteral(":p"), static_cast<int>(server.port));
    q.bindValue(QStringLiteral(":s"), static_cast<int>(server.state));
    q.bindValue(QStringLiteral(":m"), server.misses);
    q.bindValue(QStringLiteral(":n"), Ms(server.nextCheckMs));
    q.bindValue(QStringLiteral(":v"), Ms(server.verifiedAtMs));
    q.bindValue(QStringLiteral(":name"),
                QByteArray(server.name.data(), static_cast<qsizetype>(server.name.size())));
    q.bindValue(QStringLiteral(":r"), Text(server.reporter));
    q.bindValue(QStringLiteral(":t"), Ms(server.reportedAtMs));
    if (!q.exec()) {
        Failed(q.lastError().text());
        return false;
    }
    return true;
}

std::optional<StoredServer> DirectoryStore::Server(const std::string& address) {
    if (!Healthy()) {
        return std::nullopt;
    }
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(QStringLiteral("SELECT %1 FROM hublane_servers WHERE address = :a")
                  .arg(QLatin1String(kStoredServerColumns)));
    q.bindValue(QStringLiteral(":a"), Text(address));
    if (!q.exec()) {
        Failed(q.lastError().text());
        return std::nullopt;
    }
    if (!q.next()) {
        return std::nullopt;
    }
    return ReadStoredServer(q);
}

long long DirectoryStore::CountServers(std::optional<ServerState> state) {
    if (!Healthy()) {
        return -1;
    }
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    if (state) {
        q.prepare(QStringLiteral("SELECT COUNT(*) FROM hublane_servers WHERE state = :s"));
        q.bindValue(QStringLiteral(":s"), static_cast<int>(*state));
    } else {
        q.prepare(QStringLiteral("SELECT COUNT(*) FROM hublane_servers"));
    }
    if (!q.exec() || !q.next()) {
        Failed(q.lastError().text());
        return -1;
    }
    return q.value(0).toLongLong();
}

long long DirectoryStore::CountCopies() {
    if (!Healthy()) {
        return -1;
    }
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    if (!q.exec(QStringLiteral("SELECT COUNT(*) FROM hublane_copies")) || !q.next()) {
        Failed(q.lastError().text());
        return -1;
    }
    return q.value(0).toLongLong();
}

}  // namespace hublane::directory
