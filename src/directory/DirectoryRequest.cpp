// The page, method, size and query fields of a directory request.
#include "directory/DirectoryRequest.h"

#include <array>

#include "text/Escapes.h"

namespace hublane::directory {
namespace {

struct PageName {
    std::string_view name;
    Page page;
};

constexpr std::array kPages = {
    PageName{"connectHB.php", Page::ConnectCopy}, PageName{"listeHBL.php", Page::CopyList},
    PageName{"rcv.php", Page::ReceiveServers},    PageName{"liste.php", Page::ServerList},
    PageName{"server.met", Page::ServerMet},      PageName{"versionHBL.txt", Page::Version},
};

}  // namespace

std::optional<std::string> PercentDecode(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out.push_back(text[i]);
            continue;
        }
        if (text.size() - i < 3) {
            return std::nullopt;
        }
        const int high = text::HexDigitValue(text[i + 1]);
        const int low = text::HexDigitValue(text[i + 2]);
        if (high < 0 || low < 0) {
            return std::nullopt;
        }
        out.push_back(static_cast<char>(high * 16 + low));
        i += 2;
    }
    return out;
}

Route RouteRequest(std::string_view method, std::string_view path, std::size_t targetLength) {
    if (method != "GET") {
        return {std::nullopt, kStatusMethodNotAllowed};
    }
    if (targetLength > kMaxTargetLength) {
        return {std::nullopt, kStatusUriTooLong};
    }
    const std::size_t slash = path.rfind('/');
    const std::string_view last = slash == std::string_view::npos ? path : path.substr(slash + 1);
    for (const PageName& entry : kPages) {
        if (last == entry.name) {
            return {entry.page, kStatusOk};
        }
    }
    return {std::nullopt, kStatusNotFound};
}

std::optional<std::vector<std::pair<std::string, std::string>>> ParseQuery(std::string_view query) {
    std::vector<std::pair<std::string, std::string>> fields;
    if (query.empty()) {
        return fields;
    }
    std::size_t start = 0;
    for (;;) {
        const std::size_t amp = query.find('&', start);
        const std::string_view field =
            query.substr(start, amp == std::string_view::npos ? std::string_view::npos : amp - start);
        const std::size_t eq = field.find('=');
        auto name = PercentDecode(field.substr(0, eq));
        auto value = PercentDecode(eq == std::string_view::npos ? std::string_view() : field.substr(eq + 1));
        if (!name || !value || name->empty()) {
            return std::nullopt;
        }
        fields.emplace_back(std::move(*name), std::move(*value));
        if (amp == std::string_view::npos) {
            return fields;
        }
        start = amp + 1;
    }
}

RcvReading ReadRcvQuery(std::string_view query) {
    const auto fields = ParseQuery(query);
    if (!fields) {
        return {{}, "malformed query"};
    }
    const std::string* nbips = nullptr;
    const std::string* ips = nullptr;
    for (const auto& [name, value] : *fields) {
        const std::string** slot = name == "nbips" ? &nbips : name == "ips" ? &ips : nullptr;
        if (slot == nullptr) {
            return {{}, "unknown field " + name.substr(0, 32)};
        }
        if (*slot != nullptr) {
            return {{}, "field " + name + " given twice"};
        }
        *slot = &value;
    }
    if (nbips == nullptr || ips == nullptr) {
        return {{}, "nbips and ips are both needed"};
    }
    auto servers = exchange::ParseRcvQuery(*nbips, *ips);
    if (!servers) {
        return {{}, "nbips must count 1 to 50 entries of 10 to 12 hex digits joined by dashes"};
    }
    return {std::move(*servers), {}};
}

}  // namespace hublane::directory
