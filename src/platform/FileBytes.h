// Whole-file reads with a size limit, and atomic whole-file writes that either replace a file
// completely or leave it as it was.
#pragma once

#include <QByteArray>
#include <QString>
#include <optional>
#include <string_view>

namespace hublane::platform {

/// The bytes of a regular file of at most maxBytes; nullopt when it cannot be opened, is not a
/// regular file (a pipe or a device would block or never end) or is larger.
std::optional<QByteArray> ReadRegularFile(const QString& path, qint64 maxBytes);

/// Replaces the file at path with bytes through a temporary file in the same folder, renamed over
/// the old one only once every byte is on disk. On any failure the old file stays byte for byte;
/// the reason goes to error when given.
bool WriteFileAtomically(const QString& path, std::string_view bytes, QString* error = nullptr);

}  // namespace hublane::platform
