// The verbs of hublanectl: each family lives in its own file and is listed in
// Commands.cpp.
#pragma once

#include <QStringList>
#include <QTextStream>
#include <initializer_list>

namespace hublane::cli {

/// Standard output, error and input of one run, so verbs can be tested without a process.
struct Io {
    QTextStream& out;
    QTextStream& err;
    /// Standard input; verbs that read it fail cleanly when it is not given.
    QTextStream* in = nullptr;
};

using VerbRun = int (*)(const QStringList& args, Io& io);

/// A verb family: its name (the first argument), its usage lines and its handler, which gets the
/// arguments after the name and returns the exit status.
struct Verb {
    const char* name;
    const char* usage;
    VerbRun run;
};

/// A sub-verb of a family ("read" of "servermet").
struct SubVerb {
    const char* name;
    VerbRun run;
};

/// Runs the sub-verb named by the first argument. "--help" alone prints the family's usage;
/// a missing or unknown sub-verb is a usage error.
int RunFamily(const QStringList& args, Io& io, const char* family, std::initializer_list<SubVerb> subs);

/// All verb families, in the order --help lists them.
const QList<Verb>& Verbs();

/// servermet read|write FILE: the client's server list file as tab-separated rows.
int RunServerMet(const QStringList& args, Io& io);
/// peers read|write FILE: the peer list file, one address a line.
int RunPeers(const QStringList& args, Io& io);
/// probe desc|list HOST PORT: one description or server list exchange with an eD2k server.
int RunProbe(const QStringList& args, Io& io);
/// scan FILE [...]: one probe campaign over the rows of a server.met, between two clean-ups.
int RunScan(const QStringList& args, Io& io);
/// peer serve|ask: the peer server alone, and one request to another copy.
int RunPeer(const QStringList& args, Io& io);
/// cycle: one whole update cycle without windows.
int RunCycle(const QStringList& args, Io& io);
/// daemon: a cycle at start and one every 120 minutes, without windows, until stopped.
int RunDaemon(const QStringList& args, Io& io);
/// filter check|stats FILE: what an IP filter list blocks and what it holds.
int RunFilter(const QStringList& args, Io& io);
/// web servers|peers|send|announce BASEURL: the web directory's operations by hand.
int RunWeb(const QStringList& args, Io& io);
/// version-check [URL]: the new-version check by hand.
int RunVersionCheck(const QStringList& args, Io& io);
/// handoff [--server-met FILE] [--dry-run]: types a server list into the running clients.
int RunHandOff(const QStringList& args, Io& io);
/// lng: dump and build language files.
int RunLng(const QStringList& args, Io& io);

/// Runs one command line (without the program name); returns the exit status.
int RunCommandLine(const QStringList& args, Io& io);

}  // namespace hublane::cli
