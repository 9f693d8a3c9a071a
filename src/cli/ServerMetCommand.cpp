// hublanectl servermet: reads a server.met into tab-separated rows, or writes one
// from them.
#include <QFileInfo>
#include <QStringList>
#include <optional>
#include <unordered_map>

#include "cli/CliLanguage.h"
#include "cli/Commands.h"
#include "cli/ListInput.h"
#include "cli/ListRowText.h"
#include "cli/VerbLine.h"
#include "clients/ClientKind.h"
#include "clients/MuleServerList.h"
#include "clients/ServerMetCodec.h"
#include "serverlist/ListFiles.h"

namespace hublane::cli {
namespace {

using serverlist::ServerRow;
using serverlist::ServerTable;

constexpr std::size_t kFieldCount = 1 + serverlist::kSubItemCount;
const QString kClientOption = QStringLiteral("client");
const text::OptionHelp kClient{"client", "C", "edonkey (the default), emule or amule: the list's dialect"};

// Whether the verb works on an eMule or aMule list; nullopt after a usage error (status set).
std::optional<bool> MuleDialect(const VerbLine& line, Io& io, int& status) {
    const QString client = line.Value(kClientOption);
    if (client.isEmpty()) {
        return false;
    }
    if (const auto kind = clients::ParseClientKind(client.toStdString())) {
        return *kind != clients::ClientKind::Edonkey;
    }
    status = line.UsageError(io, QStringLiteral("unknown client '%1' (edonkey, emule or amule)").arg(client));
    return std::nullopt;
}

// "N entrées gardées telles quelles" on standard error when the list carried entries.
void ReportCarried(std::size_t carried, Io& io) {
    if (carried > 0) {
        io.err << carried << " entrées gardées telles quelles\n";
    }
}

int Read(const VerbLine& line, Io& io) {
    int usage = 0;
    const auto mule = MuleDialect(line, io, usage);
    if (!mule) {
        return usage;
    }
    const QString path = line.Args().at(0);
    ServerTable table;
    serverlist::PlainGauge gauge;
    QStringList errorLog;
    serverlist::ReadContext ctx{gauge, CliLanguage(), errorLog, path};
    clients::MuleServerList muleList;
    serverlist::StatelessDialect donkeyList(clients::kServerMetCodec);
    serverlist::ServerListDialect& dialect =
        *mule ? static_cast<serverlist::ServerListDialect&>(muleList) : donkeyList;
    const bool ok = serverlist::ReadServerMet(path, table, ctx, nullptr, dialect).whole;
    PrintServerRows(table, io.out);
    ReportCarried(dialect.CarriedCount(), io);
    for (const QString& error : errorLog) {
        io.err << error << '\n';
    }
    return ok ? kExitOk : kExitFailure;
}

int Write(const VerbLine& line, Io& io) {
    int usage = 0;
    const auto mule = MuleDialect(line, io, usage);
    if (!mule) {
        return usage;
    }
    if (io.in == nullptr) {
        return Fail(io, QStringLiteral("no standard input to read rows from"));
    }
    const QString path = line.Args().at(0);
    // The list the rows are written against: what FILE holds, read whole (never a part of it).
    clients::MuleServerList muleList;
    if (*mule && QFileInfo::exists(path)) {
        ServerTable old;
        serverlist::PlainGauge readGauge;
        QStringList errorLog;
        serverlist::ReadContext ctx{readGauge, CliLanguage(), errorLog, path};
        if (!serverlist::ReadServerMet(path, old, ctx, nullptr, muleList).whole) {
            return Fail(io, errorLog.join(QLatin1Char('\n')) + QStringLiteral("\nnothing written"));
        }
    }
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
    return FinishListWrite(io, path, bad, table.Count(), line.IsSet(QStringLiteral("skip-bad-rows")),
                           line.IsSet(QStringLiteral("allow-empty")), [&] {
                               if (!*mule) {
                                   return serverlist::WriteServerMet(path, table, gauge, {},
                                                                     clients::kServerMetCodec);
                               }
                               auto result = serverlist::WriteServerMet(path, table, gauge, {}, muleList);
                               ReportCarried(muleList.LastCounts().carried, io);
                               return result;
                           });
}

}  // namespace

std::vector<Verb> ServerMetVerbs() {
    return {
        {{.name = "servermet read",
          .arguments = "FILE",
          .summary = "print the servers of a server.met, one a line: IP, Port, Util., Fichiers, Nom, "
                     "Description, Home, tab-separated, the bytes as stored with \\\\ \\t \\r \\n and "
                     "\\xNN (other control bytes) escaped",
          .details = "Prints the servers of a server.met, one a line: IP, Port, Util., Fichiers, Nom, "
                     "Description, Home.",
          .options = {kClient},
          .epilog = "Exit status 1 when the file cannot be read whole (the rows read so far are printed)."},
         1,
         1,
         &Read},
        {{.name = "servermet write",
          .arguments = "FILE",
          .summary = "write a server.met from such lines read on standard input (missing fields at the end "
                     "are \"n/a\"); a bad line fails unless skipped, and an empty input never replaces a "
                     "list unless allowed",
          .details = "Writes a server.met from lines of up to seven tab-separated fields (IP, Port, Util., "
                     "Fichiers, Nom, Description, Home; missing ones are n/a) read on standard input.",
          .options =
              {kClient,
               {"skip-bad-rows", {}, "write the good lines when some are bad (else nothing is written)"},
               {"allow-empty", {}, "let an input without rows replace a file that holds a list"}},
          .epilog = "For emule and amule the rows are written against the list FILE holds: its entries keep "
                    "their bytes where their row did not change, entries without a row go, entries the "
                    "table cannot hold stay."},
         1,
         1,
         &Write},
    };
}

}  // namespace hublane::cli
