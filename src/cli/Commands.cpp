// The verb table of hublanectl and the dispatch of one command line.
#include "cli/Commands.h"

#include <algorithm>

#include "cli/VerbLine.h"
#include "platform/VersionText.h"

namespace hublane::cli {

const std::vector<Verb>& Verbs() {
    static const std::vector<Verb> verbs = [] {
        std::vector<Verb> all;
        for (std::vector<Verb> (*family)() :
             {&ProbeVerbs, &ScanVerbs, &PeerVerbs, &CycleVerbs, &DaemonVerbs, &WebVerbs, &VersionCheckVerbs,
              &HandOffVerbs, &LngVerbs, &ServerMetVerbs, &PeersVerbs, &FilterVerbs}) {
            for (Verb& verb : family()) {
                verb.help.program = "hublanectl";
                all.push_back(std::move(verb));
            }
        }
        return all;
    }();
    return verbs;
}

const text::CommandHelp& ProgramHelp() {
    static const text::CommandHelp help{
        .program = "hublanectl",
        .arguments = "COMMAND [ARGUMENTS...]",
        .details =
            "The command-line companion of Hublane: checks and edits its files and probes servers "
            "without the window. Every command takes --help. Exit status: " +
            std::to_string(kExitOk) + " done, " + std::to_string(kExitFailure) + " failed, " +
            std::to_string(kExitNoAnswer) + " no answer (probe), " + std::to_string(kExitUsage) +
            " wrong command line.",
        .options = {{"version", {}, "print the version"}},
    };
    return help;
}

namespace {

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

// The first word of a verb's name: "servermet" of "servermet read".
QString Family(const Verb& verb) {
    const std::string& name = verb.help.name;
    return Text(name.substr(0, name.find(' ')));
}

void PrintHelp(QTextStream& out) {
    out << Text(text::HelpText(ProgramHelp())) << "\nCommands:\n";
    for (const Verb& verb : Verbs()) {
        out << Text(text::ListEntry(verb.help));
    }
}

// The entries of one family's verbs.
QString FamilyUsage(const QString& family) {
    QString usage = QStringLiteral("usage:\n");
    for (const Verb& verb : Verbs()) {
        if (Family(verb) == family) {
            usage += Text(text::ListEntry(verb.help));
        }
    }
    return usage;
}

const Verb* FindVerb(const QString& name) {
    for (const Verb& verb : Verbs()) {
        if (Text(verb.help.name) == name) {
            return &verb;
        }
    }
    return nullptr;
}

bool AsksForHelp(const QStringList& args) {
    return args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"));
}

int Run(const Verb& verb, const QStringList& args, Io& io) {
    VerbLine line(verb);
    if (const auto status = line.Parse(args, io)) {
        return *status;
    }
    return verb.run(line, io);
}

}  // namespace

int RunCommandLine(const QStringList& args, Io& io) {
    if (args.isEmpty()) {
        PrintHelp(io.err);
        return kExitUsage;
    }
    const QString first = args.first();
    if (first == QLatin1String("--help") || first == QLatin1String("-h")) {
        PrintHelp(io.out);
        return kExitOk;
    }
    if (first == QLatin1String("--version")) {
        io.out << platform::VersionText() << '\n';
        return kExitOk;
    }
    if (const Verb* verb = FindVerb(first)) {
        return Run(*verb, args.mid(1), io);
    }
    const QString second = args.value(1);
    if (const Verb* verb = FindVerb(first + QLatin1Char(' ') + second); verb && !second.isEmpty()) {
        return Run(*verb, args.mid(2), io);
    }
    const auto& verbs = Verbs();
    if (std::none_of(verbs.begin(), verbs.end(),
                     [&first](const Verb& verb) { return Family(verb) == first; })) {
        io.err << "hublanectl: unknown command '" << first << "' (see hublanectl --help)\n";
        return kExitUsage;
    }
    const QString usage = FamilyUsage(first);
    if (AsksForHelp(args)) {
        io.out << usage;
        return kExitOk;
    }
    io.err << "hublanectl: "
           << (second.isEmpty() ? QStringLiteral("%1 needs a command").arg(first)
                                : QStringLiteral("unknown command '%1 %2'").arg(first, second))
           << '\n'
           << usage;
    return kExitUsage;
}

}  // namespace hublane::cli
