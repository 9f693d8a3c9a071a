// The layout of the directory's tables, the same on SQLite and PostgreSQL but for
// the type of bytes, their creation, and the reading of a stored server's row.
#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>

#include "directory/DirectoryStore.h"

namespace hublane::directory {

/// The columns ReadStoredServer reads, in its order.
inline constexpr const char* kStoredServerColumns =
    "address, port, state, misses, next_check, verified_at, name, reported_by, reported_at";

/// Creates the tables and indexes that are missing and records the layout's version; refuses a
/// database written by a later layout. Several instances may run it at once on PostgreSQL.
bool CreateStoreTables(QSqlDatabase& db, bool postgres, QString* error);

/// The server of the current row of a query that selected kStoredServerColumns.
StoredServer ReadStoredServer(const QSqlQuery& q);

}  // namespace hublane::directory
