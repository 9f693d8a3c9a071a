// The layout of the directory's tables and their creation.
#include "directory/StoreSchema.h"

#include <QSqlError>
#include <QStringList>
#include <QVariant>

namespace hublane::directory {
namespace {

// The layout of the tables; a database written by a later layout is not opened.
constexpr int kSchemaVersion = 1;
// Any number, the same for every instance: it serialises the creation of the tables.
constexpr int kSchemaLockKey = 0x4842;

QStringList SchemaStatements(bool postgres) {
    const QString bytes = postgres ? QStringLiteral("BYTEA") : QStringLiteral("BLOB");
    return {
        QStringLiteral("CREATE TABLE IF NOT EXISTS hublane_meta (key TEXT PRIMARY KEY, value TEXT NOT NULL)"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS hublane_servers ("
                       "address TEXT PRIMARY KEY, port INTEGER NOT NULL, state INTEGER NOT NULL, "
                       "misses INTEGER NOT NULL DEFAULT 0, name %1, reported_by TEXT NOT NULL, "
                       "reported_at BIGINT NOT NULL, verified_at BIGINT NOT NULL DEFAULT 0, "
                       "next_check BIGINT NOT NULL)")
            .arg(bytes),
        QStringLiteral("CREATE INDEX IF NOT EXISTS hublane_servers_due ON hublane_servers (next_check)"),
        QStringLiteral(
            "CREATE INDEX IF NOT EXISTS hublane_servers_listed ON hublane_servers (state, verified_at)"),
        QStringLiteral(
            "CREATE INDEX IF NOT EXISTS hublane_servers_reporter ON hublane_servers (reported_by, state)"),
        QStringLiteral(
            "CREATE TABLE IF NOT EXISTS hublane_copies (address TEXT PRIMARY KEY, seen_at BIGINT NOT NULL)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS hublane_copies_seen ON hublane_copies (seen_at)"),
        QStringLiteral(
            "INSERT INTO hublane_meta (key, value) VALUES ('schema', '%1') ON CONFLICT (key) DO NOTHING")
            .arg(kSchemaVersion),
    };
}

}  // namespace

bool CreateStoreTables(QSqlDatabase& db, bool postgres, QString* error) {
    QSqlQuery q(db);
    if (postgres && !q.exec(QStringLiteral("SELECT pg_advisory_lock(%1)").arg(kSchemaLockKey))) {
        *error = q.lastError().text();
        return false;
    }
    bool ok = true;
    for (const QString& statement : SchemaStatements(postgres)) {
        if (!q.exec(statement)) {
            *error = q.lastError().text();
            ok = false;
            break;
        }
    }
    if (ok && q.exec(QStringLiteral("SELECT value FROM hublane_meta WHERE key = 'schema'")) && q.next() &&
        q.value(0).toInt() > kSchemaVersion) {
        *error = QStringLiteral("the database was written by a later version (layout %1)")
                     .arg(q.value(0).toString());
        ok = false;
    }
    if (postgres) {
        q.exec(QStringLiteral("SELECT pg_advisory_unlock(%1)").arg(kSchemaLockKey));
    }
    return ok;
}

StoredServer ReadStoredServer(const QSqlQuery& q) {
    StoredServer s;
    s.address = q.value(0).toString().toStdString();
    s.port = static_cast<std::uint16_t>(q.value(1).toUInt());
    s.state = ServerStateFromNumber(q.value(2).toLongLong()).value_or(ServerState::Dropped);
    s.misses = q.value(3).toInt();
    s.nextCheckMs = q.value(4).toLongLong();
    s.verifiedAtMs = q.value(5).toLongLong();
    const QByteArray name = q.value(6).toByteArray();
    s.name.assign(name.constData(), static_cast<std::size_t>(name.size()));
    s.reporter = q.value(7).toString().toStdString();
    s.reportedAtMs = q.value(8).toLongLong();
    return s;
}

}  // namespace hublane::directory
