// Published server.met files: addresses.dat, one file read whole, its servers merged.
#include "clients/PublishedServerMet.h"

#include <algorithm>
#include <unordered_set>

#include "serverlist/Gzip.h"
#include "serverlist/WorkGauge.h"
#include "text/Utf16.h"

namespace hublane::clients {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kBlanks = " \t\r\n\v\f";

// The file as UTF-8: a UTF-16 file (either byte order, with its mark) converted, a UTF-8 mark
// set aside, anything else as it is.
std::string AsUtf8(std::string_view bytes) {
    const bool little = bytes.substr(0, 2) == std::string_view("\xFF\xFE", 2);
    const bool big = bytes.substr(0, 2) == std::string_view("\xFE\xFF", 2);
    if (little || big) {
        std::u16string units;
        units.reserve(bytes.size() / 2);
        for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
            const auto a = static_cast<unsigned char>(bytes[i]);
            const auto b = static_cast<unsigned char>(bytes[i + 1]);
            units.push_back(static_cast<char16_t>(little ? a | (b << 8) : (a << 8) | b));
        }
        return text::Utf16ToUtf8(units);
    }
    if (bytes.substr(0, kUtf8Bom.size()) == kUtf8Bom) {
        bytes.remove_prefix(kUtf8Bom.size());
    }
    return std::string(bytes);
}

std::string_view Trimmed(std::string_view line) {
    const std::size_t first = line.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return line.substr(first, line.find_last_not_of(kBlanks) - first + 1);
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && serverlist::EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

// http:// or https:// followed by a host: something before the first "/", "?" or "#" that is
// not only a user part or a port.
bool IsWebAddress(std::string_view address) {
    std::string_view rest;
    if (StartsWithNoCase(address, "http://")) {
        rest = address.substr(7);
    } else if (StartsWithNoCase(address, "https://")) {
        rest = address.substr(8);
    } else {
        return false;
    }
    std::string_view authority = rest.substr(0, rest.find_first_of("/?#"));
    if (const std::size_t at = authority.rfind('@'); at != std::string_view::npos) {
        authority.remove_prefix(at + 1);
    }
    const std::string_view host = authority.substr(0, authority.rfind(':'));
    return !host.empty() && host.find_first_of(kBlanks) == std::string_view::npos &&
           authority.find_first_of(kBlanks) == std::string_view::npos;
}

}  // namespace

std::vector<std::string> ReadServerMetAddresses(std::string_view fileBytes, std::size_t maxAddresses) {
    const std::string text = AsUtf8(fileBytes);
    std::vector<std::string> addresses;
    std::unordered_set<std::string> seen;
    std::string_view rest = text;
    while (!rest.empty() && addresses.size() < maxAddresses) {
        const std::size_t end = rest.find('\n');
        const std::string_view line = Trimmed(rest.substr(0, end));
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (line.empty() || line.front() == '#' || !IsWebAddress(line)) {
            continue;
        }
        if (seen.insert(std::string(line)).second) {
            addresses.emplace_back(line);
        }
    }
    return addresses;
}

PublishedServerMet ReadPublishedServerMet(std::string_view bytes, std::size_t maxBytes) {
    PublishedServerMet out;
    serverlist::PlainGauge gauge;
    if (serverlist::HasGzipMagic(bytes)) {
        const serverlist::Inflated inflated = serverlist::GzipInflate(bytes, maxBytes);
        if (!inflated.error.empty()) {
            out.gzipError = inflated.error;
            out.result = {serverlist::kTextBadHeader, std::to_string(kMuleServerMetHeader)};
            return out;
        }
        out.result = ReadMuleServerMet(inflated.bytes, out.doc, gauge);
        return out;
    }
    out.result = ReadMuleServerMet(bytes.substr(0, maxBytes), out.doc, gauge);
    return out;
}

std::size_t MergePublishedServers(const MuleServerMet& doc, serverlist::ServerTable& table,
                                  const serverlist::AddressTest& blocked) {
    std::size_t added = 0;
    for (const MuleServerEntry& entry : doc.entries) {
        if (table.Count() >= serverlist::kMaxServerRowsFromNetwork) {
            break;
        }
        if (entry.Carried() || entry.port == 0) {
            continue;
        }
        const std::string ip = doc.IpText(entry);
        if (table.FindExact(ip) >= 0 || (blocked && blocked(ip))) {
            continue;
        }
        if (table.AddServerRow(ip, std::to_string(entry.port), doc.Users(entry), doc.Files(entry),
                               doc.Name(entry), doc.Description(entry), serverlist::kUnknown)) {
            ++added;
        }
    }
    return added;
}

}  // namespace hublane::clients
