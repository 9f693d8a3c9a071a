// Fuzz target: the Wine registry file reader and the drive path splitter.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/WineRegistry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto found = hublane::platform::FindWineDefaultValue(text, "Software\\Classes\\ed2k\\DefaultIcon");
    if (found.defaultValue) {
        (void)hublane::platform::SplitDrivePath(*found.defaultValue);
    }
    (void)hublane::platform::SplitDrivePath(text);
    return 0;
}
