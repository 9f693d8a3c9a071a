// Reading and writing the two list files (server.met and serverHBL.met) against the tables:
// gauge, error log lines and the atomic replacement of the old file.
#pragma once

#include <QString>
#include <QStringList>

#include "serverlist/ServerTable.h"
#include "serverlist/WorkGauge.h"

namespace hublane::platform {
class LanguageTable;
}

namespace hublane::serverlist {

/// What a reader needs besides the file and the list: the gauge, the language texts of the
/// error lines and the error log the lines go to.
struct ReadContext {
    WorkGauge& gauge;
    const platform::LanguageTable& language;
    QStringList& errorLog;
};

/// Replaces the table with the servers of the file at path. On success writes the number of rows
/// into serverCounter (when given) and leaves the gauge at 0; on failure logs one line
/// "server.met : <text>" and keeps the rows read so far, the counter and the gauge. A language
/// file without the text of the failure makes LangText throw std::out_of_range, after the rows
/// read so far are in the table.
bool ReadServerMet(const QString& path, ServerTable& table, ReadContext& ctx, int* serverCounter);

/// Writes every row that can be encoded (see ServerMetCodec.h for the rows left out). With
/// keepFileWhenEmpty and no row to write, the file is left as it is (absent, full, or in a format
/// this program cannot read). The file is replaced only once the new one is complete
/// and flushed (temporary file in the same folder, then rename); on any failure the old file stays
/// byte for byte. Gauge: maximum = number of rows, one step per row, position 0 at the end, and
/// position 0 when the file cannot be created. Returns whether the file was written (false also
/// when the old file was kept).
bool WriteServerMet(const QString& path, const ServerTable& table, WorkGauge& gauge, bool keepFileWhenEmpty);

/// Replaces the peer list with the addresses of the file at path; on failure logs one line
/// "serverHBL.met : <text>" and keeps the rows read so far.
bool ReadPeerList(const QString& path, PeerList& peers, ReadContext& ctx);

/// Writes every peer row that can be encoded, like WriteServerMet.
bool WritePeerList(const QString& path, const PeerList& peers, WorkGauge& gauge, bool keepFileWhenEmpty);

}  // namespace hublane::serverlist
