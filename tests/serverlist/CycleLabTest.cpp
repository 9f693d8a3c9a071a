// A whole update cycle with the real campaigns against simulated servers on loopback: the
// client's list is read, probed, extended and written back.
#include <gtest/gtest.h>
#include <QTemporaryDir>

#include "app/LanguageTable.h"
#include "lab/Lab.h"
#include "platform/MemorySettingsStore.h"
#include "serverlist/ListFiles.h"
#include "serverlist/Lserveur.h"
#include "support/CycleFakes.h"
#include "support/FakePrompts.h"
#include "support/TestSupport.h"

namespace hublane::serverlist {
namespace {

TEST(CycleAgainstTheLab, KeepsTheAnsweringServersAndAddsTheOnesTheyKnow) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
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

    const QString serverMet = dir.filePath(QStringLiteral("server.met"));
    ServerTable clientList;
    clientList.AddServerRow("127.0.0.231", "4661");
    clientList.AddServerRow("127.0.0.230", "4661", "12", "n/a", "ancien nom");
    clientList.AddServerRow("127.0.0.232", "4242");
    clientList.AddServerRow("10.1.2.3", "4661");
    PlainGauge gauge;
    ASSERT_TRUE(WriteServerMet(serverMet, clientList, gauge, false));

    platform::MemorySettingsStore settings;
    settings.Values()[QStringLiteral("inter")] = 2;
    settings.Values()[QStringLiteral("NbThreads")] = 10;
    settings.Values()[QStringLiteral("Timeout")] = 1;
    app::LanguageTable language;
    language.Reset();
    for (int i = 1; i <= 15; ++i)
        language.Append(QStringLiteral("texte %1").arg(i));
    test::FakePrompts prompts;
    test::RecordingStatus status;
    TFLServeur window(LserveurDeps{settings, language, prompts, [&serverMet](bool) { return serverMet; },
                                   dir.filePath(QStringLiteral("serverHBL.met"))});
    window.SetStatusLabel(&status);
    window.Show();

    // Read, pinged (two silent ones and the private one gone), asked for more, the newcomer
    // pinged, and written back in address order.
    ServerTable written;
    QStringList log;
    ReadContext ctx{gauge, language, log};
    ASSERT_TRUE(ReadServerMet(serverMet, written, ctx, nullptr));
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
    EXPECT_EQ(window.Label8(), QStringLiteral("3"));
    EXPECT_TRUE(status.captions.contains(QStringLiteral("Recherche de nouveaux serveurs")));
    // The peer list stayed empty: no file, no web directory. Its file is not created.
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("serverHBL.met"))));
    EXPECT_TRUE(test::WaitFor([&window] { return !window.Visible(); }, 3000));
    EXPECT_EQ(std::get<std::int32_t>(settings.Values()[QStringLiteral("Timeout")]), 1);
}

}  // namespace
}  // namespace hublane::serverlist
