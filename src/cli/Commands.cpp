// The verb table of hublanectl and the dispatch of one command line.
#include "cli/Commands.h"

#include "platform/VersionText.h"

namespace hublane::cli {

const QList<Verb>& Verbs() {
    static const QList<Verb> verbs = {
        {"probe",
         "  probe desc HOST PORT   asks the eD2k server listed at HOST:PORT (UDP port PORT + 4) for its\n"
         "                         name and description: NAME<TAB>DESCRIPTION (\\\\ \\t \\r \\n escaped);\n"
         "                         exit status 2 when no answer came within 5 s\n"
         "  probe list HOST PORT   asks it for the servers it knows: one IP:PORT line per usable entry,\n"
         "                         in answer order; exit status 2 when no answer came\n",
         RunProbe},
        {"scan",
         "  scan FILE [--mode desc|list|fr] [--threads N] [--timeout S] [--write]\n"
         "                         the \"Lancer\" button on the rows of a server.met: clean-up, one\n"
         "                         campaign of that mode (default desc), clean-up; prints the rows\n"
         "                         as servermet read does; --write writes them back to FILE\n",
         RunScan},
        {"lng",
         "  lng dump FILE [--all]   print the texts of a language file, N<TAB>text a line (\\\\ \\t \\r \\n\n"
         "                          escaped); --all prints every string, not only those loaded\n"
         "  lng build SOURCE OUT    build a language file from a text source of N<TAB>text lines\n",
         &RunLng},
        {"servermet",
         "  servermet read FILE   print the servers of a server.met, one a line: IP, Port, Util.,\n"
         "                        Fichiers, Nom, Description, Home, tab-separated, with \\\\ \\t \\r \\n\n"
         "  servermet write FILE  write a server.met from such lines read on standard input\n"
         "                        (missing fields at the end are \"n/a\")\n",
         RunServerMet},
        {"peers",
         "  peers read FILE       print the addresses of a serverHBL.met, one a line\n"
         "  peers write FILE      write a serverHBL.met from addresses read on standard input\n",
         RunPeers},
    };
    return verbs;
}

namespace {

void PrintHelp(QTextStream& out) {
    out << "Usage: hublanectl COMMAND [ARGUMENTS...]\n"
           "The command-line companion of Hublane: checks and edits its files and probes servers\n"
           "without the window.\n\n"
           "  --help       print this help\n"
           "  --version    print the version\n";
    for (const Verb& v : Verbs()) {
        out << QString::fromUtf8(v.usage);
    }
}

}  // namespace

int RunReadOrWrite(const QStringList& args, Io& io, int (*read)(const QString&, Io&),
                   int (*write)(const QString&, Io&), int (*usage)(Io&)) {
    if (args.size() == 2 && args[0] == QLatin1String("read")) {
        return read(args[1], io);
    }
    if (args.size() == 2 && args[0] == QLatin1String("write")) {
        return write(args[1], io);
    }
    return usage(io);
}

int RunCommandLine(const QStringList& args, Io& io) {
    if (args.isEmpty() || args.first() == QLatin1String("--help") || args.first() == QLatin1String("-h")) {
        PrintHelp(io.out);
        return args.isEmpty() ? 1 : 0;
    }
    if (args.first() == QLatin1String("--version")) {
        io.out << platform::VersionText() << '\n';
        return 0;
    }
    for (const Verb& v : Verbs()) {
        if (args.first() == QLatin1String(v.name)) {
            return v.run(args.mid(1), io);
        }
    }
    io.err << "hublanectl: unknown command '" << args.first() << "' (see hublanectl --help)\n";
    return 1;
}

}  // namespace hublane::cli
