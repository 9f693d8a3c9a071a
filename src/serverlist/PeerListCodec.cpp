// The peer list file (serverHBL.met): decoded into the peer list, encoded from it.
#include "serverlist/PeerListCodec.h"

#include "serverlist/AddressText.h"
#include "text/LittleEndian.h"

namespace hublane::serverlist {
using text::AppendU32;
using text::AppendU8;
using text::ByteReader;
using text::PutU32;

ListReadResult DecodePeerList(std::string_view bytes, PeerList& peers, WorkGauge& gauge) {
    ByteReader in(bytes);
    std::uint8_t header = 0;
    if (!in.U8(header)) {
        return {kTextCannotOpen, {}};
    }
    if (header != kPeerListHeader) {
        return {kTextBadHeader, std::to_string(kPeerListHeader)};
    }
    std::uint32_t rawCount = 0;
    if (!in.U32(rawCount)) {
        return {kTextTruncated, {}};
    }
    const auto count = static_cast<std::int32_t>(rawCount);
    gauge.SetMax(count);
    gauge.SetPosition(0);
    for (std::int32_t i = 0; i < count; ++i) {
        gauge.Step();
        std::string_view a;
        if (!in.Take(4, a)) {
            return {kTextTruncated, {}};
        }
        peers.AddPeerRow(FormatDottedQuad(AddressFromBytes(a)));
    }
    gauge.SetPosition(0);
    return {};
}

bool CanEncodePeerRow(const PeerRow& row) {
    return ParseDottedQuad(row.caption).has_value();
}

std::string EncodePeerList(const PeerList& peers, WorkGauge& gauge) {
    std::string out;
    out.reserve(5 + 4 * peers.Count());
    AppendU8(out, kPeerListHeader);
    AppendU32(out, 0);
    gauge.SetPosition(0);
    gauge.SetMax(static_cast<int>(peers.Count()));
    std::uint32_t written = 0;
    for (const PeerRow& row : peers.Rows()) {
        gauge.Step();
        if (const auto ip = ParseDottedQuad(row.caption)) {
            out.append(reinterpret_cast<const char*>(ip->data()), ip->size());
            ++written;
        }
    }
    PutU32(out, 1, written);
    gauge.SetPosition(0);
    return out;
}

}  // namespace hublane::serverlist
