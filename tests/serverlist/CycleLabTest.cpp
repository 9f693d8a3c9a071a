// A whole update cycle with the real campaigns against simulated servers on loopback: the
// client's list is read, probed, extended and written back.
#include <gtest/gtest.h>
#include <QTemporaryDir>

#include "clients/ServerMetCodec.h"
#include "lab/Lab.h"
#include "serverlist/ListFiles.h"
#include "support/EngineRig.h"
#include "support/TestSupport.h"

namespace hublane::serverlist {
namespace {

TEST(CycleAgainstTheLab, KeepsTheAnsweringServersAndAddsTheOnesTheyKnow) {
    // The cycle's waits and the workers' lingers run on a clock twice as fast as the real one.
    const platform::FastClock fast(2);
    // A copy address of its own: other tests' copies run beside it.
    app::EngineOptions options;
    options.address.bind = QHostAddress(QStringLiteral("127.0.0.235"));
    test::EngineRig rig(options, &fast);
    ASSERT_TRUE(rig.dir.isValid());
    lab::Lab lab;
    QString error;
    ASSERT_TRUE(lab.StartServers(QStringLiteral(R"(
127.0.0.230 4661 answer name="Un" desc="premier" list=127.0.0.233:4661,127.0.0.234:4661
127.0.0.231 4661 wrongcode name="Deux"
127.0.0.232 4242 answer name="Trois" desc="troisieme"
127.0.0.233 4661 answer name="Quatre" desc="appris"
127.0.0.234 4661 garbage
)"),
                                 &error))
        << error.toStdString();

    const QString serverMet = rig.ServerMetPath();
    ServerTable clientList;
    clientList.AddServerRow("127.0.0.231", "4661");
    clientList.AddServerRow("127.0.0.230", "4661", "12", "n/a", "ancien nom");
    clientList.AddServerRow("127.0.0.232", "4242");
    clientList.AddServerRow("10.1.2.3", "4661");
    PlainGauge gauge;
    ASSERT_TRUE(WriteServerMet(serverMet, clientList, gauge, {}, clients::kServerMetCodec).Written());

    platform::MemorySettingsStore& settings = rig.settings;
    settings.Values()[QStringLiteral("inter")] = 2;
    settings.Values()[QStringLiteral("NbThreads")] = 10;
    settings.Values()[QStringLiteral("Timeout")] = 1;
    TFLServeur& window = rig.Window();
    window.Show();

    // Read, pinged (two silent ones and the private one gone), asked for more, the newcomer
    // pinged, and written back in address order.
    ServerTable written;
    QStringList log;
    ReadContext ctx{gauge, rig.language, log};
    ASSERT_TRUE(ReadServerMet(serverMet, written, ctx, nullptr, clients::kServerMetCodec));
    ASSERT_EQ(written.Count(), 3u);
    EXPECT_EQ(written.Row(0).caption, "127.0.0.230");
    EXPECT_EQ(written.Row(0).Sub(Column::Name), "Un");
    EXPECT_EQ(written.Row(0).Sub(Column::Description), "premier");
    EXPECT_EQ(written.Row(0).Sub(Column::Users), "12");
    EXPECT_EQ(written.Row(1).caption, "127.0.0.232");
    EXPECT_EQ(written.Row(1).Sub(Column::Port), "4242");
    EXPECT_EQ(written.Row(2).caption, "127.0.0.233");
    EXPECT_EQ(written.Row(2).Sub(Column::Name), "Quatre");
    EXPECT_EQ(lab.Requests(QStringLiteral("127.0.0.230")).serverList, 1);
    EXPECT_EQ(lab.Requests(QStringLiteral("127.0.0.231")).serverList, 0);  // it never answered
    EXPECT_EQ(rig.State().serverCounter, 3);
    // The last step handed the table as written to the client, once.
    ASSERT_EQ(rig.handOff->calls.size(), 1u);
    EXPECT_EQ(rig.handOff->calls[0].size(), 3u);
    EXPECT_TRUE(rig.status.captions.contains(QStringLiteral("Recherche de nouveaux serveurs")));
    // The peer list stayed empty: no file, no web directory. Its file is not created.
    EXPECT_FALSE(QFile::exists(rig.PeerListPath()));
    EXPECT_TRUE(test::WaitFor([&window] { return !window.Visible(); }, 3000));
    EXPECT_EQ(std::get<std::int32_t>(settings.Values()[QStringLiteral("Timeout")]), 1);
}

}  // namespace
}  // namespace hublane::serverlist
