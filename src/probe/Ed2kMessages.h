// The UDP datagrams exchanged with eD2k servers and between copies of the program: requests,
// answer recognition, the list body and the description answer, and their encoders.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "serverlist/ServerTable.h"

namespace hublane::probe {

/// The protocol byte eD2k servers put first; answers are never checked for it.
inline constexpr std::uint8_t kEd2kProtocol = 0xE3;
/// Codes at byte 1 of the eD2k server exchanges.
inline constexpr std::uint8_t kServerListRequestCode = 0xA4;
inline constexpr std::uint8_t kServerListAnswerCode = 0xA1;
inline constexpr std::uint8_t kDescriptionRequestCode = 0xA2;
inline constexpr std::uint8_t kDescriptionAnswerCode = 0xA3;

/// A server is asked on UDP at its listed (TCP) port plus this.
inline constexpr int kServerUdpPortOffset = 4;
/// Longest name or description kept from a description answer.
inline constexpr std::size_t kDescriptionTextMax = 4095;

/// Peer datagram kinds (byte 0 of every datagram between copies of the program).
enum class PeerKind : std::uint8_t {
    Ping = 0xA0,        // PEER_PING
    Pong = 0x9F,        // PEER_PONG
    GetServers = 0xA2,  // PEER_GET_SERVERS
    Servers = 0xA1,     // PEER_SERVERS
    GetPeers = 0x9E,    // PEER_GET_PEERS
    Peers = 0x9D,       // PEER_PEERS
};

/// The 6-byte server list request: E3 A4 00 00 00 00.
std::string ServerListRequest();
/// The 6-byte description request: E3 A2 00 00 00 00.
std::string DescriptionRequest();
/// A one-byte peer request (or PEER_PONG): the kind byte alone.
std::string PeerRequest(PeerKind kind);

/// True when a datagram received after a server list request is its answer: at least two bytes
/// and byte 1 is 0xA1. Byte 0 is not looked at.
bool IsServerListAnswer(std::string_view datagram);
/// True when a datagram received after a description request is its answer: at least two bytes
/// and byte 1 is 0xA3. Byte 0 is not looked at.
bool IsDescriptionAnswer(std::string_view datagram);
/// True when a datagram is a peer message of the given kind (at least one byte, byte 0 = kind).
bool IsPeerMessage(std::string_view datagram, PeerKind kind);

/// Fills entries from the list body that starts at byte 2 (count byte, then 6-byte entries:
/// four address bytes first octet first, 16-bit little-endian port) and returns how many were
/// filled. Stops at the first entry that does not lie whole within the datagram; entries from
/// there on keep the values they had. Serves the eD2k server list answer and the peer list
/// datagrams alike (a datagram of 3 bytes or fewer can hold no entry, so it fills none).
int ParseServerList(std::string_view datagram, serverlist::EntryTable& entries);

/// Name and description of a server, each cut at its first zero byte.
struct Description {
    std::string name;
    std::string description;
};

/// Reads a description answer: L1 at offset 2, the name at 4, L2 at 4 + L1, the description at
/// 6 + L1. A length that runs past the datagram is cut at its end, and each text at 4095 bytes;
/// a datagram too short to hold L1 (or L2) gives an empty name (or description).
Description ParseDescription(std::string_view datagram);

/// Whether a parsed entry may become a row: address text longer than 8 characters (so 10.0.0.1
/// is not, 10.0.0.10 is) and a port text that is not empty.
bool IsUsableEntry(const serverlist::SERVEUR& entry);

/// The address text of four bytes, first octet first ("192.0.2.7").
std::string AddressText(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d);

/// Appends the 6 bytes of one list entry. The address must be four decimal numbers of 0 to 255
/// joined by dots and the port a decimal number of 0 to 65535; otherwise nothing is appended and
/// the result is false.
bool AppendListEntry(std::string& out, const serverlist::SERVEUR& entry);

/// A server list answer: byte0, code, the count, then the entries (3 + 6 × N bytes). Empty
/// optional when an entry cannot be encoded or there are more than 255.
std::optional<std::string> BuildServerListAnswer(const std::vector<serverlist::SERVEUR>& entries,
                                                 std::uint8_t byte0 = kEd2kProtocol,
                                                 std::uint8_t code = kServerListAnswerCode);

/// A peer list datagram: kind, a byte without meaning, the count, the entries and a pad byte
/// (4 + 6 × N bytes). Empty optional when an entry cannot be encoded or there are more than 255.
std::optional<std::string> BuildListDatagram(PeerKind kind, const std::vector<serverlist::SERVEUR>& entries,
                                             std::uint8_t byte1 = 0, std::uint8_t pad = 0);

/// A description answer: byte0, code, L1, the name, L2, the description. Texts longer than
/// 65535 bytes are cut so that each length field holds its text.
std::string BuildDescriptionAnswer(std::string_view name, std::string_view description,
                                   std::uint8_t byte0 = kEd2kProtocol,
                                   std::uint8_t code = kDescriptionAnswerCode);

}  // namespace hublane::probe
