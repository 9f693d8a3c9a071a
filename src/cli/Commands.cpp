// The verb table of hublanectl and the dispatch of one command line.
#include "cli/Commands.h"

#include "app/Version.h"

namespace hublane::cli {

const QList<Verb>& Verbs() {
    static const QList<Verb> verbs = {
        {"lng",
         "  lng dump FILE [--all]   print the texts of a language file, N<TAB>text a line (\\\\ \\t \\r \\n\n"
         "                          escaped); --all prints every string, not only those loaded\n"
         "  lng build SOURCE OUT    build a language file from a text source of N<TAB>text lines\n",
         &RunLng},
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
