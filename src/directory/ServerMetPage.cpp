// The directory's verified servers as a server.met.
#include "directory/ServerMetPage.h"

#include <algorithm>

#include "clients/MuleServerMet.h"
#include "serverlist/ServerTable.h"
#include "serverlist/WorkGauge.h"

namespace hublane::directory {

std::string ServerMetFile(const std::vector<ListedServer>& servers) {
    // The writer of the clients' own lists, given no entries: every server is a new one to it.
    serverlist::ServerTable table;
    const std::size_t count = std::min(servers.size(), kMaxListedServers);
    for (std::size_t i = 0; i < count; ++i) {
        const ListedServer& server = servers[i];
        table.AddServerRow(
            server.address, std::to_string(server.port), serverlist::kUnknown, serverlist::kUnknown,
            server.name.empty() ? serverlist::kUnknown : std::string_view(server.name),
            server.description.empty() ? serverlist::kUnknown : std::string_view(server.description));
    }
    serverlist::PlainGauge gauge;
    return clients::WriteMuleServerMet(clients::MuleServerMet{}, table, gauge);
}

}  // namespace hublane::directory
