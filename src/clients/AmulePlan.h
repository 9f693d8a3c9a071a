// What a hand-off changes in a running aMule's server list: the table's servers it
// lacks are added, the servers this cycle asked and found silent removed, nothing else touched.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "serverlist/ServerTable.h"

namespace hublane::clients {

/// A server's address as aMule keys it: the dotted IPv4 text and the port.
struct ServerEndpoint {
    std::string ip;
    std::uint16_t port = 0;
    bool operator==(const ServerEndpoint&) const = default;
    bool operator<(const ServerEndpoint& other) const {
        return ip != other.ip ? ip < other.ip : port < other.port;
    }
    /// "ip:port".
    std::string Text() const;
};

/// "a.b.c.d" (four decimal parts 0..255, no leading zeros) and a port text 1..65535, as one
/// endpoint; nullopt otherwise (aMule takes nothing else).
std::optional<ServerEndpoint> EndpointOf(std::string_view ip, std::string_view port);

/// The endpoints as one text, "ip:port" entries separated by spaces, in order; at most max of
/// them (the first ones).
std::string EndpointsText(const std::set<ServerEndpoint>& endpoints, std::size_t max);
/// The entries of text, separated by spaces, that EndpointOf takes, at most max of them; any
/// other entry is passed over.
std::set<ServerEndpoint> EndpointsFromText(std::string_view text, std::size_t max);

/// One server of aMule's own list.
struct AmuleServer {
    ServerEndpoint endpoint;
    std::string name;
    bool isStatic = false;
    bool operator==(const AmuleServer&) const = default;
};

/// A server to add, with the name it is given.
struct ServerToAdd {
    ServerEndpoint endpoint;
    std::string name;
    bool operator==(const ServerToAdd&) const = default;
};

struct AmulePlan {
    std::vector<ServerToAdd> add;
    std::vector<ServerEndpoint> remove;
    bool emptyTable = false;  ///< nothing is planned at all: the table holds no usable server
    bool operator==(const AmulePlan&) const = default;
};

/// The plan of one hand-off. Added: every row of the table (in table order, once each) whose
/// address aMule's list lacks, named by its Nom column (its address when the name is unknown).
/// Removed: every server of aMule's list that the cycle asked and found silent, unless it is
/// static or the table holds it. Rows that are no IPv4 endpoint are passed over; a table without
/// any usable row plans nothing (and says so), whatever was silent.
AmulePlan PlanAmuleHandOff(const std::vector<AmuleServer>& amuleList, const serverlist::ServerTable& table,
                           const std::set<ServerEndpoint>& askedAndSilent);

}  // namespace hublane::clients
