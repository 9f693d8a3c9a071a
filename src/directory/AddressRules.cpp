// The addresses and ports the directory lists, asks and records.
#include "directory/AddressRules.h"

#include <algorithm>

namespace hublane::directory {
namespace {

struct Range {
    std::uint32_t base;
    int prefix;
    AddressKind kind;
};

constexpr std::uint32_t Ip(unsigned a, unsigned b, unsigned c, unsigned d) {
    return (a << 24) | (b << 16) | (c << 8) | d;
}

// The special-purpose blocks that are not globally reachable unicast hosts.
constexpr std::array kSpecialRanges = {
    Range{Ip(0, 0, 0, 0), 8, AddressKind::Reserved},        // "this network"
    Range{Ip(10, 0, 0, 0), 8, AddressKind::Private},        // private use
    Range{Ip(100, 64, 0, 0), 10, AddressKind::Private},     // shared address space (CGN)
    Range{Ip(127, 0, 0, 0), 8, AddressKind::Private},       // loopback
    Range{Ip(169, 254, 0, 0), 16, AddressKind::Private},    // link-local
    Range{Ip(172, 16, 0, 0), 12, AddressKind::Private},     // private use
    Range{Ip(192, 0, 0, 0), 24, AddressKind::Reserved},     // protocol assignments
    Range{Ip(192, 0, 2, 0), 24, AddressKind::Reserved},     // documentation
    Range{Ip(192, 88, 99, 0), 24, AddressKind::Reserved},   // former 6to4 relay anycast
    Range{Ip(192, 168, 0, 0), 16, AddressKind::Private},    // private use
    Range{Ip(198, 18, 0, 0), 15, AddressKind::Reserved},    // benchmarking
    Range{Ip(198, 51, 100, 0), 24, AddressKind::Reserved},  // documentation
    Range{Ip(203, 0, 113, 0), 24, AddressKind::Reserved},   // documentation
    Range{Ip(224, 0, 0, 0), 4, AddressKind::Reserved},      // multicast
    Range{Ip(240, 0, 0, 0), 4, AddressKind::Reserved},      // reserved, and the broadcast address
};

}  // namespace

std::optional<std::array<std::uint8_t, 4>> ParseIpv4(std::string_view text) {
    std::array<std::uint8_t, 4> octets{};
    std::size_t pos = 0;
    for (std::size_t i = 0; i < octets.size(); ++i) {
        if (i > 0) {
            if (pos >= text.size() || text[pos] != '.') {
                return std::nullopt;
            }
            ++pos;
        }
        const std::size_t start = pos;
        unsigned value = 0;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && pos - start < 3) {
            value = value * 10 + static_cast<unsigned>(text[pos] - '0');
            ++pos;
        }
        const std::size_t digits = pos - start;
        if (digits == 0 || value > 255 || (digits > 1 && text[start] == '0')) {
            return std::nullopt;
        }
        octets[i] = static_cast<std::uint8_t>(value);
    }
    if (pos != text.size()) {
        return std::nullopt;
    }
    return octets;
}

AddressKind ClassifyIpv4(std::string_view text) {
    const auto octets = ParseIpv4(text);
    if (!octets) {
        return AddressKind::Malformed;
    }
    const std::uint32_t address = Ip((*octets)[0], (*octets)[1], (*octets)[2], (*octets)[3]);
    for (const Range& range : kSpecialRanges) {
        const std::uint32_t mask = ~std::uint32_t{0} << (32 - range.prefix);
        if ((address & mask) == range.base) {
            return range.kind;
        }
    }
    return AddressKind::Public;
}

bool IsListableAddress(std::string_view text, bool allowPrivate) {
    switch (ClassifyIpv4(text)) {
        case AddressKind::Public:
            return true;
        case AddressKind::Private:
            return allowPrivate;
        case AddressKind::Reserved:
        case AddressKind::Malformed:
            return false;
    }
    return false;
}

bool IsListablePort(std::uint32_t port) {
    return port >= 1 && port <= kMaxListedPort;
}

std::optional<std::array<std::uint16_t, 8>> ParseIpv6(std::string_view text) {
    text = text.substr(0, text.find('%'));
    std::array<std::uint16_t, 8> groups{};
    // The groups before "::" and those after it; a trailing dotted quad fills the last two.
    std::array<std::uint16_t, 8> head{};
    std::array<std::uint16_t, 8> tail{};
    std::size_t heads = 0;
    std::size_t tails = 0;
    bool gap = false;
    std::size_t pos = 0;
    if (text.starts_with("::")) {
        gap = true;
        pos = 2;
    }
    while (pos < text.size()) {
        auto& list = gap ? tail : head;
        std::size_t& n = gap ? tails : heads;
        const std::size_t end = std::min(text.find(':', pos), text.size());
        const std::string_view part = text.substr(pos, end - pos);
        if (part.find('.') != std::string_view::npos && end == text.size()) {
            const auto v4 = ParseIpv4(part);
            if (!v4 || heads + tails + 2 > 8) {
                return std::nullopt;
            }
            list[n++] = static_cast<std::uint16_t>((*v4)[0] << 8 | (*v4)[1]);
            list[n++] = static_cast<std::uint16_t>((*v4)[2] << 8 | (*v4)[3]);
            pos = end;
            break;
        }
        if (part.empty() || part.size() > 4 || heads + tails >= 8) {
            return std::nullopt;
        }
        unsigned value = 0;
        for (const char c : part) {
            const int digit = c >= '0' && c <= '9'   ? c - '0'
                              : c >= 'a' && c <= 'f' ? c - 'a' + 10
                              : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                     : -1;
            if (digit < 0) {
                return std::nullopt;
            }
            value = value * 16 + static_cast<unsigned>(digit);
        }
        list[n++] = static_cast<std::uint16_t>(value);
        pos = end;
        if (pos < text.size()) {
            if (text.substr(pos, 2) == "::") {
                if (gap) {
                    return std::nullopt;
                }
                gap = true;
                pos += 2;
            } else if (++pos == text.size()) {
                return std::nullopt;  // a trailing single ":"
            }
        }
    }
    if (pos != text.size() || (gap ? heads + tails > 7 : heads != 8)) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < heads; ++i) {
        groups[i] = head[i];
    }
    for (std::size_t i = 0; i < tails; ++i) {
        groups[8 - tails + i] = tail[i];
    }
    return groups;
}

namespace {

std::string Hex(std::uint16_t group) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    bool started = false;
    for (int shift = 12; shift >= 0; shift -= 4) {
        const int digit = (group >> shift) & 0xF;
        started = started || digit != 0 || shift == 0;
        if (started) {
            out += kDigits[digit];
        }
    }
    return out;
}

// The IPv4 address an IPv6 text maps (::ffff:a.b.c.d), if it is one.
std::optional<std::array<std::uint8_t, 4>> MappedIpv4(const std::array<std::uint16_t, 8>& g) {
    for (std::size_t i = 0; i < 5; ++i) {
        if (g[i] != 0) {
            return std::nullopt;
        }
    }
    if (g[5] != 0xFFFF) {
        return std::nullopt;
    }
    return std::array<std::uint8_t, 4>{static_cast<std::uint8_t>(g[6] >> 8), static_cast<std::uint8_t>(g[6]),
                                       static_cast<std::uint8_t>(g[7] >> 8), static_cast<std::uint8_t>(g[7])};
}

std::string Ipv4Text(const std::array<std::uint8_t, 4>& o, bool network) {
    return std::to_string(o[0]) + '.' + std::to_string(o[1]) + '.' + std::to_string(o[2]) + '.' +
           (network ? std::string("0/24") : std::to_string(o[3]));
}

std::string Ipv6Network(const std::array<std::uint16_t, 8>& g) {
    return Hex(g[0]) + ':' + Hex(g[1]) + ':' + Hex(g[2]) + ':' + Hex(g[3]) + "::/64";
}

}  // namespace

std::string NetworkOf(std::string_view address) {
    if (const auto v4 = ParseIpv4(address)) {
        return Ipv4Text(*v4, true);
    }
    if (const auto v6 = ParseIpv6(address)) {
        const auto mapped = MappedIpv4(*v6);
        return mapped ? Ipv4Text(*mapped, true) : Ipv6Network(*v6);
    }
    return std::string(address);
}

std::string ClientKey(std::string_view address) {
    if (const auto v6 = ParseIpv6(address)) {
        const auto mapped = MappedIpv4(*v6);
        return mapped ? Ipv4Text(*mapped, false) : Ipv6Network(*v6);
    }
    return std::string(address);
}

}  // namespace hublane::directory
