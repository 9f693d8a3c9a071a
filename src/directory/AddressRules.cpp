// The addresses and ports the directory lists, asks and records.
#include "directory/AddressRules.h"

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

}  // namespace hublane::directory
