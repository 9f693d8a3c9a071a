// Fuzz target: mimeapps.list default handlers and the Exec program of desktop entries.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/DesktopEntry.h"
#include "text/DirectoryPart.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    (void)hublane::platform::DefaultApplications(text, "x-scheme-handler/ed2k");
    if (const auto program = hublane::platform::DesktopExecProgram(text)) {
        (void)hublane::text::FolderOf(*program);
    }
    (void)hublane::text::FolderOf(hublane::text::RemoveDoubleQuotes(text));
    return 0;
}
