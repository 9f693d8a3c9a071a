// The hand-off to a running aMule: its list read over EC, the plan applied (the
// additions first, so that a session cut short loses nothing), and the status line.
#pragma once

#include <QString>
#include <set>

#include "clients/AmulePlan.h"
#include "clients/AmuleSession.h"
#include "serverlist/WorkGauge.h"

namespace hublane::clients {

struct AmuleHandOffResult {
    enum class Outcome {
        Delivered,   ///< the whole plan was carried out
        EmptyTable,  ///< the table holds no server: aMule was not even asked
        NoSession,   ///< aMule could not be reached or refused the login (reason: why)
        CutShort,    ///< the session broke part-way (the counts say what was done)
    };
    Outcome outcome = Outcome::NoSession;
    int added = 0;
    int refused = 0;  ///< additions aMule declined (a reserved range, a server it has)
    int removed = 0;
    QString reason;  ///< the session's failure, in French with the address tried
    AmulePlan plan;  ///< what was planned (empty unless aMule's list was read)
};

/// The status line of a hand-off ("aMule : 12 serveurs ajoutés, 3 retirés").
QString AmuleStatusLine(const AmuleHandOffResult& result);

/// Whether the table holds a server aMule could be given (an empty table is never handed off).
bool HoldsServerForAmule(const serverlist::ServerTable& table);

/// Reads aMule's list, plans and applies. With dryRun, stops after the plan.
AmuleHandOffResult RunAmuleHandOff(AmuleSession& session, const EcTarget& target,
                                   const serverlist::ServerTable& table,
                                   const std::set<ServerEndpoint>& askedAndSilent,
                                   serverlist::WorkGauge& gauge, bool dryRun = false);

}  // namespace hublane::clients
