// aMule's EC (external connection) frames and tags: decoding with a bound on every
// read, encoding, and the typed values the hand-off uses.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "text/Ascii.h"

namespace hublane::clients {

/// The flags word of a plain frame: no zlib, numbers as fixed-size integers.
inline constexpr std::uint32_t kEcFlagsPlain = 0x20;
/// Flag bits a plain session never agreed to: zlib, UTF-8-coded numbers, an "accepts" word after
/// the flags, and the bits aMule itself counts as unknown.
inline constexpr std::uint32_t kEcFlagsRefused = 0x01U | 0x02U | 0x10U | 0xff7f7f08U;
/// The flags word and the body length, both big-endian.
inline constexpr std::size_t kEcHeaderSize = 8;
/// A body longer than this is refused before any of it is read (aMule's own list of 10,000
/// servers with every detail is well under 2 MiB).
inline constexpr std::uint32_t kEcMaxBodySize = 16U * 1024U * 1024U;
/// Tags nested deeper than this are refused (aMule's deepest replies use three levels).
inline constexpr int kEcMaxDepth = 6;

/// The tag types of EC.
enum class EcType : std::uint8_t {
    Custom = 1,
    U8 = 2,
    U16 = 3,
    U32 = 4,
    U64 = 5,
    String = 6,
    Double = 7,
    Ipv4 = 8,
    Hash16 = 9,
    U128 = 10,
};

/// One tag: its name (15 bits), its type, its own data bytes as sent, and its children.
struct EcTag {
    std::uint16_t name = 0;
    EcType type = EcType::Custom;
    std::string data;
    std::vector<EcTag> children;

    bool operator==(const EcTag&) const = default;

    /// An integer in the smallest type that holds it, as aMule sends them.
    static EcTag Int(std::uint16_t name, std::uint64_t value);
    /// A text with its trailing zero.
    static EcTag Text(std::uint16_t name, std::string_view text);
    /// Four address bytes (a.b.c.d in that order) and the port.
    static EcTag Ipv4(std::uint16_t name, std::array<std::uint8_t, 4> address, std::uint16_t port);
    static EcTag Hash(std::uint16_t name, const std::array<std::uint8_t, 16>& hash);

    /// The value of an integer tag of any width; nullopt for other types or a wrong size.
    std::optional<std::uint64_t> AsInt() const;
    /// The text of a string tag without its trailing zero; nullopt for other types.
    std::optional<std::string> AsText() const;
    /// "a.b.c.d" and the port of an IPv4 tag; nullopt for other types or a wrong size.
    std::optional<std::pair<std::string, std::uint16_t>> AsIpv4() const;

    /// The first child with this name, or null.
    const EcTag* Child(std::uint16_t childName) const;
};

/// One frame: its flags, the opcode and the top-level tags.
struct EcPacket {
    std::uint32_t flags = kEcFlagsPlain;
    std::uint8_t opcode = 0;
    std::vector<EcTag> tags;

    bool operator==(const EcPacket&) const = default;
    const EcTag* Tag(std::uint16_t name) const;
};

/// How a frame read went.
enum class EcDecodeStatus {
    Ok,
    NeedMore,     ///< the bytes so far are a frame's beginning: read more
    TooLarge,     ///< the header announces a body over kEcMaxBodySize
    Unsupported,  ///< flags a plain session never agreed to (zlib, UTF-8 numbers, ...)
    Malformed,    ///< lengths or counts that do not add up, nesting too deep, bytes left over
};

struct EcDecodeResult {
    EcDecodeStatus status = EcDecodeStatus::NeedMore;
    EcPacket packet;
    /// Bytes of the input the frame took (header and body) when Ok.
    std::size_t consumed = 0;
};

/// Reads the first frame of bytes. Never throws; a status other than Ok or NeedMore means the
/// stream cannot be read on.
EcDecodeResult DecodeEcFrame(std::string_view bytes);

/// The whole frame of a packet: header and body. A packet whose tags nest deeper than
/// kEcMaxDepth or do not fit the length fields encodes to an empty string.
std::string EncodeEcFrame(const EcPacket& packet);

/// Lower-case hex of bytes.
std::string HexLower(std::string_view bytes);

/// The password hash of the 2.3 login: MD5 of hex(MD5(password)) followed by hex(MD5(the salt
/// printed in upper-case hex without leading zeros)), all hex in lower case. passwordMd5Hex is
/// hex(MD5(password)) as amule.conf stores it (letter case ignored); md5 is the digest function.
template <typename Md5>
std::array<std::uint8_t, 16> EcLoginHash(std::string_view passwordMd5Hex, std::uint64_t salt, Md5 md5);

/// The salt as the login hashes it: upper-case hex, no leading zeros ("0" for zero).
std::string EcSaltText(std::uint64_t salt);

template <typename Md5>
std::array<std::uint8_t, 16> EcLoginHash(std::string_view passwordMd5Hex, std::uint64_t salt, Md5 md5) {
    const std::array<std::uint8_t, 16> saltDigest = md5(EcSaltText(salt));
    const std::string saltHex =
        HexLower(std::string_view(reinterpret_cast<const char*>(saltDigest.data()), saltDigest.size()));
    return md5(text::Lower(passwordMd5Hex) + saltHex);
}

}  // namespace hublane::clients
