// Probe campaigns against simulated servers on loopback: which rows stay, the worker limit,
// re-entry, the removal pass, the French check, and quitting in the middle.
#include "probe/Campaigns.h"

#include <gtest/gtest.h>
#include <QElapsedTimer>
#include <QTimer>
#include <mutex>

#include "lab/Lab.h"
#include "platform/Clock.h"
#include "support/EngineRig.h"
#include "support/TestSupport.h"

namespace hublane::probe {
namespace {

using serverlist::Column;
using serverlist::ProbeKind;

class CampaignsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(rig->dir.isValid());
        state().Controls().timeout.SetValue(1);
    }
    void StartLab(const char* config) {
        QString error;
        ASSERT_TRUE(lab.StartServers(QString::fromUtf8(config), &error)) << error.toStdString();
    }
    void Lancer(ProbeKind kind) {
        state().Controls().checked = kind;
        rig->Window().BtnLancerClick();
    }
    std::vector<std::string> Captions() {
        std::vector<std::string> out;
        for (const auto& r : state().Servers().Rows())
            out.push_back(r.caption);
        return out;
    }
    serverlist::CycleState& state() { return rig->State(); }
    serverlist::UiWaits& waits() { return rig->Waits(); }

    lab::Lab lab;
    std::unique_ptr<test::EngineRig> rig = std::make_unique<test::EngineRig>();
};

TEST_F(CampaignsTest, DescriptionCampaignKeepsExactlyTheAnsweringServers) {
    StartLab(
        "127.0.0.20 4661 answer name=\"Lab 20\" desc=\"first\"\n"
        "127.0.0.21 4661 wrongcode name=\"x\"\n"
        "127.0.0.22 4661 garbage\n"
        "127.0.0.23 4242 answer name=\"Lab 23\" desc=\"\"\n"
        "127.0.0.24 4661 truncated name=\"Lab 24\" desc=\"cut\"\n");
    for (const char* ip : {"127.0.0.24", "127.0.0.23", "127.0.0.22", "127.0.0.21", "127.0.0.20"}) {
        state().Servers().AddServerRow(ip, ip == std::string("127.0.0.23") ? "4242" : "4661");
    }
    Lancer(ProbeKind::RechDesc);
    // A truncated description answer still names the server (its texts are cut at the end).
    EXPECT_EQ(Captions(), (std::vector<std::string>{"127.0.0.20", "127.0.0.23", "127.0.0.24"}));
    EXPECT_EQ(state().Servers().Row(0).Sub(Column::Name), "Lab 20");
    EXPECT_EQ(state().Servers().Row(0).Sub(Column::Description), "first");
    EXPECT_EQ(state().Servers().Row(1).Sub(Column::Name), "Lab 23");
    // The silent ones are remembered for the hand-off, by address and listed port.
    EXPECT_EQ(state().silentServers,
              (std::set<serverlist::ListedServer>{{"127.0.0.21", "4661"}, {"127.0.0.22", "4661"}}));
    EXPECT_TRUE(state().Servers().Row(0).answered);
    EXPECT_EQ(state().serverCounter, 3);
    EXPECT_EQ(state().probedCounter, 5);
    EXPECT_EQ(lab.Requests(QStringLiteral("127.0.0.23")).description, 1);
    EXPECT_EQ(rig->Campaigns().BusyCount(), 0);
}

TEST_F(CampaignsTest, RowsThatAlreadyAnsweredAreCountedNotProbedAndKept) {
    StartLab("127.0.0.20 4661 answer name=\"A\"\n");
    state().Servers().AddServerRow("127.0.0.20", "4661");
    state().Servers().AddServerRow("127.0.0.30", "4661", "n/a", "n/a", "kept");
    state().Servers().Row(1).answered = true;
    Lancer(ProbeKind::RechDesc);
    EXPECT_EQ(Captions(), (std::vector<std::string>{"127.0.0.20", "127.0.0.30"}));
    EXPECT_EQ(state().Servers().Row(1).Sub(Column::Name), "kept");
    EXPECT_EQ(state().probedCounter, 2);
}

TEST_F(CampaignsTest, ServerListCampaignAddsNewServersAndHoldsItsSlotUntilTheTimeoutIsOver) {
    StartLab("127.0.0.20 4661 answer list=127.0.0.31:4661,10.0.0.1:4661,127.0.0.20:4242,127.0.0.32:4243\n");
    state().Servers().AddServerRow("127.0.0.20", "4661");
    state().Servers().Row(0).answered = true;
    QElapsedTimer clock;
    clock.start();
    Lancer(ProbeKind::RechNew);
    // The worker keeps its slot for Timeout + 1 s even though the answer came at once.
    EXPECT_GE(clock.elapsed(), 1900);
    EXPECT_EQ(Captions(), (std::vector<std::string>{"127.0.0.20", "127.0.0.31", "127.0.0.32"}));
    EXPECT_EQ(state().Servers().Row(2).Sub(Column::Port), "4243");
    EXPECT_EQ(state().Servers().Row(2).Sub(Column::Name), "n/a");
    EXPECT_FALSE(state().Servers().Row(1).answered);
    EXPECT_EQ(lab.Requests(QStringLiteral("127.0.0.20")).serverList, 1);
}

TEST_F(CampaignsTest, ServerListCampaignAsksOnlyAnsweredRowsAmongTheFirstFifty) {
    StartLab("127.0.0.21 4661 answer\n127.0.0.99 4661 answer\n");
    // After the clean-up's sort: 127.0.0.21, sixty rows 127.0.0.30 to .89, then 127.0.0.99.
    for (int i = 30; i < 90; ++i)
        state().Servers().AddServerRow("127.0.0." + std::to_string(i), "4661");
    state().Servers().AddServerRow("127.0.0.99", "4661");
    state().Servers().AddServerRow("127.0.0.21", "4661");
    state().Servers().Row(60).answered = true;
    state().Servers().Row(61).answered = true;
    Lancer(ProbeKind::RechNew);
    EXPECT_EQ(lab.Requests(QStringLiteral("127.0.0.21")).serverList, 1);
    EXPECT_EQ(lab.Requests(QStringLiteral("127.0.0.99")).Total(), 0);
    EXPECT_EQ(state().Servers().Count(), 62u);
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
        state().Servers().AddServerRow(ip, "4661");
    state().Controls().nbThreads.SetValue(1);
    Lancer(ProbeKind::RechDesc);
    EXPECT_EQ(state().Servers().Count(), 3u);
    std::lock_guard lock(mutex);
    ASSERT_EQ(arrivals.size(), 3u);
    // Each request leaves only after the previous answer came back.
    EXPECT_GE(arrivals[1] - arrivals[0], 280);
    EXPECT_GE(arrivals[2] - arrivals[1], 280);
}

TEST_F(CampaignsTest, SecondLancerWhileWorkersAreOutStartsNoWorker) {
    StartLab("127.0.0.20 4661 late delay=2000 name=\"a\"\n127.0.0.21 4661 late delay=2000 name=\"b\"\n");
    state().Servers().AddServerRow("127.0.0.20", "4661");
    state().Servers().AddServerRow("127.0.0.21", "4661");
    int busyAtSecondClick = -1;
    QTimer::singleShot(200, &waits(), [&] {
        busyAtSecondClick = rig->Campaigns().BusyCount();
        rig->Window().BtnLancerClick();
    });
    Lancer(ProbeKind::RechDesc);
    EXPECT_EQ(busyAtSecondClick, 2);
    EXPECT_EQ(lab.Requests(QStringLiteral("127.0.0.20")).description, 1);
    EXPECT_EQ(lab.Requests(QStringLiteral("127.0.0.21")).description, 1);
    // The nested click's removal pass asked nobody, so it removed nobody: the late answers
    // found both rows and the outer campaign kept them.
    EXPECT_EQ(Captions(), (std::vector<std::string>{"127.0.0.20", "127.0.0.21"}));
    EXPECT_TRUE(state().Servers().Row(0).answered);
    EXPECT_EQ(rig->Campaigns().BusyCount(), 0);
}

TEST(CampaignsClockTest, APingThatCouldNotStartRemovesNoneOfTheServersTheListRequestFound) {
    // Timeout 12 s: the list campaign's final wait (10 s) ends with its worker still out, as in
    // the cycle's steps 13 and 14. The ping that follows starts no worker; the servers the list
    // request found must survive it. (The clock runs twenty times faster than the real one.)
    lab::Lab lab;
    QString error;
    ASSERT_TRUE(lab.StartServers(
        QStringLiteral("127.0.0.20 4661 answer list=127.0.0.31:4661,127.0.0.32:4661\n"), &error))
        << error.toStdString();
    const platform::FastClock fast(20);
    test::EngineRig rig({}, &fast);
    serverlist::CycleState& state = rig.State();
    state.Servers().AddServerRow("127.0.0.20", "4661");
    state.Servers().Row(0).answered = true;
    state.Controls().timeout.SetValue(12);
    state.Controls().checked = ProbeKind::RechNew;
    rig.Window().BtnLancerClick();
    ASSERT_GT(rig.Campaigns().BusyCount(), 0);
    EXPECT_EQ(state.Servers().Count(), 3u);
    state.Controls().checked = ProbeKind::RechDesc;
    rig.Window().BtnLancerClick();
    EXPECT_EQ(state.Servers().Count(), 3u);
    EXPECT_TRUE(test::WaitFor([&rig] { return rig.Campaigns().BusyCount() == 0; }, 5000));
}

TEST_F(CampaignsTest, RowsDeliveredWhileTheCampaignWaitsAreProbedInTheirTurn) {
    // One worker at a time, each answer 300 ms late: the campaign waits for its slot, and rows
    // that arrive meanwhile (as a peer list or a page would deliver them) are read anew.
    StartLab(
        "127.0.0.20 4661 late delay=300 name=\"a\"\n"
        "127.0.0.21 4661 late delay=300 name=\"b\"\n"
        "127.0.0.22 4661 answer name=\"delivered\"\n");
    state().Servers().AddServerRow("127.0.0.20", "4661");
    state().Servers().AddServerRow("127.0.0.21", "4661");
    state().Controls().nbThreads.SetValue(1);
    int deliveredAtCount = -1;
    QTimer::singleShot(100, &waits(), [&] {
        deliveredAtCount = static_cast<int>(state().Servers().Count());
        state().Servers().AddServerRow("127.0.0.22", "4661");
    });
    Lancer(ProbeKind::RechDesc);
    EXPECT_EQ(deliveredAtCount, 2);
    EXPECT_EQ(Captions(), (std::vector<std::string>{"127.0.0.20", "127.0.0.21", "127.0.0.22"}));
    EXPECT_EQ(state().Servers().Row(2).Sub(Column::Name), "delivered");
    EXPECT_EQ(lab.Requests(QStringLiteral("127.0.0.22")).description, 1);
}

TEST_F(CampaignsTest, RemovalPassStopsAtACaptionZero) {
    StartLab("127.0.0.20 4661 wrongcode\n");
    state().Servers().AddServerRow("127.0.0.20", "4661");
    state().Servers().AddServerRow("0", "4661");
    state().Servers().Row(1).answered = true;  // not probed
    Lancer(ProbeKind::RechDesc);
    // "0" sorts first, so the pass stops before the silent row, which is not counted silent.
    EXPECT_EQ(Captions(), (std::vector<std::string>{"0", "127.0.0.20"}));
    EXPECT_TRUE(state().silentServers.empty());
}

TEST_F(CampaignsTest, FrenchCheckKeepsHomesWithAFrenchSuffixAnywhere) {
    const std::vector<std::pair<const char*, const char*>> rows = {
        {"127.0.0.20", "serveur.fr"}, {"127.0.0.21", "SERVEUR.FR"}, {"127.0.0.22", "n/a"},
        {"127.0.0.23", "a.be.b"},     {"127.0.0.24", "x.ca"},       {"127.0.0.25", "fr"}};
    for (const auto& [ip, home] : rows)
        state().Servers().AddServerRow(ip, "4661", "n/a", "n/a", "n/a", "n/a", home);
    Lancer(ProbeKind::RechFr);
    EXPECT_EQ(Captions(), (std::vector<std::string>{"127.0.0.20", "127.0.0.23", "127.0.0.24"}));
    EXPECT_EQ(state().probedCounter, 6);
}

TEST_F(CampaignsTest, PeerListRequestsGoToCopiesThatAnsweredAndPingsToTheOthers) {
    // Nobody answers: the campaigns' final waits run out, ten times faster than real ones.
    static const platform::FastClock fast(10);  // outlives the rig, which the fixture ends
    rig = std::make_unique<test::EngineRig>(app::EngineOptions{}, &fast);
    state().Controls().timeout.SetValue(1);
    StartLab("127.0.0.40 peer silent\n127.0.0.41 peer silent\n");
    const struct {
        ProbeKind kind;
        int toAnswered;
        int toSilent;
    } cases[] = {{ProbeKind::AskCopiesForServers, 1, 0},
                 {ProbeKind::AskCopiesForCopies, 1, 0},
                 {ProbeKind::PingHBL, 0, 1}};
    int asked40 = 0;
    int asked41 = 0;
    for (const auto& c : cases) {
        state().Peers().Clear();
        state().Peers().AddPeerRow("127.0.0.40");
        state().Peers().AddPeerRow("127.0.0.41");
        state().Peers().Row(0).answered = true;
        Lancer(c.kind);
        asked40 += c.toAnswered;
        asked41 += c.toSilent;
        EXPECT_EQ(lab.Requests(QStringLiteral("127.0.0.40")).peer, asked40) << static_cast<int>(c.kind);
        EXPECT_EQ(lab.Requests(QStringLiteral("127.0.0.41")).peer, asked41) << static_cast<int>(c.kind);
    }
}

TEST_F(CampaignsTest, PingOfPeersWithoutAnAnswerRemovesEveryPeer) {
    state().Peers().AddPeerRow("127.0.0.40");
    state().Peers().AddPeerRow("127.0.0.41");
    Lancer(ProbeKind::PingHBL);
    EXPECT_EQ(state().Peers().Count(), 0u);
}

TEST_F(CampaignsTest, PeerWhoseAnswerArrivesDuringTheFinalWaitStays) {
    state().Peers().AddPeerRow("127.0.0.40");
    state().Peers().AddPeerRow("127.0.0.41");
    // The answer reaches the peer server a moment after the ping's worker has handed back.
    QTimer::singleShot(300, &waits(), [this] { state().Peers().Row(1).answered = true; });
    Lancer(ProbeKind::PingHBL);
    ASSERT_EQ(state().Peers().Count(), 1u);
    EXPECT_EQ(state().Peers().Row(0).caption, "127.0.0.41");
}

TEST_F(CampaignsTest, LateHandBackOfAnEarlierCampaignFreesNothing) {
    Campaigns& c = rig->Campaigns();
    state().Servers().AddServerRow("127.0.0.20", "notaport");
    Lancer(ProbeKind::RechDesc);  // a campaign without workers: the generation moves on
    const int before = c.BusyCount();
    c.WorkerFinished(0, 0);  // generation 0 never ran
    EXPECT_EQ(c.BusyCount(), before);
    EXPECT_EQ(state().probedCounter, 1);
}

TEST_F(CampaignsTest, QuittingInTheMiddleOfACampaignNeitherHangsNorCrashes) {
    std::string config;
    for (int i = 20; i < 60; ++i)
        config += "127.0.0." + std::to_string(i) + " 4661 silent\n";
    StartLab(config.c_str());
    for (int i = 20; i < 60; ++i)
        state().Servers().AddServerRow("127.0.0." + std::to_string(i), "4661");
    state().Controls().nbThreads.SetValue(10);
    QTimer::singleShot(300, &waits(), [this] { waits().SetTerminating(); });
    QElapsedTimer clock;
    clock.start();
    Lancer(ProbeKind::RechDesc);
    rig.reset();  // stops and waits for the workers still out
    // Each silent probe would keep its worker for 5 s: the stop request ends them at once.
    EXPECT_LT(clock.elapsed(), 15000);
}

}  // namespace
}  // namespace hublane::probe
