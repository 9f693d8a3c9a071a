// The status line of a hand-off to eMule, in the program's words.
#pragma once

#include <QString>
#include <functional>
#include <optional>
#include <vector>

#include "clients/DonkeyHandOff.h"

namespace hublane::clients {

/// What happened ("eMule : 12 serveurs envoyés") or why nothing was. links: how many links were
/// to be sent; removed: how many servers the cycle removed from the table, which eMule keeps
/// (a link can only add a server), said so when there are any.
QString EmuleStatusLine(const clients::HandOffResult& result, int links, int removed);
/// The same for the rows handed off (each row that makes a link counts once).
QString EmuleHandOffStatus(const clients::HandOffResult& result,
                           const std::vector<clients::HandOffAddress>& rows, int removed);

/// What the cycle's summary says of a running eMule, which writes its own list when it quits:
/// "eMule est lancé : la liste lui est transmise directement" once the hand-off gave it every
/// link, "eMule est lancé : la liste écrite sera remplacée à sa fermeture" when eMule runs but
/// did not take them, nothing when it does not run (or cannot be told). handOff: the result of
/// this cycle's hand-off, nullopt when none was made; find looks for eMule's window, and is only
/// asked when no hand-off was made.
QString EmuleRunningNotice(const std::optional<clients::HandOffResult>& handOff,
                           const std::function<clients::HandOffResult()>& find);

}  // namespace hublane::clients
