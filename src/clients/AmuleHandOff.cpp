// The hand-off to a running aMule and its status line.
#include "clients/AmuleHandOff.h"

namespace hublane::clients {
namespace {

using Outcome = AmuleHandOffResult::Outcome;

QString Servers(int n, const char* verb) {
    return QStringLiteral("%1 serveur%2 %3%2")
        .arg(n)
        .arg(n > 1 ? QStringLiteral("s") : QString(), QString::fromUtf8(verb));
}

QString Counts(const AmuleHandOffResult& result) {
    QString text =
        Servers(result.added, "ajouté") + QStringLiteral(", %1 retiré%2")
                                              .arg(result.removed)
                                              .arg(result.removed > 1 ? QStringLiteral("s") : QString());
    if (result.refused > 0) {
        text += QStringLiteral(", %1 refusé%2 par aMule")
                    .arg(result.refused)
                    .arg(result.refused > 1 ? QStringLiteral("s") : QString());
    }
    return text;
}

}  // namespace

QString AmuleStatusLine(const AmuleHandOffResult& result) {
    switch (result.outcome) {
        case Outcome::Delivered:
            return QStringLiteral("aMule : ") + Counts(result);
        case Outcome::EmptyTable:
            return QStringLiteral(
                "Envoi vers aMule sauté : la liste est vide (rien n'est changé chez aMule)");
        case Outcome::NoSession:
            return QStringLiteral("Envoi vers aMule impossible : ") + result.reason;
        case Outcome::CutShort:
            return QStringLiteral("Envoi vers aMule interrompu (%1) : %2").arg(Counts(result), result.reason);
    }
    return {};
}

bool HoldsServerForAmule(const serverlist::ServerTable& table) {
    return !PlanAmuleHandOff({}, table, {}).emptyTable;
}

AmuleHandOffResult RunAmuleHandOff(AmuleSession& session, const EcTarget& target,
                                   const serverlist::ServerTable& table,
                                   const std::set<ServerEndpoint>& askedAndSilent,
                                   serverlist::WorkGauge& gauge, bool dryRun) {
    AmuleHandOffResult result;
    // Planned against no list first: a table without a usable server is never handed off, and
    // aMule need not even run for that to be said.
    if (!HoldsServerForAmule(table)) {
        result.outcome = Outcome::EmptyTable;
        result.plan.emptyTable = true;
        return result;
    }
    if (!session.Login(target)) {
        result.reason = session.Reason();
        return result;
    }
    const auto list = session.ServerList();
    if (!list) {
        result.reason = session.Reason();
        return result;
    }
    result.plan = PlanAmuleHandOff(*list, table, askedAndSilent);
    if (dryRun) {
        result.outcome = Outcome::Delivered;
        session.Close();
        return result;
    }
    gauge.SetMax(static_cast<int>(result.plan.add.size() + result.plan.remove.size()));
    gauge.SetPosition(0);
    result.outcome = Outcome::CutShort;
    for (const ServerToAdd& server : result.plan.add) {
        gauge.Step();
        const AddAnswer answer = session.AddServer(server);
        if (answer == AddAnswer::Failed) {
            result.reason = session.Reason();
            return result;
        }
        ++(answer == AddAnswer::Added ? result.added : result.refused);
    }
    for (const ServerEndpoint& endpoint : result.plan.remove) {
        gauge.Step();
        if (!session.RemoveServer(endpoint)) {
            result.reason = session.Reason();
            return result;
        }
        ++result.removed;
    }
    session.Close();
    result.outcome = Outcome::Delivered;
    return result;
}

}  // namespace hublane::clients
