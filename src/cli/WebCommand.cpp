// hublanectl web and version-check: each operation with the web directory, and the
// new-version check, by hand.
#include <QEventLoop>
#include <QNetworkAccessManager>

#include "app/VersionCheck.h"
#include "cli/CliLanguage.h"
#include "cli/Commands.h"
#include "cli/ListRowText.h"
#include "cli/VerbLine.h"
#include "clients/PublishedServerMet.h"
#include "clients/ServerMetAddressList.h"
#include "clients/ServerMetCodec.h"
#include "exchange/PageLoader.h"
#include "exchange/PublishedServerLists.h"
#include "exchange/WebFormats.h"
#include "platform/Clock.h"
#include "serverlist/ListFiles.h"

namespace hublane::cli {
namespace {

constexpr int kDefaultPageLimitMs = 30000;

// Loads one page and waits for it (the loader's own time limit bounds the wait).
exchange::LoadedPage Load(const QString& url, int limitMs, qint64 maxBytes = exchange::kMaxPageBytes) {
    QNetworkAccessManager network;
    const platform::SystemClock clock;
    exchange::PageLoader loader(network, clock, limitMs);
    QEventLoop loop;
    QObject::connect(&loader, &exchange::PageLoader::Finished, &loop, &QEventLoop::quit);
    loader.Load(QUrl(url), maxBytes);
    loop.exec();
    return loader.Page();
}

// A web verb's directory and page limit.
struct WebLine {
    const VerbLine& line;
    QString base;
    int limitMs = kDefaultPageLimitMs;
};

// The command line of a web verb: BASEURL (and more arguments), --timeout-ms; nullopt after a
// usage error.
std::optional<WebLine> ReadWeb(const VerbLine& line, Io& io) {
    const auto limit = line.Number(QStringLiteral("timeout-ms"), 1, 3600000, kDefaultPageLimitMs, io);
    if (!limit) {
        return std::nullopt;
    }
    return WebLine{line, line.Args().at(0), *limit};
}

QString Page(const WebLine& web, const char* page) {
    return QString::fromStdString(exchange::PageUrl(web.base.toStdString(), page));
}

// Loads one of the directory's pages; when it cannot be loaded, says why and gives nothing.
std::optional<exchange::LoadedPage> LoadDirectoryPage(const WebLine& web, const char* name, Io& io) {
    const QString url = Page(web, name);
    exchange::LoadedPage page = Load(url, web.limitMs);
    if (!page.ok) {
        Fail(io, QStringLiteral("cannot load %1: %2").arg(url, page.error));
        return std::nullopt;
    }
    return page;
}

int Servers(const VerbLine& line, Io& io) {
    const auto read = ReadWeb(line, io);
    if (!read) {
        return kExitUsage;
    }
    const WebLine& web = *read;
    const auto page = LoadDirectoryPage(web, "liste.php", io);
    if (!page) {
        return kExitFailure;
    }
    for (const exchange::LinkedServer& server : exchange::ServerLinks(page->links)) {
        io.out << QString::fromStdString(server.address) << '\t' << QString::fromStdString(server.port)
               << '\n';
    }
    return kExitOk;
}

int Peers(const VerbLine& line, Io& io) {
    const auto read = ReadWeb(line, io);
    if (!read) {
        return kExitUsage;
    }
    const WebLine& web = *read;
    const auto page = LoadDirectoryPage(web, "listeHBL.php", io);
    if (!page) {
        return kExitFailure;
    }
    for (const std::string& target : page->links) {
        if (const auto peer = exchange::PeerOfLink(target)) {
            io.out << QString::fromStdString(*peer) << '\n';
        }
    }
    return kExitOk;
}

int Send(const VerbLine& line, Io& io) {
    const auto read = ReadWeb(line, io);
    if (!read) {
        return kExitUsage;
    }
    const WebLine& web = *read;
    const QString path = web.line.Args().at(1);
    serverlist::ServerTable table;
    serverlist::PlainGauge gauge;
    QStringList errors;
    serverlist::ReadContext ctx{gauge, CliLanguage(), errors, path};
    if (!serverlist::ReadServerMet(path, table, ctx, nullptr, clients::kServerMetCodec)) {
        for (const QString& e : errors) {
            io.err << e << '\n';
        }
        return kExitFailure;
    }
    const exchange::RcvRequests requests =
        exchange::BuildRcvRequests(table, exchange::PageUrl(web.base.toStdString(), "rcv.php") + "?");
    for (const std::string& url : requests.urls) {
        const QString text = QString::fromStdString(url);
        io.out << text << '\n';
        io.out.flush();
        const exchange::LoadedPage page = Load(text, web.limitMs);
        if (!page.ok) {
            return Fail(io, QStringLiteral("request refused or lost: %1").arg(page.error));
        }
    }
    if (requests.failedRow) {
        const serverlist::ServerRow& row = table.Row(*requests.failedRow);
        return Fail(io, QStringLiteral("row %1 (%2) cannot be sent: not an address and a port")
                            .arg(*requests.failedRow + 1)
                            .arg(QString::fromStdString(row.caption)));
    }
    return kExitOk;
}

int Announce(const VerbLine& line, Io& io) {
    const auto read = ReadWeb(line, io);
    if (!read) {
        return kExitUsage;
    }
    const WebLine& web = *read;
    return LoadDirectoryPage(web, "connectHB.php", io) ? kExitOk : kExitFailure;
}

int ServerMet(const VerbLine& line, Io& io) {
    const auto read = ReadWeb(line, io);
    if (!read) {
        return kExitUsage;
    }
    const WebLine& web = *read;
    const exchange::LoadedPage page = Load(web.base, web.limitMs, exchange::kMaxPublishedListBytes);
    if (!page.ok) {
        return Fail(io, QStringLiteral("cannot load %1: %2").arg(web.base, page.error));
    }
    const clients::PublishedServerMet met = clients::ReadPublishedServerMet(
        std::string_view(page.body.constData(), static_cast<std::size_t>(page.body.size())),
        static_cast<std::size_t>(exchange::kMaxPublishedListBytes));
    serverlist::ServerTable table;
    clients::FillServerTable(met.doc, table);
    PrintServerRows(table, io.out);
    if (const std::size_t carried = met.doc.CarriedCount()) {
        io.err << carried << " entrées gardées telles quelles\n";
    }
    if (!met.result.Ok()) {
        return Fail(io, QStringLiteral("cannot read %1: %2")
                            .arg(web.base, clients::PublishedReadError(met, CliLanguage())));
    }
    return kExitOk;
}

int VersionCheck(const VerbLine& line, Io& io) {
    QNetworkAccessManager network;
    const platform::SystemClock clock;
    const QString url =
        line.Args().isEmpty() ? QString::fromLatin1(app::kDefaultVersionUrl) : line.Args().at(0);
    app::VersionCheck check(network, clock, QUrl(url));
    QEventLoop loop;
    int status = kExitOk;
    QObject::connect(&check, &app::VersionCheck::NewVersion, &loop, [&] {
        io.out << "other\n";
        loop.quit();
    });
    QObject::connect(&check, &app::VersionCheck::SameVersion, &loop, [&] {
        io.out << "same\n";
        loop.quit();
    });
    QObject::connect(&check, &app::VersionCheck::Failed, &loop, [&](const QString& reason) {
        status = Fail(io, QStringLiteral("cannot ask %1: %2").arg(url, reason));
        loop.quit();
    });
    check.CheckVersion();
    loop.exec();
    return status;
}

}  // namespace

std::vector<Verb> WebVerbs() {
    const text::OptionHelp timeout{"timeout-ms", "N", "the longest a page may take (default 30000)"};
    return {
        {{.name = "web servers",
          .arguments = "BASEURL",
          .summary = "the servers of the directory's liste.php: IP<TAB>PORT, once each",
          .details = "Loads BASEURL/liste.php and prints each server its links give, once, in page order: "
                     "IP<TAB>PORT.",
          .options = {timeout}},
         1,
         1,
         &Servers},
        {{.name = "web peers",
          .arguments = "BASEURL",
          .summary = "the copies of the directory's listeHBL.php, one address a line",
          .details = "Loads BASEURL/listeHBL.php and prints each copy its http:// links give, in page order.",
          .options = {timeout}},
         1,
         1,
         &Peers},
        {{.name = "web send",
          .arguments = "BASEURL FILE",
          .summary = "sends the servers of a server.met to the directory's rcv.php, 50 a request",
          .details = "Sends the servers of the server.met FILE to BASEURL/rcv.php, at most 50 a request, and "
                     "prints each request as it is sent.",
          .options = {timeout}},
         2,
         2,
         &Send},
        {{.name = "web announce",
          .arguments = "BASEURL",
          .summary = "tells the directory this copy runs (connectHB.php)",
          .details =
              "Loads BASEURL/connectHB.php, which tells the directory that this copy runs; its content "
              "is not read.",
          .options = {timeout}},
         1,
         1,
         &Announce},
        {{.name = "web servermet",
          .arguments = "URL",
          .summary = "the servers of a server.met published at URL, as servermet read prints them",
          .details =
              "Loads the server.met published at URL (as eMule and aMule load one: either header, gzip "
              "too, at most 4 MiB) and prints its servers as servermet read does.\nExit status 1, with "
              "the reason, when it cannot be loaded or read whole (the rows read so far are printed).",
          .options = {timeout}},
         1,
         1,
         &ServerMet},
    };
}

std::vector<Verb> VersionCheckVerbs() {
    return {
        {{.name = "version-check",
          .arguments = "[URL]",
          .summary = "\"same\" or \"other\": whether the new-version notice would show",
          .details = "Asks the version host (default: the built-in one's /versionHBL.txt) which version is "
                     "published and prints \"same\" when the body is empty or exactly this version (the "
                     "notice stays hidden), \"other\" when the notice would show. Exit status 1 when the "
                     "request fails or takes more than 10 s."},
         0,
         1,
         &VersionCheck},
    };
}

}  // namespace hublane::cli
