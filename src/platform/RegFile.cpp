// The settings file codec: one registry key in the registry's own text export format (REGEDIT4).
#include "platform/RegFile.h"

#include "text/Ascii.h"
#include "text/Escapes.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace hublane::platform {

namespace {

constexpr std::string_view kHeader = "REGEDIT4";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kDword = "dword:";

std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

/// Reads a quoted text at the start of s; on success s is left just after the closing quote.
std::optional<std::string> ReadQuoted(std::string_view& s) {
    if (s.empty() || s.front() != '"') {
        return std::nullopt;
    }
    std::size_t i = 1;
    while (i < s.size() && s[i] != '"') {
        i += s[i] == '\\' ? 2 : 1;
    }
    if (i >= s.size()) {
        return std::nullopt;
    }
    auto text = text::Unescape(s.substr(1, i - 1), text::kQuotedEscapes, text::UnknownEscape::Fail);
    if (text) {
        s.remove_prefix(i + 1);
    }
    return text;
}

std::string Quote(std::string_view text) {
    return "\"" + text::Escape(text, text::kQuotedEscapes) + "\"";
}

std::optional<std::int32_t> ParseDword(std::string_view digits) {
    if (digits.empty() || digits.size() > 8) {
        return std::nullopt;
    }
    std::uint32_t v = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), v, 16);
    if (ec != std::errc() || end != digits.data() + digits.size()) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(v);
}

/// A raw value of another type: "hex:..." or "hex(N):...", hex byte pairs separated by commas.
bool IsRawValue(std::string_view v) {
    if (!text::StartsWithNoCase(v, "hex")) {
        return false;
    }
    v.remove_prefix(3);
    if (!v.empty() && v.front() == '(') {
        const std::size_t close = v.find(')');
        if (close == std::string_view::npos || close < 2 || close > 9 ||
            !std::all_of(v.begin() + 1, v.begin() + static_cast<std::ptrdiff_t>(close),
                         [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; })) {
            return false;
        }
        v.remove_prefix(close + 1);
    }
    if (v.empty() || v.front() != ':') {
        return false;
    }
    v.remove_prefix(1);
    return std::all_of(v.begin(), v.end(), [](char c) {
        return c == ',' || c == ' ' || std::isxdigit(static_cast<unsigned char>(c)) != 0;
    });
}

std::string ToHex8(std::uint32_t v) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out(8, '0');
    for (int i = 7; i >= 0; --i) {
        out[static_cast<std::size_t>(i)] = kDigits[v & 0xF];
        v >>= 4;
    }
    return out;
}

}  // namespace

std::optional<RegFile> RegFile::Parse(std::string_view text) {
    if (text.substr(0, kUtf8Bom.size()) == kUtf8Bom) {
        text.remove_prefix(kUtf8Bom.size());
    }
    const std::vector<std::string_view> lines = SplitLines(text);
    std::size_t i = 0;
    const auto nextContentLine = [&]() -> std::optional<std::string_view> {
        while (i < lines.size()) {
            const std::string_view line = text::TrimRight(lines[i++], text::kSpaceTabCr);
            if (!line.empty() && line.front() != ';') {
                return line;
            }
        }
        return std::nullopt;
    };
    if (lines.empty() || text::TrimRight(lines[0], text::kSpaceTabCr) != kHeader) {
        return std::nullopt;
    }
    i = 1;
    const auto keyLine = nextContentLine();
    if (!keyLine) {
        return std::nullopt;
    }
    if (keyLine->size() < 2 || keyLine->front() != '[' || keyLine->back() != ']' ||
        !text::EqualsNoCase(keyLine->substr(1, keyLine->size() - 2), kSettingsKeyPath)) {
        return std::nullopt;
    }
    RegFile file;
    while (auto line = nextContentLine()) {
        std::string_view rest = *line;
        std::string name;
        if (rest.front() == '@') {
            rest.remove_prefix(1);
        } else {
            auto quoted = ReadQuoted(rest);
            if (!quoted) {
                return std::nullopt;
            }
            name = std::move(*quoted);
        }
        rest = text::TrimLeft(rest, text::kSpaceTab);
        if (rest.empty() || rest.front() != '=') {
            return std::nullopt;
        }
        rest = text::TrimLeft(rest.substr(1), text::kSpaceTab);
        if (!rest.empty() && rest.front() == '"') {
            auto value = ReadQuoted(rest);
            if (!value || !text::TrimLeft(rest, text::kSpaceTab).empty()) {
                return std::nullopt;
            }
            file.Set(name, std::move(*value));
        } else if (text::StartsWithNoCase(rest, kDword)) {
            const auto value = ParseDword(rest.substr(kDword.size()));
            if (!value) {
                return std::nullopt;
            }
            file.Set(name, *value);
        } else {
            std::string raw(rest);
            while (!raw.empty() && raw.back() == '\\' && i < lines.size()) {
                raw.pop_back();
                raw += text::TrimLeft(text::TrimRight(lines[i++], text::kSpaceTabCr), text::kSpaceTab);
            }
            // A continuation onto a blank line leaves the spaces before the backslash at the
            // end; written back, they would end the line and be lost on the next read.
            raw.resize(text::TrimRight(raw, text::kSpaceTabCr).size());
            if (!IsRawValue(raw)) {
                return std::nullopt;
            }
            file.Set(name, RegRawValue{std::move(raw)});
        }
    }
    return file;
}

std::string RegFile::Serialize() const {
    std::string out;
    out += kHeader;
    out += "\n\n[";
    out += kSettingsKeyPath;
    out += "]\n";
    for (const Entry& e : m_entries) {
        out += e.name.empty() ? std::string("@") : Quote(e.name);
        out.push_back('=');
        if (const auto* s = std::get_if<std::string>(&e.value)) {
            out += Quote(*s);
        } else if (const auto* n = std::get_if<std::int32_t>(&e.value)) {
            out += kDword;
            out += ToHex8(static_cast<std::uint32_t>(*n));
        } else {
            out += std::get<RegRawValue>(e.value).text;
        }
        out.push_back('\n');
    }
    return out;
}

namespace {

std::string FoldedName(std::string_view name) {
    std::string out(name);
    for (char& c : out) {
        c = text::Lower(c);
    }
    return out;
}

}  // namespace

const RegValue* RegFile::Find(std::string_view name) const {
    const auto it = m_index.find(FoldedName(name));
    return it == m_index.end() ? nullptr : &m_entries[it->second].value;
}

void RegFile::Set(std::string_view name, RegValue value) {
    const auto [it, added] = m_index.emplace(FoldedName(name), m_entries.size());
    if (!added) {
        m_entries[it->second].value = std::move(value);
        return;
    }
    m_entries.push_back(Entry{std::string(name), std::move(value)});
}

bool RegFile::Remove(std::string_view name) {
    const auto it = m_index.find(FoldedName(name));
    if (it == m_index.end()) {
        return false;
    }
    m_entries.erase(m_entries.begin() + static_cast<std::ptrdiff_t>(it->second));
    m_index.clear();
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        m_index.emplace(FoldedName(m_entries[i].name), i);
    }
    return true;
}

}  // namespace hublane::platform
