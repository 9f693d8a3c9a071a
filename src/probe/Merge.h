// How probe answers change the tables: new servers and peers from a received list, and a
// server's name and description.
#pragma once

#include <functional>
#include <string_view>

#include "serverlist/ServerTable.h"

namespace hublane::probe {

/// Whether an address is to be kept out (an IP filter's test); an empty test keeps nothing out.
using AddressTest = serverlist::AddressTest;

/// Merges the first `count` entries into the server table: an address already there, or kept out
/// by `blocked`, is skipped; any other raises the server counter (the returned number), and is
/// added as a row (port, then "n/a" five times) only when usable (an address text longer than 8
/// characters and a port text) and while the table holds fewer than kMaxServerRowsFromNetwork.
int MergeServerEntries(serverlist::ServerTable& table, const serverlist::EntryTable& entries, int count,
                       const AddressTest& blocked = {});

/// Adds the usable entries whose address is not yet a peer row (nor kept out); the server
/// counter is not touched. Returns the number of rows added.
int MergePeerEntries(serverlist::PeerList& peers, const serverlist::EntryTable& entries, int count,
                     const AddressTest& blocked = {});

/// Gives a description answer to the first row whose caption is exactly host: answered flag
/// set, Nom and Description replaced. False (answer dropped) when there is no such row.
bool ApplyDescription(serverlist::ServerTable& table, std::string_view host, std::string_view name,
                      std::string_view description);

}  // namespace hublane::probe
