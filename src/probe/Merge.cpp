// How probe answers change the tables: new servers and peers from a received list, and a
// server's name and description.
#include "probe/Merge.h"

#include "probe/Ed2kMessages.h"

namespace hublane::probe {

using serverlist::Column;
using serverlist::kUnknown;

int MergeServerEntries(serverlist::ServerTable& table, const serverlist::EntryTable& entries, int count,
                       const AddressTest& blocked) {
    int raised = 0;
    for (int i = 0; i < count && i < static_cast<int>(entries.size()); ++i) {
        const serverlist::SERVEUR& entry = entries[static_cast<std::size_t>(i)];
        if (table.FindExact(entry.ip) >= 0 || (blocked && blocked(entry.ip))) {
            continue;
        }
        // The counter counts new addresses before the usability test; the next clean-up sets
        // it to the true row count.
        ++raised;
        if (IsUsableEntry(entry) && table.Count() < serverlist::kMaxServerRowsFromNetwork) {
            table.AddServerRow(entry.ip, entry.port);
        }
    }
    return raised;
}

int MergePeerEntries(serverlist::PeerList& peers, const serverlist::EntryTable& entries, int count,
                     const AddressTest& blocked) {
    int added = 0;
    for (int i = 0; i < count && i < static_cast<int>(entries.size()); ++i) {
        const serverlist::SERVEUR& entry = entries[static_cast<std::size_t>(i)];
        if (peers.FindExact(entry.ip) < 0 && IsUsableEntry(entry) && !(blocked && blocked(entry.ip)) &&
            peers.AddPeerRow(entry.ip)) {
            ++added;
        }
    }
    return added;
}

bool ApplyDescription(serverlist::ServerTable& table, std::string_view host, std::string_view name,
                      std::string_view description) {
    const int row = table.FindExact(host);
    if (row < 0) {
        return false;
    }
    serverlist::ServerRow& r = table.Row(static_cast<std::size_t>(row));
    r.answered = true;
    r.Sub(Column::Name) = std::string(name);
    r.Sub(Column::Description) = std::string(description);
    return true;
}

}  // namespace hublane::probe
