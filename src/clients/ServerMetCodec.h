// The client's server list file (server.met): decoded into the server table, encoded from it.
//
// Layout: header byte 0x0E, a 32-bit entry count, then per server 4 address bytes (first octet
// first), a 16-bit port, a 32-bit tag count and the tags. A tag is a type byte (0x02 text,
// 0x03 32-bit integer), a 16-bit name length, the name (one byte = a tag id), then for a text a
// 16-bit length and the bytes, for an integer 4 bytes. Every number is little-endian; counts and
// lengths are taken as signed.
//
// Choices made where the format leaves room:
//  - A name length that is negative or above 4095 (the classic reader's 4096-byte buffer less its
//    terminator) is a read failure with text 7, a text length out of that range one with text 9;
//    nothing is ever read past the end of the buffer.
//  - Names and text values are bytes. A zero byte inside the stated length ends the text, as it
//    would in the classic reader's NUL-terminated buffer; the bytes after it are skipped. So the
//    name "users\0x" counts as "users", and no text read from a file holds a zero byte.
//  - A present text tag may be empty; it is kept as the empty text (only an absent one is "n/a").
//  - Rows that cannot be encoded are left out of the file and the entry count says how many were
//    written, so one bad row never costs the client its whole list: a caption that is not exactly
//    four decimal numbers 0-255, a "Port" that is not a decimal number 0-65535 ("n/a" included),
//    "Util." or "Fichiers" that are neither "n/a" nor a 32-bit decimal number.
//  - A name or description longer than 4095 bytes is written cut to its first 4095 bytes, so that
//    every reader with the classic buffer can read the file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "serverlist/ListReadResult.h"
#include "serverlist/ServerListCodec.h"
#include "serverlist/ServerTable.h"
#include "serverlist/WorkGauge.h"

namespace hublane::clients {

inline constexpr std::uint8_t kServerMetHeader = 0x0E;
/// Longest tag name or text value the reader accepts and the writer produces.
inline constexpr int kMaxTagTextLength = 4095;

/// The reader's working record of one entry; every text field starts as "n/a".
struct TServer {
    std::string ipText;
    std::string ipTagText;  // used by the writer only
    std::string portText;
    std::string nameText;
    std::string descriptionText;
    std::string pingText;  // read, never carried into the table
    std::string usersText;
    std::string filesText;
    std::string preferenceText;  // used by the writer only
    std::string spareText;
    std::int32_t tagCount = 0;

    /// Sets the ten text fields to "n/a".
    void Reset();
};

/// Reads the entries of a server.met into table, in file order, through AddServerRow (so the
/// first entry of an address wins). The gauge gets maximum = entry count and position 0, one
/// step per entry, and position 0 at the end of a complete read. On failure the rows of the
/// entries read completely stay in the table and the gauge is left where it is.
serverlist::ListReadResult DecodeServerMet(std::string_view bytes, serverlist::ServerTable& table,
                                           serverlist::WorkGauge& gauge);

/// Whether a row can be written (see the choices above).
bool CanEncodeServerRow(const serverlist::ServerRow& row);

/// The server.met of every row that can be encoded, in table order. Each entry has 8 tags less
/// one for each of "Port", "Util.", "Fichiers", "Nom", "Description" that is "n/a", in the order
/// name 0x01, description 0x0B, ping 0x0C = 100, preference 0x0E = 1, IP 0x10, port 0x0F,
/// "users", "files". The gauge gets maximum = number of rows, one step per row, position 0 at
/// the end. An empty table gives 0E 00 00 00 00.
std::string EncodeServerMet(const serverlist::ServerTable& table, serverlist::WorkGauge& gauge);

/// The eDonkey2000 server.met, as the list files read and write it.
inline constexpr serverlist::ServerListCodec kServerMetCodec{"server.met", DecodeServerMet,
                                                             CanEncodeServerRow, EncodeServerMet};

}  // namespace hublane::clients
