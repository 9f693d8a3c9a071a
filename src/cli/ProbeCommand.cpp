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

int Probe(const QStringList& args, Io& io, bool description) {
    const QString verb = description ? QStringLiteral("desc") : QStringLiteral("list");
    VerbLine line(QStringLiteral("hublanectl probe %1 HOST PORT [--peer-address ADDR]").arg(verb),
                  description
                      ? QStringLiteral("Asks the eD2k server listed at HOST:PORT (UDP port PORT + 4) for "
                                       "its name and description.\nExit status 2 when no answer came "
                                       "within 5 s.")
                      : QStringLiteral("Asks the eD2k server listed at HOST:PORT (UDP port PORT + 4) for "
                                       "the servers it knows.\nExit status 2 when no answer came within "
                                       "5 s."));
    line.Option(QStringLiteral("peer-address"), QStringLiteral("the address the socket binds"),
                QStringLiteral("ADDR"));
    if (const auto status = line.Parse(args, io, 2, 2)) {
        return *status;
    }
    const QString host = line.Args().at(0);
    bool ok = false;
    const int listedPort = line.Args().at(1).toInt(&ok);
    if (!ok || listedPort < 0 || listedPort > 65535 - probe::kServerUdpPortOffset) {
        return line.UsageError(io, QStringLiteral("bad port '%1': the server's listed port, 0 to %2")
                                       .arg(line.Args().at(1))
                                       .arg(65535 - probe::kServerUdpPortOffset));
    }
    QHostAddress bind(QHostAddress::AnyIPv4);
    if (line.IsSet(QStringLiteral("peer-address")) &&
        !bind.setAddress(line.Value(QStringLiteral("peer-address")))) {
        return line.UsageError(
            io, QStringLiteral("bad address '%1'").arg(line.Value(QStringLiteral("peer-address"))));
    }
    if (probe::ResolveIpv4(host).isNull()) {
        return Fail(io, QStringLiteral("cannot resolve host '%1' to an IPv4 address").arg(host));
    }
    const auto udpPort = static_cast<quint16>(listedPort + probe::kServerUdpPortOffset);
    const std::string request = description ? probe::DescriptionRequest() : probe::ServerListRequest();
    probe::UdpExchange exchange;
    QByteArray answer;
    if (exchange.Open(host, udpPort, bind) &&
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

int Desc(const QStringList& args, Io& io) {
    return Probe(args, io, true);
}

int List(const QStringList& args, Io& io) {
    return Probe(args, io, false);
}

}  // namespace

int RunProbe(const QStringList& args, Io& io) {
    return RunFamily(args, io, "probe", {{"desc", &Desc}, {"list", &List}});
}

}  // namespace hublane::cli
