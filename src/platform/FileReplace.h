// The two steps of an atomic file write that differ between systems.
#pragma once

#include <QFile>
#include <QString>

namespace hublane::platform {

/// Puts what was written to the open file on the disk (fsync, FlushFileBuffers).
bool SyncToDisk(QFile& file);

/// Renames from over to in one step, replacing what is at to; the reason goes to error.
bool ReplaceFile(const QString& from, const QString& to, QString* error);

}  // namespace hublane::platform
