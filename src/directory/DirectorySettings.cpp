// The reading of the directory's --listen and --db values, and which addresses it may list.
#include "directory/DirectorySettings.h"

#include <charconv>

#include "directory/AddressRules.h"
#include "directory/DirectoryRequest.h"

namespace hublane::directory {
namespace {

std::optional<std::uint16_t> PortNumber(std::string_view text) {
    unsigned value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 10);
    if (text.empty() || text.size() > 5 || ec != std::errc() || end != text.data() + text.size() ||
        value > 65535) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(value);
}

std::optional<DatabaseLocation> Fail(std::string* error, std::string reason) {
    if (error != nullptr) {
        *error = std::move(reason);
    }
    return std::nullopt;
}

bool IsOptionName(std::string_view name) {
    if (name.empty()) {
        return false;
    }
    for (const char c : name) {
        if (!((c >= 'a' && c <= 'z') || c == '_')) {
            return false;
        }
    }
    return true;
}

// The user:password@host:port/database part of a URL, each piece percent-decoded.
bool ReadAuthority(std::string_view rest, DatabaseLocation& location, std::string* error) {
    const std::size_t slash = rest.find('/');
    std::string_view authority = rest.substr(0, slash);
    if (slash != std::string_view::npos) {
        auto database = PercentDecode(rest.substr(slash + 1));
        if (!database) {
            Fail(error, "malformed database name");
            return false;
        }
        location.database = std::move(*database);
    }
    const std::size_t at = authority.rfind('@');
    if (at != std::string_view::npos) {
        const std::string_view userInfo = authority.substr(0, at);
        const std::size_t colon = userInfo.find(':');
        auto user = PercentDecode(userInfo.substr(0, colon));
        auto password =
            PercentDecode(colon == std::string_view::npos ? std::string_view() : userInfo.substr(colon + 1));
        if (!user || !password) {
            Fail(error, "malformed user or password");
            return false;
        }
        location.user = std::move(*user);
        location.password = std::move(*password);
        authority.remove_prefix(at + 1);
    }
    std::string_view host = authority;
    std::optional<std::string_view> port;
    if (!authority.empty() && authority.front() == '[') {
        const std::size_t close = authority.find(']');
        if (close == std::string_view::npos) {
            Fail(error, "unclosed [ in the host");
            return false;
        }
        host = authority.substr(1, close - 1);
        const std::string_view after = authority.substr(close + 1);
        if (!after.empty()) {
            if (after.front() != ':') {
                Fail(error, "malformed host");
                return false;
            }
            port = after.substr(1);
        }
    } else if (const std::size_t colon = authority.rfind(':'); colon != std::string_view::npos) {
        host = authority.substr(0, colon);
        port = authority.substr(colon + 1);
    }
    auto decodedHost = PercentDecode(host);
    if (!decodedHost) {
        Fail(error, "malformed host");
        return false;
    }
    location.host = std::move(*decodedHost);
    if (port) {
        location.port = PortNumber(*port);
        if (!location.port) {
            Fail(error, "malformed port");
            return false;
        }
    }
    return true;
}

}  // namespace

std::optional<DatabaseLocation> ParseDatabaseLocation(std::string_view text, std::string* error) {
    DatabaseLocation location;
    std::string_view rest;
    for (const std::string_view scheme :
         {std::string_view("postgresql://"), std::string_view("postgres://")}) {
        if (text.substr(0, scheme.size()) == scheme) {
            rest = text.substr(scheme.size());
            location.kind = DatabaseLocation::Kind::Postgres;
        }
    }
    if (location.kind == DatabaseLocation::Kind::Sqlite) {
        if (text.empty()) {
            return Fail(error, "empty database path");
        }
        location.file = std::string(text);
        return location;
    }
    const std::size_t question = rest.find('?');
    if (question != std::string_view::npos) {
        const auto fields = ParseQuery(rest.substr(question + 1));
        if (!fields) {
            return Fail(error, "malformed query");
        }
        for (const auto& [name, value] : *fields) {
            if (name == "host") {
                location.host = value;
            } else if (name == "port") {
                location.port = PortNumber(value);
                if (!location.port) {
                    return Fail(error, "malformed port");
                }
            } else if (IsOptionName(name) && value.find(';') == std::string::npos) {
                location.options.emplace_back(name, value);
            } else {
                return Fail(error, "unusable setting " + name.substr(0, 32));
            }
        }
        rest = rest.substr(0, question);
    }
    const std::string queryHost = location.host;
    const std::optional<std::uint16_t> queryPort = location.port;
    if (!ReadAuthority(rest, location, error)) {
        return std::nullopt;
    }
    // A host or port given in the query wins over the authority's (libpq reads them so).
    if (!queryHost.empty()) {
        location.host = queryHost;
    }
    if (queryPort) {
        location.port = queryPort;
    }
    return location;
}

std::optional<ListenAddress> ParseListenAddress(std::string_view text) {
    ListenAddress listen;
    std::string_view port;
    if (!text.empty() && text.front() == '[') {
        const std::size_t close = text.find("]:");
        if (close == std::string_view::npos || close == 1) {
            return std::nullopt;
        }
        listen.host = std::string(text.substr(1, close - 1));
        port = text.substr(close + 2);
    } else {
        const std::size_t colon = text.rfind(':');
        if (colon == std::string_view::npos || colon == 0 ||
            text.substr(0, colon).find(':') != std::string_view::npos) {
            return std::nullopt;
        }
        listen.host = std::string(text.substr(0, colon));
        port = text.substr(colon + 1);
    }
    const auto number = PortNumber(port);
    if (!number) {
        return std::nullopt;
    }
    listen.port = *number;
    return listen;
}

bool IsListable(const DirectorySettings& settings, std::string_view address) {
    return settings.listable ? settings.listable(address) : IsListableAddress(address, settings.allowPrivate);
}

}  // namespace hublane::directory
