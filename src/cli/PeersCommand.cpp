// hublanectl peers: reads a serverHBL.met into one address a line, or writes one from them.
#include <QStringList>
#include <algorithm>

#include "cli/CliLanguage.h"
#include "cli/Commands.h"
#include "cli/ListRowText.h"
#include "serverlist/ListFiles.h"
#include "serverlist/PeerListCodec.h"

namespace hublane::cli {
namespace {

using serverlist::PeerList;
using serverlist::PeerRow;

int Usage(Io& io) {
    io.err << "usage: hublanectl peers read FILE\n"
              "       hublanectl peers write FILE < ADDRESSES\n";
    return 2;
}

int Read(const QString& path, Io& io) {
    PeerList peers;
    serverlist::PlainGauge gauge;
    QStringList errorLog;
    serverlist::ReadContext ctx{gauge, CliLanguage(), errorLog};
    const bool ok = serverlist::ReadPeerList(path, peers, ctx);
    {
        const Latin1Stream bytesOut(&io.out);
        for (const PeerRow& row : peers.Rows()) {
            io.out << EscapeField(row.caption) << '\n';
        }
    }
    for (const QString& line : errorLog) {
        io.err << line << '\n';
    }
    return ok ? 0 : 1;
}

int Write(const QString& path, Io& io) {
    if (io.in == nullptr) {
        io.err << "hublanectl: no standard input to read addresses from\n";
        return 2;
    }
    PeerList peers;
    {
        const Latin1Stream bytesIn(io.in);
        while (!io.in->atEnd()) {
            const QString line = io.in->readLine();
            if (!line.isEmpty()) {
                peers.AddPeerRow(UnescapeField(line));
            }
        }
    }
    serverlist::PlainGauge gauge;
    if (!serverlist::WritePeerList(path, peers, gauge, false)) {
        io.err << "hublanectl: cannot write " << path << '\n';
        return 1;
    }
    const auto leftOut = std::count_if(peers.Rows().begin(), peers.Rows().end(),
                                       [](const PeerRow& row) { return !serverlist::CanEncodePeerRow(row); });
    if (leftOut > 0) {
        io.err << "hublanectl: " << leftOut << " line(s) left out: not an IPv4 address\n";
    }
    return 0;
}

}  // namespace

int RunPeers(const QStringList& args, Io& io) {
    return RunReadOrWrite(args, io, &Read, &Write, &Usage);
}

}  // namespace hublane::cli
