// gzip data inflated in memory through zlib, with a bound on the size it inflates to.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace hublane::serverlist {

/// True when the bytes begin with the gzip magic number 1F 8B.
bool HasGzipMagic(std::string_view bytes);

struct Inflated {
    std::string bytes;
    /// Empty on success, else why nothing was inflated (corrupt, truncated, too large).
    std::string error;
};

/// The bytes of one gzip file: one member or several in a row (as `cat a.gz b.gz` makes), each
/// with its checksum verified. Fails, without ever holding more than maxBytes (plus one step of
/// output), when the data inflates to more than maxBytes, ends early, is corrupt or is followed
/// by bytes that are not another member.
Inflated GzipInflate(std::string_view compressed, std::size_t maxBytes);

}  // namespace hublane::serverlist
