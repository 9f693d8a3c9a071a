// hublanectl scan: the "Lancer" button on the rows of a server.met file, without the window.
#include <QStringList>

#include "app/Engine.h"
#include "cli/CliLanguage.h"
#include "cli/Commands.h"
#include "cli/ConsolePrompts.h"
#include "cli/ListRowText.h"
#include "platform/ClassRegistration.h"
#include "platform/Clock.h"
#include "platform/MemorySettingsStore.h"
#include "serverlist/CycleState.h"
#include "serverlist/ListFiles.h"
#include "serverlist/Lserveur.h"

namespace hublane::cli {
namespace {

using serverlist::ProbeKind;

int Usage(Io& io) {
    io.err << "usage: hublanectl scan FILE [--mode desc|list|fr] [--threads N] [--timeout S] [--write]\n";
    return 2;
}

bool ReadNumber(const QStringList& args, qsizetype& i, int& value) {
    if (i + 1 >= args.size()) {
        return false;
    }
    bool ok = false;
    value = args[++i].toInt(&ok);
    return ok;
}

}  // namespace

int RunScan(const QStringList& args, Io& io) {
    if (args.isEmpty()) {
        return Usage(io);
    }
    QString path = args.first();
    ProbeKind kind = ProbeKind::RechDesc;
    int threads = 20;
    int timeout = 2;
    bool write = false;
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--mode") && i + 1 < args.size()) {
            const QString& mode = args[++i];
            if (mode == QLatin1String("desc")) {
                kind = ProbeKind::RechDesc;
            } else if (mode == QLatin1String("list")) {
                kind = ProbeKind::RechNew;
            } else if (mode == QLatin1String("fr")) {
                kind = ProbeKind::RechFr;
            } else {
                return Usage(io);
            }
        } else if (a == QLatin1String("--threads")) {
            if (!ReadNumber(args, i, threads))
                return Usage(io);
        } else if (a == QLatin1String("--timeout")) {
            if (!ReadNumber(args, i, timeout))
                return Usage(io);
        } else if (a == QLatin1String("--write")) {
            write = true;
        } else {
            return Usage(io);
        }
    }

    // The user's own settings are left alone: the engine gets a store of its own.
    platform::MemorySettingsStore settings;
    ConsolePrompts prompts(io.err);
    NoBusyOwner owner;
    const platform::SystemClock clock;
    serverlist::PlainGauge gauge;
    serverlist::NoStatusCaption caption;
    std::unique_ptr<platform::ClassRegistration> classes = platform::CreateSystemClassRegistration();
    app::EngineOptions options;
    options.serverMetPath = path;
    app::Engine engine(
        app::EngineDeps{settings, prompts, *classes, CliLanguage(), clock, gauge, caption, owner}, options);
    serverlist::TFLServeur& window = engine.ServerList();
    serverlist::CycleState& state = engine.State();
    const bool read = window.ReadServerMet();
    for (const QString& line : state.errorLog) {
        io.err << line << '\n';
    }
    if (!read) {
        return 1;
    }
    state.Controls().nbThreads.SetValue(threads);
    state.Controls().timeout.SetValue(timeout);
    state.Controls().checked = kind;
    if (kind == ProbeKind::RechNew) {
        // The list request goes to servers that answered; every row of the file counts as one.
        for (std::size_t i = 0; i < state.Servers().Count(); ++i) {
            state.Servers().Row(i).answered = true;
        }
    }
    window.BtnLancerClick();
    PrintServerRows(state.Servers(), io.out);
    if (write) {
        if (!serverlist::WriteServerMet(path, state.Servers(), gauge, false)) {
            io.err << "hublanectl: cannot write " << path << '\n';
            return 1;
        }
    }
    return 0;
}

}  // namespace hublane::cli
