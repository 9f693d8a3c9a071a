// Published server.met files: the addresses eMule and aMule keep of them (addresses.dat), one
// such file read whole, and the servers it adds to the table.
//
// addresses.dat holds one address a line. Both clients trim blanks (and a line end of either
// kind) around each line and skip empty lines; aMule also skips lines whose first character
// that is not blank is "#", and takes only http:// and https:// addresses with a host; eMule
// reads the file as UTF-16 when it starts with a byte-order mark. An address is taken here
// when it passes all of these, each once, in file order.
//
// A published file may be a server.met (header 0xE0 or 0x0E) or a gzip file holding one, as
// aMule unpacks it; it is taken only when it is read whole.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "clients/MuleServerMet.h"
#include "serverlist/ServerTable.h"

namespace hublane::clients {

/// The addresses of an addresses.dat, at most maxAddresses of them.
std::vector<std::string> ReadServerMetAddresses(std::string_view fileBytes, std::size_t maxAddresses);

/// One published file as read: the document and how its reading ended. A gzip file that cannot be
/// inflated within maxBytes fails with gzipError set (and result naming the header).
struct PublishedServerMet {
    MuleServerMet doc;
    serverlist::ListReadResult result;
    std::string gzipError;
};
PublishedServerMet ReadPublishedServerMet(std::string_view bytes, std::size_t maxBytes);

/// Adds a row for each entry the table can hold (not carried, not port 0) whose address is not
/// yet a row and that blocked does not keep out, with its name, description, users and files,
/// while the table holds fewer than kMaxServerRowsFromNetwork; returns the number added.
std::size_t MergePublishedServers(const MuleServerMet& doc, serverlist::ServerTable& table,
                                  const serverlist::AddressTest& blocked);

}  // namespace hublane::clients
