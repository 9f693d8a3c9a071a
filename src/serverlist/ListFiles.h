// Reading and writing the two list files (server.met and serverHBL.met) against the tables:
// gauge, error log lines and the atomic replacement of the old file.
#pragma once

#include <QString>
#include <QStringList>

#include "serverlist/ServerTable.h"
#include "serverlist/WorkGauge.h"

namespace hublane::app {
class LanguageTable;
}

namespace hublane::serverlist {

/// What a reader needs besides the file and the list: the gauge, the language texts of the
/// error lines and the error log the lines go to.
struct ReadContext {
    WorkGauge& gauge;
    const app::LanguageTable& language;
    QStringList& errorLog;
};

/// Replaces the table with the servers of the file at path. On success writes the number of rows
/// into serverCounter (when given); on failure logs one line "server.met : <text>" and keeps the
/// rows read so far.
bool ReadServerMet(const QString& path, ServerTable& table, ReadContext& ctx, QString* serverCounter);

/// Writes every row that can be encoded. With keepFileWhenEmpty, an empty table leaves an existing
/// file that holds entries as it is. The file is replaced only once the new one is complete.
/// Returns whether the file was written.
bool WriteServerMet(const QString& path, const ServerTable& table, WorkGauge& gauge, bool keepFileWhenEmpty);

/// Replaces the peer list with the addresses of the file at path; on failure logs one line
/// "serverHBL.met : <text>" and keeps the rows read so far.
bool ReadPeerList(const QString& path, PeerList& peers, ReadContext& ctx);

/// Writes every peer row that can be encoded, like WriteServerMet.
bool WritePeerList(const QString& path, const PeerList& peers, WorkGauge& gauge, bool keepFileWhenEmpty);

}  // namespace hublane::serverlist
