// What eMule is sent: the name of its "are you eMule" window message, the tag of a
// link in WM_COPYDATA, one ed2k server link per server row, and the bytes a link travels as.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "clients/DonkeyHandOff.h"

namespace hublane::clients {

/// The window message eMule's main window answers with its own number (a release build; a debug
/// build of eMule registers this name with "-DEBUG" appended and is not looked for).
inline constexpr std::string_view kEmuleWindowMessage = "EMULE-{4EADC6FC-516F-4b7c-9066-97D893649570}";
/// dwData of a WM_COPYDATA that carries an ed2k link (eMule's OP_ED2KLINK).
inline constexpr std::uintptr_t kEd2kLinkTag = 12000;

/// "ed2k://|server|IP|PORT|/" for a row whose IP is a dotted quad and whose port is 1 to 65535,
/// both written the plain way (eMule would read "010" in an address as octal); nullopt otherwise.
std::optional<std::string> ServerLink(const clients::HandOffAddress& row);

/// The links for the rows, in table order, each once; rows without a link are counted.
struct EmuleLinkPlan {
    std::vector<std::string> links;
    int invalidRows = 0;
    int repeatedRows = 0;
};
EmuleLinkPlan PlanEmuleLinks(const std::vector<clients::HandOffAddress>& rows);

/// A link as eMule's Unicode builds read it: UTF-16 code units, little-endian, then a zero unit;
/// cbData is the size of the whole.
std::vector<std::uint8_t> LinkBytes(std::string_view link);

}  // namespace hublane::clients
