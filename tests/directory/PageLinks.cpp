// Test helper: a page read by an HTML5 parser (gumbo) as a browser reads it.
#include "PageLinks.h"

#include <gumbo.h>

namespace hublane::test {
namespace {

void AppendText(const GumboNode* node, std::string& out) {
    if (node->type == GUMBO_NODE_TEXT || node->type == GUMBO_NODE_WHITESPACE) {
        out += node->v.text.text;
        return;
    }
    if (node->type != GUMBO_NODE_ELEMENT) {
        return;
    }
    const GumboVector& children = node->v.element.children;
    for (unsigned i = 0; i < children.length; ++i) {
        AppendText(static_cast<const GumboNode*>(children.data[i]), out);
    }
}

void Walk(const GumboNode* node, PageLinks& links) {
    if (node->type != GUMBO_NODE_ELEMENT) {
        return;
    }
    const GumboElement& element = node->v.element;
    if (element.tag == GUMBO_TAG_A || element.tag == GUMBO_TAG_AREA) {
        if (const GumboAttribute* href = gumbo_get_attribute(&element.attributes, "href")) {
            links.targets.emplace_back(href->value);
            if (element.tag == GUMBO_TAG_A) {
                std::string text;
                AppendText(node, text);
                links.texts.push_back(std::move(text));
            }
        }
    }
    if (element.tag == GUMBO_TAG_TITLE) {
        AppendText(node, links.title);
    }
    for (unsigned i = 0; i < element.children.length; ++i) {
        Walk(static_cast<const GumboNode*>(element.children.data[i]), links);
    }
}

}  // namespace

PageLinks ReadPageLinks(std::string_view html) {
    PageLinks links;
    GumboOutput* output = gumbo_parse_with_options(&kGumboDefaultOptions, html.data(), html.size());
    links.parseErrors = static_cast<int>(output->errors.length);
    Walk(output->root, links);
    gumbo_destroy_output(&kGumboDefaultOptions, output);
    return links;
}

}  // namespace hublane::test
