// What the program needs of the eD2k client this copy serves: where its server.met is, the
// dialect that file is written in, and who hands a running one the list. Each client is one
// implementation in this folder; the composition root picks the one in use.
#pragma once

#include <QString>
#include <memory>

#include "serverlist/ServerListCodec.h"

namespace hublane::platform {
class BusyOwner;
}
namespace hublane::serverlist {
class UiWaits;
}

namespace hublane::clients {

class HandOffRunner;

class Client {
  public:
    virtual ~Client() = default;

    /// The path of the client's server.met for one file operation; the owner shows the busy
    /// cursor while its folder is looked for (and asked for, when unknown).
    virtual QString ServerMetPath(platform::BusyOwner& owner) = 0;
    /// How its server.met is decoded and encoded.
    virtual const serverlist::ServerListCodec& ServerListCodec() const = 0;
    /// Who types the list into the running clients; a wait for it ends when the program quits.
    virtual std::shared_ptr<HandOffRunner> CreateHandOffRunner(serverlist::UiWaits& waits) = 0;
};

}  // namespace hublane::clients
