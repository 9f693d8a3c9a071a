// The peer server under load. In memory: how many datagrams per second the peer protocol handles
// from one sender and from 10,000 senders, and what 100,000 spoofed senders cost in memory. Over
// loopback: a whole engine's peer server at 127.0.0.25:3077 fed pings and list requests by another
// socket, handled datagrams per second and how many were lost on the way.
//
//   bench_peer [DATAGRAMS]   (default 1,000,000 in memory, a fifth of it over loopback)
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QNetworkDatagram>
#include <QTemporaryDir>
#include <QUdpSocket>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "BenchParts.h"
#include "app/Engine.h"
#include "exchange/PeerHandler.h"
#include "exchange/PeerServer.h"
#include "language/LanguageTable.h"
#include "platform/Clock.h"
#include "platform/MemorySettingsStore.h"
#include "probe/Ed2kMessages.h"
#include "serverlist/CycleState.h"

namespace {

using namespace hublane;
using probe::PeerKind;

std::string Sender(int i) {
    return "198." + std::to_string(18 + i / 65536) + "." + std::to_string(i / 256 % 256) + "." +
           std::to_string(i % 256);
}

void FillServers(serverlist::ServerTable& servers, int count) {
    for (int i = 0; i < count; ++i)
        servers.AddServerRow("203.0." + std::to_string(i / 250) + "." + std::to_string(i % 250 + 1), "4661");
}

struct Rate {
    double perSecond;
    std::size_t answers;
    std::size_t limited;
};

// Handles count datagrams of the given kinds in turn from `senders` rotating senders, a
// millisecond apart.
Rate HandleInMemory(const std::vector<PeerKind>& kinds, int senders, int count) {
    serverlist::ServerTable servers;
    serverlist::PeerList peers;
    FillServers(servers, 1000);
    exchange::PeerHandler handler;
    handler.SetSelf("127.0.0.25", false);
    std::vector<std::string> requests;
    for (const PeerKind kind : kinds)
        requests.push_back(probe::PeerRequest(kind));
    std::vector<std::string> from;
    from.reserve(static_cast<std::size_t>(senders));
    for (int i = 0; i < senders; ++i)
        from.push_back(Sender(i));
    Rate rate{0, 0, 0};
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < count; ++i) {
        const exchange::PeerOutcome out =
            handler.Handle(requests[static_cast<std::size_t>(i) % requests.size()],
                           from[static_cast<std::size_t>(i % senders)], i, servers, peers);
        rate.answers += out.answers.size();
        rate.limited += out.limited ? 1 : 0;
    }
    rate.perSecond = count * 1000.0 / std::max<qint64>(clock.elapsed(), 1);
    return rate;
}

void SpoofedSenders(int senders) {
    serverlist::ServerTable servers;
    serverlist::PeerList peers;
    FillServers(servers, 1000);
    exchange::PeerHandler handler;
    const std::string ping = probe::PeerRequest(PeerKind::Ping);
    const long before = bench::RssKb();
    for (int i = 0; i < senders; ++i)
        handler.Handle(ping, Sender(i), i / 100, servers, peers);  // all within one answer window
    std::printf("%d spoofed senders in 10 s: %zu remembered, %zu peer rows, resident memory +%ld KiB\n",
                senders, handler.RememberedRequesters(), peers.Count(), bench::RssKb() - before);
}

void OverLoopback(int count) {
    QTemporaryDir dir;
    platform::MemorySettingsStore settings;
    language::LanguageTable language;
    language.Reset();
    bench::NoPrompts prompts;
    bench::NoClasses classes;
    bench::NoOwner owner;
    const platform::SystemClock systemClock;
    serverlist::PlainGauge gauge;
    serverlist::NoStatusCaption caption;
    app::EngineOptions options;
    options.address.bind = QHostAddress(QStringLiteral("127.0.0.25"));
    options.serverMetPath = dir.filePath(QStringLiteral("s.met"));
    options.peerListPath = dir.filePath(QStringLiteral("p.met"));
    options.webUrl = QStringLiteral("http://127.0.0.1:9/");
    options.handOff = false;
    app::Engine engine(
        app::EngineDeps{settings, prompts, classes, language, systemClock, gauge, caption, owner}, options);
    FillServers(engine.State().Servers(), 1000);
    exchange::PeerServer& server = engine.PeerServer();
    QString error;
    if (!server.Listen(&error)) {
        std::fprintf(stderr, "cannot listen on 127.0.0.25:3077: %s\n", qPrintable(error));
        std::exit(1);
    }
    // The requester: its peer port takes the answers, another socket sends.
    const QHostAddress requester(QStringLiteral("127.0.0.26"));
    QUdpSocket answers;
    QUdpSocket sender;
    if (!answers.bind(requester, 3077) || !sender.bind(requester, 0)) {
        std::fprintf(stderr, "cannot bind 127.0.0.26\n");
        std::exit(1);
    }
    const QHostAddress to(QStringLiteral("127.0.0.25"));
    for (const PeerKind kind : {PeerKind::Ping, PeerKind::GetServers}) {
        const std::string bytes = probe::PeerRequest(kind);
        const QByteArray request(bytes.data(), static_cast<qsizetype>(bytes.size()));
        const std::uint64_t start = server.Handled();
        std::uint64_t received = 0;
        QElapsedTimer clock;
        clock.start();
        // Bursts of 256 the receive buffer holds, each let through before the next.
        constexpr int kBurst = 256;
        for (int sent = 0; sent < count;) {
            for (int i = 0; i < kBurst && sent < count; ++i, ++sent)
                sender.writeDatagram(request, to, 3077);
            QElapsedTimer burst;
            burst.start();
            while (server.Handled() - start < static_cast<std::uint64_t>(sent) && burst.elapsed() < 200)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            while (answers.hasPendingDatagrams()) {
                answers.receiveDatagram();
                ++received;
            }
        }
        const qint64 ms = std::max<qint64>(clock.elapsed(), 1);
        const std::uint64_t handled = server.Handled() - start;
        std::printf(
            "over loopback, %s x %d from one copy: %.0f handled/s, %llu lost, %llu answers (one a "
            "kind per 10 s)\n",
            kind == PeerKind::Ping ? "PEER_PING" : "PEER_GET_SERVERS", count, handled * 1000.0 / ms,
            static_cast<unsigned long long>(count - handled), static_cast<unsigned long long>(received));
    }
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::max(std::atoi(argv[1]), 1000) : 1000000;

    const std::vector<PeerKind> mixed = {PeerKind::Ping, PeerKind::GetServers, PeerKind::GetPeers,
                                         PeerKind::Pong};
    for (const int senders : {1, 10000}) {
        const Rate r = HandleInMemory(mixed, senders, count);
        std::printf(
            "in memory, PING/GET_SERVERS/GET_PEERS/PONG in turn from %d sender(s), 1,000 servers: %.0f "
            "datagrams/s, %zu answer datagrams, %zu requests limited\n",
            senders, r.perSecond, r.answers, r.limited);
    }
    const Rate servers = HandleInMemory({PeerKind::GetServers}, 10000, count);
    std::printf(
        "in memory, PEER_GET_SERVERS alone from 10,000 senders: %.0f datagrams/s, %zu answer datagrams\n",
        servers.perSecond, servers.answers);
    SpoofedSenders(100000);
    OverLoopback(count / 5);
    std::printf("peak resident memory: %ld KiB\n", bench::PeakRssKb());
    return 0;
}
