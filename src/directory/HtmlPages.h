// The directory's pages as bytes: the HTML5 lists of servers and of copies, with
// every text escaped, and the texts shown for server names.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace hublane::directory {

/// One server of the list page; name and description hold the bytes the server gave, possibly
/// none.
struct ListedServer {
    std::string address;
    std::uint16_t port = 0;
    std::string name;
    std::string description = {};
    bool operator==(const ListedServer&) const = default;
};

/// The most servers liste.php shows, and the most copies listeHBL.php shows.
inline constexpr std::size_t kMaxListedServers = 1000;
inline constexpr std::size_t kMaxListedCopies = 500;
/// The most characters of a server name shown as a link text.
inline constexpr std::size_t kMaxShownNameChars = 120;

/// Text escaped for HTML element content and quoted attribute values: & < > " ' become
/// character references.
std::string EscapeHtml(std::string_view text);

/// The UTF-8 text shown for a server name: the bytes as they are when they are valid UTF-8, else
/// read as Windows-1252; control characters and noncharacters left out, runs of white space made
/// one space, cut at maxChars characters.
std::string ShownName(std::string_view bytes, std::size_t maxChars = kMaxShownNameChars);

/// The first maxBytes bytes of a name, as it is stored; a UTF-8 name is never cut inside a
/// character (its shown text would otherwise be read as Windows-1252).
std::string CutName(std::string_view bytes, std::size_t maxBytes);

/// "ed2k://|server|ADDRESS|PORT|/".
std::string ServerLink(std::string_view address, std::uint16_t port);
/// "http://ADDRESS/".
std::string CopyLink(std::string_view address);

/// liste.php: one link per server in the order given (at most kMaxListedServers), its shown name
/// as the link text, or ADDRESS:PORT when it has none.
std::string ServerListPage(const std::vector<ListedServer>& servers);

/// listeHBL.php: one link per copy in the order given (at most kMaxListedCopies), its address as
/// the link text.
std::string CopyListPage(const std::vector<std::string>& addresses);

}  // namespace hublane::directory
