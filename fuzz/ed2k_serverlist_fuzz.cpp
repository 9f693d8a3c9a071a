// Fuzz target: a server list answer (or peer list datagram) as it comes off the wire.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "probe/Ed2kMessages.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace hublane;
    const std::string_view datagram(reinterpret_cast<const char*>(data), size);
    (void)probe::IsServerListAnswer(datagram);
    serverlist::EntryTable entries{};
    const int filled = probe::ParseServerList(datagram, entries);
    if (filled < 0 || filled > 255 || (filled > 0 && size < 3 + 6 * static_cast<std::size_t>(filled))) {
        std::abort();
    }
    // Every filled entry is decimal text again, so it encodes back to the bytes it came from.
    std::vector<serverlist::SERVEUR> parsed(entries.begin(), entries.begin() + filled);
    const std::optional<std::string> again = probe::BuildServerListAnswer(parsed);
    if (!again ||
        (filled > 0 && again->substr(3) != datagram.substr(3, 6 * static_cast<std::size_t>(filled)))) {
        std::abort();
    }
    for (const serverlist::SERVEUR& e : parsed) {
        (void)probe::IsUsableEntry(e);
    }
    return 0;
}
