// The status line of a hand-off to eMule, in the program's words.
#pragma once

#include <QString>

#include "clients/DonkeyHandOff.h"

namespace hublane::clients {

/// What happened ("eMule : 12 serveurs envoyés") or why nothing was. links: how many links were
/// to be sent; removed: how many servers the cycle removed from the table, which eMule keeps
/// (a link can only add a server), said so when there are any.
QString EmuleStatusLine(const clients::HandOffResult& result, int links, int removed);

}  // namespace hublane::clients
