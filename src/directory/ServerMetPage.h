// The directory's verified servers as a server.met that eMule and aMule load from a URL.
#pragma once

#include <string>
#include <vector>

#include "directory/HtmlPages.h"

namespace hublane::directory {

/// A server.met (header 0xE0) of the servers in the order given, at most kMaxListedServers: each
/// with its name and description when not empty, as these clients write a server they just
/// learned; no other tag. Servers whose address is not a dotted quad are left out.
std::string ServerMetFile(const std::vector<ListedServer>& servers);

}  // namespace hublane::directory
