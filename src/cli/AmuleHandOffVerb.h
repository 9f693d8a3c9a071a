// Hublanectl handoff --client amule: the server list handed to a running aMule
// over EC, or what would be changed printed.
#pragma once

#include <QString>
#include <optional>
#include <vector>

#include "cli/Commands.h"
#include "cli/VerbLine.h"
#include "serverlist/ServerListDialect.h"
#include "serverlist/ServerTable.h"

namespace hublane::platform {
class OverlaySettingsStore;
}

namespace hublane::cli {

/// Reads a server.met in the client's dialect whole into table, its errors on standard error;
/// false when it was not read whole (a list read in part is never handed off: the client would
/// lose what was not read).
bool ReadHandOffTable(const QString& path, serverlist::ServerTable& table, Io& io,
                      serverlist::ServerListDialect& dialect);

/// The options of the aMule hand-off (--ec and --ec-password are its own, --client-dir is every
/// client's).
std::vector<text::OptionHelp> AmuleHandOffOptions();
/// Whether one of the aMule hand-off's own options was given.
bool AmuleHandOffOptionsGiven(const VerbLine& line);

/// Puts --ec and --ec-password (as its hash only) in front of the stored settings AmuleEc and
/// AmuleEcPassword; the exit status of a usage error when --ec is no HOST:PORT.
std::optional<int> PutEcOptions(const VerbLine& line, platform::OverlaySettingsStore& settings, Io& io);

/// The hand-off to aMule with the options of a parsed command line: exit 0 when the list was
/// handed over (or, with --dry-run, the changes printed), 1 with the reason otherwise.
int RunAmuleHandOffVerb(const VerbLine& line, Io& io);

}  // namespace hublane::cli
