// Fuzz target: what the web directory reads from the outside: the method, path and query of a
// request, the addresses it is told, and the server names it shows. Routes follow the method,
// the size and the last path segment; decoded queries encode back to the same fields; an rcv.php
// query that is taken holds listable-looking addresses; address texts parse only in their one
// plain form; shown names are clean UTF-8; and the pages, read as the client reads them, give one
// link per server or copy, the exact link it was made from.
#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzCheck.h"
#include "directory/AddressRules.h"
#include "directory/DirectoryRequest.h"
#include "directory/HtmlPages.h"
#include "exchange/HtmlLinks.h"
#include "exchange/WebFormats.h"
#include "probe/Ed2kMessages.h"
#include "text/Utf16.h"

namespace dir = hublane::directory;

namespace {

using hublane::fuzz::Check;

std::string_view Cut(std::string_view& rest, char separator) {
    const std::size_t at = rest.find(separator);
    const std::string_view field = rest.substr(0, at);
    rest.remove_prefix(at == std::string_view::npos ? rest.size() : at + 1);
    return field;
}

// Every byte as %HH but letters and digits.
std::string Escaped(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if ((b >= '0' && b <= '9') || (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z')) {
            out.push_back(c);
        } else {
            out += '%';
            out.push_back(kHex[b >> 4]);
            out.push_back(kHex[b & 15]);
        }
    }
    return out;
}

void CheckRoute(std::string_view method, std::string_view path, std::string_view query) {
    const std::size_t length = path.size() + (query.empty() ? 0 : query.size() + 1);
    const dir::Route route = dir::RouteRequest(method, path, length);
    if (method != "GET") {
        Check(!route.page && route.status == dir::kStatusMethodNotAllowed);
    } else if (length > dir::kMaxTargetLength) {
        Check(!route.page && route.status == dir::kStatusUriTooLong);
    } else if (route.page) {
        Check(route.status == dir::kStatusOk);
        const std::string_view last = path.substr(path.rfind('/') + 1);
        Check(last.ends_with(".php") || last.ends_with(".txt"));
    } else {
        Check(route.status == dir::kStatusNotFound);
    }
}

void CheckQuery(std::string_view query) {
    const auto fields = dir::ParseQuery(query);
    if (const auto decoded = dir::PercentDecode(query)) {
        Check(decoded->size() <= query.size());
        Check(dir::PercentDecode(Escaped(*decoded)) == decoded);
    }
    if (!fields) {
        return;
    }
    std::string again;
    for (const auto& [name, value] : *fields) {
        Check(!name.empty());
        again += (again.empty() ? "" : "&") + Escaped(name) + "=" + Escaped(value);
    }
    Check(dir::ParseQuery(again) == fields);
}

// A taken rcv.php query: 1 to 50 servers with plain address texts and ports.
std::vector<dir::ListedServer> CheckRcv(std::string_view query) {
    const dir::RcvReading reading = dir::ReadRcvQuery(query);
    std::vector<dir::ListedServer> servers;
    if (!reading.Valid()) {
        Check(reading.servers.empty());
        return servers;
    }
    Check(!reading.servers.empty() && reading.servers.size() <= hublane::exchange::kRcvBatch);
    for (const auto& s : reading.servers) {
        Check(dir::ClassifyIpv4(s.address) != dir::AddressKind::Malformed);
        unsigned port = 0;
        const auto [end, ec] = std::from_chars(s.port.data(), s.port.data() + s.port.size(), port);
        Check(ec == std::errc() && end == s.port.data() + s.port.size() && port <= 0xFFFF);
        servers.push_back(dir::ListedServer{s.address, static_cast<std::uint16_t>(port), {}});
    }
    return servers;
}

void CheckAddress(std::string_view text) {
    const auto octets = dir::ParseIpv4(text);
    const dir::AddressKind kind = dir::ClassifyIpv4(text);
    Check(octets.has_value() == (kind != dir::AddressKind::Malformed));
    if (octets) {
        Check(hublane::probe::AddressText((*octets)[0], (*octets)[1], (*octets)[2], (*octets)[3]) == text);
    }
    const bool strict = dir::IsListableAddress(text, false);
    const bool loose = dir::IsListableAddress(text, true);
    Check(strict == (kind == dir::AddressKind::Public));
    Check(loose == (kind == dir::AddressKind::Public || kind == dir::AddressKind::Private));
}

bool IsShowable(char32_t cp) {
    return cp >= 0x20 && !(cp >= 0x7F && cp <= 0xA0) && !(cp >= 0xD800 && cp <= 0xDFFF) &&
           !(cp >= 0xFDD0 && cp <= 0xFDEF) && (cp & 0xFFFE) != 0xFFFE && cp <= 0x10FFFF;
}

void CheckName(std::string_view bytes, std::size_t maxChars) {
    const std::string shown = dir::ShownName(bytes, maxChars);
    Check(hublane::text::IsValidUtf8(shown));
    Check(shown.empty() || (shown.front() != ' ' && shown.back() != ' '));
    Check(shown.find("  ") == std::string::npos);
    const std::u16string units = hublane::text::Utf8ToUtf16(shown);
    std::size_t chars = 0;
    for (std::size_t i = 0; i < units.size(); ++i, ++chars) {
        char32_t cp = units[i];
        if (cp >= 0xD800 && cp <= 0xDBFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (units[++i] - 0xDC00);
        }
        Check(IsShowable(cp));
    }
    Check(chars <= maxChars);

    for (const std::size_t max : {std::size_t{0}, std::size_t{1}, std::size_t{7}, maxChars}) {
        const std::string cut = dir::CutName(bytes, max);
        Check(cut.size() <= max || cut == bytes);
        Check(std::string_view(bytes).substr(0, cut.size()) == cut);
        if (hublane::text::IsValidUtf8(bytes)) {
            Check(hublane::text::IsValidUtf8(cut) && cut.size() + 3 >= std::min(max, bytes.size()));
        }
    }
}

// The pages read back as the client reads them: one link per entry, in order, exactly.
void CheckPages(const std::vector<dir::ListedServer>& servers) {
    const std::vector<std::string> links =
        hublane::exchange::LinkTargets(dir::ServerListPage(servers), "http://dir.example/liste.php");
    Check(links.size() == std::min(servers.size(), dir::kMaxListedServers));
    std::vector<std::string> addresses;
    for (std::size_t i = 0; i < links.size(); ++i) {
        Check(links[i] == dir::ServerLink(servers[i].address, servers[i].port));
        const auto cut = hublane::exchange::CutServerLink(links[i]);
        Check(cut && cut->address == servers[i].address && cut->port == std::to_string(servers[i].port));
        addresses.push_back(servers[i].address);
    }
    const std::vector<std::string> copies =
        hublane::exchange::LinkTargets(dir::CopyListPage(addresses), "http://dir.example/listeHBL.php");
    Check(copies.size() == std::min(addresses.size(), dir::kMaxListedCopies));
    for (std::size_t i = 0; i < copies.size(); ++i) {
        Check(hublane::exchange::PeerOfLink(copies[i]) == addresses[i]);
    }
}

}  // namespace

// The input: a method line, a path line, a query line, then lines that are addresses and names.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    const std::string_view method = Cut(rest, '\n');
    const std::string_view path = Cut(rest, '\n');
    const std::string_view query = Cut(rest, '\n');
    CheckRoute(method, path, query);
    CheckQuery(query);
    std::vector<dir::ListedServer> servers = CheckRcv(query);

    // The other lines: each an address and a name, then the whole rest as one name.
    std::size_t next = 0;
    for (std::string_view lines = rest; !lines.empty();) {
        const std::string_view line = Cut(lines, '\n');
        CheckAddress(line);
        CheckName(line, dir::kMaxShownNameChars);
        CheckName(line, line.size() % 13);
        if (!servers.empty()) {
            servers[next++ % servers.size()].name = std::string(line);
        }
    }
    CheckName(rest, dir::kMaxShownNameChars);
    if (servers.empty()) {
        servers.push_back(dir::ListedServer{"80.1.2.3", 4661, std::string(rest)});
    }
    CheckPages(servers);
    return 0;
}
