// The hand-off of 1,000 servers to a real amuled (fresh, with an empty list), and of the removal
// of 1,000 silent ones: wall time of the whole hand-offs (login, list, changes), three runs each.
// A table holds one row per address and the two documentation ranges have 500 usable ones here,
// so the 1,000 come as two hand-offs of 500 (ports 4661 and 4662).
// Runs itself inside a private network namespace (scripts/netns-run).
#include <unistd.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "AmuledRig.h"
#include "clients/AmuleHandOff.h"

namespace {

using hublane::clients::AmuleHandOffResult;
using hublane::clients::AmuleSession;
using hublane::clients::RunAmuleHandOff;
using hublane::clients::ServerEndpoint;

constexpr int kServers = 1000;

// 1,000 distinct servers: 198.51.100.1-250 and 203.0.113.1-250, two ports each.
std::string Ip(int i) {
    return (i % 500 < 250 ? "198.51.100." : "203.0.113.") + std::to_string(1 + i % 250);
}
std::uint16_t Port(int i) {
    return static_cast<std::uint16_t>(4661 + i / 500);
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariable("HUBLANE_NETNS") != QLatin1String("inside")) {
        execl(HUBLANE_NETNS_SCRIPT, HUBLANE_NETNS_SCRIPT, argv[0], static_cast<char*>(nullptr));
        std::perror("netns-run");
        return 1;
    }
    QCoreApplication app(argc, argv);
    if (const QString why = hublane::test::AmuledUnavailable(); !why.isEmpty()) {
        std::printf("skipped: %s\n", why.toUtf8().constData());
        return 0;
    }
    std::vector<hublane::serverlist::ServerTable> tables(2);
    for (int i = 0; i < kServers; ++i) {
        tables[static_cast<std::size_t>(i / 500)].AddServerRow(Ip(i), std::to_string(Port(i)), "1", "2",
                                                               "Server " + std::to_string(i));
    }
    hublane::serverlist::ServerTable one;
    one.AddServerRow("203.0.113.254", "4661");
    std::set<ServerEndpoint> silent;
    for (int i = 0; i < kServers; ++i) {
        silent.insert({Ip(i), Port(i)});
    }

    std::vector<double> addMs;
    std::vector<double> removeMs;
    for (int run = 0; run < 3; ++run) {
        hublane::test::AmuledRig rig;
        if (!rig.Start()) {
            std::printf("amuled did not start: %s\n", rig.Error().toUtf8().constData());
            return 1;
        }
        hublane::serverlist::PlainGauge gauge;
        AmuleSession session;
        int added = 0;
        QElapsedTimer timer;
        timer.start();
        for (const auto& table : tables) {
            const AmuleHandOffResult r = RunAmuleHandOff(session, rig.Target(), table, {}, gauge);
            added += r.added;
        }
        addMs.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        timer.restart();
        const AmuleHandOffResult removed = RunAmuleHandOff(session, rig.Target(), one, silent, gauge);
        removeMs.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        if (added != kServers || removed.removed != kServers) {
            std::printf("run %d: %d added, %d removed (expected %d each): %s\n", run, added, removed.removed,
                        kServers, removed.reason.toUtf8().constData());
            return 1;
        }
    }
    std::printf("1000 servers added to amuled (2 hand-offs of 500): median %.1f ms (runs:", Median(addMs));
    for (const double ms : addMs) {
        std::printf(" %.1f", ms);
    }
    std::printf(")\n1000 silent servers removed (1 hand-off):      median %.1f ms (runs:", Median(removeMs));
    for (const double ms : removeMs) {
        std::printf(" %.1f", ms);
    }
    std::printf(")\n");
    return 0;
}
