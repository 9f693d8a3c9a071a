// Fuzz target: a description answer as it comes off the wire.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "probe/Ed2kMessages.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace hublane;
    const std::string_view datagram(reinterpret_cast<const char*>(data), size);
    (void)probe::IsDescriptionAnswer(datagram);
    const probe::Description d = probe::ParseDescription(datagram);
    const auto bad = [&](const std::string& text) {
        return text.size() > probe::kDescriptionTextMax || text.size() > size ||
               text.find('\0') != std::string::npos;
    };
    if (bad(d.name) || bad(d.description)) {
        std::abort();
    }
    // What was read is given back whole when it is written again.
    const probe::Description again =
        probe::ParseDescription(probe::BuildDescriptionAnswer(d.name, d.description));
    if (again.name != d.name || again.description != d.description) {
        std::abort();
    }
    return 0;
}
