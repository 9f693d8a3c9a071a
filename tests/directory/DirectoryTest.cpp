// The directory on loopback, end to end: servers sent through rcv.php are probed by the real
// prober against the lab's simulated servers and listed only once they answered two requests;
// listed ones are asked again and dropped when they fall silent; copies announce themselves and
// are listed newest first within their time; the data survives a restart.
#include <gtest/gtest.h>

#include "DirectoryRig.h"
#include "directory/Verifier.h"
#include "lab/Lab.h"
#include "support/TestSupport.h"

namespace hublane::directory {
namespace {

using test::kCopyA;
using test::kCopyB;

class DirectoryTest : public ::testing::Test {
  protected:
    void StartLab(const char* config) {
        QString error;
        ASSERT_TRUE(lab.StartServers(QString::fromUtf8(config), &error)) << error.toStdString();
    }
    std::optional<ServerState> StateOf(const std::string& address) {
        const auto server = rig.Store().Server(address);
        return server ? std::optional<ServerState>(server->state) : std::nullopt;
    }

    lab::Lab lab;
    test::DirectoryRig rig;
};

TEST_F(DirectoryTest, ListsReportedServersOnlyOnceTheyAnsweredTheirDescriptionRequest) {
    StartLab(
        "127.31.1.20 4661 answer name=\"<Lab> & \\\"co\\\" 'x'\" desc=\"first\"\n"
        "127.31.1.21 4242 answer\n"
        "127.31.1.22 4661 silent\n"
        "127.31.1.23 4661 garbage\n"
        "127.31.1.24 4661 wrongcode name=x\n");
    DirectorySettings settings = rig.Settings();
    settings.recheckMs = 4000;  // a silent candidate is tried again after 500 ms, forgotten after 24 s
    ASSERT_TRUE(rig.Start(settings)) << rig.error.toStdString();

    const test::HttpResult sent = rig.Get(test::DirectoryRig::RcvTarget({{"127.31.1.20", "4661"},
                                                                         {"127.31.1.21", "4242"},
                                                                         {"127.31.1.22", "4661"},
                                                                         {"127.31.1.23", "4661"},
                                                                         {"127.31.1.24", "4661"}}));
    ASSERT_EQ(sent.status, 200) << sent.Text();
    EXPECT_EQ(rig.Store().CountServers(), 5);

    const std::vector<std::string> expected = {"ed2k://|server|127.31.1.20|4661|/",
                                               "ed2k://|server|127.31.1.21|4242|/"};
    EXPECT_TRUE(test::WaitFor([&] { return rig.ListedTargets() == expected; }, 10000));
    EXPECT_TRUE(test::WaitFor(
        [&] {
            return StateOf("127.31.1.22") == ServerState::Dropped &&
                   StateOf("127.31.1.23") == ServerState::Dropped &&
                   StateOf("127.31.1.24") == ServerState::Dropped;
        },
        10000));
    EXPECT_EQ(rig.ListedTargets(), expected);

    const test::PageLinks page = rig.Page(QByteArrayLiteral("/liste.php"));
    EXPECT_EQ(page.parseErrors, 0);
    for (std::size_t i = 0; i < page.targets.size(); ++i) {
        const auto server = exchange::CutServerLink(page.targets[i]);
        ASSERT_TRUE(server);
        EXPECT_EQ(page.texts[i],
                  server->address == "127.31.1.20" ? "<Lab> & \"co\" 'x'" : "127.31.1.21:4242");
    }
    // Each silent candidate was asked exactly twice (a first try and one more), on port + 4, and
    // is not asked again once dropped; only description requests were sent.
    EXPECT_EQ(lab.Requests(QStringLiteral("127.31.1.22")).description, 2);
    EXPECT_EQ(lab.Requests(QStringLiteral("127.31.1.22")).Total(), 2);
    EXPECT_GE(lab.Requests(QStringLiteral("127.31.1.20")).description, 1);
    EXPECT_EQ(lab.Requests(QStringLiteral("127.31.1.20")).Total(),
              lab.Requests(QStringLiteral("127.31.1.20")).description);
    EXPECT_EQ(rig.Store().Server("127.31.1.20")->reporter, kCopyA.toStdString());
}

TEST_F(DirectoryTest, AsksListedServersAgainAndDropsThoseThatFallSilent) {
    StartLab("127.31.1.25 4661 answer name=Up\n");
    DirectorySettings settings = rig.Settings();
    settings.recheckMs = 300;
    settings.probeTimeoutMs = 300;
    ASSERT_TRUE(rig.Start(settings)) << rig.error.toStdString();
    ASSERT_EQ(rig.Get(test::DirectoryRig::RcvTarget({{"127.31.1.25", "4661"}})).status, 200);

    const std::vector<std::string> listed = {"ed2k://|server|127.31.1.25|4661|/"};
    EXPECT_TRUE(test::WaitFor([&] { return rig.ListedTargets() == listed; }, 10000));
    EXPECT_TRUE(
        test::WaitFor([&] { return lab.Requests(QStringLiteral("127.31.1.25")).description >= 3; }, 10000))
        << "a listed server is asked again every recheck interval";
    EXPECT_EQ(rig.ListedTargets(), listed);

    lab.StopServers();
    EXPECT_TRUE(test::WaitFor([&] { return rig.ListedTargets().empty(); }, 10000));
    EXPECT_EQ(StateOf("127.31.1.25"), ServerState::Dropped);
}

TEST_F(DirectoryTest, ListsAServerOnlyOnceItAnsweredASecondRequestSentAWhileAfterTheFirst) {
    // Both answer the first request; then .40 falls silent (as a server whose answer was forged
    // would) while .41 keeps answering.
    StartLab("127.31.1.40 4661 answer name=Once\n127.31.1.41 4661 answer name=Twice\n");
    constexpr std::int64_t kWaitMs = 60000;
    DirectorySettings settings = rig.Settings();
    settings.confirmDelay = [] { return kWaitMs; };
    ASSERT_TRUE(rig.Start(settings)) << rig.error.toStdString();
    ASSERT_EQ(
        rig.Get(test::DirectoryRig::RcvTarget({{"127.31.1.40", "4661"}, {"127.31.1.41", "4661"}})).status,
        200);
    ASSERT_TRUE(test::WaitFor(
        [&] {
            return StateOf("127.31.1.40") == ServerState::Confirming &&
                   StateOf("127.31.1.41") == ServerState::Confirming;
        },
        5000));
    EXPECT_TRUE(rig.ListedTargets().empty()) << "one answer lists nothing";
    const std::int64_t secondDue = rig.Store().Server("127.31.1.41")->nextCheckMs;
    EXPECT_GT(secondDue, rig.running->Settings().clock() + kWaitMs - 5000);
    EXPECT_EQ(lab.Requests(QStringLiteral("127.31.1.40")).description, 1);
    EXPECT_EQ(lab.Requests(QStringLiteral("127.31.1.41")).description, 1);

    lab.StopServers();
    StartLab("127.31.1.41 4661 answer name=Twice\n");
    rig.offsetMs += kWaitMs;
    const std::vector<std::string> listed = {"ed2k://|server|127.31.1.41|4661|/"};
    EXPECT_TRUE(test::WaitFor([&] { return rig.ListedTargets() == listed; }, 5000));
    EXPECT_EQ(lab.Requests(QStringLiteral("127.31.1.41")).description, 1) << "the second request";
    EXPECT_EQ(rig.Page(QByteArrayLiteral("/liste.php")).texts, (std::vector<std::string>{"Twice"}));
    EXPECT_TRUE(test::WaitFor(
        [&] {
            const auto server = rig.Store().Server("127.31.1.40");
            return server && server->state == ServerState::Candidate && server->misses == 1;
        },
        5000))
        << "its silent second request counts as a candidate's silence";
    EXPECT_EQ(rig.ListedTargets(), listed);
}

TEST_F(DirectoryTest, TheSecondRequestWaitsARandomTwoToTenSecondsByDefault) {
    StartLab("127.31.1.42 4661 answer\n");
    DirectorySettings settings = rig.Settings();
    settings.confirmDelay = {};
    ASSERT_TRUE(rig.Start(settings)) << rig.error.toStdString();
    ASSERT_EQ(rig.Get(test::DirectoryRig::RcvTarget({{"127.31.1.42", "4661"}})).status, 200);
    ASSERT_TRUE(test::WaitFor([&] { return StateOf("127.31.1.42") == ServerState::Confirming; }, 5000));
    // Read after the answer was saved, so at most the whole wait is left, and all but the poll's lag.
    const std::int64_t left =
        rig.Store().Server("127.31.1.42")->nextCheckMs - rig.running->Settings().clock();
    EXPECT_LE(left, kConfirmDelayMaxMs);
    EXPECT_GE(left, kConfirmDelayMinMs - 1000);
    EXPECT_TRUE(rig.ListedTargets().empty());
}

TEST_F(DirectoryTest, AReportedServerIsAskedOnceHoweverOftenItIsReported) {
    StartLab("127.31.1.26 4661 silent\n");
    ASSERT_TRUE(rig.Start(rig.Settings())) << rig.error.toStdString();
    const QByteArray target = test::DirectoryRig::RcvTarget({{"127.31.1.26", "4661"}});
    ASSERT_EQ(rig.Get(target).status, 200);
    EXPECT_TRUE(
        test::WaitFor([&] { return lab.Requests(QStringLiteral("127.31.1.26")).description == 1; }, 5000));
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(rig.Get(target, kCopyB).status, 200);
    }
    EXPECT_TRUE(test::WaitFor(
        [&] {
            const auto server = rig.Store().Server("127.31.1.26");
            return server && server->state == ServerState::Candidate && server->misses == 1;
        },
        5000));
    EXPECT_EQ(rig.Store().CountServers(), 1);
    EXPECT_EQ(lab.Requests(QStringLiteral("127.31.1.26")).description, 1)
        << "its next try waits for the retry time, not for the next report";
}

TEST_F(DirectoryTest, AnnouncedCopiesAreListedNewestFirstWithinTheirTime) {
    ASSERT_TRUE(rig.Start(rig.Settings())) << rig.error.toStdString();
    const auto copies = [&] { return rig.Page(QByteArrayLiteral("/listeHBL.php")).targets; };
    EXPECT_TRUE(copies().empty());

    const test::HttpResult announced = rig.Get(QByteArrayLiteral("/connectHB.php"), kCopyA);
    EXPECT_EQ(announced.status, 200);
    EXPECT_FALSE(announced.body.isEmpty());
    rig.offsetMs += 1000;
    EXPECT_EQ(rig.Get(QByteArrayLiteral("/connectHB.php"), kCopyB).status, 200);
    EXPECT_EQ(copies(), (std::vector<std::string>{"http://127.31.2.3/", "http://127.31.2.2/"}));
    EXPECT_EQ(exchange::PeerOfLink(copies().front()), "127.31.2.3");

    rig.offsetMs += 1000;
    EXPECT_EQ(rig.Get(QByteArrayLiteral("/connectHB.php"), kCopyA).status, 200);
    EXPECT_EQ(copies(), (std::vector<std::string>{"http://127.31.2.2/", "http://127.31.2.3/"}));

    // B announced 1 s before A: past B's time, A alone remains.
    rig.offsetMs += rig.running->Settings().peerTtlMs - 500;
    EXPECT_EQ(copies(), (std::vector<std::string>{"http://127.31.2.2/"}));
    const test::PageLinks page = rig.Page(QByteArrayLiteral("/listeHBL.php"));
    EXPECT_EQ(page.parseErrors, 0);
    EXPECT_EQ(page.texts, (std::vector<std::string>{"127.31.2.2"}));
}

TEST_F(DirectoryTest, KeepsItsServersAndCopiesAcrossARestart) {
    StartLab("127.31.1.27 4661 answer name=Kept\n");
    ASSERT_TRUE(rig.Start(rig.Settings())) << rig.error.toStdString();
    ASSERT_EQ(
        rig.Get(test::DirectoryRig::RcvTarget({{"127.31.1.27", "4661"}, {"127.31.1.28", "4661"}})).status,
        200);
    const std::vector<std::string> listed = {"ed2k://|server|127.31.1.27|4661|/"};
    ASSERT_TRUE(test::WaitFor([&] { return rig.ListedTargets() == listed; }, 10000));
    ASSERT_EQ(rig.Get(QByteArrayLiteral("/connectHB.php"), kCopyB).status, 200);
    rig.Stop();

    // Started again without probing: what it shows comes from the file alone.
    DirectorySettings settings = rig.Settings();
    settings.probesPerSecond = 0;
    ASSERT_TRUE(rig.Start(settings)) << rig.error.toStdString();
    EXPECT_EQ(rig.ListedTargets(), listed);
    EXPECT_EQ(rig.Page(QByteArrayLiteral("/liste.php")).texts, (std::vector<std::string>{"Kept"}));
    EXPECT_EQ(rig.Page(QByteArrayLiteral("/listeHBL.php")).targets,
              (std::vector<std::string>{"http://127.31.2.3/"}));
    const auto kept = rig.Store().Server("127.31.1.27");
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->state, ServerState::Listed);
    EXPECT_GT(kept->verifiedAtMs, 0);
    EXPECT_EQ(rig.Store().CountServers(), 2);
}

TEST_F(DirectoryTest, StoppingWithProbesInFlightNeitherHangsNorLosesTheirServers) {
    StartLab("127.31.1.29 4661 silent\n");
    DirectorySettings settings = rig.Settings();
    settings.probeTimeoutMs = 60000;
    ASSERT_TRUE(rig.Start(settings)) << rig.error.toStdString();
    ASSERT_EQ(rig.Get(test::DirectoryRig::RcvTarget({{"127.31.1.29", "4661"}})).status, 200);
    ASSERT_TRUE(test::WaitFor([&] { return rig.running->Checks().InFlight() == 1; }, 5000));
    rig.Stop();  // would wait a minute if the running probe were not ended

    settings.probesPerSecond = 0;
    ASSERT_TRUE(rig.Start(settings)) << rig.error.toStdString();
    const auto server = rig.Store().Server("127.31.1.29");
    ASSERT_TRUE(server);
    EXPECT_EQ(server->state, ServerState::Candidate) << "asked again once its claim runs out";
}

}  // namespace
}  // namespace hublane::directory
