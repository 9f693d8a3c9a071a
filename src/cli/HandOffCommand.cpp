// hublanectl handoff: types the rows of a server.met into every running eDonkey2000 client as
// the program does, or prints the commands it would type; with --client amule, hands them to a
// running aMule over EC instead.
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include "cli/AmuleHandOffVerb.h"
#include "cli/CliLanguage.h"
#include "cli/Commands.h"
#include "cli/ConsolePrompts.h"
#include "cli/EmuleHandOffCommand.h"
#include "cli/ListRowText.h"
#include "cli/VerbLine.h"
#include "clients/EmuleClient.h"
#include "clients/MuleServerList.h"
#include "clients/ServerMetCodec.h"
#include "clients/SystemHandOffRunner.h"
#include "clients/TPartInfo.h"
#include "platform/ClassRegistration.h"
#include "platform/UserSettingsStore.h"
#include "serverlist/ListFiles.h"

namespace hublane::cli {
namespace {

using clients::HandOffResult;
using Outcome = HandOffResult::Outcome;

QString Plural(int n, const char* one, const char* many) {
    return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
}

// Why nothing (or not everything) was typed, for standard error.
QString Reason(const HandOffResult& result) {
    QString detail = QString::fromStdString(result.detail);
    switch (result.outcome) {
        case Outcome::Delivered:
            return {};
        case Outcome::NoClient:
            return QStringLiteral(
                "no running eDonkey2000 client (no window title begins with \"eDonkey2000\")");
        case Outcome::NoConsole:
            return QStringLiteral("the running eDonkey2000 client has no console control (\"RICHEDIT\")");
        case Outcome::EmptyTable:
            return QStringLiteral(
                "the server table is empty: nothing is typed (the client's list would be cleared)");
        case Outcome::NotAnswering:
            return QStringLiteral("eDonkey2000 stopped answering; the hand-off was ended");
        case Outcome::WindowGone:
            return QStringLiteral("a console control of eDonkey2000 went away; the hand-off was ended");
        case Outcome::NoWine:
            return QStringLiteral("Wine is missing (%1): the client runs under Wine").arg(detail);
        case Outcome::NoPrefix:
            return QStringLiteral("no Wine prefix found for the client (%1)").arg(detail);
        case Outcome::NoHelper:
            return QStringLiteral("hublane-handoff.exe is missing (%1)").arg(detail);
        case Outcome::HelperFailed:
            return QStringLiteral("the hand-off failed: %1").arg(detail);
    }
    return detail;
}

int HandOff(const VerbLine& line, Io& io) {
    const QString client = line.Value(QStringLiteral("client"));
    if (client == QLatin1String("amule")) {
        return RunAmuleHandOffVerb(line, io);
    }
    if (!client.isEmpty() && client != QLatin1String("edonkey") && client != QLatin1String("emule")) {
        return line.UsageError(io,
                               QStringLiteral("unknown client \"%1\" (edonkey, emule or amule)").arg(client));
    }
    if (AmuleHandOffOptionsGiven(line)) {
        return line.UsageError(io, QStringLiteral("--ec and --ec-password go with --client amule"));
    }
    const std::unique_ptr<platform::SettingsStore> settings = platform::CreateUserSettingsStore();
    const std::unique_ptr<platform::ClassRegistration> classes = platform::CreateSystemClassRegistration();
    const bool emule = client == QLatin1String("emule");
    QString path = line.Value(QStringLiteral("server-met"));
    if (path.isEmpty() && line.IsSet(QStringLiteral("client-dir"))) {
        path = QDir(line.Value(QStringLiteral("client-dir"))).filePath(QStringLiteral("server.met"));
    }
    if (path.isEmpty()) {
        ConsolePrompts prompts(io.err);
        NoBusyOwner owner;
        const clients::PartInfoDeps deps{*settings, prompts, *classes, CliLanguage()};
        path = emule ? clients::EmuleClient(deps, QString()).ServerMetPath(owner)
                     : clients::ServerMetPath(owner, deps);
    }

    serverlist::ServerTable table;
    serverlist::PlainGauge gauge;
    clients::MuleServerList muleDialect;
    serverlist::StatelessDialect donkeyDialect(clients::kServerMetCodec);
    if (!ReadHandOffTable(path, table, io,
                          emule ? static_cast<serverlist::ServerListDialect&>(muleDialect) : donkeyDialect)) {
        // A list read in part is not handed off: the client would lose the servers not read.
        return Fail(io, QStringLiteral("cannot read %1 whole; nothing is typed").arg(path));
    }
    const std::vector<clients::HandOffAddress> rows = clients::HandOffAddresses(table);
    if (emule) {
        return HandOffToEmule(rows, QFileInfo(path).absolutePath(), line.IsSet(QStringLiteral("dry-run")),
                              io);
    }
    if (rows.empty()) {
        return Fail(
            io, QStringLiteral("%1 holds no server: %2").arg(path, Reason({Outcome::EmptyTable, 0, 0, {}})));
    }
    if (line.IsSet(QStringLiteral("dry-run"))) {
        const Latin1Stream bytesOut(&io.out);
        for (const std::string& command : clients::HandOffCommands(rows)) {
            io.out << QString::fromLatin1(command.data(), static_cast<qsizetype>(command.size())) << '\n';
        }
        return kExitOk;
    }

    clients::HandOffSetup setup;
    setup.clientFolder = [&settings] { return clients::StoredDonkeyDir(*settings); };
    setup.registeredProgram = [&classes] { return classes->ReadDefaultIcon(QStringLiteral("ed2k")); };
    setup.programDir = QCoreApplication::applicationDirPath();
    const HandOffResult result = clients::CreateSystemHandOffRunner(std::move(setup))->Run(rows, gauge);
    if (result.consoles > 0) {
        io.out << Plural(result.consoles, "console control", "console controls") << " received the list ("
               << Plural(static_cast<int>(rows.size()), "server", "servers") << ")\n";
    }
    if (result.outcome != Outcome::Delivered) {
        return Fail(io, Reason(result));
    }
    return kExitOk;
}

}  // namespace

std::vector<Verb> HandOffVerbs() {
    std::vector<text::OptionHelp> options = {
        {"client", "edonkey|emule|amule", "edonkey (the default), emule or amule"},
        {"server-met", "FILE", "the server.met to read (default: the client's own; aMule: DIR/server.met)"},
    };
    for (text::OptionHelp& option : AmuleHandOffOptions()) {
        options.push_back(std::move(option));
    }
    options.push_back({"dry-run",
                       {},
                       "print the commands (aMule: \"add|remove IP:PORT\"), one a line, and "
                       "change nothing"});
    return {
        {{.name = "handoff",
          .summary =
              "\"Envoyer à eDonkey\": types the servers of FILE (default: the client's server.met) "
              "into every running eDonkey2000 client (under Wine on Linux) and prints how many console "
              "controls received them; exit status 1 when none did, the list is empty, or Wine or the "
              "helper is missing; --client amule: adds the servers "
              "a running aMule lacks over EC (where and how from DIR/amule.conf, or --ec and "
              "--ec-password); --client emule sends the running eMule one ed2k server link a server "
              "instead and prints the status line",
          .details =
              "Types the servers of FILE (default: the client's own server.met) into the console of "
              "every running eDonkey2000 client, as \"Envoyer à eDonkey\" does: 2000 × \"b 1\", then "
              "\"n IP:Port\" per server. Prints how many console controls received the list; exit "
              "status 1 when none did, when the list is empty, or when Wine or the helper is missing.\n"
              "With --client amule, hands them to the aMule running with DIR's amule.conf over EC "
              "instead: adds the servers it lacks (nothing is removed outside a cycle); exit status 1 "
              "when aMule cannot be reached or refuses the login.\n"
              "With --client emule, sends them to the running eMule instead, one ed2k://|server|IP|PORT|/ "
              "link each.",
          .options = std::move(options)},
         0,
         0,
         &HandOff},
    };
}

}  // namespace hublane::cli
