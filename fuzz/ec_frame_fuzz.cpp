// Fuzz target: EC frame decoding never fails badly, and a frame that decodes encodes back to the
// very bytes it took, which decode to the same packet.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "clients/EcCodec.h"

using hublane::clients::DecodeEcFrame;
using hublane::clients::EcDecodeStatus;
using hublane::clients::EncodeEcFrame;
using hublane::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto first = DecodeEcFrame(bytes);
    if (first.status != EcDecodeStatus::Ok) {
        Check(first.consumed == 0);
        return 0;
    }
    Check(first.consumed <= size);
    const std::string encoded = EncodeEcFrame(first.packet);
    Check(encoded == bytes.substr(0, first.consumed));
    const auto again = DecodeEcFrame(encoded);
    Check(again.status == EcDecodeStatus::Ok && again.packet == first.packet &&
          again.consumed == encoded.size());
    for (const auto& tag : first.packet.tags) {
        // The typed reads look at any tag without reading past its data.
        (void)tag.AsInt();
        (void)tag.AsText();
        (void)tag.AsIpv4();
    }
    return 0;
}
