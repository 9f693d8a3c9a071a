// The hand-off for real under Wine: hublane-handoff.exe typing into fake clients (Windows
// programs with real windows) in a fresh Wine prefix, reached through the runner, the cycle's
// last step and hublanectl handoff. Skips, saying so, without Wine or the cross-built programs.
#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <memory>

#include "clients/EmuleSystemRunner.h"
#include "clients/ServerMetCodec.h"
#include "clients/WineHandOffRunner.h"
#include "lab/Lab.h"
#include "serverlist/ListFiles.h"
#include "support/CliRun.h"
#include "support/EngineRig.h"
#include "support/EnvironmentGuard.h"
#include "support/ServerListSteps.h"
#include "support/TestSupport.h"

namespace hublane::clients {
using serverlist::PlainGauge;
using serverlist::ServerTable;
using serverlist::WriteServerMet;
namespace {

using Outcome = HandOffResult::Outcome;

QString WinDir() {
    return QStringLiteral(HUBLANE_WIN_PROGRAM_DIR);
}

// One prefix for the whole program: making one takes seconds.
class WinePrefixEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        wine = QStandardPaths::findExecutable(QStringLiteral("wine"));
        if (wine.isEmpty()) {
            skipReason = "no wine on this machine (HUBLANE_WITH_WINE=1 scripts/install-deps)";
            return;
        }
        for (const char* program :
             {"win64/hublane-handoff.exe", "win64/hublane-fakedonkey.exe", "win64/hublane-fakeemule.exe"}) {
            if (!QFile::exists(WinDir() + QLatin1Char('/') + QLatin1String(program))) {
                skipReason = std::string("no ") + program + " (mingw-w64 missing when this was built)";
                return;
            }
        }
        prefix = dir.filePath(QStringLiteral("prefix"));
        if (Script(QStringLiteral("create")) != 0 || !QFile::exists(prefix + QStringLiteral("/system.reg"))) {
            skipReason.clear();
            failure = "cannot make a Wine prefix in " + prefix.toStdString();
        }
    }
    void TearDown() override {
        if (!prefix.isEmpty()) {
            Script(QStringLiteral("remove"));
        }
    }
    int Script(const QString& action) {
        QProcess p;
        p.setProcessChannelMode(QProcess::ForwardedChannels);
        p.start(QStringLiteral(HUBLANE_WINE_PREFIX_SCRIPT), {action, prefix});
        return p.waitForFinished(300000) ? p.exitCode() : -1;
    }

    QTemporaryDir dir;
    QString wine;
    QString prefix;
    std::string skipReason;
    std::string failure;
};

WinePrefixEnvironment* g_wine = nullptr;

// A fake client under Wine in the test prefix; its windows exist once it is constructed.
class FakeClient {
  public:
    FakeClient(const QTemporaryDir& dir, const QString& name, const QStringList& options,
               const QString& program = QStringLiteral("hublane-fakedonkey.exe")) {
        m_log = dir.filePath(name + QStringLiteral(".log"));
        const QString readyFile = dir.filePath(name + QStringLiteral(".ready"));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("WINEPREFIX"), g_wine->prefix);
        env.insert(QStringLiteral("WINEDEBUG"), QStringLiteral("-all"));
        m_process.setProcessEnvironment(env);
        m_process.start(g_wine->wine, QStringList{WinDir() + QStringLiteral("/win64/") + program,
                                                  QStringLiteral("--log"), QStringLiteral("Z:") + m_log,
                                                  QStringLiteral("--ready"), QStringLiteral("Z:") + readyFile}
                                          << options);
        ready = test::WaitFor(
                    [&] { return QFile::exists(readyFile) || m_process.state() == QProcess::NotRunning; },
                    60000) &&
                QFile::exists(readyFile);
    }
    ~FakeClient() { Stop(); }
    void Stop() {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(10000);
        }
    }
    QStringList Log() const {
        return QString::fromLatin1(test::ReadWholeFile(m_log)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    bool ready = false;

  private:
    QProcess m_process;
    QString m_log;
};

QStringList ConsoleLog(int console, const std::vector<HandOffAddress>& rows) {
    const QString c = QStringLiteral("console%1").arg(console);
    QStringList lines;
    auto command = [&](const QString& text) {
        lines << c + QStringLiteral(" settext ") + text << c + QStringLiteral(" keydown 13 0")
              << c + QStringLiteral(" settext ");
    };
    for (int i = 0; i < 2000; ++i) {
        command(QStringLiteral("b 1"));
    }
    lines << c + QStringLiteral(" settext ");
    for (const HandOffAddress& row : rows) {
        command(
            QStringLiteral("n %1:%2").arg(QString::fromStdString(row.ip), QString::fromStdString(row.port)));
    }
    lines << c + QStringLiteral(" settext ");
    return lines;
}

class HandOffWine : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!g_wine->failure.empty()) {
            FAIL() << g_wine->failure;
        }
        if (!g_wine->skipReason.empty()) {
            GTEST_SKIP() << g_wine->skipReason;
        }
    }
    WineHandOffConfig Config() const {
        WineHandOffConfig config;
        config.wine = g_wine->wine;
        config.helper = WinDir() + QStringLiteral("/win64/hublane-handoff.exe");
        config.prefix = g_wine->prefix;
        return config;
    }
    QTemporaryDir m_dir;
};

const std::vector<HandOffAddress> kRows = {{"1.2.3.4", "4661"}, {"5.6.7.8", "4242"}};

TEST_F(HandOffWine, RunnerDeliversTheExactSequenceInOrder) {
    FakeClient client(m_dir, QStringLiteral("client"), {});
    ASSERT_TRUE(client.ready);
    PlainGauge gauge;
    const HandOffResult result = WineHandOffRunner(Config()).Run(kRows, gauge);
    EXPECT_EQ(result, (HandOffResult{Outcome::Delivered, 1, 1, {}}));
    EXPECT_EQ(gauge.Max(), 2);
    EXPECT_EQ(gauge.Position(), 2);
    client.Stop();
    EXPECT_TRUE(client.Log() == ConsoleLog(1, kRows)) << client.Log().size() << " lines logged";
}

// The cycle's last step, on the engine as the program builds it, types the table into the client.
TEST_F(HandOffWine, CycleStepHandsTheTableToTheClient) {
    FakeClient client(m_dir, QStringLiteral("client"),
                      {QStringLiteral("--title"), QStringLiteral("eDonkey2000")});
    ASSERT_TRUE(client.ready);
    app::EngineOptions options;
    options.handOffRunner = std::make_shared<WineHandOffRunner>(Config());
    test::EngineRig rig(options);
    rig.State().Servers().AddServerRow("9.8.7.6", "4661");
    rig.State().Servers().AddServerRow("1.2.3.4", "4242");
    test::ServerListSteps::HandOff(rig.Window());
    EXPECT_EQ(rig.status.captions.last(),
              QStringLiteral("Liste envoyée à eDonkey : 2 serveurs dans 1 console"));
    client.Stop();
    EXPECT_TRUE(client.Log() == ConsoleLog(1, {{"9.8.7.6", "4661"}, {"1.2.3.4", "4242"}}));
}

// A whole update cycle against servers of the lab: what its last step types is the table the
// cycle ended with, in table order.
TEST_F(HandOffWine, WholeCycleEndsByTypingItsTableIntoTheClient) {
    FakeClient client(m_dir, QStringLiteral("client"), {});
    ASSERT_TRUE(client.ready);
    lab::Lab lab;
    QString error;
    ASSERT_TRUE(lab.StartServers(QStringLiteral("127.0.77.1 4661 answer name=\"Un\" desc=\"premier\"\n"
                                                "127.0.77.2 4242 answer name=\"Deux\" desc=\"second\"\n"),
                                 &error))
        << error.toStdString();
    const platform::FastClock fast(2);
    app::EngineOptions options;
    options.address.bind = QHostAddress(QStringLiteral("127.0.77.9"));
    options.handOffRunner = std::make_shared<WineHandOffRunner>(Config());
    test::EngineRig rig(options, &fast);
    ServerTable clientList;
    clientList.AddServerRow("127.0.77.2", "4242");
    clientList.AddServerRow("127.0.77.1", "4661");
    clientList.AddServerRow("127.0.77.3", "4661");  // silent: gone before the hand-off
    PlainGauge gauge;
    ASSERT_TRUE(WriteServerMet(rig.ServerMetPath(), clientList, gauge, {}, kServerMetCodec).Written());
    rig.settings.Values()[QStringLiteral("Timeout")] = 1;
    rig.Window().Show();
    const std::vector<HandOffAddress> table = HandOffAddresses(rig.State().Servers());
    ASSERT_EQ(table.size(), 2u);
    EXPECT_TRUE(rig.status.captions.last().endsWith(
        QStringLiteral(" ; Liste envoyée à eDonkey : 2 serveurs dans 1 console")))
        << rig.status.captions.last().toStdString();
    client.Stop();
    EXPECT_TRUE(client.Log() == ConsoleLog(1, table));
}

TEST_F(HandOffWine, HublanectlTypesIntoTwoClientsWithTwoConsolesEach) {
    FakeClient first(m_dir, QStringLiteral("first"), {QStringLiteral("--consoles"), QStringLiteral("2")});
    FakeClient second(m_dir, QStringLiteral("second"),
                      {QStringLiteral("--consoles"), QStringLiteral("2"), QStringLiteral("--other-child")});
    FakeClient other(m_dir, QStringLiteral("other"),
                     {QStringLiteral("--title"), QStringLiteral("eDonkey200")});
    ASSERT_TRUE(first.ready && second.ready && other.ready);
    ServerTable table;
    table.AddServerRow("1.2.3.4", "4661");
    table.AddServerRow("5.6.7.8", "4242");
    PlainGauge gauge;
    const QString met = m_dir.filePath(QStringLiteral("server.met"));
    ASSERT_TRUE(WriteServerMet(met, table, gauge, {}, clients::kServerMetCodec).Written());
    test::EnvironmentGuard env;
    env.Set("HOME", m_dir.filePath(QStringLiteral("home")));
    env.Set("XDG_CONFIG_HOME", m_dir.filePath(QStringLiteral("config")));
    env.Set("WINEPREFIX", g_wine->prefix);
    env.Set("HUBLANE_HELPER_DIR", WinDir());
    const test::CliOutcome r =
        test::Hublanectl({QStringLiteral("handoff"), QStringLiteral("--server-met"), met});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("4 console controls received the list (2 servers)\n"));
    first.Stop();
    second.Stop();
    other.Stop();
    const QStringList both = ConsoleLog(1, kRows) + ConsoleLog(2, kRows);
    EXPECT_TRUE(first.Log() == both);
    EXPECT_TRUE(second.Log() == both);
    EXPECT_TRUE(other.Log().isEmpty());
}

TEST_F(HandOffWine, HublanectlFindsNoClientBehindAShortTitle) {
    FakeClient other(m_dir, QStringLiteral("other"),
                     {QStringLiteral("--title"), QStringLiteral("eDonkey200")});
    ASSERT_TRUE(other.ready);
    ServerTable table;
    table.AddServerRow("1.2.3.4", "4661");
    PlainGauge gauge;
    const QString met = m_dir.filePath(QStringLiteral("server.met"));
    ASSERT_TRUE(WriteServerMet(met, table, gauge, {}, clients::kServerMetCodec).Written());
    test::EnvironmentGuard env;
    env.Set("HOME", m_dir.filePath(QStringLiteral("home")));
    env.Set("XDG_CONFIG_HOME", m_dir.filePath(QStringLiteral("config")));
    env.Set("WINEPREFIX", g_wine->prefix);
    env.Set("HUBLANE_HELPER_DIR", WinDir());
    const test::CliOutcome r =
        test::Hublanectl({QStringLiteral("handoff"), QStringLiteral("--server-met"), met});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, QString());
    EXPECT_TRUE(r.err.contains(QStringLiteral("no running eDonkey2000 client"))) << r.err.toStdString();
    other.Stop();
    EXPECT_TRUE(other.Log().isEmpty());
}

TEST_F(HandOffWine, ClientThatStopsAnsweringEndsTheHandOffWithinTheLimit) {
    FakeClient client(m_dir, QStringLiteral("hung"),
                      {QStringLiteral("--hang-after"), QStringLiteral("5"), QStringLiteral("--hang-ms"),
                       QStringLiteral("30000")});
    ASSERT_TRUE(client.ready);
    WineHandOffConfig config = Config();
    config.messageTimeoutMs = 1000;
    PlainGauge gauge;
    QElapsedTimer clock;
    clock.start();
    const HandOffResult result = WineHandOffRunner(config).Run(kRows, gauge);
    EXPECT_EQ(result.outcome, Outcome::NotAnswering);
    EXPECT_EQ(result.consoles, 0);
    EXPECT_LT(clock.elapsed(), 15000);
    client.Stop();
    EXPECT_EQ(client.Log().size(), 5);
}

// eMule under Wine: the helper in its eMule mode finds the fake eMule beside a fake eDonkey2000
// and sends it one link a server, as eMule's own second copy would.
const QStringList kEmuleLog = {QStringLiteral("ask"),
                               QStringLiteral("copydata 12000 60 terminated ed2k://|server|1.2.3.4|4661|/"),
                               QStringLiteral("copydata 12000 60 terminated ed2k://|server|5.6.7.8|4242|/")};

TEST_F(HandOffWine, EmuleRunnerSendsOneLinkAServer) {
    FakeClient donkey(m_dir, QStringLiteral("donkey"), {});
    FakeClient emule(m_dir, QStringLiteral("emule"), {}, QStringLiteral("hublane-fakeemule.exe"));
    ASSERT_TRUE(donkey.ready && emule.ready);
    WineHandOffConfig config = Config();
    config.helperArguments = {QString::fromLatin1(clients::kEmuleHelperOption)};
    PlainGauge gauge;
    const HandOffResult result = WineHandOffRunner(config).Run(kRows, gauge);
    EXPECT_EQ(result, (HandOffResult{Outcome::Delivered, 1, 2, {}}));
    EXPECT_EQ(gauge.Max(), 2);
    EXPECT_EQ(gauge.Position(), 2);
    donkey.Stop();
    emule.Stop();
    EXPECT_EQ(emule.Log(), kEmuleLog);
    EXPECT_TRUE(donkey.Log().isEmpty());
}

// A whole cycle on an eMule list ends by sending eMule, through the helper in its prefix, one
// link a server the cycle kept; the summary says eMule got the list and keeps the one removed.
TEST_F(HandOffWine, WholeCycleOnAnEmuleListSendsItsServersToEmule) {
    FakeClient emule(m_dir, QStringLiteral("emule"), {}, QStringLiteral("hublane-fakeemule.exe"));
    ASSERT_TRUE(emule.ready);
    lab::Lab lab;
    QString error;
    ASSERT_TRUE(lab.StartServers(QStringLiteral("127.0.12.1 4661 answer name=\"Un\"\n"
                                                "127.0.12.2 4242 answer name=\"Deux\"\n"),
                                 &error))
        << error.toStdString();
    const platform::FastClock fast(2);
    app::EngineOptions options;
    options.client = ClientKind::Emule;
    options.address.bind = QHostAddress(QStringLiteral("127.0.12.9"));
    WineHandOffConfig config = Config();
    config.helperArguments = {QString::fromLatin1(clients::kEmuleHelperOption)};
    options.handOffRunner = std::make_shared<WineHandOffRunner>(config);
    test::EngineRig rig(options, &fast);
    ServerTable clientList;
    clientList.AddServerRow("127.0.12.2", "4242");
    clientList.AddServerRow("127.0.12.1", "4661");
    clientList.AddServerRow("127.0.12.3", "4661");  // silent: removed by the cycle
    PlainGauge gauge;
    ASSERT_TRUE(WriteServerMet(rig.ServerMetPath(), clientList, gauge, {}, kServerMetCodec).Written());
    rig.settings.Values()[QStringLiteral("Timeout")] = 1;
    rig.Window().Show();
    const std::vector<HandOffAddress> table = HandOffAddresses(rig.State().Servers());
    ASSERT_EQ(table.size(), 2u);
    EXPECT_TRUE(rig.status.captions.last().endsWith(
        QStringLiteral(" ; eMule est lancé : la liste lui est transmise directement ; eMule : 2 serveurs "
                       "envoyés ; 1 serveur "
                       "retiré de la liste reste dans eMule, qui ne peut en retirer par ce moyen")))
        << rig.status.captions.last().toStdString();
    emule.Stop();
    QStringList links{QStringLiteral("ask")};
    for (const HandOffAddress& row : table) {
        links << QStringLiteral("copydata 12000 %1 terminated ed2k://|server|%2|%3|/")
                     .arg(static_cast<int>(2 * (19 + row.ip.size() + row.port.size())))
                     .arg(QString::fromStdString(row.ip), QString::fromStdString(row.port));
    }
    EXPECT_EQ(emule.Log(), links);
}

// Looking for eMule under Wine asks its window and sends it nothing.
TEST_F(HandOffWine, RunningEmuleIsFoundAndSentNothing) {
    FakeClient emule(m_dir, QStringLiteral("emule"), {}, QStringLiteral("hublane-fakeemule.exe"));
    ASSERT_TRUE(emule.ready);
    test::EnvironmentGuard env;
    env.Set("WINEPREFIX", g_wine->prefix);
    HandOffSetup setup;
    setup.programDir = WinDir();
    const HandOffResult found = FindSystemEmule(setup);
    EXPECT_EQ(found, (HandOffResult{Outcome::Delivered, 1, 0, {}})) << found.detail;
    emule.Stop();
    EXPECT_EQ(emule.Log(), QStringList{QStringLiteral("ask")});
}

TEST_F(HandOffWine, HublanectlHandsTheListToEmuleOrSaysNoneRuns) {
    ServerTable table;
    table.AddServerRow("1.2.3.4", "4661");
    table.AddServerRow("5.6.7.8", "4242");
    PlainGauge gauge;
    const QString met = m_dir.filePath(QStringLiteral("server.met"));
    ASSERT_TRUE(WriteServerMet(met, table, gauge, {}, clients::kServerMetCodec).Written());
    test::EnvironmentGuard env;
    env.Set("HOME", m_dir.filePath(QStringLiteral("home")));
    env.Set("XDG_CONFIG_HOME", m_dir.filePath(QStringLiteral("config")));
    env.Set("WINEPREFIX", g_wine->prefix);
    env.Set("HUBLANE_HELPER_DIR", WinDir());
    const QStringList args = {QStringLiteral("handoff"), QStringLiteral("--client"), QStringLiteral("emule"),
                              QStringLiteral("--server-met"), met};
    {
        FakeClient donkey(m_dir, QStringLiteral("donkey"), {});
        ASSERT_TRUE(donkey.ready);
        const test::CliOutcome none = test::Hublanectl(args);
        EXPECT_EQ(none.status, 1);
        EXPECT_EQ(none.out, QString());
        EXPECT_TRUE(none.err.contains(QStringLiteral("eMule : aucun eMule en marche")))
            << none.err.toStdString();
        donkey.Stop();
        EXPECT_TRUE(donkey.Log().isEmpty());
    }
    FakeClient emule(m_dir, QStringLiteral("emule"), {}, QStringLiteral("hublane-fakeemule.exe"));
    ASSERT_TRUE(emule.ready);
    const test::CliOutcome sent = test::Hublanectl(args);
    EXPECT_EQ(sent.status, 0) << sent.err.toStdString();
    EXPECT_EQ(sent.out, QStringLiteral("eMule : 2 serveurs envoyés\n"));
    emule.Stop();
    EXPECT_EQ(emule.Log(), kEmuleLog);
}

}  // namespace
}  // namespace hublane::clients

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    hublane::clients::g_wine = new hublane::clients::WinePrefixEnvironment;
    ::testing::AddGlobalTestEnvironment(hublane::clients::g_wine);
    return RUN_ALL_TESTS();
}
