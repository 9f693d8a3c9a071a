// hublanectl servermet: reads a server.met into tab-separated rows, or writes one
// from them.
#include <QStringList>
#include <unordered_map>

#include "cli/CliLanguage.h"
#include "cli/Commands.h"
#include "cli/ListInput.h"
#include "cli/ListRowText.h"
#include "cli/VerbLine.h"
#include "clients/ServerMetCodec.h"
#include "serverlist/ListFiles.h"

namespace hublane::cli {
namespace {

using serverlist::ServerRow;
using serverlist::ServerTable;

constexpr std::size_t kFieldCount = 1 + serverlist::kSubItemCount;

int Read(const QStringList& args, Io& io) {
    VerbLine line(QStringLiteral("hublanectl servermet read FILE"),
                  QStringLiteral("Prints the servers of a server.met, one a line: IP, Port, Util., Fichiers, "
                                 "Nom, Description, Home.\nExit status 1 when the file cannot be read whole "
                                 "(the rows read so far are printed)."));
    if (const auto status = line.Parse(args, io, 1, 1)) {
        return *status;
    }
    const QString path = line.Args().at(0);
    ServerTable table;
    serverlist::PlainGauge gauge;
    QStringList errorLog;
    serverlist::ReadContext ctx{gauge, CliLanguage(), errorLog, path};
    const bool ok = serverlist::ReadServerMet(path, table, ctx, nullptr, clients::kServerMetCodec);
    PrintServerRows(table, io.out);
    for (const QString& error : errorLog) {
        io.err << error << '\n';
    }
    return ok ? kExitOk : kExitFailure;
}

int Write(const QStringList& args, Io& io) {
    VerbLine line(
        QStringLiteral("hublanectl servermet write FILE [--skip-bad-rows] [--allow-empty] < ROWS"),
        QStringLiteral("Writes a server.met from lines of up to seven tab-separated fields (IP, Port, "
                       "Util., Fichiers, Nom, Description, Home; missing ones are n/a).\n"
                       "  --skip-bad-rows  write the good lines when some are bad (else nothing is "
                       "written)\n"
                       "  --allow-empty    let an input without rows replace a file that holds a list"));
    line.Option(QStringLiteral("skip-bad-rows"), QStringLiteral("write the good lines"))
        .Option(QStringLiteral("allow-empty"), QStringLiteral("allow an empty list"));
    if (const auto status = line.Parse(args, io, 1, 1)) {
        return *status;
    }
    if (io.in == nullptr) {
        return Fail(io, QStringLiteral("no standard input to read rows from"));
    }
    const QString path = line.Args().at(0);
    ServerTable table;
    QStringList bad;
    std::unordered_map<std::string, int> lineOf;
    for (InputLine& input : ReadInputLines(io)) {
        if (input.fields.size() > kFieldCount) {
            bad << QStringLiteral("line %1: more than %2 fields").arg(input.number).arg(kFieldCount);
            continue;
        }
        input.fields.resize(kFieldCount, std::string(serverlist::kUnknown));
        ServerRow row;
        row.caption = input.fields[0];
        std::copy(input.fields.begin() + 1, input.fields.end(), row.subItems.begin());
        if (!clients::CanEncodeServerRow(row)) {
            bad << QStringLiteral(
                       "line %1: not a server row (an address a.b.c.d, a port 0-65535, Util. and "
                       "Fichiers numbers or n/a)")
                       .arg(input.number);
            continue;
        }
        if (!table.AddServerRow(row.caption, row.subItems[0], row.subItems[1], row.subItems[2],
                                row.subItems[3], row.subItems[4], row.subItems[5])) {
            bad << QStringLiteral("line %1: the address %2 is already on line %3")
                       .arg(input.number)
                       .arg(QString::fromStdString(row.caption))
                       .arg(lineOf[row.caption]);
            continue;
        }
        lineOf[row.caption] = input.number;
    }
    serverlist::PlainGauge gauge;
    return FinishListWrite(
        io, path, bad, table.Count(), line.IsSet(QStringLiteral("skip-bad-rows")),
        line.IsSet(QStringLiteral("allow-empty")),
        [&] { return serverlist::WriteServerMet(path, table, gauge, {}, clients::kServerMetCodec); });
}

}  // namespace

int RunServerMet(const QStringList& args, Io& io) {
    return RunFamily(args, io, "servermet", {{"read", &Read}, {"write", &Write}});
}

}  // namespace hublane::cli
