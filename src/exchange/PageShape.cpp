// A page's nesting and the attributes of its tags, estimated from above in one pass.
#include "exchange/PageShape.h"
#include "text/Ascii.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <iterator>
#include <string>
#include <unordered_map>
#include <vector>

namespace hublane::exchange {
namespace {

bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

template <std::size_t N>
bool IsOneOf(std::string_view name, const std::string_view (&names)[N]) {
    return std::find(std::begin(names), std::end(names), name) != std::end(names);
}

// Elements that never hold others (the parser closes them at once).
constexpr std::string_view kVoid[] = {
    "area", "base",  "basefont", "bgsound", "br",   "col",   "embed",  "frame", "hr",  "image",
    "img",  "input", "keygen",   "link",    "meta", "param", "source", "track", "wbr",
};
// Elements whose text runs to their own end tag, with no tags inside.
constexpr std::string_view kRawText[] = {"iframe",   "noembed", "noframes", "style",
                                         "textarea", "title",   "xmp"};
// Elements an end tag for another element does not close its way past.
// clang-format off
constexpr std::string_view kSpecial[] = {
    "address", "applet", "area", "article", "aside", "base", "basefont", "bgsound", "blockquote", "body",
    "br", "button", "caption", "center", "col", "colgroup", "dd", "details", "dir", "div", "dl", "dt",
    "embed", "fieldset", "figcaption", "figure", "footer", "form", "frame", "frameset", "h1", "h2", "h3",
    "h4", "h5", "h6", "head", "header", "hgroup", "hr", "html", "iframe", "img", "input", "keygen", "li",
    "link", "listing", "main", "marquee", "menu", "meta", "nav", "noembed", "noframes", "noscript",
    "object", "ol", "p", "param", "plaintext", "pre", "script", "search", "section", "select", "source",
    "style", "summary", "table", "tbody", "td", "template", "textarea", "tfoot", "th", "thead", "title",
    "tr", "track", "ul", "wbr", "xmp", "mi", "mo", "mn", "ms", "mtext", "annotation-xml", "foreignobject",
    "desc",
};
// clang-format on
// Elements the parser opens again after an end tag for another element closed them.
constexpr std::string_view kFormatting[] = {"a",    "b", "big",   "code",   "em",     "font", "i",
                                            "nobr", "s", "small", "strike", "strong", "tt",   "u"};

// The tokenizer's states from "<" to the ">" that ends a tag.
enum class TagState : std::uint8_t {
    Open,     // after "<"
    EndOpen,  // after "</"
    Name,
    BeforeAttribute,
    AttributeName,
    AfterAttributeName,
    BeforeValue,
    DoubleQuoted,
    SingleQuoted,
    Unquoted,
    AfterQuoted,
    SelfClosing,
};
constexpr std::size_t kTagStates = 12;

enum class Step { Going, Ended, Dropped };

// One character of a tag: attributes counts the attributes begun, selfClosing is set when "/>"
// ends the tag. Dropped when what follows "<" or "</" cannot begin a tag name.
Step Feed(TagState& state, char c, std::size_t& attributes, bool& selfClosing) {
    for (;;) {
        switch (state) {
            case TagState::Open:
                if (IsLetter(c)) {
                    state = TagState::Name;
                    return Step::Going;
                }
                if (c == '/') {
                    state = TagState::EndOpen;
                    return Step::Going;
                }
                return Step::Dropped;
            case TagState::EndOpen:
                if (IsLetter(c)) {
                    state = TagState::Name;
                    return Step::Going;
                }
                return Step::Dropped;
            case TagState::Name:
                if (text::IsOneOf(c, text::kHtmlSpace)) {
                    state = TagState::BeforeAttribute;
                } else if (c == '/') {
                    state = TagState::SelfClosing;
                } else if (c == '>') {
                    return Step::Ended;
                }
                return Step::Going;
            case TagState::BeforeAttribute:
                if (text::IsOneOf(c, text::kHtmlSpace)) {
                    return Step::Going;
                }
                if (c == '/' || c == '>') {
                    state = TagState::AfterAttributeName;
                    continue;
                }
                ++attributes;  // "=" too begins a name here
                state = TagState::AttributeName;
                return Step::Going;
            case TagState::AttributeName:
                if (text::IsOneOf(c, text::kHtmlSpace) || c == '/' || c == '>') {
                    state = TagState::AfterAttributeName;
                    continue;
                }
                if (c == '=') {
                    state = TagState::BeforeValue;
                }
                return Step::Going;
            case TagState::AfterAttributeName:
                if (text::IsOneOf(c, text::kHtmlSpace)) {
                    return Step::Going;
                }
                if (c == '/') {
                    state = TagState::SelfClosing;
                } else if (c == '=') {
                    state = TagState::BeforeValue;
                } else if (c == '>') {
                    return Step::Ended;
                } else {
                    ++attributes;
                    state = TagState::AttributeName;
                }
                return Step::Going;
            case TagState::BeforeValue:
                if (text::IsOneOf(c, text::kHtmlSpace)) {
                    return Step::Going;
                }
                if (c == '"') {
                    state = TagState::DoubleQuoted;
                    return Step::Going;
                }
                if (c == '\'') {
                    state = TagState::SingleQuoted;
                    return Step::Going;
                }
                if (c == '>') {
                    return Step::Ended;
                }
                state = TagState::Unquoted;
                continue;
            case TagState::DoubleQuoted:
            case TagState::SingleQuoted:
                if (c == (state == TagState::DoubleQuoted ? '"' : '\'')) {
                    state = TagState::AfterQuoted;
                }
                return Step::Going;
            case TagState::Unquoted:
                if (text::IsOneOf(c, text::kHtmlSpace)) {
                    state = TagState::BeforeAttribute;
                } else if (c == '>') {
                    return Step::Ended;
                }
                return Step::Going;
            case TagState::AfterQuoted:
                if (text::IsOneOf(c, text::kHtmlSpace)) {
                    state = TagState::BeforeAttribute;
                    return Step::Going;
                }
                if (c == '/') {
                    state = TagState::SelfClosing;
                    return Step::Going;
                }
                if (c == '>') {
                    return Step::Ended;
                }
                state = TagState::BeforeAttribute;
                continue;
            case TagState::SelfClosing:
                if (c == '>') {
                    selfClosing = true;
                    return Step::Ended;
                }
                state = TagState::BeforeAttribute;
                continue;
        }
    }
}

// How far a tag's name has gone towards "html" or "body": start tags of those two give their
// attributes to one element, however many there are.
enum class NameProgress : std::uint8_t { Start, H, Ht, Htm, Html, B, Bo, Bod, Body, Other };
constexpr std::size_t kNameProgresses = 10;

NameProgress NextProgress(NameProgress progress, char c) {
    switch (progress) {
        case NameProgress::Start:
            return text::Lower(c) == 'h'   ? NameProgress::H
                   : text::Lower(c) == 'b' ? NameProgress::B
                                           : NameProgress::Other;
        case NameProgress::H:
            return text::Lower(c) == 't' ? NameProgress::Ht : NameProgress::Other;
        case NameProgress::Ht:
            return text::Lower(c) == 'm' ? NameProgress::Htm : NameProgress::Other;
        case NameProgress::Htm:
            return text::Lower(c) == 'l' ? NameProgress::Html : NameProgress::Other;
        case NameProgress::B:
            return text::Lower(c) == 'o' ? NameProgress::Bo : NameProgress::Other;
        case NameProgress::Bo:
            return text::Lower(c) == 'd' ? NameProgress::Bod : NameProgress::Other;
        case NameProgress::Bod:
            return text::Lower(c) == 'y' ? NameProgress::Body : NameProgress::Other;
        default:
            return NameProgress::Other;
    }
}

struct Tag {
    std::string name;  // lower case
    std::size_t end = 0;
    bool complete = false;  // false when the page ends inside it: the parser drops it
};

// The tag whose name starts at from (its first letter), to just past its ">".
Tag ReadTag(std::string_view html, std::size_t from) {
    Tag tag;
    TagState state = TagState::Name;
    std::size_t attributes = 0;
    bool selfClosing = false;
    for (std::size_t j = from; j < html.size(); ++j) {
        const char c = html[j];
        if (state == TagState::Name && !text::IsOneOf(c, text::kHtmlSpace) && c != '/' && c != '>') {
            tag.name.push_back(text::Lower(c));
        }
        if (Feed(state, c, attributes, selfClosing) == Step::Ended) {
            tag.end = j + 1;
            tag.complete = true;
            return tag;
        }
    }
    tag.end = html.size();
    return tag;
}

// Whether text starts with "<" (or "</") and name in any letter case, followed by what ends a
// tag name.
bool TagNamed(std::string_view text, std::string_view name, bool end) {
    const std::size_t at = end ? 2 : 1;
    if (text.size() <= at + name.size() || text[0] != '<' || (end && text[1] != '/')) {
        return false;
    }
    for (std::size_t k = 0; k < name.size(); ++k) {
        if (text::Lower(text[at + k]) != name[k]) {
            return false;
        }
    }
    const char after = text[at + name.size()];
    return text::IsOneOf(after, text::kHtmlSpace) || after == '/' || after == '>';
}

// Past the comment whose text starts at from (after "<!--").
std::size_t CommentEnd(std::string_view html, std::size_t from) {
    if (html.substr(from, 1) == ">") {
        return from + 1;
    }
    if (html.substr(from, 2) == "->") {
        return from + 2;
    }
    for (std::size_t j = html.find("--", from); j != std::string_view::npos; j = html.find("--", j + 1)) {
        if (html.substr(j + 2, 1) == ">") {
            return j + 3;
        }
        if (html.substr(j + 2, 2) == "!>") {
            return j + 4;
        }
    }
    return html.size();
}

// Where the text of a raw text element ends: at its own end tag (left for the caller to read).
std::size_t RawTextEnd(std::string_view html, std::size_t from, std::string_view name) {
    for (std::size_t j = html.find("</", from); j != std::string_view::npos; j = html.find("</", j + 1)) {
        if (TagNamed(html.substr(j), name, true)) {
            return j;
        }
    }
    return html.size();
}

// The same for a script, whose text may hold "<!--" ... "-->" sections inside which
// "<script>...</script>" does not end it.
std::size_t ScriptEnd(std::string_view html, std::size_t from) {
    enum class Mode { Data, Escaped, DoubleEscaped } mode = Mode::Data;
    std::size_t dashes = 0;
    for (std::size_t j = from; j < html.size(); ++j) {
        const char c = html[j];
        if (c == '-') {
            ++dashes;
            continue;
        }
        const bool closesSection = c == '>' && dashes >= 2 && mode != Mode::Data;
        dashes = 0;
        if (closesSection) {
            mode = Mode::Data;
            continue;
        }
        if (c != '<') {
            continue;
        }
        const std::string_view rest = html.substr(j);
        if (TagNamed(rest, "script", true)) {
            if (mode != Mode::DoubleEscaped) {
                return j;
            }
            mode = Mode::Escaped;
            j += 7;
        } else if (mode == Mode::Data && rest.substr(0, 4) == "<!--") {
            mode = Mode::Escaped;
            dashes = 2;
            j += 3;
        } else if (mode == Mode::Escaped && TagNamed(rest, "script", false)) {
            mode = Mode::DoubleEscaped;
            j += 6;
        }
    }
    return html.size();
}

// The elements the estimate holds open, with the positions of each name and of the special ones,
// so that an end tag finds what it closes without a walk down the stack.
class OpenElements {
  public:
    std::size_t Count() const { return m_names.size(); }

    void Push(std::string name) {
        if (IsOneOf(name, kSpecial)) {
            m_specials.push_back(m_names.size());
        }
        m_positions[name].push_back(m_names.size());
        m_names.push_back(std::move(name));
    }

    // Closes what an end tag for name closes; formatting elements closed on its way are added to
    // reopenable.
    void Close(const std::string& name, std::size_t& reopenable) {
        // The parser never closes these with their end tag, or closes only the element itself.
        if (name == "html" || name == "head" || name == "body") {
            return;
        }
        const auto it = m_positions.find(name);
        if (it == m_positions.end() || it->second.empty()) {
            return;
        }
        const std::size_t at = it->second.back();
        if ((name == "form" || name == "template") && at + 1 != m_names.size()) {
            return;
        }
        if (!m_specials.empty() && m_specials.back() > at) {
            return;
        }
        while (m_names.size() > at + 1) {
            if (IsOneOf(m_names.back(), kFormatting)) {
                ++reopenable;
            }
            Pop();
        }
        Pop();
    }

  private:
    void Pop() {
        const std::size_t at = m_names.size() - 1;
        auto& positions = m_positions[m_names.back()];
        positions.pop_back();
        if (positions.empty()) {
            m_positions.erase(m_names.back());
        }
        if (!m_specials.empty() && m_specials.back() == at) {
            m_specials.pop_back();
        }
        m_names.pop_back();
    }

    std::vector<std::string> m_names;
    std::unordered_map<std::string, std::vector<std::size_t>> m_positions;
    std::vector<std::size_t> m_specials;
};

}  // namespace

std::size_t EstimatedNesting(std::string_view html, std::size_t limit) {
    OpenElements open;
    std::size_t reopenable = 0;
    std::size_t deepest = 0;
    std::size_t i = 0;
    while (i < html.size()) {
        i = html.find('<', i);
        if (i == std::string_view::npos) {
            break;
        }
        const std::string_view rest = html.substr(i);
        if (rest.substr(0, 4) == "<!--") {
            i = CommentEnd(html, i + 4);
        } else if (rest.substr(0, 2) == "<!" || rest.substr(0, 2) == "<?") {
            // A doctype, or a bogus comment: to the next ">".
            const std::size_t close = html.find('>', i + 2);
            i = close == std::string_view::npos ? html.size() : close + 1;
        } else if (rest.size() > 2 && rest[1] == '/' && IsLetter(rest[2])) {
            const Tag tag = ReadTag(html, i + 2);
            i = tag.end;
            if (tag.complete) {
                open.Close(tag.name, reopenable);
            }
        } else if (rest.size() > 2 && rest[1] == '/') {
            // "</>" is dropped; "</" and anything else but a letter is a bogus comment.
            const std::size_t close = html.find('>', i + 2);
            i = close == std::string_view::npos ? html.size() : close + 1;
        } else if (rest.size() > 1 && IsLetter(rest[1])) {
            Tag tag = ReadTag(html, i + 1);
            i = tag.end;
            if (!tag.complete || IsOneOf(tag.name, kVoid)) {
                continue;
            }
            const std::string name = tag.name;
            open.Push(std::move(tag.name));
            deepest = std::max(deepest, open.Count() + reopenable);
            if (deepest > limit || name == "plaintext") {
                return deepest;  // past plaintext the page is text: it nests no deeper
            }
            if (name == "script") {
                i = ScriptEnd(html, i);
            } else if (IsOneOf(name, kRawText)) {
                i = RawTextEnd(html, i, name);
            }
        } else {
            ++i;
        }
    }
    return deepest;
}

std::size_t MostAttributes(std::string_view html, std::size_t limit) {
    // Every tag that could be under way, merged by tokenizer state and by what its name can still
    // become: tags alike in both read the same characters from here on, so only the one with the
    // most attributes need be kept. The slots in use are listed, so a character costs as many
    // steps as there are tags under way (none in text).
    constexpr std::size_t kSlots = kTagStates * kNameProgresses;
    std::array<std::size_t, kSlots> counts{};
    std::array<std::size_t, kSlots> nextCounts{};
    std::array<bool, kSlots> taken{};
    std::vector<std::size_t> slots;
    std::vector<std::size_t> nextSlots;
    std::size_t most = 0;
    // Attributes gathered by the html and the body element from all their start tags.
    std::size_t htmlTotal = 0;
    std::size_t bodyTotal = 0;
    const auto keep = [&](std::size_t slot, std::size_t attributes) {
        if (!taken[slot]) {
            taken[slot] = true;
            nextCounts[slot] = attributes;
            nextSlots.push_back(slot);
        } else {
            nextCounts[slot] = std::max(nextCounts[slot], attributes);
        }
    };
    for (const char c : html) {
        if (slots.empty() && c != '<') {
            continue;
        }
        for (const std::size_t slot : slots) {
            auto state = static_cast<TagState>(slot / kNameProgresses);
            auto progress = static_cast<NameProgress>(slot % kNameProgresses);
            if (state == TagState::Open && IsLetter(c)) {
                progress = NextProgress(NameProgress::Start, c);
            } else if (state == TagState::EndOpen) {
                progress = NameProgress::Other;  // an end tag gives no element anything
            } else if (state == TagState::Name && !text::IsOneOf(c, text::kHtmlSpace) && c != '/' &&
                       c != '>') {
                progress = NextProgress(progress, c);
            }
            std::size_t attributes = counts[slot];
            bool selfClosing = false;
            const Step step = Feed(state, c, attributes, selfClosing);
            if (step == Step::Going) {
                keep(static_cast<std::size_t>(state) * kNameProgresses + static_cast<std::size_t>(progress),
                     attributes);
            } else if (step == Step::Ended && progress == NameProgress::Html) {
                htmlTotal += attributes;
            } else if (step == Step::Ended && progress == NameProgress::Body) {
                bodyTotal += attributes;
            }
            most = std::max({most, attributes, htmlTotal, bodyTotal});
        }
        if (most > limit) {
            return most;
        }
        if (c == '<') {
            keep(static_cast<std::size_t>(TagState::Open) * kNameProgresses, 0);
        }
        slots.swap(nextSlots);
        nextSlots.clear();
        for (const std::size_t slot : slots) {
            counts[slot] = nextCounts[slot];
            taken[slot] = false;
        }
    }
    return most;
}

}  // namespace hublane::exchange
