// Fuzz target: the PE string table reader, and the writer on what the reader returns.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "language/PeStringTable.h"
#include "language/PeWriter.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto table = hublane::language::ReadStringTable(bytes);
    if (!table) {
        return 0;
    }
    hublane::language::LoadableTexts(*table);
    // Whatever was read writes back to a module that reads back the same. Texts hold UTF-8 that
    // the reader produced, so the conversion both ways is exact.
    const auto image = hublane::language::WriteStringTableDll(*table);
    if (!image || hublane::language::ReadStringTable(*image) != *table) {
        std::abort();
    }
    return 0;
}
