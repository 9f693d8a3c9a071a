// Hublanectl handoff --client emule: the rows sent to the running eMule.
#pragma once

#include <QString>
#include <vector>

#include "cli/Commands.h"
#include "clients/DonkeyHandOff.h"

namespace hublane::cli {

/// Sends the rows to the running eMule as ed2k server links and prints the status line on
/// standard output (exit 0) or, when not every link was taken, on standard error (exit 1);
/// dryRun prints each link, one a line, and sends nothing. Under Wine eMule's prefix is the one
/// holding eMule's program folder as the locator finds it, else the one holding listFolder (the
/// folder of the list read).
int HandOffToEmule(const std::vector<clients::HandOffAddress>& rows, const QString& listFolder, bool dryRun,
                   Io& io);

}  // namespace hublane::cli
