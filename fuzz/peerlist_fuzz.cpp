// Fuzz target: serverHBL.met decoding never fails badly, and what decodes encodes and decodes
// back to the same addresses.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "serverlist/PeerListCodec.h"

using hublane::serverlist::DecodePeerList;
using hublane::serverlist::EncodePeerList;
using hublane::serverlist::PeerList;
using hublane::serverlist::PlainGauge;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    PeerList peers;
    PlainGauge gauge;
    if (!DecodePeerList(bytes, peers, gauge).Ok()) {
        return 0;
    }
    const std::string encoded = EncodePeerList(peers, gauge);
    if (encoded.size() != 5 + 4 * peers.Count()) {
        std::abort();
    }
    PeerList again;
    if (!DecodePeerList(encoded, again, gauge).Ok() || again.Count() != peers.Count()) {
        std::abort();
    }
    for (std::size_t i = 0; i < peers.Count(); ++i) {
        if (again.Row(i).caption != peers.Row(i).caption) {
            std::abort();
        }
    }
    return 0;
}
