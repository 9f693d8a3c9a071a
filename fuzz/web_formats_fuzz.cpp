// Fuzz target: what the web directory exchange reads and writes. An rcv.php query the directory
// accepts holds 1 to 50 servers, and its servers written again as entries (upper case) read back
// the same, in one request as in the requests a table of them makes. Link cutting keeps within
// the link and finds again the server it cut out.
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzCheck.h"
#include "exchange/WebFormats.h"
#include "probe/Ed2kMessages.h"

using hublane::exchange::LinkedServer;

namespace {

using hublane::fuzz::Check;

bool IsUpperHex(std::string_view text) {
    for (const char c : text) {
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) {
            return false;
        }
    }
    return true;
}

std::string_view Cut(std::string_view& rest, char separator) {
    const std::size_t at = rest.find(separator);
    const std::string_view field = rest.substr(0, at);
    rest.remove_prefix(at == std::string_view::npos ? rest.size() : at + 1);
    return field;
}

// The query of the requests a table makes, read back as the directory reads it.
std::vector<LinkedServer> ReadBack(const std::vector<std::string>& urls, std::string_view prefix) {
    std::vector<LinkedServer> servers;
    for (const std::string& url : urls) {
        Check(url.substr(0, prefix.size()) == prefix);
        std::string_view query = std::string_view(url).substr(prefix.size());
        Check(query.substr(0, 6) == "nbips=");
        query.remove_prefix(6);
        const std::size_t amp = query.find("&ips=");
        Check(amp != std::string_view::npos);
        const auto parsed = hublane::exchange::ParseRcvQuery(query.substr(0, amp), query.substr(amp + 5));
        Check(parsed.has_value());
        servers.insert(servers.end(), parsed->begin(), parsed->end());
    }
    return servers;
}

void CheckQuery(std::string_view nbips, std::string_view ips) {
    const auto servers = hublane::exchange::ParseRcvQuery(nbips, ips);
    if (!servers) {
        return;
    }
    Check(!servers->empty() && servers->size() <= hublane::exchange::kRcvBatch);
    std::string again;
    hublane::serverlist::ServerTable table;
    for (const LinkedServer& s : *servers) {
        const auto entry = hublane::exchange::RcvEntry(s.address, s.port);
        Check(entry.has_value() && entry->size() >= 10 && entry->size() <= 12 && IsUpperHex(*entry));
        again += (again.empty() ? "" : "-") + *entry;
        table.AddServerRow(s.address, s.port);
    }
    Check(hublane::exchange::ParseRcvQuery(std::to_string(servers->size()), again) == servers);

    // The same servers through a table: one row per address, in one request of at most fifty.
    constexpr std::string_view kPrefix = "http://dir.example/rcv.php?";
    const hublane::exchange::RcvRequests requests = hublane::exchange::BuildRcvRequests(table, kPrefix);
    Check(!requests.failedRow && requests.urls.size() == 1);
    std::vector<LinkedServer> rows;
    for (const auto& row : table.Rows()) {
        rows.push_back(LinkedServer{row.caption, row.Sub(hublane::serverlist::Column::Port)});
    }
    Check(ReadBack(requests.urls, kPrefix) == rows);
}

void CheckLink(std::string_view target) {
    if (const auto server = hublane::exchange::CutServerLink(target)) {
        Check(target.substr(0, 5) == "ed2k:");
        Check(server->address.find('|') == std::string::npos && server->port.find('|') == std::string::npos);
        Check(server->address.size() + server->port.size() + 8 <= target.size());
        Check(target.find(server->address) != std::string_view::npos &&
              target.find(server->port) != std::string_view::npos);
        const std::string link = "ed2k://|server|" + server->address + "|" + server->port + "|/";
        Check(hublane::exchange::CutServerLink(link) == server);
    }
    if (const auto peer = hublane::exchange::PeerOfLink(target)) {
        Check(target.substr(0, 7) == "http://" && peer->find('/') == std::string::npos);
        std::size_t slashes = 0;
        for (const char c : target.substr(7)) {
            slashes += c == '/' ? 1 : 0;
        }
        Check(peer->size() + slashes + 7 == target.size());
    }
}

// A table from captions and ports given as text: its requests hold its rows in order up to the
// first that cannot be written, less the request being filled there.
void CheckTable(std::string_view text) {
    hublane::serverlist::ServerTable table;
    while (!text.empty() && table.Count() < 200) {
        std::string_view line = Cut(text, '\n');
        const std::string_view caption = Cut(line, ':');
        table.AddServerRow(caption, line);
    }
    constexpr std::string_view kPrefix = "p?";
    const hublane::exchange::RcvRequests requests = hublane::exchange::BuildRcvRequests(table, kPrefix);
    std::size_t writable = 0;
    while (writable < table.Count() &&
           hublane::exchange::RcvEntry(table.Row(writable).caption,
                                       table.Row(writable).Sub(hublane::serverlist::Column::Port))) {
        ++writable;
    }
    const std::size_t batch = hublane::exchange::kRcvBatch;
    if (writable < table.Count()) {
        Check(requests.failedRow == writable);
        writable -= writable % batch;
    } else {
        Check(!requests.failedRow);
    }
    Check(requests.urls.size() == (writable + batch - 1) / batch);
    const std::vector<LinkedServer> back = ReadBack(requests.urls, kPrefix);
    Check(back.size() == writable);
    for (std::size_t i = 0; i < back.size(); ++i) {
        // The address and port read back are the row's numbers written the usual way.
        std::string rowBytes;
        std::string backBytes;
        Check(hublane::probe::AppendListEntry(
            rowBytes, {table.Row(i).Sub(hublane::serverlist::Column::Port), table.Row(i).caption}));
        Check(hublane::probe::AppendListEntry(backBytes, {back[i].port, back[i].address}));
        Check(rowBytes == backBytes);
    }
}

}  // namespace

// The input: nbips, a newline, ips, a newline, then lines that are links and "caption:port" rows.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::string_view rest = input;
    const std::string_view nbips = Cut(rest, '\n');
    const std::string_view ips = Cut(rest, '\n');
    CheckQuery(nbips, ips);
    // The whole input as ips too, so that long and odd entry lists are tried.
    CheckQuery(nbips, rest);

    CheckLink(input);
    for (std::string_view lines = rest; !lines.empty();) {
        CheckLink(Cut(lines, '\n'));
    }
    CheckTable(rest);
    return 0;
}
