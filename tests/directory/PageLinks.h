// Test helper: a page read by an HTML5 parser (gumbo) as a browser reads it: its link targets and
// texts in document order, and how many parse errors it raised.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace hublane::test {

struct PageLinks {
    std::vector<std::string> targets;  // href of every a and area element, in document order
    std::vector<std::string> texts;    // the text inside each a element (UTF-8)
    int parseErrors = 0;
    std::string title;
};

PageLinks ReadPageLinks(std::string_view html);

}  // namespace hublane::test
