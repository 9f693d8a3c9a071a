// The directory's HTML5 pages and the texts shown for server names.
#include "directory/HtmlPages.h"

#include <algorithm>
#include <array>

#include "text/Utf16.h"

namespace hublane::directory {
namespace {

// Windows-1252 bytes 0x80-0x9F; zero for the five bytes it leaves undefined.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

std::u32string CodePoints(std::string_view bytes) {
    std::u32string out;
    if (text::IsValidUtf8(bytes)) {
        const std::u16string units = text::Utf8ToUtf16(bytes);
        for (std::size_t i = 0; i < units.size(); ++i) {
            const char16_t u = units[i];
            if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units.size()) {
                out.push_back(0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) +
                              (units[i + 1] - 0xDC00));
                ++i;
            } else {
                out.push_back(u);
            }
        }
        return out;
    }
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        out.push_back(b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : b);
    }
    return out;
}

bool IsSpace(char32_t cp) {
    return cp == ' ' || cp == '\t' || cp == '\n' || cp == '\r' || cp == '\f' || cp == 0xA0;
}

// Characters an HTML5 page may not carry as text: controls, surrogates and noncharacters.
bool IsUnshowable(char32_t cp) {
    return cp == 0 || (cp < 0x20 && !IsSpace(cp)) || (cp >= 0x7F && cp < 0xA0) ||
           (cp >= 0xD800 && cp <= 0xDFFF) || (cp >= 0xFDD0 && cp <= 0xFDEF) || (cp & 0xFFFE) == 0xFFFE;
}

constexpr std::string_view kPageHead =
    "<!DOCTYPE html>\n"
    "<html lang=\"fr\">\n"
    "<head>\n"
    "<meta charset=\"utf-8\">\n"
    "<title>";
constexpr std::string_view kPageBodyStart =
    "</title>\n"
    "</head>\n"
    "<body>\n"
    "<ul>\n";
constexpr std::string_view kPageEnd =
    "</ul>\n"
    "</body>\n"
    "</html>\n";

void AppendItem(std::string& page, std::string_view target, std::string_view text) {
    page += "<li><a href=\"";
    page += EscapeHtml(target);
    page += "\">";
    page += EscapeHtml(text);
    page += "</a></li>\n";
}

}  // namespace

std::string EscapeHtml(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                out.push_back(c);
        }
    }
    return out;
}

std::string ShownName(std::string_view bytes, std::size_t maxChars) {
    std::string out;
    std::size_t chars = 0;
    bool pendingSpace = false;
    for (const char32_t cp : CodePoints(bytes)) {
        if (chars >= maxChars) {
            break;
        }
        if (IsSpace(cp)) {
            pendingSpace = chars > 0;
            continue;
        }
        if (cp == 0 || IsUnshowable(cp)) {
            continue;
        }
        if (pendingSpace) {
            // A space is written only with the character after it: a name cut there would
            // otherwise end in it.
            if (chars + 1 >= maxChars) {
                break;
            }
            out.push_back(' ');
            ++chars;
            pendingSpace = false;
        }
        text::AppendUtf8(out, cp);
        ++chars;
    }
    return out;
}

std::string CutName(std::string_view bytes, std::size_t maxBytes) {
    if (bytes.size() <= maxBytes) {
        return std::string(bytes);
    }
    std::size_t end = maxBytes;
    if (text::IsValidUtf8(bytes)) {
        // Back to the first byte of the character that would be cut.
        while (end > 0 && (static_cast<unsigned char>(bytes[end]) & 0xC0) == 0x80) {
            --end;
        }
    }
    return std::string(bytes.substr(0, end));
}

std::string ServerLink(std::string_view address, std::uint16_t port) {
    std::string link = "ed2k://|server|";
    link += address;
    link += '|';
    link += std::to_string(port);
    link += "|/";
    return link;
}

std::string CopyLink(std::string_view address) {
    std::string link = "http://";
    link += address;
    link += '/';
    return link;
}

std::string ServerListPage(const std::vector<ListedServer>& servers) {
    std::string page(kPageHead);
    page += "Serveurs eD2k vérifiés";
    page += kPageBodyStart;
    const std::size_t count = std::min(servers.size(), kMaxListedServers);
    page.reserve(page.size() + count * 80 + kPageEnd.size());
    for (std::size_t i = 0; i < count; ++i) {
        const ListedServer& server = servers[i];
        std::string text = ShownName(server.name);
        if (text.empty()) {
            text = server.address + ':' + std::to_string(server.port);
        }
        AppendItem(page, ServerLink(server.address, server.port), text);
    }
    page += kPageEnd;
    return page;
}

std::string CopyListPage(const std::vector<std::string>& addresses) {
    std::string page(kPageHead);
    page += "Copies actives";
    page += kPageBodyStart;
    const std::size_t count = std::min(addresses.size(), kMaxListedCopies);
    for (std::size_t i = 0; i < count; ++i) {
        AppendItem(page, CopyLink(addresses[i]), addresses[i]);
    }
    page += kPageEnd;
    return page;
}

}  // namespace hublane::directory
