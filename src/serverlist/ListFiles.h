// Reading and writing the two list files (server.met and serverHBL.met) against the
// tables: gauge, error log lines, the atomic replacement of the old file and its backup.
#pragma once

#include <QString>
#include <QStringList>

#include "serverlist/ServerListCodec.h"
#include "serverlist/ServerListDialect.h"
#include "serverlist/ServerTable.h"
#include "serverlist/WorkGauge.h"

namespace hublane::language {
class LanguageTable;
}

namespace hublane::serverlist {

/// What a reader needs besides the file and the list: the gauge, the language texts of the
/// error lines and the error log the lines go to.
struct ReadContext {
    WorkGauge& gauge;
    const language::LanguageTable& language;
    QStringList& errorLog;
    /// The name the error lines start with; empty: the file's own name ("server.met",
    /// "serverHBL.met"), as the program logs it.
    QString fileLabel = {};
};

/// How a read ended: whole, or not (the file was missing, refused or read only in part).
struct ReadOutcome {
    bool whole = false;
    /// The file existed and held bytes that were not all taken into the list: writing over it
    /// would lose them, so the next write keeps a backup first.
    bool leftBytesUnread = false;

    operator bool() const { return whole; }  // NOLINT(google-explicit-constructor): reads as "did it read"
};

/// Replaces the table with the servers of the file at path, in the client's dialect (codec). On
/// success writes the number of rows into serverCounter (when given) and leaves the gauge at 0;
/// on failure logs one line "server.met : <text>" and keeps the rows read so far, the counter and
/// the gauge. A language file without the text of the failure makes LangText throw
/// std::out_of_range, after the rows read so far are in the table.
ReadOutcome ReadServerMet(const QString& path, ServerTable& table, ReadContext& ctx, int* serverCounter,
                          const ServerListCodec& codec);
/// The same in a dialect that keeps what it read for the next write; a file that cannot be
/// opened leaves it with nothing kept.
ReadOutcome ReadServerMet(const QString& path, ServerTable& table, ReadContext& ctx, int* serverCounter,
                          ServerListDialect& dialect);

/// Replaces the peer list with the addresses of the file at path; on failure logs one line
/// "serverHBL.met : <text>" and keeps the rows read so far.
ReadOutcome ReadPeerList(const QString& path, PeerList& peers, ReadContext& ctx);

struct WriteOptions {
    /// With no row to write, the file is left as it is (absent, full, or in a format this program
    /// cannot read): an empty list never replaces a list.
    bool keepFileWhenEmpty = false;
    /// The file's last read did not take it whole: before it is replaced, it is kept beside
    /// itself as "<name>.bak" (replacing an older one).
    bool backUpOld = false;
};

struct WriteResult {
    enum class Status { Written, NothingToWrite, Failed };
    Status status = Status::Failed;
    /// Why the write failed (Failed only).
    QString error;
    /// Rows written, and rows that could not be encoded and were left out.
    int rowsWritten = 0;
    int rowsLeftOut = 0;
    /// The old file was kept as "<path>.bak".
    bool backedUp = false;

    bool Written() const { return status == Status::Written; }
};

/// Writes every row the codec can encode (see clients/ServerMetCodec.h for the rows left out). The file is
/// replaced only once the new one is complete and on disk (see WriteFileAtomically); on any
/// failure the old file stays byte for byte. Gauge: maximum = number of rows, one step per row,
/// position 0 at the end, and position 0 when nothing is written.
WriteResult WriteServerMet(const QString& path, const ServerTable& table, WorkGauge& gauge,
                           WriteOptions options, const ServerListCodec& codec);
/// The same against what the dialect's last read kept; once the file is replaced, the dialect
/// keeps the bytes written instead.
WriteResult WriteServerMet(const QString& path, const ServerTable& table, WorkGauge& gauge,
                           WriteOptions options, ServerListDialect& dialect);

/// Writes every peer row that can be encoded, like WriteServerMet.
WriteResult WritePeerList(const QString& path, const PeerList& peers, WorkGauge& gauge, WriteOptions options);

}  // namespace hublane::serverlist
