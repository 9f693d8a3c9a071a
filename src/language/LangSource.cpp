// The text source of a language file: one numbered text a line.
#include "language/LangSource.h"

#include <charconv>

#include "text/Utf16.h"

namespace hublane::language {

namespace {

LangSourceResult Failure(int line, std::string message) {
    LangSourceResult r;
    r.errorLine = line;
    r.error = std::move(message);
    return r;
}

}  // namespace

LangSourceResult ParseLangSource(std::string_view source) {
    constexpr std::string_view kBom = "\xEF\xBB\xBF";
    if (source.substr(0, kBom.size()) == kBom) {
        source.remove_prefix(kBom.size());
    }
    StringTable table;
    int lineNumber = 0;
    std::size_t start = 0;
    while (start < source.size()) {
        std::size_t end = source.find('\n', start);
        if (end == std::string_view::npos) {
            end = source.size();
        }
        std::string_view line = source.substr(start, end - start);
        start = end + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (line.empty() || line.front() == '#') {
            continue;
        }
        if (!text::IsValidUtf8(line)) {
            return Failure(lineNumber, "the line is not valid UTF-8");
        }
        const std::size_t tab = line.find('\t');
        if (tab == std::string_view::npos) {
            return Failure(lineNumber, "expected a number, a tab and the text");
        }
        const std::string_view number = line.substr(0, tab);
        unsigned id = 0;
        const auto [ptr, ec] = std::from_chars(number.data(), number.data() + number.size(), id);
        if (number.empty() || ec != std::errc() || ptr != number.data() + number.size() || id > 0xFFFF) {
            return Failure(lineNumber, "'" + std::string(number) + "' is not a text number from 0 to 65535");
        }
        auto text = UnescapeLineText(line.substr(tab + 1), /*strict=*/true);
        if (!text) {
            return Failure(lineNumber, "unknown escape (use \\\\, \\t, \\r or \\n)");
        }
        if (text::Utf8ToUtf16(*text).size() > 0xFFFF) {
            return Failure(lineNumber, "the text is longer than 65535 UTF-16 code units");
        }
        if (!table.emplace(static_cast<std::uint16_t>(id), std::move(*text)).second) {
            return Failure(lineNumber, "text " + std::to_string(id) + " is given twice");
        }
    }
    LangSourceResult r;
    r.table = std::move(table);
    return r;
}

}  // namespace hublane::language
