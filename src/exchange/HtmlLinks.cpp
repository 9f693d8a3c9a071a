// The link targets of an HTML page in document order, parsed with gumbo.
#include "exchange/HtmlLinks.h"

#include <gumbo.h>

#include <cctype>
#include <optional>

#include "exchange/PageShape.h"
#include "text/Ascii.h"

namespace hublane::exchange {
namespace {

// A page far larger than any directory page is cut here before it is parsed.
constexpr std::size_t kMaxPageBytes = 8 * 1024 * 1024;
// The HTML5 tree builder takes time that grows with the square of the nesting depth (20,000
// nested elements cost seconds), and its tokenizer with the square of the attributes of one tag
// (each new one is compared with all before it: 40,000 cost seconds): a page nested deeper, or
// with a tag carrying more attributes, than any list page is not parsed at all.
constexpr std::size_t kMaxNesting = 2000;
constexpr std::size_t kMaxAttributes = 64;

struct Url {
    std::optional<std::string> scheme;
    std::optional<std::string> authority;
    std::string path;
    std::optional<std::string> query;
    std::optional<std::string> fragment;
};

bool IsSchemeChar(char c, bool first) {
    const auto u = static_cast<unsigned char>(c);
    return std::isalpha(u) != 0 || (!first && (std::isdigit(u) != 0 || c == '+' || c == '-' || c == '.'));
}

// The scheme of a reference ("http" of "http://x"), if it starts with one.
std::optional<std::string> SchemeOf(std::string_view ref) {
    for (std::size_t i = 0; i < ref.size(); ++i) {
        if (ref[i] == ':') {
            return i > 0 ? std::optional(std::string(ref.substr(0, i))) : std::nullopt;
        }
        if (!IsSchemeChar(ref[i], i == 0)) {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

Url Split(std::string_view ref) {
    Url u;
    if (auto scheme = SchemeOf(ref)) {
        ref.remove_prefix(scheme->size() + 1);
        u.scheme = std::move(scheme);
    }
    if (const std::size_t hash = ref.find('#'); hash != std::string_view::npos) {
        u.fragment = std::string(ref.substr(hash + 1));
        ref = ref.substr(0, hash);
    }
    if (const std::size_t q = ref.find('?'); q != std::string_view::npos) {
        u.query = std::string(ref.substr(q + 1));
        ref = ref.substr(0, q);
    }
    if (ref.substr(0, 2) == "//") {
        const std::size_t slash = ref.find('/', 2);
        u.authority = std::string(ref.substr(2, slash == std::string_view::npos ? ref.npos : slash - 2));
        ref = slash == std::string_view::npos ? std::string_view() : ref.substr(slash);
    }
    u.path = std::string(ref);
    return u;
}

// RFC 3986, 5.2.4.
std::string RemoveDotSegments(std::string input) {
    std::string output;
    while (!input.empty()) {
        if (input.rfind("../", 0) == 0) {
            input.erase(0, 3);
        } else if (input.rfind("./", 0) == 0) {
            input.erase(0, 2);
        } else if (input.rfind("/./", 0) == 0) {
            input.replace(0, 3, "/");
        } else if (input == "/.") {
            input = "/";
        } else if (input.rfind("/../", 0) == 0 || input == "/..") {
            input = input == "/.." ? std::string("/") : input.substr(3);
            const std::size_t last = output.rfind('/');
            output.erase(last == std::string::npos ? 0 : last);
        } else if (input == "." || input == "..") {
            input.clear();
        } else {
            const std::size_t next = input.find('/', input[0] == '/' ? 1 : 0);
            output += input.substr(0, next);
            input.erase(0, next == std::string::npos ? input.size() : next);
        }
    }
    return output;
}

std::string Join(const Url& u) {
    std::string out;
    if (u.scheme) {
        out += *u.scheme + ":";
    }
    if (u.authority) {
        out += "//" + *u.authority;
    }
    out += u.path;
    if (u.query) {
        out += "?" + *u.query;
    }
    if (u.fragment) {
        out += "#" + *u.fragment;
    }
    return out;
}

// An attribute value as a browser's URL parser takes it: without the blanks and control
// characters around it, and without any tab or line break inside (a link wrapped over two lines
// is one link).
std::string UrlText(std::string_view value) {
    std::string out;
    for (const char c : text::TrimControlsAndSpaces(value)) {
        if (c != '\t' && c != '\n' && c != '\r') {
            out.push_back(c);
        }
    }
    return out;
}

// Every <a href> and <area href> below node, in document order, and the first <base href>.
void Walk(const GumboNode* node, std::vector<std::string>& hrefs, std::optional<std::string>& base) {
    // Iterative, so that a page nested thousands of levels deep cannot exhaust the stack.
    std::vector<const GumboNode*> stack{node};
    while (!stack.empty()) {
        const GumboNode* n = stack.back();
        stack.pop_back();
        if (n->type != GUMBO_NODE_ELEMENT && n->type != GUMBO_NODE_TEMPLATE) {
            continue;
        }
        const GumboElement& e = n->v.element;
        if (e.tag == GUMBO_TAG_A || e.tag == GUMBO_TAG_AREA || (e.tag == GUMBO_TAG_BASE && !base)) {
            if (const GumboAttribute* href = gumbo_get_attribute(&e.attributes, "href")) {
                if (e.tag == GUMBO_TAG_BASE) {
                    base = UrlText(href->value);
                } else {
                    hrefs.push_back(UrlText(href->value));
                }
            }
        }
        for (unsigned i = e.children.length; i > 0; --i) {
            stack.push_back(static_cast<const GumboNode*>(e.children.data[i - 1]));
        }
    }
}

}  // namespace

std::string ResolveReference(std::string_view base, std::string_view reference) {
    if (SchemeOf(reference)) {
        return std::string(reference);
    }
    const Url b = Split(base);
    const Url r = Split(reference);
    Url t;
    t.scheme = b.scheme;
    t.fragment = r.fragment;
    if (r.authority) {
        t.authority = r.authority;
        t.path = RemoveDotSegments(r.path);
        t.query = r.query;
    } else {
        t.authority = b.authority;
        if (r.path.empty()) {
            t.path = b.path;
            t.query = r.query ? r.query : b.query;
        } else {
            if (r.path[0] == '/') {
                t.path = RemoveDotSegments(r.path);
            } else if (b.authority && b.path.empty()) {
                t.path = RemoveDotSegments("/" + r.path);
            } else {
                const std::size_t slash = b.path.rfind('/');
                t.path = RemoveDotSegments(
                    (slash == std::string::npos ? std::string() : b.path.substr(0, slash + 1)) + r.path);
            }
            t.query = r.query;
        }
    }
    // A browser serialises an empty path of a URL with an authority as "/".
    if (t.authority && t.path.empty()) {
        t.path = "/";
    }
    return Join(t);
}

std::vector<std::string> LinkTargets(std::string_view html, std::string_view pageUrl) {
    html = html.substr(0, kMaxPageBytes);
    if (EstimatedNesting(html, kMaxNesting) > kMaxNesting ||
        MostAttributes(html, kMaxAttributes) > kMaxAttributes) {
        return {};
    }
    // The parse errors are never read; kept, they cost memory for each (1.4 GB for 8 MB of zero
    // bytes).
    GumboOptions options = kGumboDefaultOptions;
    options.max_errors = 0;
    GumboOutput* output = gumbo_parse_with_options(&options, html.data(), html.size());
    std::vector<std::string> hrefs;
    std::optional<std::string> base;
    if (output != nullptr) {
        Walk(output->root, hrefs, base);
        gumbo_destroy_output(&options, output);
    }
    const std::string documentBase = base ? ResolveReference(pageUrl, *base) : std::string(pageUrl);
    for (std::string& href : hrefs) {
        href = ResolveReference(documentBase, href);
    }
    return hrefs;
}

}  // namespace hublane::exchange
