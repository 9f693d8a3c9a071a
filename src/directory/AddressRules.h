// The addresses and ports the directory lists, asks and records: public IPv4
// unicast hosts only, unless private ones are allowed (tests, a lab, a home network).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace hublane::directory {

/// What kind of host an IPv4 address is.
enum class AddressKind {
    Public,     // a globally reachable unicast address
    Private,    // a host of a private network: private use, shared (CGN), loopback, link-local
    Reserved,   // never a host to ask: "this network" (0/8), protocol assignments, documentation
                // and benchmarking blocks, multicast (224/4), reserved (240/4) and broadcast
    Malformed,  // not four decimal numbers 0-255 joined by dots
};

/// The octets of an address text, first octet first: exactly four decimal numbers of 0 to 255,
/// one to three digits each without a leading zero ("010.1.2.3" is refused: some readers take it
/// for octal), joined by single dots. nullopt for anything else.
std::optional<std::array<std::uint8_t, 4>> ParseIpv4(std::string_view text);

AddressKind ClassifyIpv4(std::string_view text);

/// Whether the directory may list, probe or record this address: a public one; with
/// allowPrivate, private ones too. Reserved addresses are refused either way.
bool IsListableAddress(std::string_view text, bool allowPrivate);

/// The highest port a listed server may have: it is asked on UDP at its port plus 4.
inline constexpr std::uint16_t kMaxListedPort = 65531;

/// Whether a server port can be listed and asked: 1 to kMaxListedPort.
bool IsListablePort(std::uint32_t port);

}  // namespace hublane::directory
