// Whole update cycles against a web directory on loopback: a short server list and an empty peer
// list are filled from its pages and the newcomers pinged, every start of the peer server
// announces the copy, and a directory that never answers does not hold the cycle.
#include <gtest/gtest.h>

#include "clients/ServerMetCodec.h"
#include "exchange/WebDirectory.h"
#include "lab/Lab.h"
#include "serverlist/ListFiles.h"
#include "support/EngineRig.h"
#include "support/PageServer.h"
#include "support/TestSupport.h"

namespace hublane::app {
namespace {

// This file's addresses: the directories on 127.0.0.88 and 127.0.0.89, the copies on 127.0.8.2
// and 127.0.8.3, the lab's servers and copies on 127.0.8.20 and up.
using Row = std::pair<std::string, std::string>;  // caption, port

std::vector<Row> WrittenServers(test::EngineRig& rig) {
    serverlist::ServerTable table;
    serverlist::PlainGauge gauge;
    QStringList log;
    serverlist::ReadContext ctx{gauge, rig.language, log};
    EXPECT_TRUE(
        serverlist::ReadServerMet(rig.ServerMetPath(), table, ctx, nullptr, clients::kServerMetCodec));
    std::vector<Row> rows;
    for (const serverlist::ServerRow& row : table.Rows())
        rows.emplace_back(row.caption, row.Sub(serverlist::Column::Port));
    return rows;
}

std::vector<std::string> WrittenPeers(test::EngineRig& rig) {
    serverlist::PeerList peers;
    serverlist::PlainGauge gauge;
    QStringList log;
    serverlist::ReadContext ctx{gauge, rig.language, log};
    EXPECT_TRUE(serverlist::ReadPeerList(rig.PeerListPath(), peers, ctx));
    std::vector<std::string> captions;
    for (const serverlist::PeerRow& row : peers.Rows())
        captions.push_back(row.caption);
    return captions;
}

EngineOptions CopyAt(const char* address, const test::PageServer& directory) {
    EngineOptions options;
    options.address.bind = QHostAddress(QString::fromLatin1(address));
    options.webUrl = directory.Url();
    return options;
}

TEST(WebCycleTest, AShortListAndAnEmptyPeerListAreFilledFromTheDirectory) {
    lab::Lab lab;
    QString error;
    ASSERT_TRUE(lab.StartServers(QStringLiteral(R"(
127.0.8.20 4661 answer name="Vingt"
127.0.8.21 4242 answer name="Vingt et un"
127.0.8.22 4661 silent
127.0.8.23 4661 answer name="Du fichier"
127.0.8.40 peer answer
127.0.8.41 peer silent
)"),
                                 &error))
        << error.toStdString();
    test::PageServer directory(QStringLiteral("127.0.0.88"));
    ASSERT_NE(directory.Port(), 0);
    directory.Html(QStringLiteral("liste.php"),
                   "<a href='ed2k://|server|127.0.8.20|4661|/'>Vingt</a>"
                   "<a href='ed2k://|server|127.0.8.20|4661|/'>Vingt</a>"
                   "<a href='ed2k://|server|127.0.8.21|4242|/'>Vingt et un</a>"
                   "<a href='ed2k://|server|127.0.8.22|4661|/'>muet</a>"
                   "<a href='ed2k://|server|127.0.8.23|4999|/'>connu, autre port</a>"
                   "<a href='ed2k://|file|x.avi|1|0123456789ABCDEF0123456789ABCDEF|/'>fichier</a>");
    directory.Html(QStringLiteral("listeHBL.php"),
                   "<a href='http://127.0.8.40/'>a</a><a href='http://127.0.8.41/'>b</a>");
    directory.Html(QStringLiteral("connectHB.php"), "Copie enregistrée");

    const platform::FastClock fast(5);
    test::EngineRig rig(CopyAt("127.0.8.2", directory), &fast);
    rig.settings.Values()[QStringLiteral("inter")] = 2;
    rig.settings.Values()[QStringLiteral("Timeout")] = 1;
    rig.settings.Values()[QStringLiteral("NbThreads")] = 10;
    serverlist::ServerTable clientList;
    clientList.AddServerRow("127.0.8.23", "4661");
    serverlist::PlainGauge gauge;
    ASSERT_TRUE(
        serverlist::WriteServerMet(rig.ServerMetPath(), clientList, gauge, {}, clients::kServerMetCodec)
            .Written());

    rig.Window().Show();

    // The start announced the copy; one server (five at most) and no peer sent the cycle to the
    // two list pages; the server step at the end did not run, the table being no longer empty.
    EXPECT_EQ(directory.Requests(),
              QStringList({QStringLiteral("/connectHB.php"), QStringLiteral("/liste.php"),
                           QStringLiteral("/listeHBL.php")}));
    // The learned servers were pinged: the answering ones are kept, the silent one is gone; the
    // known address kept the port of the file.
    EXPECT_EQ(WrittenServers(rig),
              (std::vector<Row>{{"127.0.8.20", "4661"}, {"127.0.8.21", "4242"}, {"127.0.8.23", "4661"}}));
    EXPECT_GE(lab.Requests(QStringLiteral("127.0.8.22")).description, 1);
    EXPECT_GE(lab.Requests(QStringLiteral("127.0.8.20")).description, 1);
    EXPECT_EQ(rig.State().Servers().Row(0).Sub(serverlist::Column::Name), "Vingt");
    EXPECT_EQ(WrittenPeers(rig), std::vector<std::string>{"127.0.8.40"});
    EXPECT_GE(lab.Requests(QStringLiteral("127.0.8.41")).peer, 1);
    EXPECT_TRUE(rig.prompts.escaped.isEmpty()) << rig.prompts.escaped.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(rig.status.captions.last().startsWith(QStringLiteral("Cycle terminé")))
        << rig.status.captions.last().toStdString();

    // The next cycle announces again at its start, and with three servers and one peer it asks
    // both list pages again.
    ASSERT_TRUE(test::WaitFor([&rig] { return !rig.Window().Visible(); }, 5000));
    rig.Window().Show();
    EXPECT_EQ(directory.Requests().mid(3),
              QStringList({QStringLiteral("/connectHB.php"), QStringLiteral("/liste.php"),
                           QStringLiteral("/listeHBL.php")}));
    EXPECT_EQ(WrittenServers(rig).size(), 3u);
    EXPECT_EQ(WrittenPeers(rig), std::vector<std::string>{"127.0.8.40"});
}

TEST(WebCycleTest, ADirectoryThatNeverAnswersDoesNotHoldTheCycle) {
    test::PageServer directory(QStringLiteral("127.0.0.89"));
    ASSERT_NE(directory.Port(), 0);
    test::PageServer::Page silent;
    silent.body = "<a href='ed2k://|server|127.0.8.30|4661|/'>x</a>";
    silent.neverEnds = true;
    for (const char* page : {"liste.php", "listeHBL.php", "connectHB.php"})
        directory.Set(QString::fromLatin1(page), silent);
    // Each page is given up after the program's own limit of 30 s, here sixty times faster.
    const platform::FastClock fast(60);
    test::EngineRig rig(CopyAt("127.0.8.3", directory), &fast);
    ASSERT_EQ(rig.engine->Options().pageLimitMs, 30000);

    rig.Window().Show();

    // Announced, both list pages, and the server page once more at the end for an empty table:
    // each waited out, then the cycle went on to its end.
    EXPECT_EQ(directory.Requests(),
              QStringList({QStringLiteral("/connectHB.php"), QStringLiteral("/liste.php"),
                           QStringLiteral("/listeHBL.php"), QStringLiteral("/liste.php")}));
    EXPECT_TRUE(rig.engine->WebDirectory().LastError().contains(QStringLiteral("no answer within 30 s")))
        << rig.engine->WebDirectory().LastError().toStdString();
    EXPECT_TRUE(rig.State().Servers().Empty());
    EXPECT_TRUE(rig.prompts.escaped.isEmpty());
    EXPECT_TRUE(rig.status.captions.contains(QStringLiteral("Ecriture de server.met")));
    EXPECT_TRUE(rig.status.captions.last().startsWith(QStringLiteral("Cycle terminé")))
        << rig.status.captions.last().toStdString();
    EXPECT_TRUE(test::WaitFor([&rig] { return !rig.Window().Visible(); }, 5000));
}

}  // namespace
}  // namespace hublane::app
