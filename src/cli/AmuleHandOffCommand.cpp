// Hublanectl handoff --client amule.
#include <QDir>

#include "cli/AmuleHandOffVerb.h"
#include "cli/CliLanguage.h"
#include "clients/AmuleConf.h"
#include "clients/AmuleEcTarget.h"
#include "clients/AmuleHandOff.h"
#include "clients/MuleServerList.h"
#include "platform/OverlaySettingsStore.h"
#include "platform/UserSettingsStore.h"
#include "serverlist/ListFiles.h"

namespace hublane::cli {
namespace {

QString Ec() {
    return QStringLiteral("ec");
}
QString EcPassword() {
    return QStringLiteral("ec-password");
}
QString ClientDir() {
    return QStringLiteral("client-dir");
}

// aMule's folder: the one given, else ~/.aMule.
QString AmuleDir(const VerbLine& line) {
    const QString given = line.Value(ClientDir());
    return given.isEmpty() ? QDir::home().filePath(QStringLiteral(".aMule")) : given;
}

}  // namespace

bool ReadHandOffTable(const QString& path, serverlist::ServerTable& table, Io& io,
                      serverlist::ServerListDialect& dialect) {
    serverlist::PlainGauge gauge;
    QStringList errorLog;
    serverlist::ReadContext ctx{gauge, CliLanguage(), errorLog, path};
    const bool whole = serverlist::ReadServerMet(path, table, ctx, nullptr, dialect).whole;
    for (const QString& error : errorLog) {
        io.err << "hublanectl: " << error << '\n';
    }
    return whole;
}

std::vector<text::OptionHelp> AmuleHandOffOptions() {
    return {
        {Ec().toStdString(), "HOST:PORT", "where aMule answers EC (default: from DIR/amule.conf)"},
        {EcPassword().toStdString(), "TEXT", "aMule's EC password (default: from DIR/amule.conf)"},
        {ClientDir().toStdString(), "DIR",
         "the folder of the client's server.met (eMule: its config folder; aMule: its folder, default "
         "~/.aMule)"},
    };
}

bool AmuleHandOffOptionsGiven(const VerbLine& line) {
    return line.IsSet(Ec()) || line.IsSet(EcPassword());
}

std::optional<int> PutEcOptions(const VerbLine& line, platform::OverlaySettingsStore& settings, Io& io) {
    if (line.IsSet(Ec())) {
        if (!clients::ParseEcEndpoint(line.Value(Ec()).toStdString())) {
            return line.UsageError(io,
                                   QStringLiteral("--ec takes HOST:PORT, not \"%1\"").arg(line.Value(Ec())));
        }
        settings.Override(QString::fromLatin1(clients::kAmuleEcSetting), line.Value(Ec()));
    }
    if (line.IsSet(EcPassword())) {
        // Only the hash is kept, as amule.conf keeps it.
        settings.Override(QString::fromLatin1(clients::kAmuleEcPasswordSetting),
                          QString::fromStdString(clients::EcPasswordHash(line.Value(EcPassword()))));
    }
    return std::nullopt;
}

int RunAmuleHandOffVerb(const VerbLine& line, Io& io) {
    const QString dir = AmuleDir(line);
    const std::unique_ptr<platform::SettingsStore> userSettings = platform::CreateUserSettingsStore();
    // A password stored in plain text does not stay so (the one change made to the settings).
    clients::SealEcPassword(*userSettings);
    platform::OverlaySettingsStore settings(*userSettings);
    if (const auto status = PutEcOptions(line, settings, io)) {
        return *status;
    }
    const clients::EcTargetChoice choice = clients::ChooseEcTarget(settings, dir);
    if (!choice.target) {
        return Fail(io, choice.problem);
    }
    const clients::EcTarget& target = *choice.target;

    QString path = line.Value(QStringLiteral("server-met"));
    if (path.isEmpty()) {
        path = QDir(dir).filePath(QStringLiteral("server.met"));
    }
    serverlist::ServerTable table;
    clients::MuleServerList dialect;
    if (!ReadHandOffTable(path, table, io, dialect)) {
        return Fail(io, QStringLiteral("cannot read %1 whole; nothing is handed to aMule").arg(path));
    }
    const bool dryRun = line.IsSet(QStringLiteral("dry-run"));
    clients::AmuleSession session;
    serverlist::PlainGauge gauge;
    // Outside a cycle no server was asked, so none counts as silent: nothing is removed.
    const clients::AmuleHandOffResult result =
        clients::RunAmuleHandOff(session, target, table, {}, gauge, dryRun);
    using Outcome = clients::AmuleHandOffResult::Outcome;
    if (result.outcome == Outcome::EmptyTable) {
        return Fail(io, QStringLiteral("%1 holds no server: nothing is handed to aMule").arg(path));
    }
    if (dryRun && result.outcome == Outcome::Delivered) {
        for (const clients::ServerToAdd& server : result.plan.add) {
            io.out << "add " << QString::fromStdString(server.endpoint.Text()) << '\n';
        }
        for (const clients::ServerEndpoint& endpoint : result.plan.remove) {
            io.out << "remove " << QString::fromStdString(endpoint.Text()) << '\n';
        }
        return kExitOk;
    }
    if (result.outcome != Outcome::Delivered) {
        return Fail(io, clients::AmuleStatusLine(result));
    }
    io.out << clients::AmuleStatusLine(result) << '\n';
    return kExitOk;
}

}  // namespace hublane::cli
