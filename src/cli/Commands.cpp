// The verb table of hublanectl and the dispatch of one command line.
#include "cli/Commands.h"

#include "cli/VerbLine.h"
#include "platform/VersionText.h"

namespace hublane::cli {

const QList<Verb>& Verbs() {
    static const QList<Verb> verbs = {
        {"probe",
         "  probe desc HOST PORT   asks the eD2k server listed at HOST:PORT (UDP port PORT + 4) for its\n"
         "                         name and description: NAME<TAB>DESCRIPTION as stored (\\\\ \\t \\r \\n\n"
         "                         and \\xNN escaped); exit status 2 when no answer came within 5 s\n"
         "  probe list HOST PORT   asks it for the servers it knows: one IP:PORT line per usable entry,\n"
         "                         in answer order; exit status 2 when no answer came\n",
         RunProbe},
        {"scan",
         "  scan FILE [--mode desc|list|fr] [--threads N] [--timeout S] [--write] [--ip-filter FILE]\n"
         "                         the \"Lancer\" button on the rows of a server.met: clean-up, one\n"
         "                         campaign of that mode (default desc), clean-up; prints the rows\n"
         "                         as servermet read does; --write writes them back to FILE (never\n"
         "                         an empty list: then FILE stays and the exit status is 1)\n",
         RunScan},
        {"peer",
         "  peer serve [--peer-address ADDR] [--server-met FILE] [--peers FILE] [--seconds N] [--write]\n"
         "                         the peer server alone on UDP 3077, answering other copies from the\n"
         "                         tables of the two files until N seconds pass or SIGINT/SIGTERM\n"
         "  peer ask HOST servers|peers|ping [--peer-address ADDR]\n"
         "                         one request to the copy at HOST; prints IP<TAB>PORT lines or pong;\n"
         "                         exit status 2 when nothing came within 5 s\n",
         RunPeer},
        {"cycle",
         "  cycle [--donkey-dir DIR] [--peer-address ADDR] [--web URL] [--threads N] [--timeout S]\n"
         "        [--no-handoff] [--speed N] [--ip-filter FILE]\n"
         "                         one whole update cycle without windows: prints each step's caption\n"
         "                         as it starts and what the cycle did; exit status 1 when server.met\n"
         "                         could not be opened (the cycle still runs)\n",
         RunCycle},
        {"daemon",
         "  daemon [the options of cycle]\n"
         "                         a cycle at start, then one 120 minutes after the last one ended (--speed\n"
         "                         shortens that too), the peer server up in between; each caption and\n"
         "                         summary with the date and time; ends on SIGTERM/SIGINT within 2 s\n",
         RunDaemon},
        {"web",
         "  web servers BASEURL    the servers of the directory's liste.php: IP<TAB>PORT, once each\n"
         "  web peers BASEURL      the copies of its listeHBL.php, one address a line\n"
         "  web send BASEURL FILE  sends the servers of a server.met to its rcv.php, 50 a request\n"
         "  web announce BASEURL   tells it this copy runs (connectHB.php)\n"
         "  web servermet URL      the servers of a server.met published at URL, as servermet read\n"
         "                         (each with --timeout-ms N, the longest a page may take)\n",
         RunWeb},
        {"version-check",
         "  version-check [URL]    \"same\" or \"other\": whether the new-version notice would show\n",
         RunVersionCheck},
        {"handoff",
         "  handoff [--client edonkey|emule|amule] [--server-met FILE] [--ec HOST:PORT]\n"
         "          [--ec-password TEXT] [--client-dir DIR] [--dry-run]\n"
         "                         \"Envoyer à eDonkey\": types the servers of FILE (default: the\n"
         "                         client's server.met) into every running eDonkey2000 client (under\n"
         "                         Wine on Linux) and prints how many console controls received them;\n"
         "                         exit status 1 when none did, the list is empty, or Wine or the\n"
         "                         helper is missing; --dry-run prints the commands only;\n"
         "                         --client amule: adds the servers a running aMule lacks over EC\n"
         "                         (where and how from DIR/amule.conf, or --ec and --ec-password);\n"
         "                         --client emule sends the running eMule one ed2k server link a\n"
         "                         server instead and prints the status line\n",
         RunHandOff},
        {"lng",
         "  lng dump FILE [--all]   print the texts of a language file, N<TAB>text a line (\\\\ \\t \\r \\n\n"
         "                          escaped); --all prints every string, not only those loaded\n"
         "  lng build SOURCE OUT    build a language file from a text source of N<TAB>text lines\n",
         &RunLng},
        {"servermet",
         "  servermet read FILE   print the servers of a server.met, one a line: IP, Port, Util.,\n"
         "                        Fichiers, Nom, Description, Home, tab-separated, the bytes as stored\n"
         "                        with \\\\ \\t \\r \\n and \\xNN (other control bytes) escaped\n"
         "  servermet write FILE [--skip-bad-rows] [--allow-empty]\n"
         "                        write a server.met from such lines read on standard input (missing\n"
         "                        fields at the end are \"n/a\"); a bad line fails unless skipped, and\n"
         "                        an empty input never replaces a list unless allowed\n",
         RunServerMet},
        {"peers",
         "  peers read FILE       print the addresses of a serverHBL.met, one a line\n"
         "  peers write FILE [--skip-bad-rows] [--allow-empty]\n"
         "                        write a serverHBL.met from addresses read on standard input\n",
         RunPeers},
        {"filter",
         "  filter check FILE ADDRESS...\n"
         "                        for each address, \"blocked<TAB>DESCRIPTION\" or \"allowed\" as the IP\n"
         "                        filter list FILE decides (classic, P2P or loose lines; gzip read too)\n"
         "  filter stats FILE     the ranges FILE blocks, the addresses they cover and each line skipped,\n"
         "                        with its number; exit status 1 when no range loaded\n",
         RunFilter},
    };
    return verbs;
}

namespace {

void PrintHelp(QTextStream& out) {
    out << "Usage: hublanectl COMMAND [ARGUMENTS...]\n"
           "The command-line companion of Hublane: checks and edits its files and probes servers\n"
           "without the window. Every command takes --help. Exit status: 0 done, 1 failed, 2 no\n"
           "answer (probe), 64 wrong command line.\n\n"
           "  --help       print this help\n"
           "  --version    print the version\n";
    for (const Verb& v : Verbs()) {
        out << QString::fromUtf8(v.usage);
    }
}

const Verb* FindVerb(const QString& name) {
    for (const Verb& v : Verbs()) {
        if (name == QLatin1String(v.name)) {
            return &v;
        }
    }
    return nullptr;
}

}  // namespace

int RunFamily(const QStringList& args, Io& io, const char* family, std::initializer_list<SubVerb> subs) {
    const QString first = args.value(0);
    for (const SubVerb& sub : subs) {
        if (first == QLatin1String(sub.name)) {
            return sub.run(args.mid(1), io);
        }
    }
    const Verb* verb = FindVerb(QLatin1String(family));
    const QString usage = verb ? QString::fromUtf8(verb->usage) : QString();
    if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
        io.out << "usage:\n" << usage;
        return kExitOk;
    }
    io.err << "hublanectl: "
           << (first.isEmpty() ? QStringLiteral("%1 needs a command").arg(QLatin1String(family))
                               : QStringLiteral("unknown command '%1 %2'").arg(QLatin1String(family), first))
           << "\nusage:\n"
           << usage;
    return kExitUsage;
}

int RunCommandLine(const QStringList& args, Io& io) {
    if (args.isEmpty()) {
        PrintHelp(io.err);
        return kExitUsage;
    }
    if (args.first() == QLatin1String("--help") || args.first() == QLatin1String("-h")) {
        PrintHelp(io.out);
        return kExitOk;
    }
    if (args.first() == QLatin1String("--version")) {
        io.out << platform::VersionText() << '\n';
        return kExitOk;
    }
    if (const Verb* v = FindVerb(args.first())) {
        return v->run(args.mid(1), io);
    }
    io.err << "hublanectl: unknown command '" << args.first() << "' (see hublanectl --help)\n";
    return kExitUsage;
}

}  // namespace hublane::cli
