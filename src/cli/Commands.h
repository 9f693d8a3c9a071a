// The verbs of hublanectl: each family lives in its own file, declares its verbs as data
// and is listed in Commands.cpp.
#pragma once

#include <QStringList>
#include <QTextStream>
#include <vector>

#include "text/CommandHelp.h"

namespace hublane::cli {

/// Standard output, error and input of one run, so verbs can be tested without a process.
struct Io {
    QTextStream& out;
    QTextStream& err;
    /// Standard input; verbs that read it fail cleanly when it is not given.
    QTextStream* in = nullptr;
};

class VerbLine;

/// A verb as data: its help (its name after "hublanectl", arguments, summary, options), how many
/// arguments it takes, and its handler, which gets the parsed command line and returns the exit
/// status. Its parser and every help text that shows it are made from this.
struct Verb {
    text::CommandHelp help;
    int minArgs = 0;
    int maxArgs = 0;  // -1: any number
    int (*run)(const VerbLine& line, Io& io) = nullptr;
};

/// Every verb, in the order --help lists them.
const std::vector<Verb>& Verbs();

/// What hublanectl takes before a verb (--version), for its own help.
const text::CommandHelp& ProgramHelp();

/// The verbs of each family, in the order its help lists them.
/// probe desc|list HOST PORT: one description or server list exchange with an eD2k server.
std::vector<Verb> ProbeVerbs();
/// scan FILE: one probe campaign over the rows of a server.met, between two clean-ups.
std::vector<Verb> ScanVerbs();
/// peer serve|ask: the peer server alone, and one request to another copy.
std::vector<Verb> PeerVerbs();
/// cycle: one whole update cycle without windows.
std::vector<Verb> CycleVerbs();
/// daemon: a cycle at start and one every 120 minutes, without windows, until stopped.
std::vector<Verb> DaemonVerbs();
/// web servers|peers|send|announce BASEURL: the web directory's operations by hand.
std::vector<Verb> WebVerbs();
/// version-check [URL]: the new-version check by hand.
std::vector<Verb> VersionCheckVerbs();
/// handoff: hands a server list to the running clients.
std::vector<Verb> HandOffVerbs();
/// lng dump|build: language files.
std::vector<Verb> LngVerbs();
/// servermet read|write FILE: the client's server list file as tab-separated rows.
std::vector<Verb> ServerMetVerbs();
/// peers read|write FILE: the peer list file, one address a line.
std::vector<Verb> PeersVerbs();
/// filter check|stats FILE: what an IP filter list blocks and what it holds.
std::vector<Verb> FilterVerbs();

/// Runs one command line (without the program name); returns the exit status.
int RunCommandLine(const QStringList& args, Io& io);

}  // namespace hublane::cli
