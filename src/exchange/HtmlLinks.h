// The link targets of an HTML page in document order, as a browser's links
// collection gives them: <a href> and <area href>, each resolved against the page's address.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace hublane::exchange {

/// The targets of the page's <a> and <area> elements that carry an href, in document order,
/// parsed as an HTML5 parser does (broken markup included). A target with a scheme ("ed2k:",
/// "http:") stays as written; any other is resolved against the document's base (its <base href>,
/// else pageUrl) as a browser's href property gives it. Leading and trailing blanks are dropped,
/// and tabs and line breaks inside.
/// A page nested thousands of elements deep, or with an element of more than 64 attributes
/// (either would take the parser minutes), gives none.
std::vector<std::string> LinkTargets(std::string_view html, std::string_view pageUrl);

/// Resolves a reference against an absolute base URL (RFC 3986, section 5.2: the authority, path,
/// query and fragment rules, with dot segments removed). A reference with a scheme is returned as
/// it is.
std::string ResolveReference(std::string_view base, std::string_view reference);

}  // namespace hublane::exchange
