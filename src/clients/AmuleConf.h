// Where a local aMule answers EC, read from its amule.conf ([ExternalConnect]).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace hublane::clients {

inline constexpr std::uint16_t kDefaultEcPort = 4712;
inline constexpr std::string_view kDefaultEcHost = "127.0.0.1";

/// The [ExternalConnect] settings of an amule.conf.
struct AmuleEcSettings {
    bool accepted = false;                ///< AcceptExternalConnections=1
    std::string host{kDefaultEcHost};     ///< ECAddress; empty in the file means 127.0.0.1
    std::uint16_t port = kDefaultEcPort;  ///< ECPort; absent or not a port: 4712
    std::string passwordMd5Hex;           ///< ECPassword: hex(MD5(password)), lower case; may be empty
    bool operator==(const AmuleEcSettings&) const = default;
};

/// Reads the text of an amule.conf: keys of the [ExternalConnect] section only (section and key
/// names as aMule writes them, letter case ignored; lines with '\r' ends, comments and other
/// sections skipped). A password that is not 32 hex digits is left empty.
AmuleEcSettings ParseAmuleConf(std::string_view text);

/// 32 hexadecimal digits, as hex(MD5(password)) is written.
bool IsMd5Hex(std::string_view text);

/// "HOST:PORT" (an IPv4 address or a host name, a port 1..65535); nullopt otherwise.
std::optional<std::pair<std::string, std::uint16_t>> ParseEcEndpoint(std::string_view text);

}  // namespace hublane::clients
