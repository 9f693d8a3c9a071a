// ASCII helpers the readers of outside text share.
#include "text/Ascii.h"

#include <algorithm>

namespace hublane::text {

std::string_view TrimLeft(std::string_view s, std::string_view blanks) {
    while (!s.empty() && IsOneOf(s.front(), blanks)) {
        s.remove_prefix(1);
    }
    return s;
}

std::string_view TrimRight(std::string_view s, std::string_view blanks) {
    while (!s.empty() && IsOneOf(s.back(), blanks)) {
        s.remove_suffix(1);
    }
    return s;
}

std::string_view Trim(std::string_view s, std::string_view blanks) {
    return TrimRight(TrimLeft(s, blanks), blanks);
}

std::string_view TrimControlsAndSpaces(std::string_view s) {
    while (!s.empty() && IsControlOrSpace(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && IsControlOrSpace(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

std::string Lower(std::string_view s) {
    std::string lower(s);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) { return Lower(c); });
    return lower;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Lower(x) == Lower(y); });
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

}  // namespace hublane::text
