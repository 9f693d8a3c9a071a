// The layout of the directory's tables and their creation.
#include "directory/StoreSchema.h"

#include <QSqlError>
#include <QStringList>
#include <QVariant>

namespace hublane::directory {
namespace {

// The layout of the tables; a database written by a later layout is not opened. Layout 2 added
// the network of each server's reporter and of each copy (for the shares one network may hold);
// layout 3 the description each server gave.
constexpr int kSchemaVersion = 3;
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
                       "next_check BIGINT NOT NULL, reporter_net TEXT NOT NULL DEFAULT '', description %1)")
            .arg(bytes),
        QStringLiteral("CREATE INDEX IF NOT EXISTS hublane_servers_due ON hublane_servers (next_check)"),
        QStringLiteral(
            "CREATE INDEX IF NOT EXISTS hublane_servers_listed ON hublane_servers (state, verified_at)"),
        QStringLiteral(
            "CREATE INDEX IF NOT EXISTS hublane_servers_reporter ON hublane_servers (reported_by, state)"),
        QStringLiteral(
            "CREATE TABLE IF NOT EXISTS hublane_copies (address TEXT PRIMARY KEY, seen_at BIGINT NOT NULL, "
            "net TEXT NOT NULL DEFAULT '')"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS hublane_copies_seen ON hublane_copies (seen_at)"),
        QStringLiteral(
            "INSERT INTO hublane_meta (key, value) VALUES ('schema', '%1') ON CONFLICT (key) DO NOTHING")
            .arg(kSchemaVersion),
    };
}

// From layout 1 to 2: the network columns (empty for rows stored before: they count towards no
// network's share).
const QStringList kToLayout2 = {
    QStringLiteral("ALTER TABLE hublane_servers ADD COLUMN reporter_net TEXT NOT NULL DEFAULT ''"),
    QStringLiteral("ALTER TABLE hublane_copies ADD COLUMN net TEXT NOT NULL DEFAULT ''"),
    QStringLiteral("UPDATE hublane_meta SET value = '2' WHERE key = 'schema'"),
};

// From layout 2 to 3: the description column (empty for servers verified before).
QStringList ToLayout3(bool postgres) {
    return {
        QStringLiteral("ALTER TABLE hublane_servers ADD COLUMN description %1")
            .arg(postgres ? QStringLiteral("BYTEA") : QStringLiteral("BLOB")),
        QStringLiteral("UPDATE hublane_meta SET value = '3' WHERE key = 'schema'"),
    };
}

// Runs the statements of one step between layouts in a transaction.
bool RunStep(QSqlDatabase& db, QSqlQuery& q, const QStringList& statements, QString* error) {
    db.transaction();
    for (const QString& statement : statements) {
        if (!q.exec(statement)) {
            *error = q.lastError().text();
            db.rollback();
            return false;
        }
    }
    return db.commit();
}

// Indexes on the columns of layout 2, made once the columns exist.
const QStringList kLayout2Indexes = {
    QStringLiteral(
        "CREATE INDEX IF NOT EXISTS hublane_servers_network ON hublane_servers (reporter_net, state)"),
    QStringLiteral("CREATE INDEX IF NOT EXISTS hublane_copies_network ON hublane_copies (net, seen_at)"),
};

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
    int layout = kSchemaVersion;
    if (ok && q.exec(QStringLiteral("SELECT value FROM hublane_meta WHERE key = 'schema'")) && q.next()) {
        layout = q.value(0).toInt();
    }
    q.finish();
    if (ok && layout > kSchemaVersion) {
        *error = QStringLiteral("the database was written by a later version (layout %1)").arg(layout);
        ok = false;
    }
    if (ok && layout < 2) {
        ok = RunStep(db, q, kToLayout2, error);
    }
    if (ok && layout < 3) {
        ok = RunStep(db, q, ToLayout3(postgres), error);
    }
    for (const QString& statement : kLayout2Indexes) {
        if (ok && !q.exec(statement)) {
            *error = q.lastError().text();
            ok = false;
        }
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
