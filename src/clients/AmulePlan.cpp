// The plan of a hand-off to a running aMule.
#include "clients/AmulePlan.h"

#include <charconv>

namespace hublane::clients {
namespace {

std::optional<unsigned> Decimal(std::string_view text, unsigned max) {
    // No sign, no leading zero, no spaces: "010" is not what aMule would print back.
    if (text.empty() || text.size() > 5 || (text.size() > 1 && text.front() == '0')) {
        return std::nullopt;
    }
    unsigned value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || value > max) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

std::string ServerEndpoint::Text() const {
    return ip + ':' + std::to_string(port);
}

std::optional<ServerEndpoint> EndpointOf(std::string_view ip, std::string_view port) {
    std::string_view rest = ip;
    for (int part = 0; part < 4; ++part) {
        const auto dot = rest.find('.');
        const bool last = part == 3;
        if (last != (dot == std::string_view::npos)) {
            return std::nullopt;
        }
        if (!Decimal(last ? rest : rest.substr(0, dot), 255)) {
            return std::nullopt;
        }
        rest.remove_prefix(last ? rest.size() : dot + 1);
    }
    const auto portValue = Decimal(port, 65535);
    if (!portValue || *portValue == 0) {
        return std::nullopt;
    }
    return ServerEndpoint{std::string(ip), static_cast<std::uint16_t>(*portValue)};
}

std::string EndpointsText(const std::set<ServerEndpoint>& endpoints, std::size_t max) {
    std::string text;
    std::size_t count = 0;
    for (const ServerEndpoint& endpoint : endpoints) {
        if (count++ == max) {
            break;
        }
        if (!text.empty()) {
            text += ' ';
        }
        text += endpoint.Text();
    }
    return text;
}

std::set<ServerEndpoint> EndpointsFromText(std::string_view text, std::size_t max) {
    std::set<ServerEndpoint> endpoints;
    while (!text.empty() && endpoints.size() < max) {
        const auto space = text.find(' ');
        const std::string_view entry = text.substr(0, space);
        text.remove_prefix(space == std::string_view::npos ? text.size() : space + 1);
        const auto colon = entry.rfind(':');
        if (colon == std::string_view::npos) {
            continue;
        }
        if (auto endpoint = EndpointOf(entry.substr(0, colon), entry.substr(colon + 1))) {
            endpoints.insert(std::move(*endpoint));
        }
    }
    return endpoints;
}

AmulePlan PlanAmuleHandOff(const std::vector<AmuleServer>& amuleList, const serverlist::ServerTable& table,
                           const std::set<ServerEndpoint>& askedAndSilent) {
    AmulePlan plan;
    std::set<ServerEndpoint> known;
    for (const AmuleServer& server : amuleList) {
        known.insert(server.endpoint);
    }
    std::set<ServerEndpoint> inTable;
    for (const serverlist::ServerRow& row : table.Rows()) {
        auto endpoint = EndpointOf(row.caption, row.Sub(serverlist::Column::Port));
        if (!endpoint || !inTable.insert(*endpoint).second) {
            continue;
        }
        if (known.count(*endpoint) == 0) {
            const std::string& name = row.Sub(serverlist::Column::Name);
            std::string given = name.empty() || name == serverlist::kUnknown ? endpoint->Text() : name;
            plan.add.push_back({std::move(*endpoint), std::move(given)});
        }
    }
    if (inTable.empty()) {
        // An empty table says nothing about aMule's servers: it is handed nothing at all.
        plan = AmulePlan{};
        plan.emptyTable = true;
        return plan;
    }
    std::set<ServerEndpoint> removed;
    for (const AmuleServer& server : amuleList) {
        if (!server.isStatic && askedAndSilent.count(server.endpoint) != 0 &&
            inTable.count(server.endpoint) == 0 && removed.insert(server.endpoint).second) {
            plan.remove.push_back(server.endpoint);
        }
    }
    return plan;
}

}  // namespace hublane::clients
