// How one published server list (a server.met at an address of the client's addresses.dat)
// went in a fetch of servers.
#pragma once

#include <QString>
#include <cstddef>

namespace hublane::serverlist {

struct PublishedListLoad {
    QString url;
    std::size_t added = 0;
    QString error;  // empty when the list was loaded and read whole
};

}  // namespace hublane::serverlist
