// The [ExternalConnect] section of aMule's amule.conf.
#include "clients/AmuleConf.h"

#include <charconv>

#include "clients/EcCodec.h"
#include "text/Ascii.h"

namespace hublane::clients {
namespace {

// A line's key or value without the blanks around it (and the CR of a CR-LF line).
std::string_view Trim(std::string_view text) {
    return text::TrimRight(text::TrimLeft(text, text::kSpaceTab), text::kSpaceTabCr);
}

std::optional<std::uint16_t> Port(std::string_view text) {
    unsigned value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end || value == 0 || value > 65535) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(value);
}

}  // namespace

bool IsMd5Hex(std::string_view text) {
    if (text.size() != 32) {
        return false;
    }
    for (const char c : text) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'))) {
            return false;
        }
    }
    return true;
}

AmuleEcSettings ParseAmuleConf(std::string_view text) {
    AmuleEcSettings settings;
    bool inSection = false;
    while (!text.empty()) {
        const auto end = text.find('\n');
        const std::string_view line = Trim(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.empty() || line.front() == '#' || line.front() == ';') {
            continue;
        }
        if (line.front() == '[') {
            inSection = text::Lower(line) == "[externalconnect]";
            continue;
        }
        const auto eq = line.find('=');
        if (!inSection || eq == std::string_view::npos) {
            continue;
        }
        const std::string key = text::Lower(Trim(line.substr(0, eq)));
        const std::string_view value = Trim(line.substr(eq + 1));
        if (key == "acceptexternalconnections") {
            settings.accepted = value == "1";
        } else if (key == "ecaddress") {
            settings.host = value.empty() ? std::string(kDefaultEcHost) : std::string(value);
        } else if (key == "ecport") {
            settings.port = Port(value).value_or(kDefaultEcPort);
        } else if (key == "ecpassword") {
            settings.passwordMd5Hex = IsMd5Hex(value) ? text::Lower(value) : std::string();
        }
    }
    return settings;
}

std::optional<std::pair<std::string, std::uint16_t>> ParseEcEndpoint(std::string_view text) {
    const auto colon = text.rfind(':');
    if (colon == std::string_view::npos || colon == 0) {
        return std::nullopt;
    }
    const std::string_view host = text.substr(0, colon);
    for (const char c : host) {
        const bool allowed = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                             c == '.' || c == '-' || c == '_';
        if (!allowed) {
            return std::nullopt;
        }
    }
    const auto port = Port(text.substr(colon + 1));
    if (!port) {
        return std::nullopt;
    }
    return std::pair{std::string(host), *port};
}

}  // namespace hublane::clients
