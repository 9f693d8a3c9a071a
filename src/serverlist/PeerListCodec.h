// The peer list file (serverHBL.met): header byte 0x1E, a 32-bit count taken as signed, then
// four address bytes per peer, first octet first; every number little-endian.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "serverlist/ListReadResult.h"
#include "serverlist/ServerTable.h"
#include "serverlist/WorkGauge.h"

namespace hublane::serverlist {

inline constexpr std::uint8_t kPeerListHeader = 0x1E;

/// Reads the addresses into peers, in file order, through AddPeerRow (the first of an address
/// wins). Gauge: maximum = count, position 0, one step per address, position 0 at the end of a
/// complete read. Failures: text 2 (no header byte), 3 + "30" (wrong header), 4 (the count or an
/// address is cut); the addresses read before stay in the list.
ListReadResult DecodePeerList(std::string_view bytes, PeerList& peers, WorkGauge& gauge);

/// Whether the row's caption is four decimal numbers 0-255, the only thing the file can hold.
bool CanEncodePeerRow(const PeerRow& row);

/// The file of every row that can be encoded, in list order; the count says how many were
/// written. Gauge: maximum = number of rows, one step per row, position 0 at the end.
std::string EncodePeerList(const PeerList& peers, WorkGauge& gauge);

}  // namespace hublane::serverlist
