// The ed2k server links eMule is sent and their bytes.
#include "clients/EmuleLinks.h"

#include <set>

#include "serverlist/AddressText.h"
#include "text/Utf16.h"

namespace hublane::clients {

std::optional<std::string> ServerLink(const clients::HandOffAddress& row) {
    const auto address = serverlist::ParseDottedQuad(row.ip);
    const auto port = serverlist::ParseUnsigned(row.port, 65535);
    if (!address || !port || *port == 0) {
        return std::nullopt;
    }
    return "ed2k://|server|" + serverlist::FormatDottedQuad(*address) + '|' + std::to_string(*port) + "|/";
}

EmuleLinkPlan PlanEmuleLinks(const std::vector<clients::HandOffAddress>& rows) {
    EmuleLinkPlan plan;
    std::set<std::string> seen;
    for (const clients::HandOffAddress& row : rows) {
        auto link = ServerLink(row);
        if (!link) {
            ++plan.invalidRows;
        } else if (!seen.insert(*link).second) {
            ++plan.repeatedRows;
        } else {
            plan.links.push_back(std::move(*link));
        }
    }
    return plan;
}

std::vector<std::uint8_t> LinkBytes(std::string_view link) {
    const std::u16string units = text::Utf8ToUtf16(link);
    std::vector<std::uint8_t> bytes;
    bytes.reserve((units.size() + 1) * 2);
    for (const char16_t unit : units) {
        bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    bytes.push_back(0);
    bytes.push_back(0);
    return bytes;
}

}  // namespace hublane::clients
