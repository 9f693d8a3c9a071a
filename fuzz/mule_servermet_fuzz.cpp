// Fuzz target: the eMule/aMule server.met reader never fails badly, and what it reads writes and
// reads back to the same entries; a list written once is written again byte for byte.
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "clients/MuleServerMet.h"

using hublane::clients::FillServerTable;
using hublane::clients::MuleServerMet;
using hublane::clients::ReadMuleServerMet;
using hublane::clients::WriteMuleServerMet;
using hublane::fuzz::Check;
using hublane::serverlist::PlainGauge;
using hublane::serverlist::ServerTable;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    MuleServerMet doc;
    PlainGauge gauge;
    if (!ReadMuleServerMet(bytes, doc, gauge).Ok()) {
        return 0;
    }
    ServerTable table;
    FillServerTable(doc, table);
    const std::string written = WriteMuleServerMet(doc, table, gauge);
    // A list read as the clients write it (header 0xE0, no eDonkey-only tag) comes back unchanged.
    bool edonkeyTags = false;
    for (const auto& tag : doc.tags) {
        edonkeyTags = edonkeyTags || (tag.id && (*tag.id == 0x0F || *tag.id == 0x10));
    }
    if (doc.header == hublane::clients::kMuleServerMetHeader && !edonkeyTags) {
        // (The count aside: a negative one reads as none.)
        Check(written.substr(5) == bytes.substr(5, written.size() - 5));
    }

    MuleServerMet again;
    Check(ReadMuleServerMet(written, again, gauge).Ok());
    Check(again.entries.size() == doc.entries.size());
    for (std::size_t i = 0; i < doc.entries.size(); ++i) {
        const auto& a = doc.entries[i];
        const auto& b = again.entries[i];
        Check(a.address == b.address && a.port == b.port && a.kind == b.kind &&
              doc.Name(a) == again.Name(b) && doc.Description(a) == again.Description(b) &&
              a.users == b.users && a.files == b.files);
    }
    ServerTable againTable;
    FillServerTable(again, againTable);
    Check(againTable.Count() == table.Count());
    Check(WriteMuleServerMet(again, againTable, gauge) == written);
    return 0;
}
