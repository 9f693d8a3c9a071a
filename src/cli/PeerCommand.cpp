// hublanectl peer: the peer server alone on the tables of two files, and one request
// to another copy by hand.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QNetworkDatagram>
#include <QTimer>
#include <QUdpSocket>

#include "cli/CliLanguage.h"
#include "cli/Commands.h"
#include "cli/VerbLine.h"
#include "clients/ServerMetCodec.h"
#include "exchange/PeerServer.h"
#include "platform/Clock.h"
#include "platform/StopSignals.h"
#include "probe/Ed2kMessages.h"
#include "probe/UdpExchange.h"
#include "serverlist/CycleState.h"
#include "serverlist/ListFiles.h"
#include "serverlist/UiWaits.h"

namespace hublane::cli {
namespace {

using probe::PeerKind;

constexpr int kAskWaitMs = 5000;
constexpr int kListQuietMs = 1000;

std::string_view View(const QByteArray& b) {
    return {b.constData(), static_cast<std::size_t>(b.size())};
}

int Serve(const VerbLine& line, Io& io) {
    const auto address = line.PeerAddress(io);
    const auto seconds = line.Number(QStringLiteral("seconds"), 1, 365 * 24 * 3600, 0, io);
    if (!address || !seconds) {
        return kExitUsage;
    }
    const platform::SystemClock clock;
    serverlist::PlainGauge gauge;
    serverlist::NoStatusCaption caption;
    serverlist::CycleState state(gauge, caption);
    serverlist::UiWaits waits(clock);
    serverlist::NoWebDirectory web;
    exchange::PeerServer server(state, waits, web, *address);

    const QString serverMet = line.Value(QStringLiteral("server-met"));
    const QString peerFile = line.Value(QStringLiteral("peers"));
    QStringList errors;
    serverlist::ReadContext serverCtx{gauge, CliLanguage(), errors, serverMet};
    if (!serverMet.isEmpty() && !serverlist::ReadServerMet(serverMet, state.Servers(), serverCtx, nullptr,
                                                           clients::kServerMetCodec)) {
        for (const QString& e : errors) {
            io.err << e << '\n';
        }
        return kExitFailure;
    }
    if (!peerFile.isEmpty() && QFileInfo::exists(peerFile)) {
        serverlist::ReadContext peerCtx{gauge, CliLanguage(), errors, peerFile};
        if (!serverlist::ReadPeerList(peerFile, state.Peers(), peerCtx)) {
            for (const QString& e : errors) {
                io.err << e << '\n';
            }
            return kExitFailure;
        }
    }
    QString error;
    if (!server.Listen(&error)) {
        return Fail(io, QStringLiteral("cannot listen on %1:%2: %3")
                            .arg(address->bind.toString())
                            .arg(address->peerPort)
                            .arg(error));
    }
    io.out << "listening on " << address->bind.toString() << ':' << address->peerPort << '\n';
    io.out.flush();
    QEventLoop loop;
    const platform::StopSignals stop([&loop](int) { loop.quit(); });
    if (*seconds > 0) {
        QTimer::singleShot(*seconds * 1000, &loop, &QEventLoop::quit);
    }
    loop.exec();
    io.out << "handled " << server.Handled() << " datagrams; " << state.Servers().Count() << " servers, "
           << state.Peers().Count() << " peers\n";
    if (line.IsSet(QStringLiteral("write"))) {
        // This verb writes what it holds, empty or not.
        if (!serverMet.isEmpty()) {
            const serverlist::WriteResult written =
                serverlist::WriteServerMet(serverMet, state.Servers(), gauge, {}, clients::kServerMetCodec);
            if (!written.Written()) {
                return Fail(io, QStringLiteral("cannot write %1: %2").arg(serverMet, written.error));
            }
        }
        if (!peerFile.isEmpty()) {
            const serverlist::WriteResult written =
                serverlist::WritePeerList(peerFile, state.Peers(), gauge, {});
            if (!written.Written()) {
                return Fail(io, QStringLiteral("cannot write %1: %2").arg(peerFile, written.error));
            }
        }
    }
    return kExitOk;
}

int Ask(const VerbLine& line, Io& io) {
    const auto address = line.PeerAddress(io);
    if (!address) {
        return kExitUsage;
    }
    const QString what = line.Args().at(1);
    PeerKind request = PeerKind::Ping;
    PeerKind expected = PeerKind::Pong;
    if (what == QLatin1String("servers")) {
        request = PeerKind::GetServers;
        expected = PeerKind::Servers;
    } else if (what == QLatin1String("peers")) {
        request = PeerKind::GetPeers;
        expected = PeerKind::Peers;
    } else if (what != QLatin1String("ping")) {
        return line.UsageError(io, QStringLiteral("ask for servers, peers or ping, not '%1'").arg(what));
    }
    const QHostAddress host = probe::ResolveIpv4(line.Args().at(0));
    if (host.isNull()) {
        return Fail(io, QStringLiteral("cannot resolve host '%1' to an IPv4 address").arg(line.Args().at(0)));
    }
    QUdpSocket socket;
    if (!socket.bind(address->bind, address->peerPort, QAbstractSocket::DontShareAddress)) {
        return Fail(io, QStringLiteral("cannot listen on %1:%2: %3")
                            .arg(address->bind.toString())
                            .arg(address->peerPort)
                            .arg(socket.errorString()));
    }
    const std::string bytes = probe::PeerRequest(request);
    socket.writeDatagram(bytes.data(), static_cast<qint64>(bytes.size()), host, address->peerPort);
    QElapsedTimer total;
    total.start();
    QElapsedTimer quiet;
    quiet.start();
    int received = 0;
    for (;;) {
        const qint64 left = kAskWaitMs - total.elapsed();
        const qint64 quietLeft = received > 0 ? kListQuietMs - quiet.elapsed() : left;
        if (left <= 0 || quietLeft <= 0) {
            break;
        }
        if (!socket.hasPendingDatagrams() &&
            !socket.waitForReadyRead(static_cast<int>(std::min(left, quietLeft)))) {
            continue;
        }
        const QNetworkDatagram datagram =
            socket.receiveDatagram(static_cast<qint64>(exchange::kPeerDatagramMax));
        const QByteArray data = datagram.data();
        if (!datagram.senderAddress().isEqual(host, QHostAddress::TolerantConversion) ||
            !probe::IsPeerMessage(View(data), expected)) {
            continue;  // not the answer asked for
        }
        ++received;
        quiet.restart();
        if (expected == PeerKind::Pong) {
            io.out << "pong\n";
            break;
        }
        serverlist::EntryTable entries{};
        const int count = probe::ParseServerList(View(data), entries);
        for (int i = 0; i < count; ++i) {
            const serverlist::SERVEUR& e = entries[static_cast<std::size_t>(i)];
            io.out << QString::fromStdString(e.ip) << '\t' << QString::fromStdString(e.port) << '\n';
        }
    }
    if (received == 0) {
        io.err << "hublanectl: no answer from " << host.toString() << ':' << address->peerPort << '\n';
        return kExitNoAnswer;
    }
    return kExitOk;
}

}  // namespace

std::vector<Verb> PeerVerbs() {
    return {
        {{.name = "peer serve",
          .summary = "the peer server alone on UDP 3077, answering other copies from the tables of the two "
                     "files until N seconds pass or SIGINT/SIGTERM",
          .details = "Runs the peer server alone on UDP 3077: answers other copies from the server table of "
                     "the --server-met file and the peer list of the --peers file (missing: empty), merging "
                     "what they send, until N seconds have passed or SIGINT/SIGTERM.",
          .options = {{"peer-address", "ADDR", "the address the peer server binds (default: all)"},
                      {"server-met", "FILE", "the server.met its server table is read from"},
                      {"peers", "FILE", "the serverHBL.met its peer list is read from"},
                      {"seconds", "N", "how long it serves (default: until stopped)"},
                      {"write", {}, "then writes both tables back to their files (also when empty)"}}},
         0,
         0,
         &Serve},
        {{.name = "peer ask",
          .arguments = "HOST servers|peers|ping",
          .summary = "one request to the copy at HOST; prints IP<TAB>PORT lines or pong; exit status 2 when "
                     "nothing came within 5 s",
          .details = "Sends one request to the copy at HOST (UDP 3077) from a socket on ADDR:3077 (every "
                     "address when not given) and prints what comes back there within 5 s: one IP<TAB>PORT "
                     "line per entry (lists are read until a second passes without a datagram), or \"pong\". "
                     "Exit status 2 when nothing came.",
          .options = {{"peer-address", "ADDR", "the address the request is sent from"}}},
         2,
         2,
         &Ask},
    };
}

}  // namespace hublane::cli
