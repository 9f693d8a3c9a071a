// How one client's server list file is decoded into the server table and encoded from it: the
// list files read and write through it, and each client in clients/ gives its own.
#pragma once

#include <string>
#include <string_view>

#include "serverlist/ListReadResult.h"
#include "serverlist/ServerTable.h"
#include "serverlist/WorkGauge.h"

namespace hublane::serverlist {

struct ServerListCodec {
    /// The file's own name, which its error lines start with ("server.met").
    const char* fileName;
    /// Reads the entries into the table in file order (see DecodeServerMet for the contract).
    ListReadResult (*decode)(std::string_view bytes, ServerTable& table, WorkGauge& gauge);
    /// Whether a row can be written; the others are left out of the file.
    bool (*canEncode)(const ServerRow& row);
    /// The file of every row that can be encoded, in table order.
    std::string (*encode)(const ServerTable& table, WorkGauge& gauge);
};

}  // namespace hublane::serverlist
