// Fuzz target: the PE string table reader, and the writer on what the reader returns.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/PeStringTable.h"
#include "platform/PeWriter.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto table = hublane::platform::ReadStringTable(bytes);
    if (!table) {
        return 0;
    }
    hublane::platform::LoadableTexts(*table);
    // Whatever was read writes back to a module that reads back the same. Texts hold UTF-8 that
    // the reader produced, so the conversion both ways is exact.
    const auto image = hublane::platform::WriteStringTableDll(*table);
    if (!image || hublane::platform::ReadStringTable(*image) != *table) {
        std::abort();
    }
    return 0;
}
