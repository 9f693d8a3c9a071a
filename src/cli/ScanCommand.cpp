// hublanectl scan: the "Lancer" button on the rows of a server.met file, on the
// program's own engine without its windows.
#include <QStringList>

#include "app/Engine.h"
#include "cli/CliLanguage.h"
#include "cli/Commands.h"
#include "cli/ConsolePrompts.h"
#include "cli/ListRowText.h"
#include "cli/VerbLine.h"
#include "platform/ClassRegistration.h"
#include "platform/Clock.h"
#include "platform/MemorySettingsStore.h"
#include "serverlist/CycleState.h"
#include "serverlist/ListFiles.h"
#include "serverlist/TFLServeur.h"

namespace hublane::cli {

using platform::settings::kNbThreads;
using platform::settings::kTimeout;
using serverlist::ProbeKind;

namespace {

int Scan(const VerbLine& line, Io& io) {
    const QString path = line.Args().at(0);
    ProbeKind kind = ProbeKind::RechDesc;
    const QString mode = line.Value(QStringLiteral("mode"));
    if (mode == QLatin1String("list")) {
        kind = ProbeKind::RechNew;
    } else if (mode == QLatin1String("fr")) {
        kind = ProbeKind::RechFr;
    } else if (!mode.isEmpty() && mode != QLatin1String("desc")) {
        return line.UsageError(io, QStringLiteral("unknown mode '%1' (desc, list or fr)").arg(mode));
    }
    const auto threads = line.Number(QStringLiteral("threads"), kNbThreads, kNbThreads.fallback, io);
    const auto timeout = line.Number(QStringLiteral("timeout"), kTimeout, kTimeout.fallback, io);
    if (!threads || !timeout) {
        return kExitUsage;
    }
    app::EngineOptions options;
    // The file's dialect is the one named, never a guess from the machine.
    options.client = clients::ClientKind::Edonkey;
    if (const QString client = line.Value(QStringLiteral("client")); !client.isEmpty()) {
        options.client = clients::ParseClientKind(client.toStdString());
        if (!options.client) {
            return line.UsageError(
                io, QStringLiteral("unknown client '%1' (edonkey, emule or amule)").arg(client));
        }
    }
    options.serverMetPath = path;
    options.ipFilterPath = line.Value(QStringLiteral("ip-filter"));
    const auto address = line.PeerAddress(io);
    if (!address) {
        return kExitUsage;
    }
    options.address = *address;

    // The user's own settings are left alone: the engine gets a store of its own.
    platform::MemorySettingsStore settings;
    ConsolePrompts prompts(io.err);
    NoBusyOwner owner;
    const platform::SystemClock clock;
    serverlist::PlainGauge gauge;
    serverlist::NoStatusCaption caption;
    std::unique_ptr<platform::ClassRegistration> classes = platform::CreateSystemClassRegistration();
    app::Engine engine(
        app::EngineDeps{settings, prompts, *classes, CliLanguage(), clock, gauge, caption, owner}, options);
    serverlist::TFLServeur& window = engine.ServerList();
    serverlist::CycleState& state = engine.State();
    const bool read = window.BtnLServerMetClick();
    for (const QString& error : state.errorLog) {
        io.err << QString(error).replace(QStringLiteral("server.met : "), path + QStringLiteral(" : "))
               << '\n';
    }
    if (!read) {
        return kExitFailure;
    }
    state.Controls().nbThreads.SetValue(*threads);
    state.Controls().timeout.SetValue(*timeout);
    state.Controls().checked = kind;
    if (kind == ProbeKind::RechNew) {
        // The list request goes to servers that answered; every row of the file counts as one.
        for (std::size_t i = 0; i < state.Servers().Count(); ++i) {
            state.Servers().Row(i).answered = true;
        }
    }
    window.BtnLancerClick();
    PrintServerRows(state.Servers(), io.out);
    if (line.IsSet(QStringLiteral("write"))) {
        // The same rule as the cycle's write step: a list without a row never replaces a file.
        const serverlist::WriteResult result = window.BtnEServerMetClick();
        if (result.status == serverlist::WriteResult::Status::NothingToWrite) {
            return Fail(io, QStringLiteral("no server is left to write; %1 stays as it was").arg(path));
        }
        if (!result.Written()) {
            return Fail(io, QStringLiteral("cannot write %1: %2").arg(path, result.error));
        }
    }
    return kExitOk;
}

}  // namespace

std::vector<Verb> ScanVerbs() {
    return {
        {{.name = "scan",
          .arguments = "FILE",
          .summary = "the \"Lancer\" button on the rows of a server.met: clean-up, one campaign of that mode "
                     "(default desc), clean-up; prints the rows as servermet read does",
          .options = {{"mode", "desc|list|fr",
                       "desc (ping, the default), list (ask for servers), fr (French check)"},
                      {"threads", "N",
                       "workers at once, " + RangeText(kNbThreads) + " (default " +
                           std::to_string(kNbThreads.fallback) + ")"},
                      {"timeout", "S",
                       "probe timeout in seconds, " + RangeText(kTimeout) + " (default " +
                           std::to_string(kTimeout.fallback) + ")"},
                      {"write",
                       {},
                       "write the rows back to FILE; a list without rows never replaces it (exit "
                       "status 1)"},
                      {"peer-address", "ADDR", "the address the workers' sockets bind"},
                      {"ip-filter", "FILE",
                       "rows this IP filter list blocks are removed first, never probed"},
                      {"client", "C",
                       "edonkey (the default), emule or amule: the list's dialect; for emule and amule "
                       "--write keeps the entries the table cannot hold"}}},
         1,
         1,
         &Scan},
    };
}

}  // namespace hublane::cli
