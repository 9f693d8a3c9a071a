// The heads of the HTTP requests on one connection, read as their bytes arrive.
#include "directory/RequestHead.h"
#include "text/Ascii.h"

#include <algorithm>

namespace hublane::directory {
namespace {

// Whether list (a comma-separated header value) holds token, in any case.
bool HasToken(std::string_view list, std::string_view token) {
    while (!list.empty()) {
        const std::size_t comma = std::min(list.find(','), list.size());
        std::string_view item = list.substr(0, comma);
        while (!item.empty() && (item.front() == ' ' || item.front() == '\t')) {
            item.remove_prefix(1);
        }
        while (!item.empty() && (item.back() == ' ' || item.back() == '\t')) {
            item.remove_suffix(1);
        }
        if (text::EqualsNoCase(item, token)) {
            return true;
        }
        list.remove_prefix(std::min(comma + 1, list.size()));
    }
    return false;
}

bool IsTokenChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
           std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos;
}

}  // namespace

RequestHeadScanner::Verdict RequestHeadScanner::Feed(std::string_view bytes) {
    while (m_verdict == Verdict::Reading && !bytes.empty()) {
        // Blank lines before a request line are skipped, as HTTP allows.
        if (m_head.empty()) {
            while (!bytes.empty() && (bytes.front() == '\r' || bytes.front() == '\n')) {
                bytes.remove_prefix(1);
            }
            if (bytes.empty()) {
                break;
            }
        }
        // Up to the end of this head (an empty line), or all of the bytes.
        const std::size_t before = m_head.size();
        const std::size_t room = kMaxRequestHeadBytes + 4 - std::min(before, kMaxRequestHeadBytes + 4);
        m_head.append(bytes.substr(0, std::min(bytes.size(), room)));
        const std::size_t from = before >= 3 ? before - 3 : 0;
        std::size_t end = m_head.find("\r\n\r\n", from);
        std::size_t endLength = 4;
        if (const std::size_t bare = m_head.find("\n\n", from); bare < end) {
            end = bare;
            endLength = 2;
        }
        if (end == std::string::npos) {
            if (m_head.size() > kMaxRequestHeadBytes) {
                m_verdict = Verdict::TooLarge;
            }
            break;
        }
        if (end + endLength > kMaxRequestHeadBytes) {
            m_verdict = Verdict::TooLarge;
            break;
        }
        const std::size_t used = end + endLength - before;
        m_head.resize(end);
        m_verdict = Complete();
        m_head.clear();
        bytes.remove_prefix(used);
    }
    return m_verdict;
}

RequestHeadScanner::Verdict RequestHeadScanner::Complete() {
    ++m_heads;
    std::string_view head = m_head;
    const std::size_t lineEnd = std::min(head.find('\n'), head.size());
    std::string_view line = head.substr(0, lineEnd);
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    // METHOD SP target SP HTTP/1.x
    const std::size_t sp1 = line.find(' ');
    const std::size_t sp2 = sp1 == std::string_view::npos ? sp1 : line.find(' ', sp1 + 1);
    if (sp1 == 0 || sp2 == std::string_view::npos || sp2 == sp1 + 1 ||
        line.find(' ', sp2 + 1) != std::string_view::npos) {
        return Verdict::Malformed;
    }
    const std::string_view method = line.substr(0, sp1);
    const std::string_view version = line.substr(sp2 + 1);
    if (!std::all_of(method.begin(), method.end(), IsTokenChar) ||
        (version != "HTTP/1.1" && version != "HTTP/1.0")) {
        return Verdict::Malformed;
    }
    bool keepAlive = false;
    bool close = false;
    bool upgrade = false;
    std::string_view rest = head.substr(std::min(lineEnd + 1, head.size()));
    while (!rest.empty()) {
        const std::size_t end = std::min(rest.find('\n'), rest.size());
        std::string_view field = rest.substr(0, end);
        rest.remove_prefix(std::min(end + 1, rest.size()));
        if (!field.empty() && field.back() == '\r') {
            field.remove_suffix(1);
        }
        const std::size_t colon = field.find(':');
        if (colon == std::string_view::npos) {
            continue;  // the HTTP layer judges the header fields themselves
        }
        const std::string_view name = field.substr(0, colon);
        const std::string_view value = field.substr(colon + 1);
        if (text::EqualsNoCase(name, "connection")) {
            close = close || HasToken(value, "close");
            keepAlive = keepAlive || HasToken(value, "keep-alive");
            upgrade = upgrade || HasToken(value, "upgrade");
        } else if (text::EqualsNoCase(name, "upgrade")) {
            upgrade = true;
        }
    }
    if (upgrade) {
        return Verdict::Upgrade;
    }
    m_close = close || (version == "HTTP/1.0" && !keepAlive);
    return Verdict::Reading;
}

}  // namespace hublane::directory
