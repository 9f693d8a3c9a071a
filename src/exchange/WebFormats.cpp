// What the web directory exchange writes and reads.
#include "exchange/WebFormats.h"

#include <charconv>
#include <unordered_set>

#include "probe/Ed2kMessages.h"

namespace hublane::exchange {
namespace {

constexpr std::string_view kHexDigits = "0123456789ABCDEF";

std::string Hex(unsigned value, int minDigits) {
    std::string out;
    do {
        out.insert(out.begin(), kHexDigits[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    while (static_cast<int>(out.size()) < minDigits) {
        out.insert(out.begin(), '0');
    }
    return out;
}

std::optional<unsigned> HexValue(std::string_view digits) {
    unsigned value = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
    if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size()) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

std::string PageUrl(std::string_view base, std::string_view page) {
    std::string url(base);
    if (url.empty() || url.back() != '/') {
        url.push_back('/');
    }
    url += page;
    return url;
}

std::optional<LinkedServer> CutServerLink(std::string_view target) {
    if (target.substr(0, 5) != "ed2k:") {
        return std::nullopt;
    }
    const std::size_t bar = target.find('|');
    if (bar == std::string_view::npos || target.substr(bar + 1, 6) != "server") {
        return std::nullopt;
    }
    // Past "|server|": the address up to the next "|", then the port up to the one after.
    std::string_view rest = target.substr(std::min(target.size(), bar + 8));
    const std::size_t end1 = rest.find('|');
    if (end1 == std::string_view::npos) {
        return std::nullopt;
    }
    LinkedServer server{std::string(rest.substr(0, end1)), {}};
    rest.remove_prefix(end1 + 1);
    const std::size_t end2 = rest.find('|');
    if (end2 == std::string_view::npos) {
        return std::nullopt;
    }
    server.port = std::string(rest.substr(0, end2));
    return server;
}

std::vector<LinkedServer> ServerLinks(const std::vector<std::string>& targets) {
    std::vector<LinkedServer> servers;
    std::unordered_set<std::string> seen;
    for (const std::string& target : targets) {
        if (auto server = CutServerLink(target)) {
            if (seen.insert(server->address + ":" + server->port).second) {
                servers.push_back(std::move(*server));
            }
        }
    }
    return servers;
}

std::optional<std::string> PeerOfLink(std::string_view target) {
    if (target.substr(0, 7) != "http://") {
        return std::nullopt;
    }
    std::string peer;
    for (const char c : target.substr(7)) {
        if (c != '/') {
            peer.push_back(c);
        }
    }
    return peer;
}

std::optional<std::string> RcvEntry(std::string_view address, std::string_view port) {
    std::string bytes;
    if (!probe::AppendListEntry(bytes, serverlist::SERVEUR{std::string(port), std::string(address)})) {
        return std::nullopt;
    }
    std::string entry;
    for (int i = 3; i >= 0; --i) {
        entry += Hex(static_cast<unsigned char>(bytes[static_cast<std::size_t>(i)]), 2);
    }
    const unsigned p = static_cast<unsigned char>(bytes[4]) |
                       (static_cast<unsigned>(static_cast<unsigned char>(bytes[5])) << 8);
    entry += Hex(p, 2);
    return entry;
}

RcvRequests BuildRcvRequests(const serverlist::ServerTable& table, std::string_view prefix) {
    RcvRequests out;
    std::vector<std::string> batch;
    const auto flush = [&] {
        std::string url(prefix);
        url += "nbips=" + std::to_string(batch.size()) + "&ips=";
        for (std::size_t i = 0; i < batch.size(); ++i) {
            url += (i > 0 ? "-" : "") + batch[i];
        }
        out.urls.push_back(std::move(url));
        batch.clear();
    };
    for (std::size_t i = 0; i < table.Count(); ++i) {
        const serverlist::ServerRow& row = table.Row(i);
        auto entry = RcvEntry(row.caption, row.Sub(serverlist::Column::Port));
        if (!entry) {
            out.failedRow = i;
            return out;
        }
        batch.push_back(std::move(*entry));
        if (batch.size() == kRcvBatch) {
            flush();
        }
    }
    if (!batch.empty()) {
        flush();
    }
    return out;
}

std::optional<std::vector<LinkedServer>> ParseRcvQuery(std::string_view nbips, std::string_view ips) {
    const std::optional<unsigned> n = [&]() -> std::optional<unsigned> {
        unsigned v = 0;
        const auto [end, ec] = std::from_chars(nbips.data(), nbips.data() + nbips.size(), v, 10);
        if (nbips.empty() || nbips.size() > 2 || ec != std::errc() || end != nbips.data() + nbips.size()) {
            return std::nullopt;
        }
        return v;
    }();
    if (!n || *n < 1 || *n > kRcvBatch) {
        return std::nullopt;
    }
    std::vector<LinkedServer> servers;
    std::size_t start = 0;
    while (start <= ips.size()) {
        const std::size_t dash = ips.find('-', start);
        const std::string_view entry =
            ips.substr(start, dash == std::string_view::npos ? ips.npos : dash - start);
        if (entry.size() < 10 || entry.size() > 12 || servers.size() == kRcvBatch) {
            return std::nullopt;
        }
        const auto address = HexValue(entry.substr(0, 8));
        const auto port = HexValue(entry.substr(8));
        if (!address || !port || *port > 0xFFFF) {
            return std::nullopt;
        }
        const unsigned a = *address;
        servers.push_back(LinkedServer{
            probe::AddressText(static_cast<std::uint8_t>(a), static_cast<std::uint8_t>(a >> 8),
                               static_cast<std::uint8_t>(a >> 16), static_cast<std::uint8_t>(a >> 24)),
            std::to_string(*port)});
        if (dash == std::string_view::npos) {
            break;
        }
        start = dash + 1;
    }
    if (servers.size() != *n) {
        return std::nullopt;
    }
    return servers;
}

}  // namespace hublane::exchange
