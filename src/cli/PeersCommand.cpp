// hublanectl peers: reads a serverHBL.met into one address a line, or writes one
// from them.
#include <QStringList>
#include <unordered_map>

#include "cli/CliLanguage.h"
#include "cli/Commands.h"
#include "cli/ListInput.h"
#include "cli/ListRowText.h"
#include "cli/VerbLine.h"
#include "serverlist/ListFiles.h"
#include "serverlist/PeerListCodec.h"

namespace hublane::cli {
namespace {

using serverlist::PeerList;
using serverlist::PeerRow;

int Read(const VerbLine& line, Io& io) {
    const QString path = line.Args().at(0);
    PeerList peers;
    serverlist::PlainGauge gauge;
    QStringList errorLog;
    serverlist::ReadContext ctx{gauge, CliLanguage(), errorLog, path};
    const bool ok = serverlist::ReadPeerList(path, peers, ctx);
    {
        const Latin1Stream bytesOut(&io.out);
        for (const PeerRow& row : peers.Rows()) {
            io.out << EscapeField(row.caption) << '\n';
        }
    }
    for (const QString& error : errorLog) {
        io.err << error << '\n';
    }
    return ok ? kExitOk : kExitFailure;
}

int Write(const VerbLine& line, Io& io) {
    if (io.in == nullptr) {
        return Fail(io, QStringLiteral("no standard input to read addresses from"));
    }
    const QString path = line.Args().at(0);
    PeerList peers;
    QStringList bad;
    std::unordered_map<std::string, int> lineOf;
    for (const InputLine& input : ReadInputLines(io)) {
        const PeerRow row{input.fields.size() == 1 ? input.fields[0] : std::string(), false};
        if (input.fields.size() != 1 || !serverlist::CanEncodePeerRow(row)) {
            bad << QStringLiteral("line %1: not an IPv4 address a.b.c.d").arg(input.number);
            continue;
        }
        if (!peers.AddPeerRow(row.caption)) {
            bad << QStringLiteral("line %1: the address %2 is already on line %3")
                       .arg(input.number)
                       .arg(QString::fromStdString(row.caption))
                       .arg(lineOf[row.caption]);
            continue;
        }
        lineOf[row.caption] = input.number;
    }
    serverlist::PlainGauge gauge;
    return FinishListWrite(io, path, bad, peers.Count(), line.IsSet(QStringLiteral("skip-bad-rows")),
                           line.IsSet(QStringLiteral("allow-empty")),
                           [&] { return serverlist::WritePeerList(path, peers, gauge, {}); });
}

}  // namespace

std::vector<Verb> PeersVerbs() {
    return {
        {{.name = "peers read",
          .arguments = "FILE",
          .summary = "print the addresses of a serverHBL.met, one a line",
          .epilog = "Exit status 1 when the file cannot be read whole (the addresses read so far are "
                    "printed)."},
         1,
         1,
         &Read},
        {{.name = "peers write",
          .arguments = "FILE",
          .summary = "write a serverHBL.met from addresses read on standard input, one IPv4 address a line",
          .options =
              {{"skip-bad-rows", {}, "write the good lines when some are bad (else nothing is written)"},
               {"allow-empty", {}, "let an input without addresses replace a file that holds a list"}}},
         1,
         1,
         &Write},
    };
}

}  // namespace hublane::cli
