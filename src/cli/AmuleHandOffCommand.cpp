// Hublanectl handoff --client amule.
#include <QCryptographicHash>
#include <QDir>
#include <QFile>

#include "cli/AmuleHandOffVerb.h"
#include "cli/CliLanguage.h"
#include "clients/AmuleConf.h"
#include "clients/AmuleHandOff.h"
#include "clients/ServerMetCodec.h"
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

bool ReadHandOffTable(const QString& path, serverlist::ServerTable& table, Io& io) {
    serverlist::PlainGauge gauge;
    QStringList errorLog;
    serverlist::ReadContext ctx{gauge, CliLanguage(), errorLog, path};
    const bool whole = serverlist::ReadServerMet(path, table, ctx, nullptr, clients::kServerMetCodec).whole;
    for (const QString& error : errorLog) {
        io.err << "hublanectl: " << error << '\n';
    }
    return whole;
}

std::vector<text::OptionHelp> AmuleHandOffOptions() {
    return {
        {Ec().toStdString(), "HOST:PORT", "where aMule answers EC (default: from DIR/amule.conf)"},
        {EcPassword().toStdString(), "TEXT", "aMule's EC password (default: from DIR/amule.conf)"},
        {ClientDir().toStdString(), "DIR", "aMule's folder (default: ~/.aMule)"},
    };
}

bool AmuleHandOffOptionsGiven(const VerbLine& line) {
    return line.IsSet(Ec()) || line.IsSet(EcPassword()) || line.IsSet(ClientDir());
}

int RunAmuleHandOffVerb(const VerbLine& line, Io& io) {
    const QString dir = AmuleDir(line);
    const QString confPath = QDir(dir).filePath(QStringLiteral("amule.conf"));
    QFile confFile(confPath);
    const QByteArray confText = confFile.open(QIODevice::ReadOnly) ? confFile.readAll() : QByteArray();
    const clients::AmuleEcSettings conf = clients::ParseAmuleConf(confText.toStdString());

    clients::EcTarget target{QString::fromStdString(conf.host), conf.port, conf.passwordMd5Hex};
    if (line.IsSet(Ec())) {
        const auto endpoint = clients::ParseEcEndpoint(line.Value(Ec()).toStdString());
        if (!endpoint) {
            return line.UsageError(io,
                                   QStringLiteral("--ec takes HOST:PORT, not \"%1\"").arg(line.Value(Ec())));
        }
        target.host = QString::fromStdString(endpoint->first);
        target.port = endpoint->second;
    } else if (!conf.accepted) {
        return Fail(io,
                    QStringLiteral("aMule n'accepte pas les connexions externes (EC) : "
                                   "AcceptExternalConnections=1 manque dans %1 (ou donnez --ec HOST:PORT)")
                        .arg(confPath));
    }
    if (line.IsSet(EcPassword())) {
        // Only the hash is kept, as amule.conf keeps it.
        target.passwordMd5Hex =
            QCryptographicHash::hash(line.Value(EcPassword()).toUtf8(), QCryptographicHash::Md5)
                .toHex()
                .toStdString();
    }

    QString path = line.Value(QStringLiteral("server-met"));
    if (path.isEmpty()) {
        path = QDir(dir).filePath(QStringLiteral("server.met"));
    }
    serverlist::ServerTable table;
    if (!ReadHandOffTable(path, table, io)) {
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
