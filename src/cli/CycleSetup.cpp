// The cycle's command-line options and the engine built from them, shared by cycle and daemon.
#include "cli/CycleSetup.h"

#include <QDateTime>

#include "app/Engine.h"
#include "cli/AmuleHandOffVerb.h"
#include "cli/CliLanguage.h"
#include "cli/ConsolePrompts.h"
#include "cli/VerbLine.h"
#include "clients/AmuleClient.h"
#include "clients/AmuleEcTarget.h"
#include "platform/ClassRegistration.h"
#include "platform/Clock.h"
#include "platform/OverlaySettingsStore.h"
#include "platform/SettingsKeys.h"
#include "platform/UserSettingsStore.h"
#include "serverlist/CycleReport.h"
#include "serverlist/CycleState.h"
#include "serverlist/TFLServeur.h"
#include "serverlist/WorkGauge.h"

namespace hublane::cli {

void PrintedCaption::SetCaption(const QString& text) {
    if (m_stamps) {
        m_out << QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss ")) << text
              << '\n';
    } else {
        m_out << text << '\n';
    }
    m_out.flush();
}

std::vector<text::OptionHelp> CycleOptions() {
    return {
        {"client", "C",
         "the client served: edonkey, emule or amule (default: the setting Client, else the one found on "
         "this machine)"},
        {"client-dir", "DIR",
         "the folder that holds the client's server.met (eMule: its config folder, aMule: ~/.aMule; "
         "default: the one the program found)"},
        {"donkey-dir", "DIR", "the other name of --client-dir"},
        {"peer-address", "ADDR", "the address every socket of this copy binds (default: all)"},
        {"web", "URL",
         "the web directory (default: the setting " + platform::settings::kServeurWeb.Name().toStdString() +
             ")"},
        {"threads", "N", "workers at once, " + RangeText(platform::settings::kNbThreads)},
        {"timeout", "S", "probe timeout in seconds, " + RangeText(platform::settings::kTimeout)},
        {"no-handoff", {}, "do not type the list into a running client"},
        {"speed", "N", "run the cycle's fixed waits N times faster (tests, demos)"},
        {"ip-filter", "FILE", "an IP filter list"},
        {"ec", "HOST:PORT", "where aMule answers EC (default: the setting AmuleEc, else its amule.conf)"},
        {"ec-password", "TEXT",
         "aMule's EC password, kept only as its MD5 (default: the setting AmuleEcPassword, else its "
         "amule.conf)"},
    };
}

bool ReadClientOptions(const VerbLine& line, Io& io, app::EngineOptions& options) {
    const QString client = line.Value(QStringLiteral("client"));
    if (!client.isEmpty()) {
        options.client = clients::ParseClientKind(client.toStdString());
        if (!options.client) {
            line.UsageError(io, QStringLiteral("unknown client '%1' (edonkey, emule or amule)").arg(client));
            return false;
        }
    }
    const bool clientDir = line.IsSet(QStringLiteral("client-dir"));
    const bool donkeyDir = line.IsSet(QStringLiteral("donkey-dir"));
    if (clientDir && donkeyDir) {
        line.UsageError(io, QStringLiteral("--client-dir and --donkey-dir name the same folder: give one"));
        return false;
    }
    if (clientDir || donkeyDir) {
        options.clientDir =
            line.Value(clientDir ? QStringLiteral("client-dir") : QStringLiteral("donkey-dir"));
    }
    return true;
}

struct CycleSession::Parts {
    explicit Parts(QTextStream& err, QTextStream& out, bool stamps) : prompts(err), caption(out, stamps) {}

    std::unique_ptr<platform::SettingsStore> userSettings = platform::CreateUserSettingsStore();
    platform::OverlaySettingsStore settings{*userSettings};
    ConsolePrompts prompts;
    NoBusyOwner owner;
    std::unique_ptr<platform::Clock> clock;
    serverlist::PlainGauge gauge;
    PrintedCaption caption;
    std::unique_ptr<platform::ClassRegistration> classes = platform::CreateSystemClassRegistration();
    std::unique_ptr<app::Engine> engine;
    int speed = 1;
};

CycleSession::CycleSession() = default;
CycleSession::~CycleSession() = default;

std::unique_ptr<CycleSession> CycleSession::Make(const VerbLine& line, Io& io, bool stamps, int* status) {
    *status = kExitUsage;
    const auto threads = line.Number(QStringLiteral("threads"), platform::settings::kNbThreads, 0, io);
    const auto timeout = line.Number(QStringLiteral("timeout"), platform::settings::kTimeout, 0, io);
    const auto speed = line.Number(QStringLiteral("speed"), 1, 1000, 1, io);
    if (!threads || !timeout || !speed) {
        return nullptr;
    }
    app::EngineOptions options;
    if (const auto address = line.PeerAddress(io)) {
        options.address = *address;
    } else {
        return nullptr;
    }
    if (!ReadClientOptions(line, io, options)) {
        return nullptr;
    }
    options.handOff = !line.IsSet(QStringLiteral("no-handoff"));
    options.ipFilterPath = line.Value(QStringLiteral("ip-filter"));
    options.webUrl = line.Value(QStringLiteral("web"));

    std::unique_ptr<CycleSession> session(new CycleSession());
    session->m_parts = std::make_unique<Parts>(io.err, io.out, stamps);
    Parts& p = *session->m_parts;
    {
        // Options stand in front of the stored cycle settings, which are read only when inter is.
        const auto key = p.userSettings->Open();
        const bool stored = key && key->ValueExists(platform::settings::kInter.Name());
        if (!stored && (*threads > 0 || *timeout > 0)) {
            p.settings.Override(platform::settings::kInter.Name(), platform::settings::kInter.fallback);
        }
    }
    // The settings are only read, but for a plain-text EC password, which is replaced by its
    // hash, and the silent servers a hand-off to aMule could not take out, which the next run
    // takes out.
    clients::SealEcPassword(*p.userSettings);
    p.settings.Lasting(QString::fromLatin1(clients::kAmulePendingRemovalsSetting));
    if (const auto usage = PutEcOptions(line, p.settings, io)) {
        *status = *usage;
        return nullptr;
    }
    if (*threads > 0) {
        p.settings.Override(platform::settings::kNbThreads.Name(), *threads);
    }
    if (*timeout > 0) {
        p.settings.Override(platform::settings::kTimeout.Name(), *timeout);
    }
    p.speed = *speed;
    if (*speed > 1) {
        p.clock = std::make_unique<platform::FastClock>(*speed);
    } else {
        p.clock = std::make_unique<platform::SystemClock>();
    }
    p.engine = std::make_unique<app::Engine>(app::EngineDeps{p.settings, p.prompts, *p.classes, CliLanguage(),
                                                             *p.clock, p.gauge, p.caption, p.owner},
                                             options);
    *status = kExitOk;
    return session;
}

app::Engine& CycleSession::Engine() {
    return *m_parts->engine;
}

int CycleSession::Speed() const {
    return m_parts->speed;
}

void CycleSession::PrintErrors(Io& io) {
    QStringList& log = m_parts->engine->State().errorLog;
    for (const QString& error : log) {
        io.err << error << '\n';
    }
    io.err.flush();
    log.clear();
}

bool CycleSession::ServerMetMissing() {
    return m_parts->engine->ServerList().Report().ServerMet().read == serverlist::FileReport::Read::Missing;
}

}  // namespace hublane::cli
