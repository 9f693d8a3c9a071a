// The server.met of eMule and aMule: every entry read whole and kept byte for byte, the table
// filled from it, and the file written back against the final table without loss.
//
// Both clients write header 0xE0 (and read 0x0E too), then a 32-bit entry count, then per server
// 4 address bytes, a 16-bit port, a 32-bit tag count and the tags. A tag is a type byte and a
// name: with bit 0x80 of the type set the name is one id byte; otherwise a 16-bit length and
// the name bytes (one byte is an id, more is a text name such as "users"). Then the value by the
// type (bit 0x80 set aside): 0x01 hash (16 bytes), 0x02 text (16-bit length + bytes), 0x03 u32,
// 0x04 float (4), 0x05 bool (1), 0x06 bool array (16-bit bit count, then count / 8 + 1 bytes),
// 0x07 blob (32-bit length + bytes), 0x08 u16, 0x09 u8, 0x0A bsob (8-bit length + bytes),
// 0x0B u64, 0x11-0x26 a text of (type - 0x10) bytes. Every number is little-endian.
//
// Choices made where the format leaves room:
//  - Counts and lengths are bounded as in the eDonkey2000 reader: a negative entry or tag count
//    reads nothing; a text name or a text value over 4095 bytes (or negative as signed 16 bits)
//    is a failure (text 7 / text 9), and so is a value that runs past the end (text 9). A file
//    of 4 GiB or more is not opened (text 2).
//  - The table takes name, description, users and files of the entry: the first text tag 0x01
//    (0x0B) that is not empty, with a leading UTF-8 byte-order mark set aside (aMule writes each
//    text twice); users and files when not 0.
//  - An entry the table cannot hold is carried: a second entry for an address already read (a
//    second port) and an entry at 0.0.0.0 (a dynamic-IP server, its host name in tag 0x85). It
//    is written back exactly as read and never becomes a row.
//  - Writing: header 0xE0; each entry in its original order, then the table's new servers. An
//    entry whose row still holds its values is written with its original bytes. A changed name
//    or description (a BOM aside) replaces the value of every tag that carries it (a tag
//    whose value had a BOM keeps it); changed users
//    or files replace those values; a value the entry lacked is appended; an unknown ("n/a") or
//    empty value in the row leaves the entry's tags as they are. A new server gets name and
//    description when known and not empty, users and files when known, nothing else.
//  - Tags 0x0F (port) and 0x10 (address), which the eDonkey2000 writer put on every entry, are
//    left out of every entry written: aMule aborts at start on either, eMule ignores them.
//  - An entry whose server the table no longer holds is dropped; rows that cannot be encoded
//    (an address that is not a dotted quad, a port that is no number) are left out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "serverlist/AddressText.h"
#include "serverlist/ListReadResult.h"
#include "serverlist/ServerTable.h"
#include "serverlist/WorkGauge.h"

namespace hublane::clients {

inline constexpr std::uint8_t kMuleServerMetHeader = 0xE0;
inline constexpr std::uint8_t kOldServerMetHeader = 0x0E;

/// A tag's name when it is longer than one byte: the two the table reads, or another.
enum class MuleTagName : std::uint8_t { None, Users, Files, Other };

/// One tag as read: where its bytes are in the document's bytes, and what they say.
struct MuleTag {
    std::uint32_t offset = 0;        // the type byte
    std::uint32_t size = 0;          // the whole tag
    std::uint16_t valueAt = 0;       // a text's or a number's first byte, from offset
    std::uint8_t type = 0;           // the value type, bit 0x80 set aside
    bool newStyle = false;           // the name was one id byte after a type with bit 0x80
    std::optional<std::uint8_t> id;  // a one-byte name
    MuleTagName name = MuleTagName::None;
    bool isText = false;     // types 0x02 and 0x11-0x26
    bool isInteger = false;  // types 0x03, 0x08, 0x09, 0x0B
};

enum class MuleEntryKind : std::uint8_t {
    Row,         // becomes a table row
    SecondPort,  // an address already read, on another port: carried
    DynamicIp,   // address 0.0.0.0 (the host name in tag 0x85): carried
};

/// A run of the document's bytes.
struct MuleBytes {
    std::uint32_t offset = 0;
    std::uint32_t size = 0;
};

/// One server entry as read.
struct MuleServerEntry {
    MuleBytes bytes;             // the whole entry, address first
    std::uint32_t firstTag = 0;  // its tags are the document's tags [firstTag, firstTag + tagCount)
    std::uint32_t tagCount = 0;
    serverlist::AddressBytes address{};
    std::uint16_t port = 0;
    MuleEntryKind kind = MuleEntryKind::Row;
    // What the table shows: the first name and description that are not empty, without a leading
    // BOM (none when name.size is 0); users and files when not 0.
    MuleBytes name;
    MuleBytes description;
    std::uint64_t users = 0;
    std::uint64_t files = 0;

    bool Carried() const { return kind != MuleEntryKind::Row; }
};

/// A server.met as read: its header and every entry read whole, in file order. Entries and tags
/// only point into the bytes, so that a file of many small tags costs a few times its size.
struct MuleServerMet {
    std::uint8_t header = kMuleServerMetHeader;
    std::string bytes;  // the file as read
    std::vector<MuleServerEntry> entries;
    std::vector<MuleTag> tags;  // the tags of every entry, entry after entry

    std::size_t CarriedCount() const;
    std::string_view Bytes(MuleBytes run) const;
    std::string_view Bytes(const MuleTag& tag) const;
    std::span<const MuleTag> Tags(const MuleServerEntry& entry) const;
    /// A text tag's value, a BOM included; empty for a tag of another type.
    std::string_view Text(const MuleTag& tag) const;
    /// An integer tag's value; 0 for a tag of another type.
    std::uint64_t Number(const MuleTag& tag) const;
    /// The entry's address, name, description, users and files as the table shows them ("n/a"
    /// when absent).
    std::string IpText(const MuleServerEntry& entry) const;
    std::string_view Name(const MuleServerEntry& entry) const;
    std::string_view Description(const MuleServerEntry& entry) const;
    std::string Users(const MuleServerEntry& entry) const;
    std::string Files(const MuleServerEntry& entry) const;
};

/// Reads a server.met (header 0xE0 or 0x0E) into doc, replacing what it held. The gauge gets
/// maximum = entry count and position 0, one step per entry, position 0 at the end of a whole
/// read. On failure doc keeps the entries read completely and the gauge stays where it is; the
/// result names the failure with the eDonkey2000 reader's texts (header: text 3 followed by
/// "224").
serverlist::ListReadResult ReadMuleServerMet(std::string_view bytes, MuleServerMet& doc,
                                             serverlist::WorkGauge& gauge);

/// Adds a row for every entry that is not carried, in file order, through AddServerRow; returns
/// the number of rows added.
std::size_t FillServerTable(const MuleServerMet& doc, serverlist::ServerTable& table);

/// A text with a leading UTF-8 byte-order mark set aside.
std::string_view WithoutBom(std::string_view text);

struct MuleWriteCounts {
    std::size_t kept = 0;     // entries written with their original bytes (carried ones included)
    std::size_t changed = 0;  // entries rewritten with changed values
    std::size_t added = 0;    // new servers
    std::size_t dropped = 0;  // entries whose server the table no longer holds
    std::size_t carried = 0;  // carried entries (also counted in kept)
    std::size_t leftOut = 0;  // new rows that cannot be encoded
};

/// The server.met of doc written against the final table (see the choices above). The gauge gets
/// maximum = entries + rows, one step each, position 0 at the end.
std::string WriteMuleServerMet(const MuleServerMet& doc, const serverlist::ServerTable& table,
                               serverlist::WorkGauge& gauge, MuleWriteCounts* counts = nullptr);

}  // namespace hublane::clients
