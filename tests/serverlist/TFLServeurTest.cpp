// The update cycle: its steps and captions, the row-count conditions and blocks, the recovery from
// a failing step, the closing one second later, and the waits.
#include "serverlist/TFLServeur.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTimer>
#include <stdexcept>

#include "support/CycleRig.h"
#include "support/TestSupport.h"

namespace hublane::serverlist {
namespace {

class CycleTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(rig.dir.isValid()); }

    // The cycle's fixed waits run five times faster than real ones: a test of the 20 × 1000 ms
    // bound or of the one-second close delay takes a fifth of it.
    platform::FastClock fast{5};
    test::CycleRig rig{nullptr, nullptr, &fast};
    CycleState& state = rig.state;
    UiWaits& waits = rig.waits;
    TFLServeur* window = &rig.window;
    test::RecordingStatus& status = rig.status;
    test::RecordingRunner* runner = &rig.runner;
    test::FillingPeerServer& peerServer = rig.peerServer;
    test::FakeWeb& web = rig.web;
    test::FakePrompts& prompts = rig.prompts;
    platform::MemorySettingsStore& settings = rig.settings;
    QTemporaryDir& dir = rig.dir;
};

const QStringList kAllCaptions = {
    QStringLiteral("Lecture du Server.met"),
    QStringLiteral("Lecture du ServerHBL.met"),
    QStringLiteral("Lancement du Serveur Hublane"),
    QStringLiteral("Récupère à partir d'une URL"),
    QStringLiteral("Récupère les HBL à partir d'une URL"),
    QStringLiteral("Ping des Serveurs"),
    QStringLiteral("Ping des Hublane"),
    QStringLiteral("Recherche de nouveaux Hublane"),
    QStringLiteral("Ping des nouveaux Hublane"),
    QStringLiteral("Recherche de nouveaux serveurs par Hublane"),
    QStringLiteral("Ping les nouveaux serveurs"),
    QStringLiteral("Recherche de nouveaux serveurs"),
    QStringLiteral("Ping les nouveaux serveurs"),
    QStringLiteral("Récupère à partir d'une URL"),
    QStringLiteral("Ecriture de server.met"),
    QStringLiteral("Ecriture de serverHBL.met"),
    QStringLiteral("Envoi des serveurs vers eDonkey"),
};

TEST_F(CycleTest, EmptyListsRunEveryStepInOrderAndLogBothReadErrors) {
    window->Show();
    // Every step's caption, then the line that says what the cycle did: it does not end silently
    // when server.met could not be found.
    EXPECT_EQ(status.captions.mid(0, kAllCaptions.size()), kAllCaptions);
    ASSERT_EQ(status.captions.size(), kAllCaptions.size() + 1);
    EXPECT_EQ(
        status.captions.last(),
        QStringLiteral("Cycle terminé : 0 serveur gardé, 0 retiré, 0 ajouté ; 0 Hublane connu ; server.met "
                       "introuvable ; server.met non écrit (liste vide) ; serverHBL.met introuvable ; "
                       "serverHBL.met non écrit (liste vide)"));
    EXPECT_EQ(runner->kinds,
              (std::vector<ProbeKind>{ProbeKind::RechDesc, ProbeKind::PingHBL, ProbeKind::AskCopiesForCopies,
                                      ProbeKind::PingHBL, ProbeKind::AskCopiesForServers, ProbeKind::RechDesc,
                                      ProbeKind::RechNew, ProbeKind::RechDesc}));
    EXPECT_EQ(web.serverFetches, 2);
    EXPECT_EQ(web.peerFetches, 1);
    ASSERT_EQ(state.errorLog.size(), 2);
    EXPECT_EQ(state.errorLog[0], QStringLiteral("server.met : texte 2"));
    EXPECT_EQ(state.errorLog[1], QStringLiteral("serverHBL.met : texte 2"));
    // Empty lists never create the files.
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("server.met"))));
}

TEST_F(CycleTest, SummaryNamesThePublishedListsTheirLastFetchCouldNotRead) {
    // Both fetches of an empty cycle load the lists: a failure the second fetch mends is no
    // longer one, the second of two failures says why.
    web.publishedLoads = {
        {{QStringLiteral("http://a/server.met"), 0, QStringLiteral("no answer within 30 s")},
         {QStringLiteral("http://b/server.met"), 0, QStringLiteral("texte 8")},
         {QStringLiteral("http://c/server.met"), 3, {}}},
        {{QStringLiteral("http://a/server.met"), 2, {}},
         {QStringLiteral("http://b/server.met"), 0, QStringLiteral("Not Found")},
         {QStringLiteral("http://c/server.met"), 0, QStringLiteral("texte 3224")}},
    };
    window->Show();
    ASSERT_EQ(web.serverFetches, 2);
    EXPECT_TRUE(status.captions.last().endsWith(QStringLiteral(
        " ; serverHBL.met non écrit (liste vide) ; liste publiée http://b/server.met non lue : Not "
        "Found ; liste publiée http://c/server.met non lue : texte 3224")))
        << status.captions.last().toStdString();
}

TEST_F(CycleTest, WebFetchOfServersRunsWithFiveRows) {
    peerServer.servers = 5;
    peerServer.peers = 6;
    window->Show();
    EXPECT_EQ(web.serverFetches, 1);
    EXPECT_EQ(web.peerFetches, 0);
    EXPECT_TRUE(status.captions.contains(QStringLiteral("Récupère à partir d'une URL")));
}

TEST_F(CycleTest, WebFetchOfPeersRunsWithFivePeersButNotOfServersWithSixRows) {
    peerServer.servers = 6;
    peerServer.peers = 5;
    window->Show();
    EXPECT_EQ(web.serverFetches, 0);
    EXPECT_EQ(web.peerFetches, 1);
}

TEST_F(CycleTest, PeerFetchReplacesThePeerListOnlyWithCopiesTheCycleWouldKeep) {
    struct Case {
        const char* name;
        std::vector<std::string> page;
        std::vector<std::string> after;  // the list the first campaign finds, cleaned up
    };
    // The file held 81.0.0.0 and 81.0.0.1; this copy is 82.0.0.9.
    const std::vector<Case> cases = {
        {"no page", {}, {"81.0.0.0", "81.0.0.1"}},
        {"only itself and local addresses",
         {"82.0.0.9", "127.0.0.1", "192.168.1.2"},
         {"81.0.0.0", "81.0.0.1"}},
        {"one other copy", {"82.0.0.9", "83.0.0.1"}, {"83.0.0.1"}},
    };
    for (const Case& c : cases) {
        test::CycleRig r{nullptr, nullptr, &fast};
        r.peerServer.servers = 60;
        r.peerServer.peers = 2;
        r.web.peersOnPage = c.page;
        std::vector<std::string> afterFetch;
        r.runner.onRun = [&](ProbeKind kind) {
            if (kind == ProbeKind::RechDesc && afterFetch.empty()) {
                for (const auto& row : r.state.Peers().Rows())
                    afterFetch.push_back(row.caption);
            }
        };
        TFLServeur copy(
            r.state, r.waits, CycleParts{r.runner, r.peerServer, r.web, r.handOff},
            CycleServices{r.settings, r.language, r.prompts, [&r](bool) { return r.ServerMetPath(); },
                          test::DonkeyDialect(), r.PeerListPath(), "82.0.0.9"});
        copy.Show();
        EXPECT_EQ(r.web.peerFetches, 1) << c.name;
        EXPECT_EQ(afterFetch, c.after) << c.name;
    }
}

TEST_F(CycleTest, BlocksTestTheirConditionOnceBeforeTheirFirstStep) {
    peerServer.servers = 49;
    peerServer.peers = 50;
    // The first step of the server block adds rows: its second step still runs, and the
    // next block, counted anew, does not.
    runner->onRun = [this](ProbeKind kind) {
        if (kind == ProbeKind::AskCopiesForServers) {
            state.Servers().AddServerRow("82.0.0.1", "4661");
        }
    };
    window->Show();
    EXPECT_EQ(runner->kinds, (std::vector<ProbeKind>{ProbeKind::RechDesc, ProbeKind::PingHBL,
                                                     ProbeKind::AskCopiesForServers, ProbeKind::RechDesc}));
    EXPECT_FALSE(status.captions.contains(QStringLiteral("Recherche de nouveaux Hublane")));
    EXPECT_FALSE(status.captions.contains(QStringLiteral("Recherche de nouveaux serveurs")));
    EXPECT_EQ(state.serverCounter, 50);
}

TEST_F(CycleTest, FortyNineServersRunBothServerBlocksWhileStillBelowFifty) {
    peerServer.servers = 49;
    peerServer.peers = 50;
    window->Show();
    EXPECT_EQ(runner->kinds,
              (std::vector<ProbeKind>{ProbeKind::RechDesc, ProbeKind::PingHBL, ProbeKind::AskCopiesForServers,
                                      ProbeKind::RechDesc, ProbeKind::RechNew, ProbeKind::RechDesc}));
}

TEST_F(CycleTest, CampaignStepsCopyTheWorkerLimitAndCleanUp) {
    peerServer.servers = 60;
    peerServer.peers = 60;
    state.Controls().nbThreads.SetValue(7);
    state.Peers().AddPeerRow("192.168.0.5");
    window->Show();
    EXPECT_EQ(runner->limits, (std::vector<int>{7, 7}));
    EXPECT_EQ(state.Peers().FindExact("192.168.0.5"), -1);
    EXPECT_EQ(state.probedCounter, 0);
    EXPECT_EQ(state.Controls().checked, ProbeKind::PingHBL);
}

TEST_F(CycleTest, EachCycleStartsWithNoServerSilent) {
    // What an earlier cycle (or a click on Lancer) found silent is not this cycle's to remove.
    state.silentServers.insert({"80.0.0.9", "4661"});
    int cycle = 0;
    runner->onRun = [&](ProbeKind kind) {
        if (kind == ProbeKind::RechDesc && cycle == 2) {
            state.silentServers.insert({"80.0.0.7", "4242"});
        }
    };
    cycle = 1;
    window->Show();
    EXPECT_TRUE(state.silentServers.empty());
    window->Close();
    cycle = 2;
    window->Show();
    EXPECT_EQ(state.silentServers, (std::set<ListedServer>{{"80.0.0.7", "4242"}}));
}

TEST_F(CycleTest, AFailingStepIsReportedAndTheCycleGoesOnAndCloses) {
    runner->onRun = [](ProbeKind kind) {
        if (kind == ProbeKind::PingHBL) {
            throw std::runtime_error("campagne interrompue");
        }
    };
    QStringList failed;
    QObject::connect(window, &TFLServeur::StepFailed,
                     [&failed](const QString& caption, const QString&) { failed << caption; });
    bool closed = false;
    QObject::connect(window, &TFLServeur::Closed, [&closed] { closed = true; });
    window->Show();
    EXPECT_EQ(failed,
              (QStringList{QStringLiteral("Ping des Hublane"), QStringLiteral("Ping des nouveaux Hublane")}));
    EXPECT_EQ(prompts.escaped,
              (QStringList{QStringLiteral("campagne interrompue"), QStringLiteral("campagne interrompue")}));
    EXPECT_EQ(status.captions.at(status.captions.size() - 2),
              QStringLiteral("Envoi des serveurs vers eDonkey"));
    EXPECT_TRUE(status.captions.last().startsWith(QStringLiteral("Cycle terminé : ")));
    EXPECT_TRUE(test::WaitFor([&closed] { return closed; }, 3000));
    EXPECT_FALSE(window->Visible());
    // The next cycle starts again.
    runner->onRun = nullptr;
    status.captions.clear();
    window->Show();
    EXPECT_EQ(status.captions.size(), kAllCaptions.size() + 1);
}

TEST_F(CycleTest, APeerPortInUseIsSaidInTheStatusLineAndTheCycleGoesOnWithoutABox) {
    peerServer.fail = true;
    QStringList failed;
    QObject::connect(window, &TFLServeur::StepFailed,
                     [&failed](const QString& caption, const QString&) { failed << caption; });
    window->Show();
    EXPECT_TRUE(prompts.escaped.isEmpty());
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_TRUE(failed.isEmpty());
    // Said right after its step's caption, then in the cycle's summary; every later step ran.
    const qsizetype at = status.captions.indexOf(QStringLiteral("Lancement du Serveur Hublane"));
    ASSERT_GE(at, 0);
    EXPECT_EQ(status.captions.at(at + 1), QStringLiteral("port 3077 in use"));
    EXPECT_TRUE(status.captions.contains(QStringLiteral("Envoi des serveurs vers eDonkey")));
    EXPECT_TRUE(status.captions.last().contains(QStringLiteral("; port 3077 in use ;")))
        << status.captions.last().toStdString();
    EXPECT_EQ(window->Status().peerServerProblem, QStringLiteral("port 3077 in use"));
    ASSERT_TRUE(test::WaitFor([this] { return !window->Visible(); }, 3000));
    // Once the port is free again the next start clears it.
    peerServer.fail = false;
    EXPECT_TRUE(window->BtnStartSrvClick());
    EXPECT_TRUE(window->Status().peerServerProblem.isEmpty());
}

TEST_F(CycleTest, TheClientsFolderIsLookedForOnceACycle) {
    // A folder question cancelled for the read is not asked again for the write of the same cycle.
    QList<bool> lookups;
    TFLServeur counting(state, waits, CycleParts{rig.runner, rig.peerServer, rig.web, rig.handOff},
                        CycleServices{settings, rig.language, prompts,
                                      [&](bool forReading) {
                                          lookups << forReading;
                                          return rig.ServerMetPath();
                                      },
                                      test::DonkeyDialect(), rig.PeerListPath()});
    counting.Show();
    EXPECT_EQ(lookups, QList<bool>{true});
    ASSERT_TRUE(test::WaitFor([&counting] { return !counting.Visible(); }, 3000));
    counting.Show();
    EXPECT_EQ(lookups, (QList<bool>{true, true}));
    // Outside a cycle each button asks for itself.
    counting.BtnEServerMetClick();
    EXPECT_EQ(lookups, (QList<bool>{true, true, false}));
}

TEST_F(CycleTest, WindowClosesAboutOneSecondAfterTheCycleAndWritesTheSettings) {
    bool closed = false;
    qint64 closedAfter = 0;
    qint64 shownAt = 0;
    QObject::connect(window, &TFLServeur::Closed, [&] {
        closed = true;
        closedAfter = fast.NowMs() - shownAt;
    });
    window->Show();
    shownAt = fast.NowMs();
    EXPECT_TRUE(window->Visible());
    // Showing the window while it is shown starts nothing.
    status.captions.clear();
    window->Show();
    EXPECT_TRUE(status.captions.isEmpty());
    ASSERT_TRUE(test::WaitFor([&closed] { return closed; }, 3000));
    EXPECT_GE(closedAfter, 900);
    EXPECT_TRUE(settings.Values().contains(QStringLiteral("inter")));
    EXPECT_TRUE(settings.Values().contains(QStringLiteral("NbThreads")));
}

TEST_F(CycleTest, QuittingDuringAWebFetchStopsTheCycleBeforeItWritesAnything) {
    web.answer = false;  // the fetch never reports its end: the step waits in 1000 ms steps
    peerServer.peers = 10;
    int waitsSeen = 0;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] { waitsSeen = waits.WaitCounter(); });
    poll.start(5);
    QTimer::singleShot(fast.RealMs(2500), &waits, [this] { waits.SetTerminating(); });
    window->Show();
    EXPECT_GE(waitsSeen, 2);
    EXPECT_LE(waitsSeen, 4);
    EXPECT_TRUE(waits.Terminating());
    EXPECT_EQ(status.captions.last(), QStringLiteral("Récupère à partir d'une URL"));
    EXPECT_TRUE(runner->kinds.empty());
}

TEST(CycleClockTest, AFetchThatNeverEndsIsAbandonedAfterTwentyWaitsOfTheCyclesClock) {
    // A thousand times faster: the two abandoned fetches' 2 × 20 × 1000 ms pass in a few dozen.
    platform::FastClock fast(1000);
    test::CycleRig rig(nullptr, nullptr, &fast);
    rig.web.answer = false;
    std::vector<int> waitsPerFetch;
    rig.runner.onRun = [&rig, &waitsPerFetch](ProbeKind kind) {
        if (kind == ProbeKind::RechDesc && waitsPerFetch.empty()) {
            waitsPerFetch.push_back(rig.waits.WaitCounter());
        }
    };
    QElapsedTimer real;
    real.start();
    const qint64 start = fast.NowMs();
    rig.window.Show();
    EXPECT_EQ(rig.web.serverFetches, 2);
    ASSERT_EQ(waitsPerFetch.size(), 1u);
    EXPECT_EQ(waitsPerFetch[0], 20);  // the first fetch's wait: twenty waits, then the cycle went on
    EXPECT_GE(fast.NowMs() - start, 2 * 20 * 1000);
    EXPECT_LT(real.elapsed(), 10000);
}

TEST_F(CycleTest, UiWaitEndsEarlyWhenItsConditionHolds) {
    bool flag = false;
    QTimer::singleShot(50, &waits, [&] {
        flag = true;
        waits.NotifyStateChanged();
    });
    QElapsedTimer clock;
    clock.start();
    waits.ResetWaitCounter();
    waits.UiWait(5000, [&flag] { return flag; });
    EXPECT_LT(clock.elapsed(), 2000);
    EXPECT_EQ(waits.WaitCounter(), 1);
}

TEST_F(CycleTest, UiWaitEndsAtOnceWhenTheApplicationQuits) {
    QTimer::singleShot(30, qApp, [] { QCoreApplication::exit(0); });
    QElapsedTimer clock;
    clock.start();
    waits.UiWait(5000);
    EXPECT_LT(clock.elapsed(), 2000);
    EXPECT_TRUE(waits.Terminating());
    waits.UiWait(5000);  // already quitting: returns at once
    EXPECT_LT(clock.elapsed(), 2000);
    // Running the application's loop once clears its quit state for the tests that follow.
    QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
}

}  // namespace
}  // namespace hublane::serverlist
