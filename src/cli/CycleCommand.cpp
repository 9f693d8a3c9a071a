// hublanectl cycle: one whole update cycle on the program's own engine, without its
// windows, on the user's settings (read, never changed).
#include <QDir>

#include "app/Engine.h"
#include "cli/CliLanguage.h"
#include "cli/Commands.h"
#include "cli/ConsolePrompts.h"
#include "cli/VerbLine.h"
#include "platform/ClassRegistration.h"
#include "platform/Clock.h"
#include "platform/OverlaySettingsStore.h"
#include "platform/UserSettingsStore.h"
#include "serverlist/CycleState.h"
#include "serverlist/Lserveur.h"

namespace hublane::cli {
namespace {

// Each step's caption on a line of its own, as it starts; the last line says what the cycle did.
class PrintedCaption final : public serverlist::StatusCaption {
  public:
    explicit PrintedCaption(QTextStream& out) : m_out(out) {}
    void SetCaption(const QString& text) override {
        m_out << text << '\n';
        m_out.flush();
    }

  private:
    QTextStream& m_out;
};

}  // namespace

int RunCycle(const QStringList& args, Io& io) {
    VerbLine line(
        QStringLiteral("hublanectl cycle [--donkey-dir DIR] [--peer-address ADDR] [--web URL] "
                       "[--threads N] [--timeout S] [--no-handoff] [--speed N] [--ip-filter FILE]"),
        QStringLiteral(
            "Runs one whole update cycle as the program does, without its windows: reads server.met from "
            "DIR (default: the folder the program found) and serverHBL.met from the current folder, "
            "runs every step with the same rules, writes the files, and prints each step's caption as "
            "it starts and the line that says what the cycle did. The settings are read, not changed.\n"
            "  --peer-address ADDR  the address every socket of this copy binds (default: all)\n"
            "  --web URL            the web directory (default: the setting ServeurWeb)\n"
            "  --threads N          workers at once, 1 to 40\n"
            "  --timeout S          probe timeout in seconds, 1 to 50\n"
            "  --no-handoff         do not type the list into a running client\n"
            "  --speed N            run the cycle's fixed waits N times faster (tests, demos)\n"
            "Exit status 1 when server.met could not be opened (the cycle still runs and creates it "
            "when it has servers to write)."));
    line.Option(QStringLiteral("donkey-dir"), QStringLiteral("folder"), QStringLiteral("DIR"))
        .Option(QStringLiteral("peer-address"), QStringLiteral("address"), QStringLiteral("ADDR"))
        .Option(QStringLiteral("web"), QStringLiteral("directory"), QStringLiteral("URL"))
        .Option(QStringLiteral("threads"), QStringLiteral("workers"), QStringLiteral("N"))
        .Option(QStringLiteral("timeout"), QStringLiteral("timeout"), QStringLiteral("S"))
        .Option(QStringLiteral("no-handoff"), QStringLiteral("no hand-off"))
        .Option(QStringLiteral("speed"), QStringLiteral("speed"), QStringLiteral("N"))
        .Option(QStringLiteral("ip-filter"), QStringLiteral("filter list"), QStringLiteral("FILE"));
    if (const auto status = line.Parse(args, io, 0, 0)) {
        return *status;
    }
    const auto threads = line.Number(QStringLiteral("threads"), 1, 40, 0, io);
    const auto timeout = line.Number(QStringLiteral("timeout"), 1, 50, 0, io);
    const auto speed = line.Number(QStringLiteral("speed"), 1, 1000, 1, io);
    if (!threads || !timeout || !speed) {
        return kExitUsage;
    }
    app::EngineOptions options;
    if (const auto address = line.PeerAddress(io)) {
        options.address = *address;
    } else {
        return kExitUsage;
    }
    if (line.IsSet(QStringLiteral("donkey-dir"))) {
        options.serverMetPath =
            QDir(line.Value(QStringLiteral("donkey-dir"))).filePath(QStringLiteral("server.met"));
    }
    options.handOff = !line.IsSet(QStringLiteral("no-handoff"));
    options.ipFilterPath = line.Value(QStringLiteral("ip-filter"));

    std::unique_ptr<platform::SettingsStore> userSettings = platform::CreateUserSettingsStore();
    platform::OverlaySettingsStore settings(*userSettings);
    {
        // Options stand in front of the stored cycle settings, which are read only when inter is.
        const auto key = userSettings->Open();
        const bool stored = key && key->ValueExists(QStringLiteral("inter"));
        if (!stored && (*threads > 0 || *timeout > 0)) {
            settings.Override(QStringLiteral("inter"), 2);
        }
    }
    if (*threads > 0) {
        settings.Override(QStringLiteral("NbThreads"), *threads);
    }
    if (*timeout > 0) {
        settings.Override(QStringLiteral("Timeout"), *timeout);
    }
    options.webUrl = line.Value(QStringLiteral("web"));

    ConsolePrompts prompts(io.err);
    NoBusyOwner owner;
    std::unique_ptr<platform::Clock> clock;
    if (*speed > 1) {
        clock = std::make_unique<platform::FastClock>(*speed);
    } else {
        clock = std::make_unique<platform::SystemClock>();
    }
    serverlist::PlainGauge gauge;
    PrintedCaption caption(io.out);
    std::unique_ptr<platform::ClassRegistration> classes = platform::CreateSystemClassRegistration();
    app::Engine engine(
        app::EngineDeps{settings, prompts, *classes, CliLanguage(), *clock, gauge, caption, owner}, options);
    engine.ServerList().Show();
    for (const QString& error : engine.State().errorLog) {
        io.err << error << '\n';
    }
    const bool missing =
        engine.ServerList().Report().ServerMet().read == serverlist::FileReport::Read::Missing;
    return missing ? kExitFailure : kExitOk;
}

}  // namespace hublane::cli
