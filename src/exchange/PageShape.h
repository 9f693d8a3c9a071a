// A look at a page's markup in one pass, before it is parsed: how deep its elements
// can nest and how many attributes one of its elements can carry, both estimated from above, so that a
// page that would keep the HTML parser busy for minutes is turned away first.
#pragma once

#include <cstddef>
#include <string_view>

namespace hublane::exchange {

/// How deep the page's elements can nest, estimated from above in one pass over its tags, read as
/// an HTML5 tokenizer reads them (quoted attribute values, comments, the text of script, style,
/// title, textarea and their kin). A start tag opens a level unless it is void ("/>" closes
/// nothing in HTML). An end tag closes the element it names only when that element is open and
/// the elements above it are ones the end tag closes too (no div, li, table...); an end tag that
/// closes nothing (a misspelt name, one that was never opened) lowers nothing. Formatting elements
/// closed on the way (b, i, a...) still count, since the parser may open them again. Stops as
/// soon as the estimate passes limit and then returns more than limit.
/// Markup inside svg and math follows other rules, which this estimate does not follow.
std::size_t EstimatedNesting(std::string_view html, std::size_t limit);

/// The most attributes an element of the page can end up with: those of one tag, or those the
/// html (or the body) element gathers from all its start tags. Every place a tag could start ("<"
/// and a letter, or "</" and a letter) is followed as far as that tag would run, whatever comes
/// before it, so the parser's count is never higher. Stops as soon as the count passes limit.
std::size_t MostAttributes(std::string_view html, std::size_t limit);

}  // namespace hublane::exchange
