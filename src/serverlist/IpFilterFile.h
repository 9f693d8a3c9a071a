// An IP filter list read from a file, plain or gzip-compressed.
#pragma once

#include <QString>

#include "serverlist/IpFilter.h"

namespace hublane::serverlist {

/// Reads filter list files for the engine and hublanectl.
class IpFilterFile {
  public:
    /// A list file larger than this is refused before it is read (the largest lists in use are
    /// a few tens of megabytes as text, much less compressed).
    static constexpr qint64 kMaxFileBytes = 64LL * 1024 * 1024;

    /// Reads and parses the list at path (gzip data, whatever the file's name, is recognised by
    /// its first bytes and inflated up to IpFilter::kMaxInflatedBytes). When the file cannot be
    /// read (missing, not a regular file, too large) or its gzip data is broken, the result's
    /// error says why, without the path, and its filter is empty.
    static IpFilterLoad Read(const QString& path);
};

}  // namespace hublane::serverlist
