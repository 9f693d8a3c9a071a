// Fuzz target: server.met decoding never fails badly, and what decodes encodes and decodes back
// to the same rows.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "clients/ServerMetCodec.h"

using hublane::clients::DecodeServerMet;
using hublane::clients::EncodeServerMet;
using hublane::serverlist::PlainGauge;
using hublane::serverlist::ServerTable;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    ServerTable table;
    PlainGauge gauge;
    if (!DecodeServerMet(bytes, table, gauge).Ok()) {
        return 0;
    }
    // Every row read from a file can be written, so nothing is left out on the way back.
    const std::string encoded = EncodeServerMet(table, gauge);
    ServerTable again;
    if (!DecodeServerMet(encoded, again, gauge).Ok() || again.Count() != table.Count()) {
        std::abort();
    }
    for (std::size_t i = 0; i < table.Count(); ++i) {
        if (again.Row(i).caption != table.Row(i).caption || again.Row(i).subItems != table.Row(i).subItems) {
            std::abort();
        }
    }
    if (EncodeServerMet(again, gauge) != encoded) {
        std::abort();
    }
    return 0;
}
