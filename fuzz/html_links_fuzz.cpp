// Fuzz target: the link targets of a page and the resolution of references. The targets of a page
// come out the same every time; against an absolute page address each one is absolute, holds no
// tab or line break, and resolving it again leaves it unchanged; the client's link cutting takes
// each one safely. A reference resolved against an absolute address has no dot segments left, and
// an absolute reference resolves to itself. The estimates that keep hostile pages from the parser
// hold for what it builds: no element with more attributes than counted, no nesting past twice
// the estimate (the parser adds a body, and a row group and a row for each table; svg and math
// follow rules of their own).
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <gumbo.h>

#include "FuzzCheck.h"
#include "exchange/HtmlLinks.h"
#include "exchange/PageShape.h"
#include "exchange/WebFormats.h"

using hublane::exchange::LinkTargets;
using hublane::exchange::ResolveReference;

namespace {

using hublane::fuzz::Check;

bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= 0x20;
}

bool IsAlpha(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// The length of the scheme a reference starts with ("http" of "http://x"), or 0.
std::size_t SchemeLength(std::string_view ref) {
    if (ref.empty() || !IsAlpha(ref[0])) {
        return 0;
    }
    for (std::size_t i = 1; i < ref.size(); ++i) {
        const char c = ref[i];
        if (c == ':') {
            return i;
        }
        if (!IsAlpha(c) && !(c >= '0' && c <= '9') && c != '+' && c != '-' && c != '.') {
            return 0;
        }
    }
    return 0;
}

// The path of an absolute URL as the resolver writes it: after the scheme and the authority,
// up to the query or the fragment.
std::string_view PathOf(std::string_view url) {
    url.remove_prefix(SchemeLength(url) + 1);
    url = url.substr(0, url.find_first_of("?#"));
    if (url.substr(0, 2) == "//") {
        const std::size_t slash = url.find('/', 2);
        url = slash == std::string_view::npos ? std::string_view() : url.substr(slash);
    }
    return url;
}

bool HasDotSegment(std::string_view path) {
    std::size_t start = 0;
    for (;;) {
        const std::size_t slash = path.find('/', start);
        const std::string_view segment =
            path.substr(start, slash == std::string_view::npos ? path.npos : slash - start);
        if (segment == "." || segment == "..") {
            return true;
        }
        if (slash == std::string_view::npos) {
            return false;
        }
        start = slash + 1;
    }
}

// Absolute page addresses with clean paths, as the program loads them.
constexpr std::string_view kPages[] = {
    "http://dir.example/liste.php",        "http://dir.example",
    "http://dir.example/a/b/?q=1#top",     "https://198.51.100.7:8080/sub/listeHBL.php",
    "ed2k://|server|198.51.100.20|4661|/",
};

// What the client does with a target: cut a server link out of it, or a peer.
void UseTarget(const std::string& target) {
    if (const auto server = hublane::exchange::CutServerLink(target)) {
        Check(server->address.find('|') == std::string::npos && server->port.find('|') == std::string::npos);
    }
    if (const auto peer = hublane::exchange::PeerOfLink(target)) {
        Check(peer->find('/') == std::string::npos && peer->size() < target.size());
    }
}

// The deepest element and the most attributes of an element in the tree the parser builds.
void CheckPageShape(std::string_view html) {
    GumboOptions options = kGumboDefaultOptions;
    options.max_errors = 0;
    GumboOutput* output = gumbo_parse_with_options(&options, html.data(), html.size());
    if (output == nullptr) {
        return;
    }
    std::size_t deepest = 0;
    std::size_t attributes = 0;
    std::vector<std::pair<const GumboNode*, std::size_t>> stack{{output->root, 1}};
    while (!stack.empty()) {
        const auto [node, depth] = stack.back();
        stack.pop_back();
        if (node->type != GUMBO_NODE_ELEMENT && node->type != GUMBO_NODE_TEMPLATE) {
            continue;
        }
        deepest = std::max(deepest, depth);
        attributes = std::max<std::size_t>(attributes, node->v.element.attributes.length);
        for (unsigned i = 0; i < node->v.element.children.length; ++i) {
            stack.emplace_back(static_cast<const GumboNode*>(node->v.element.children.data[i]), depth + 1);
        }
    }
    gumbo_destroy_output(&options, output);

    constexpr std::size_t kNoLimit = std::size_t{1} << 40;
    Check(attributes <= hublane::exchange::MostAttributes(html, kNoLimit));
    std::string lower(html);
    for (char& c : lower) {
        c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    if (lower.find("<svg") == std::string::npos && lower.find("<math") == std::string::npos) {
        Check(deepest <= 2 * hublane::exchange::EstimatedNesting(html, kNoLimit) + 8);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    if (input.empty()) {
        return 0;
    }
    const auto mode = static_cast<std::uint8_t>(input[0]);
    input.remove_prefix(1);

    // The page address: a fixed absolute one, or the first line of the input.
    std::string page;
    const bool absolutePage = (mode & 1) == 0;
    if (absolutePage) {
        page = std::string(kPages[(mode >> 1) % std::size(kPages)]);
    } else {
        const std::size_t eol = input.find('\n');
        page = std::string(input.substr(0, eol));
        input.remove_prefix(eol == std::string_view::npos ? input.size() : eol + 1);
    }

    CheckPageShape(input);
    const std::vector<std::string> targets = LinkTargets(input, page);
    Check(LinkTargets(input, page) == targets);
    for (const std::string& target : targets) {
        UseTarget(target);
        if (!absolutePage) {
            continue;
        }
        // (A blank may end one: a base's query or fragment keeps its spaces, which a browser would
        // write as %20.)
        Check(!target.empty() && !IsBlank(target.front()) &&
              target.find_first_of("\t\n\r") == std::string::npos);
        Check(SchemeLength(target) > 0);
        Check(ResolveReference(page, target) == target);
    }

    // Each line of the input as a reference of its own against the page.
    std::size_t lines = 0;
    for (std::size_t start = 0; start < input.size() && lines < 64; ++lines) {
        const std::size_t eol = input.find('\n', start);
        const std::string_view line =
            input.substr(start, eol == std::string_view::npos ? input.npos : eol - start);
        start = eol == std::string_view::npos ? input.size() : eol + 1;

        const std::string resolved = ResolveReference(page, line);
        Check(ResolveReference(page, line) == resolved);
        if (SchemeLength(line) > 0) {
            Check(resolved == line);
            continue;
        }
        if (absolutePage) {
            Check(SchemeLength(resolved) > 0 && ResolveReference(page, resolved) == resolved);
            Check(!HasDotSegment(PathOf(resolved)));
        }
    }
    return 0;
}
