// A whole cycle with an IP filter that blocks some of the lab's servers, a copy and an address on
// a directory page: none of them is ever contacted, enters the lists or is written, and the
// cycle's summary counts what the filter took out.
#include <gtest/gtest.h>
#include <QUdpSocket>

#include "clients/ServerMetCodec.h"
#include "exchange/PeerServer.h"
#include "lab/Lab.h"
#include "serverlist/ListFiles.h"
#include "support/EngineRig.h"
#include "support/PageServer.h"
#include "support/TestSupport.h"

namespace hublane::app {
namespace {

TEST(IpFilterCycleTest, BlockedAddressesAreNeverContactedNorKept) {
    lab::Lab lab;
    QString error;
    ASSERT_TRUE(lab.StartServers(QStringLiteral(R"(
127.0.0.30 4661 answer name="kept" list=127.0.0.33:4661,127.0.0.34:4661
127.0.0.31 4661 answer name="blocked in the file"
127.0.0.33 4661 answer name="blocked in a list answer"
127.0.0.34 4661 answer name="learned"
127.0.0.35 4661 answer name="blocked on the page"
127.0.0.36 4661 answer name="from the page"
127.0.0.42 peer answer
)"),
                                 &error))
        << error.toStdString();
    test::PageServer directory(QStringLiteral("127.0.0.83"));
    directory.Html(QStringLiteral("liste.php"),
                   "<a href='ed2k://|server|127.0.0.35|4661|/'>x</a>"
                   "<a href='ed2k://|server|127.0.0.36|4661|/'>y</a>");
    QTemporaryDir files;
    ASSERT_TRUE(files.isValid());
    const QString filterPath = files.filePath(QStringLiteral("ipfilter.dat"));
    test::WriteWholeFile(filterPath,
                         "127.0.0.31 - 127.0.0.31 , 0 , fake server\n"
                         "127.0.0.33-127.0.0.33\n"
                         "spy copies:127.0.0.42-127.0.0.43\n"
                         "127.0.0.35\n");
    EngineOptions options;
    options.address.bind = QHostAddress(QStringLiteral("127.0.0.4"));
    options.webUrl = directory.Url();
    options.ipFilterPath = filterPath;
    const platform::FastClock fast(2);
    test::EngineRig rig(options, &fast);
    rig.settings.Values()[QStringLiteral("inter")] = 2;
    rig.settings.Values()[QStringLiteral("Timeout")] = 1;
    serverlist::ServerTable table;
    table.AddServerRow("127.0.0.30", "4661");
    table.AddServerRow("127.0.0.31", "4661");
    serverlist::PlainGauge gauge;
    ASSERT_TRUE(serverlist::WriteServerMet(rig.ServerMetPath(), table, gauge, {}, clients::kServerMetCodec)
                    .Written());
    serverlist::PeerList peers;
    peers.AddPeerRow("127.0.0.42");
    ASSERT_TRUE(serverlist::WritePeerList(rig.PeerListPath(), peers, gauge, {}).Written());

    rig.Window().Show();

    for (const char* blocked : {"127.0.0.31", "127.0.0.33", "127.0.0.35", "127.0.0.42"}) {
        EXPECT_EQ(lab.Requests(QString::fromLatin1(blocked)).Total(), 0) << blocked;
    }
    serverlist::ServerTable written;
    QStringList log;
    serverlist::ReadContext ctx{gauge, rig.language, log};
    ASSERT_TRUE(
        serverlist::ReadServerMet(rig.ServerMetPath(), written, ctx, nullptr, clients::kServerMetCodec));
    std::vector<std::string> captions;
    for (const auto& row : written.Rows())
        captions.push_back(row.caption);
    EXPECT_EQ(captions, (std::vector<std::string>{"127.0.0.30", "127.0.0.34", "127.0.0.36"}));
    EXPECT_EQ(rig.State().Peers().FindExact("127.0.0.42"), -1);
    EXPECT_TRUE(rig.status.captions.last().contains(QStringLiteral("2 adresses filtrées")))
        << rig.status.captions.last().toStdString();

    // A blocked sender gets no answer from the copy's peer server, nor a row.
    QUdpSocket spy;
    ASSERT_TRUE(spy.bind(QHostAddress(QStringLiteral("127.0.0.43")), 3077));
    spy.writeDatagram(QByteArray("\xA0"), QHostAddress(QStringLiteral("127.0.0.4")), 3077);
    const std::uint64_t handledBefore = rig.engine->PeerServer().Handled();
    ASSERT_TRUE(test::WaitFor([&] { return rig.engine->PeerServer().Handled() > handledBefore; }, 3000));
    EXPECT_FALSE(test::WaitFor([&spy] { return spy.hasPendingDatagrams(); }, 300));
    EXPECT_EQ(rig.State().Peers().FindExact("127.0.0.43"), -1);
}

}  // namespace
}  // namespace hublane::app
