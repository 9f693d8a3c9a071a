// Hublanectl handoff --client amule: the server list handed to a running aMule
// over EC, or what would be changed printed.
#pragma once

#include <QString>
#include <vector>

#include "cli/Commands.h"
#include "cli/VerbLine.h"
#include "serverlist/ServerTable.h"

namespace hublane::cli {

/// Reads a server.met whole into table, its errors on standard error; false when it was not read
/// whole (a list read in part is never handed off: the client would lose what was not read).
bool ReadHandOffTable(const QString& path, serverlist::ServerTable& table, Io& io);

/// The options only the aMule hand-off takes.
std::vector<text::OptionHelp> AmuleHandOffOptions();
/// Whether one of them was given.
bool AmuleHandOffOptionsGiven(const VerbLine& line);

/// The hand-off to aMule with the options of a parsed command line: exit 0 when the list was
/// handed over (or, with --dry-run, the changes printed), 1 with the reason otherwise.
int RunAmuleHandOffVerb(const VerbLine& line, Io& io);

}  // namespace hublane::cli
