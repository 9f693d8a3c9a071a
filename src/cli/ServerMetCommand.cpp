// hublanectl servermet: reads a server.met into tab-separated rows, or writes one from them.
#include <QStringList>
#include <algorithm>

#include "cli/CliLanguage.h"
#include "cli/Commands.h"
#include "cli/ListRowText.h"
#include "serverlist/ListFiles.h"
#include "serverlist/ServerMetCodec.h"

namespace hublane::cli {
namespace {

using serverlist::ServerRow;
using serverlist::ServerTable;

constexpr std::size_t kFieldCount = 1 + serverlist::kSubItemCount;

int Usage(Io& io) {
    io.err << "usage: hublanectl servermet read FILE\n"
              "       hublanectl servermet write FILE < ROWS\n";
    return 2;
}

int Read(const QString& path, Io& io) {
    ServerTable table;
    serverlist::PlainGauge gauge;
    QStringList errorLog;
    serverlist::ReadContext ctx{gauge, CliLanguage(), errorLog};
    const bool ok = serverlist::ReadServerMet(path, table, ctx, nullptr);
    PrintServerRows(table, io.out);
    for (const QString& line : errorLog) {
        io.err << line << '\n';
    }
    return ok ? 0 : 1;
}

int Write(const QString& path, Io& io) {
    if (io.in == nullptr) {
        io.err << "hublanectl: no standard input to read rows from\n";
        return 2;
    }
    ServerTable table;
    {
        const Latin1Stream bytesIn(io.in);
        int lineNumber = 0;
        while (!io.in->atEnd()) {
            const QString line = io.in->readLine();
            ++lineNumber;
            if (line.isEmpty()) {
                continue;
            }
            std::vector<std::string> fields = SplitFields(line);
            if (fields.size() > kFieldCount) {
                io.err << "hublanectl: line " << lineNumber << " has more than " << kFieldCount
                       << " fields; nothing written\n";
                return 1;
            }
            fields.resize(kFieldCount, std::string(serverlist::kUnknown));
            table.AddServerRow(fields[0], fields[1], fields[2], fields[3], fields[4], fields[5], fields[6]);
        }
    }
    serverlist::PlainGauge gauge;
    if (!serverlist::WriteServerMet(path, table, gauge, false)) {
        io.err << "hublanectl: cannot write " << path << '\n';
        return 1;
    }
    const auto leftOut = std::count_if(table.Rows().begin(), table.Rows().end(), [](const ServerRow& row) {
        return !serverlist::CanEncodeServerRow(row);
    });
    if (leftOut > 0) {
        io.err << "hublanectl: " << leftOut << " row(s) left out: the address or a number is not valid\n";
    }
    return 0;
}

}  // namespace

int RunServerMet(const QStringList& args, Io& io) {
    return RunReadOrWrite(args, io, &Read, &Write, &Usage);
}

}  // namespace hublane::cli
