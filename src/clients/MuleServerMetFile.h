// The server.met of eMule or aMule on disk, read into a document and the table, and
// written back against the final table.
#pragma once

#include <QString>

#include "clients/MuleServerMet.h"
#include "serverlist/ListFiles.h"

namespace hublane::clients {

/// Replaces doc and the table with the file at path (rows for every entry that is not carried).
/// On success writes the number of rows into serverCounter (when given) and leaves the gauge at
/// 0; on failure logs one line "server.met : <text>" as the eDonkey2000 reader does and keeps the
/// entries and rows read so far.
serverlist::ReadOutcome ReadMuleServerMetFile(const QString& path, MuleServerMet& doc,
                                              serverlist::ServerTable& table, serverlist::ReadContext& ctx,
                                              int* serverCounter);

/// Writes doc against the table to path, atomically; options as for WriteServerMet (with
/// keepFileWhenEmpty, a list with no entry at all leaves the file alone). rowsWritten counts the
/// entries written, rowsLeftOut the new rows that could not be encoded; counts (when given) says
/// how each entry went.
serverlist::WriteResult WriteMuleServerMetFile(const QString& path, const MuleServerMet& doc,
                                               const serverlist::ServerTable& table,
                                               serverlist::WorkGauge& gauge, serverlist::WriteOptions options,
                                               MuleWriteCounts* counts = nullptr);

}  // namespace hublane::clients
