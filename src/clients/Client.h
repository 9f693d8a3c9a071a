// What the program needs of the eD2k client this copy serves: where its server.met is, the
// dialect that file is written in (kept from the cycle's read to its write), who hands a running
// one the list, and what the cycle's summary says about a running one. Each client is one
// implementation in this folder; the composition root picks the one in use (CreateClient).
#pragma once

#include <QString>
#include <memory>

#include "clients/ClientKind.h"
#include "clients/HandOff.h"
#include "serverlist/AddressFilter.h"
#include "serverlist/CycleParts.h"
#include "serverlist/ServerListDialect.h"

namespace hublane::platform {
class BusyOwner;
}
namespace hublane::serverlist {
class UiWaits;
}

namespace hublane::clients {

class Client {
  public:
    virtual ~Client() = default;

    virtual ClientKind Kind() const = 0;
    /// The folder that holds the client's server.met (and its ipfilter.dat) as far as it is known
    /// without asking anyone, ending with its separator; empty when unknown.
    virtual QString KnownFolder() = 0;
    /// The path of the client's server.met for one file operation; the owner shows the busy
    /// cursor while its folder is looked for (and asked for, when unknown).
    virtual QString ServerMetPath(platform::BusyOwner& owner) = 0;
    /// How its server.met is decoded and encoded; the cycle reads and writes through this one
    /// object, which keeps what the table cannot hold from the read to the write.
    virtual serverlist::ServerListDialect& ServerList() = 0;
    /// Who types the list into the running clients; a wait for it ends when the program quits.
    virtual std::shared_ptr<HandOffRunner> CreateHandOffRunner(serverlist::UiWaits& waits) = 0;
    /// The cycle's hand-off to this client when it is not a runner's typing (aMule over EC);
    /// null: the hand-off through CreateHandOffRunner. blocked: the addresses never handed.
    virtual std::unique_ptr<serverlist::HandOffPart> CreateHandOffPart(serverlist::CycleState& /*state*/,
                                                                       serverlist::UiWaits& /*waits*/,
                                                                       serverlist::AddressTest /*blocked*/) {
        return nullptr;
    }
    /// The status line of a hand-off through CreateHandOffRunner; empty: eDonkey2000's words.
    /// Every hand-off's result passes through it, so the client hears how each one went.
    virtual HandOffStatusFunction HandOffStatus() { return {}; }
    /// What the cycle's summary says when the client runs and will rewrite its list on exit
    /// (asked when a cycle that wrote the list has ended, its hand-off made; the write never
    /// waits for the client); empty: nothing to say.
    virtual QString RunningNotice() { return {}; }
};

}  // namespace hublane::clients
