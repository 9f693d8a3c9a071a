// hublanectl probe: asks one eD2k server for its description or its server list
// over UDP.
#include <QByteArray>
#include <string_view>

#include "cli/Commands.h"
#include "cli/ListRowText.h"
#include "cli/VerbLine.h"
#include "probe/Ed2kMessages.h"
#include "probe/UdpExchange.h"

namespace hublane::cli {
namespace {

std::string_view View(const QByteArray& bytes) {
    return std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

int Probe(const VerbLine& line, Io& io, bool description) {
    const QString host = line.Args().at(0);
    bool ok = false;
    const int listedPort = line.Args().at(1).toInt(&ok);
    if (!ok || listedPort < 0 || listedPort > 65535 - probe::kServerUdpPortOffset) {
        return line.UsageError(io, QStringLiteral("bad port '%1': the server's listed port, 0 to %2")
                                       .arg(line.Args().at(1))
                                       .arg(65535 - probe::kServerUdpPortOffset));
    }
    const auto address = line.PeerAddress(io);
    if (!address) {
        return kExitUsage;
    }
    if (probe::ResolveIpv4(host).isNull()) {
        return Fail(io, QStringLiteral("cannot resolve host '%1' to an IPv4 address").arg(host));
    }
    const auto udpPort = static_cast<quint16>(listedPort + probe::kServerUdpPortOffset);
    const std::string request = description ? probe::DescriptionRequest() : probe::ServerListRequest();
    probe::UdpExchange exchange;
    QByteArray answer;
    if (exchange.Open(host, udpPort, address->bind) &&
        exchange.Send(QByteArray(request.data(), static_cast<qsizetype>(request.size())))) {
        answer = exchange.Receive(probe::kReceiveWaitMs);
    }
    if (description ? !probe::IsDescriptionAnswer(View(answer)) : !probe::IsServerListAnswer(View(answer))) {
        io.err << "hublanectl: no " << (description ? "description" : "server list") << " answer from "
               << host << ':' << udpPort << '\n';
        return kExitNoAnswer;
    }
    if (description) {
        // The texts as the server stored them, like every other verb prints stored bytes.
        const probe::Description d = probe::ParseDescription(View(answer));
        const Latin1Stream bytesOut(&io.out);
        io.out << EscapeField(d.name) << '\t' << EscapeField(d.description) << '\n';
        return kExitOk;
    }
    serverlist::EntryTable entries{};
    const int filled = probe::ParseServerList(View(answer), entries);
    for (int i = 0; i < filled; ++i) {
        const serverlist::SERVEUR& e = entries[static_cast<std::size_t>(i)];
        if (probe::IsUsableEntry(e)) {
            io.out << QString::fromStdString(e.ip) << ':' << QString::fromStdString(e.port) << '\n';
        }
    }
    return kExitOk;
}

int Desc(const VerbLine& line, Io& io) {
    return Probe(line, io, true);
}

int List(const VerbLine& line, Io& io) {
    return Probe(line, io, false);
}

const text::OptionHelp kPeerAddress{"peer-address", "ADDR", "the address the socket binds"};

}  // namespace

std::vector<Verb> ProbeVerbs() {
    return {
        {{.name = "probe desc",
          .arguments = "HOST PORT",
          .summary = "asks the eD2k server listed at HOST:PORT (UDP port PORT + 4) for its name and "
                     "description: NAME<TAB>DESCRIPTION as stored (\\\\ \\t \\r \\n and \\xNN escaped); exit "
                     "status 2 when no answer came within 5 s",
          .options = {kPeerAddress}},
         2,
         2,
         &Desc},
        {{.name = "probe list",
          .arguments = "HOST PORT",
          .summary =
              "asks the eD2k server listed at HOST:PORT for the servers it knows: one IP:PORT line per "
              "usable entry, in answer order; "
              "exit status 2 when no answer came within 5 s",
          .options = {kPeerAddress}},
         2,
         2,
         &List},
    };
}

}  // namespace hublane::cli
