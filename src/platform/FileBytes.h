// Whole-file reads with a size limit, and atomic whole-file writes that either
// replace a regular file completely or leave what is there as it was.
#pragma once

#include <QByteArray>
#include <QString>
#include <optional>
#include <string_view>

namespace hublane::platform {

/// The bytes of a regular file of at most maxBytes; nullopt when it cannot be opened, is not a
/// regular file (a pipe or a device would block or never end) or is larger.
std::optional<QByteArray> ReadRegularFile(const QString& path, qint64 maxBytes);

/// Replaces the file at path with bytes: they go to a temporary file beside it
/// ("<name>.hublane-part-XXXXXX"), which is flushed to disk and then renamed over the old one.
/// Only a regular file (or nothing) is ever replaced: a folder, a pipe or a device at path is
/// refused. On any failure what was at path stays byte for byte; the reason goes to error when
/// given. A temporary file left behind by a write that was killed is removed by the next write
/// to the same file. The old file's permissions carry over.
bool WriteFileAtomically(const QString& path, std::string_view bytes, QString* error = nullptr);

/// Copies the regular file at path to backupPath through the same atomic write; false (and the
/// old backup kept) when it cannot be read or written.
bool KeepBackup(const QString& path, const QString& backupPath, QString* error = nullptr);

/// The name part of the temporary files that WriteFileAtomically uses beside fileName.
QString PartFilePrefix(const QString& fileName);

}  // namespace hublane::platform
