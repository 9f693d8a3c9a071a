// Fuzz target: the settings file parser, and the round trip of what it accepts.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/RegFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto file = hublane::platform::RegFile::Parse(text);
    if (!file) {
        return 0;
    }
    const auto again = hublane::platform::RegFile::Parse(file->Serialize());
    if (!again || !(*again == *file)) {
        std::abort();
    }
    return 0;
}
