// Reading the desktop's default handler of a URL scheme: mimeapps.list and a desktop entry's Exec.
#include "platform/DesktopEntry.h"

#include "text/Ascii.h"
#include "text/Escapes.h"

namespace hublane::platform {

namespace {

// The raw value of key in group of a key file (the first one when repeated), escapes still in.
std::optional<std::string_view> RawValue(std::string_view text, std::string_view group,
                                         std::string_view key) {
    bool inGroup = false;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        const std::string_view line = text::Trim(text.substr(pos, end - pos), text::kSpaceTabCr);
        pos = end + 1;
        if (line.empty() || line.front() == '#') {
            continue;
        }
        if (line.front() == '[') {
            const std::size_t close = line.find(']');
            inGroup = close != std::string_view::npos && line.substr(1, close - 1) == group;
            continue;
        }
        const std::size_t equals = line.find('=');
        if (inGroup && equals != std::string_view::npos &&
            text::Trim(line.substr(0, equals), text::kSpaceTabCr) == key) {
            return text::Trim(line.substr(equals + 1), text::kSpaceTabCr);
        }
    }
    return std::nullopt;
}

// Undoes the key file's string escapes \s \n \t \r \\ (and \; inside lists); any other backslash
// stays for the next layer to read.
std::string Unescape(std::string_view value) {
    return *text::Unescape(value, text::kDesktopEscapes, text::UnknownEscape::Keep);
}

// Splits an Exec command line into words: double quotes group, and a backslash inside them escapes
// " ` $ and \ ; outside them it escapes any character. nullopt for an unclosed quote.
std::optional<std::vector<std::string>> ExecWords(std::string_view command) {
    std::vector<std::string> words;
    std::size_t i = 0;
    while (true) {
        while (i < command.size() && text::IsOneOf(command[i], text::kSpaceTab)) {
            ++i;
        }
        if (i == command.size()) {
            return words;
        }
        std::string word;
        bool quoted = false;
        for (; i < command.size() && (quoted || !text::IsOneOf(command[i], text::kSpaceTab)); ++i) {
            const char c = command[i];
            if (c == '"') {
                quoted = !quoted;
            } else if (c == '\\' && i + 1 < command.size()) {
                const char next = command[i + 1];
                if (!quoted || next == '"' || next == '`' || next == '$' || next == '\\') {
                    word.push_back(next);
                    ++i;
                } else {
                    word.push_back(c);
                }
            } else {
                word.push_back(c);
            }
        }
        if (quoted) {
            return std::nullopt;
        }
        words.push_back(std::move(word));
    }
}

}  // namespace

std::vector<std::string> DefaultApplications(std::string_view mimeAppsText, std::string_view mimeType) {
    std::vector<std::string> ids;
    const auto raw = RawValue(mimeAppsText, "Default Applications", mimeType);
    if (!raw) {
        return ids;
    }
    // Split at the separators first, so that an escaped "\;" stays inside its entry.
    std::size_t start = 0;
    for (std::size_t i = 0; i <= raw->size(); ++i) {
        if (i + 1 < raw->size() && (*raw)[i] == '\\') {
            ++i;
            continue;
        }
        if (i == raw->size() || (*raw)[i] == ';') {
            const std::string id = Unescape(text::Trim(raw->substr(start, i - start), text::kSpaceTabCr));
            if (!id.empty()) {
                ids.push_back(id);
            }
            start = i + 1;
        }
    }
    return ids;
}

std::optional<std::string> DesktopExecProgram(std::string_view desktopText) {
    const auto raw = RawValue(desktopText, "Desktop Entry", "Exec");
    if (!raw) {
        return std::nullopt;
    }
    const auto words = ExecWords(Unescape(*raw));
    if (!words || words->empty()) {
        return std::nullopt;
    }
    std::size_t first = 0;
    const std::string& program = (*words)[0];
    if (program == "env" || program.ends_with("/env")) {
        first = 1;
        while (first < words->size() && (*words)[first].find('=') != std::string::npos &&
               !(*words)[first].starts_with('-')) {
            ++first;
        }
        if (first == words->size() || (*words)[first].starts_with('-')) {
            return std::nullopt;
        }
    }
    if ((*words)[first].empty()) {
        return std::nullopt;
    }
    return (*words)[first];
}

}  // namespace hublane::platform
