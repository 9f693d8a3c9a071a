// Probe campaigns against simulated servers on loopback: which rows stay, the worker limit,
// re-entry, the removal pass, the French check, and quitting in the middle.
#include "probe/Campaigns.h"

#include <gtest/gtest.h>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <mutex>

#include "app/LanguageTable.h"
#include "lab/Lab.h"
#include "platform/MemorySettingsStore.h"
#include "serverlist/Lserveur.h"
#include "support/FakePrompts.h"
#include "support/TestSupport.h"

namespace hublane::probe {
namespace {

using serverlist::Column;
using serverlist::ProbeKind;

class CampaignsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        language.Reset();
        window = std::make_unique<serverlist::TFLServeur>(serverlist::LserveurDeps{
            settings, language, prompts, [this](bool) { return dir.filePath(QStringLiteral("server.met")); },
            dir.filePath(QStringLiteral("serverHBL.met"))});
        window->Controls().timeout.SetValue(1);
    }
    void StartLab(const char* config) {
        QString error;
        ASSERT_TRUE(lab.StartServers(QString::fromUtf8(config), &error)) << error.toStdString();
    }
    void Lancer(ProbeKind kind) {
        window->Controls().checked = kind;
        window->BtnLancerClick();
    }
    std::vector<std::string> Captions() {
        std::vector<std::string> out;
        for (const auto& r : window->lvip().Rows())
            out.push_back(r.caption);
        return out;
    }

    QTemporaryDir dir;
    platform::MemorySettingsStore settings;
    app::LanguageTable language;
    test::FakePrompts prompts;
    lab::Lab lab;
    std::unique_ptr<serverlist::TFLServeur> window;
};

TEST_F(CampaignsTest, DescriptionCampaignKeepsExactlyTheAnsweringServers) {
    StartLab(
        "127.0.0.20 4661 answer name=\"Lab 20\" desc=\"first\"\n"
        "127.0.0.21 4661 wrongcode name=\"x\"\n"
        "127.0.0.22 4661 garbage\n"
        "127.0.0.23 4242 answer name=\"Lab 23\" desc=\"\"\n"
        "127.0.0.24 4661 truncated name=\"Lab 24\" desc=\"cut\"\n");
    for (const char* ip : {"127.0.0.24", "127.0.0.23", "127.0.0.22", "127.0.0.21", "127.0.0.20"}) {
        window->lvip().AddServerRow(ip, ip == std::string("127.0.0.23") ? "4242" : "4661");
    }
    Lancer(ProbeKind::RechDesc);
    // A truncated description answer still names the server (its texts are cut at the end).
    EXPECT_EQ(Captions(), (std::vector<std::string>{"127.0.0.20", "127.0.0.23", "127.0.0.24"}));
    EXPECT_EQ(window->lvip().Row(0).Sub(Column::Name), "Lab 20");
    EXPECT_EQ(window->lvip().Row(0).Sub(Column::Description), "first");
    EXPECT_EQ(window->lvip().Row(1).Sub(Column::Name), "Lab 23");
    EXPECT_TRUE(window->lvip().Row(0).answered);
    EXPECT_EQ(window->Label8(), QStringLiteral("3"));
    EXPECT_EQ(window->Label6(), QStringLiteral("5"));
    EXPECT_EQ(lab.Requests(QStringLiteral("127.0.0.23")).description, 1);
    EXPECT_EQ(window->CampaignsOf().BusyCount(), 0);
}

TEST_F(CampaignsTest, RowsThatAlreadyAnsweredAreCountedNotProbedAndKept) {
    StartLab("127.0.0.20 4661 answer name=\"A\"\n");
    window->lvip().AddServerRow("127.0.0.20", "4661");
    window->lvip().AddServerRow("127.0.0.30", "4661", "n/a", "n/a", "kept");
    window->lvip().Row(1).answered = true;
    Lancer(ProbeKind::RechDesc);
    EXPECT_EQ(Captions(), (std::vector<std::string>{"127.0.0.20", "127.0.0.30"}));
    EXPECT_EQ(window->lvip().Row(1).Sub(Column::Name), "kept");
    EXPECT_EQ(window->Label6(), QStringLiteral("2"));
}

TEST_F(CampaignsTest, ServerListCampaignAddsNewServersAndHoldsItsSlotUntilTheTimeoutIsOver) {
    StartLab("127.0.0.20 4661 answer list=127.0.0.31:4661,10.0.0.1:4661,127.0.0.20:4242,127.0.0.32:4243\n");
    window->lvip().AddServerRow("127.0.0.20", "4661");
    window->lvip().Row(0).answered = true;
    QElapsedTimer clock;
    clock.start();
    Lancer(ProbeKind::RechNew);
    // The worker keeps its slot for Timeout + 1 s even though the answer came at once.
    EXPECT_GE(clock.elapsed(), 1900);
    EXPECT_EQ(Captions(), (std::vector<std::string>{"127.0.0.20", "127.0.0.31", "127.0.0.32"}));
    EXPECT_EQ(window->lvip().Row(2).Sub(Column::Port), "4243");
    EXPECT_EQ(window->lvip().Row(2).Sub(Column::Name), "n/a");
    EXPECT_FALSE(window->lvip().Row(1).answered);
    EXPECT_EQ(lab.Requests(QStringLiteral("127.0.0.20")).serverList, 1);
}

TEST_F(CampaignsTest, ServerListCampaignAsksOnlyAnsweredRowsAmongTheFirstFifty) {
    StartLab("127.0.0.21 4661 answer\n127.0.0.99 4661 answer\n");
    // After the clean-up's sort: 127.0.0.21, sixty rows 127.0.0.30 to .89, then 127.0.0.99.
    for (int i = 30; i < 90; ++i)
        window->lvip().AddServerRow("127.0.0." + std::to_string(i), "4661");
    window->lvip().AddServerRow("127.0.0.99", "4661");
    window->lvip().AddServerRow("127.0.0.21", "4661");
    window->lvip().Row(60).answered = true;
    window->lvip().Row(61).answered = true;
    Lancer(ProbeKind::RechNew);
    EXPECT_EQ(lab.Requests(QStringLiteral("127.0.0.21")).serverList, 1);
    EXPECT_EQ(lab.Requests(QStringLiteral("127.0.0.99")).Total(), 0);
    EXPECT_EQ(window->lvip().Count(), 62u);
}

TEST_F(CampaignsTest, WorkerLimitOfOneProbesOneServerAtATime) {
    StartLab(
        "127.0.0.20 4661 late delay=300 name=\"a\"\n"
        "127.0.0.21 4661 late delay=300 name=\"b\"\n"
        "127.0.0.22 4661 late delay=300 name=\"c\"\n");
    std::mutex mutex;
    std::vector<qint64> arrivals;
    QElapsedTimer clock;
    clock.start();
    QObject::connect(
        &lab, &lab::Lab::RequestReceived, &lab,
        [&](int, lab::RequestKind, const QString&) {
            std::lock_guard lock(mutex);
            arrivals.push_back(clock.elapsed());
        },
        Qt::DirectConnection);
    for (const char* ip : {"127.0.0.20", "127.0.0.21", "127.0.0.22"})
        window->lvip().AddServerRow(ip, "4661");
    window->Controls().nbThreads.SetValue(1);
    Lancer(ProbeKind::RechDesc);
    EXPECT_EQ(window->lvip().Count(), 3u);
    std::lock_guard lock(mutex);
    ASSERT_EQ(arrivals.size(), 3u);
    // Each request leaves only after the previous answer came back.
    EXPECT_GE(arrivals[1] - arrivals[0], 280);
    EXPECT_GE(arrivals[2] - arrivals[1], 280);
}

TEST_F(CampaignsTest, SecondLancerWhileWorkersAreOutStartsNoWorker) {
    StartLab("127.0.0.20 4661 late delay=2000 name=\"a\"\n127.0.0.21 4661 late delay=2000 name=\"b\"\n");
    window->lvip().AddServerRow("127.0.0.20", "4661");
    window->lvip().AddServerRow("127.0.0.21", "4661");
    int busyAtSecondClick = -1;
    QTimer::singleShot(200, window.get(), [&] {
        busyAtSecondClick = window->CampaignsOf().BusyCount();
        window->BtnLancerClick();
    });
    Lancer(ProbeKind::RechDesc);
    EXPECT_EQ(busyAtSecondClick, 2);
    EXPECT_EQ(lab.Requests(QStringLiteral("127.0.0.20")).description, 1);
    EXPECT_EQ(lab.Requests(QStringLiteral("127.0.0.21")).description, 1);
    // The nested click's removal pass still ran, before the answers came: both rows were gone
    // when they arrived, and the answers were dropped.
    EXPECT_EQ(window->lvip().Count(), 0u);
    EXPECT_EQ(window->CampaignsOf().BusyCount(), 0);
}

TEST_F(CampaignsTest, RemovalPassStopsAtACaptionZero) {
    StartLab("127.0.0.20 4661 wrongcode\n");
    window->lvip().AddServerRow("127.0.0.20", "4661");
    window->lvip().AddServerRow("0", "4661");
    window->lvip().Row(1).answered = true;  // not probed
    Lancer(ProbeKind::RechDesc);
    // "0" sorts first, so the pass stops before the silent row.
    EXPECT_EQ(Captions(), (std::vector<std::string>{"0", "127.0.0.20"}));
}

TEST_F(CampaignsTest, FrenchCheckKeepsHomesWithAFrenchSuffixAnywhere) {
    const std::vector<std::pair<const char*, const char*>> rows = {
        {"127.0.0.20", "serveur.fr"}, {"127.0.0.21", "SERVEUR.FR"}, {"127.0.0.22", "n/a"},
        {"127.0.0.23", "a.be.b"},     {"127.0.0.24", "x.ca"},       {"127.0.0.25", "fr"}};
    for (const auto& [ip, home] : rows)
        window->lvip().AddServerRow(ip, "4661", "n/a", "n/a", "n/a", "n/a", home);
    Lancer(ProbeKind::RechFr);
    EXPECT_EQ(Captions(), (std::vector<std::string>{"127.0.0.20", "127.0.0.23", "127.0.0.24"}));
    EXPECT_EQ(window->Label6(), QStringLiteral("6"));
}

TEST_F(CampaignsTest, PingOfPeersWithoutAnAnswerRemovesEveryPeer) {
    window->lvHBL().AddPeerRow("127.0.0.40");
    window->lvHBL().AddPeerRow("127.0.0.41");
    Lancer(ProbeKind::PingHBL);
    EXPECT_EQ(window->lvHBL().Count(), 0u);
}

TEST_F(CampaignsTest, PeerWhoseAnswerArrivesDuringTheFinalWaitStays) {
    window->lvHBL().AddPeerRow("127.0.0.40");
    window->lvHBL().AddPeerRow("127.0.0.41");
    // The answer reaches the peer server a moment after the ping's worker has handed back.
    QTimer::singleShot(300, window.get(), [this] { window->lvHBL().Row(1).answered = true; });
    Lancer(ProbeKind::PingHBL);
    ASSERT_EQ(window->lvHBL().Count(), 1u);
    EXPECT_EQ(window->lvHBL().Row(0).caption, "127.0.0.41");
}

TEST_F(CampaignsTest, LateHandBackOfAnEarlierCampaignFreesNothing) {
    Campaigns& c = window->CampaignsOf();
    window->lvip().AddServerRow("127.0.0.20", "notaport");
    Lancer(ProbeKind::RechDesc);  // a campaign without workers: the generation moves on
    const int before = c.BusyCount();
    c.WorkerFinished(0, 0);  // generation 0 never ran
    EXPECT_EQ(c.BusyCount(), before);
    EXPECT_EQ(window->Label6(), QStringLiteral("1"));
}

TEST_F(CampaignsTest, QuittingInTheMiddleOfACampaignNeitherHangsNorCrashes) {
    std::string config;
    for (int i = 20; i < 60; ++i)
        config += "127.0.0." + std::to_string(i) + " 4661 silent\n";
    StartLab(config.c_str());
    for (int i = 20; i < 60; ++i)
        window->lvip().AddServerRow("127.0.0." + std::to_string(i), "4661");
    window->Controls().nbThreads.SetValue(10);
    QTimer::singleShot(300, window.get(), [this] { window->SetTerminating(); });
    QElapsedTimer clock;
    clock.start();
    Lancer(ProbeKind::RechDesc);
    window.reset();  // stops and waits for the workers still out
    // Each silent probe would keep its worker for 5 s: the stop request ends them at once.
    EXPECT_LT(clock.elapsed(), 15000);
}

}  // namespace
}  // namespace hublane::probe
