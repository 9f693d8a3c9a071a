// The verb table of hublanectl and the dispatch of one command line.
#include "cli/Commands.h"

#include "app/Version.h"

namespace hublane::cli {

const QList<Verb>& Verbs() {
    static const QList<Verb> verbs = {
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

int RunCommandLine(const QStringList& args, Io& io) {
    if (args.isEmpty() || args.first() == QLatin1String("--help") || args.first() == QLatin1String("-h")) {
        PrintHelp(io.out);
        return args.isEmpty() ? 1 : 0;
    }
    if (args.first() == QLatin1String("--version")) {
        io.out << QString::fromUtf8(app::kVersion.data(), static_cast<qsizetype>(app::kVersion.size()))
               << '\n';
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
