// The hand-off against the real amuled, in a private network namespace: the login and its list,
// the list it is left with (added, silent removed, static and never-asked kept), and a wrong
// password, a closed EC port and an amuled killed part-way, each with its reason and nothing lost;
// silent servers a hand-off could not reach aMule for go with the next one.
#include <gtest/gtest.h>
#include <QElapsedTimer>

#include "AmuledRig.h"
#include "clients/AmuleHandOff.h"
#include "clients/AmuleHandOffPart.h"
#include "clients/ServerMetCodec.h"
#include "platform/Clock.h"
#include "serverlist/ListFiles.h"
#include "serverlist/UiWaits.h"
#include "support/CliRun.h"
#include "support/Fakes.h"

namespace hublane::clients {
namespace {

using test::AmuledRig;
using test::ListMap;

class AmuledTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (const QString why = test::AmuledUnavailable(); !why.isEmpty()) {
            GTEST_SKIP() << why.toStdString();
        }
    }
    void Start() { ASSERT_TRUE(m_rig.Start()) << m_rig.Error().toStdString(); }

    AmuledRig m_rig;
    serverlist::PlainGauge m_gauge;
};

TEST_F(AmuledTest, LogsInAndReadsItsList) {
    m_rig.WriteStaticServers("198.51.100.7:4661,0,Static One\n");
    Start();
    AmuleSession session;
    ASSERT_TRUE(session.Login(m_rig.Target())) << session.Reason().toStdString();
    const auto list = session.ServerList();
    ASSERT_TRUE(list.has_value()) << session.Reason().toStdString();
    EXPECT_EQ(*list, (std::vector<AmuleServer>{{{"198.51.100.7", 4661}, "Static One", true}}));
}

const std::vector<ServerToAdd> kBefore = {{{"198.51.100.1", 4661}, "Never asked"},
                                          {{"198.51.100.2", 4661}, "Silent"},
                                          {{"198.51.100.4", 4661}, "Answered"}};

TEST_F(AmuledTest, HandOffLeavesExactlyTheRightList) {
    m_rig.WriteStaticServers("198.51.100.3:4661,0,Static silent\n");
    Start();
    m_rig.Add(kBefore);
    serverlist::ServerTable table;
    table.AddServerRow("198.51.100.4", "4661", "10", "20", "Answered");
    table.AddServerRow("203.0.113.5", "4242", "1", "2", "New five");
    table.AddServerRow("203.0.113.6", "4661");
    table.AddServerRow("192.0.2.1", "4661", "1", "2", "Reserved range");  // aMule never takes it
    const std::set<ServerEndpoint> silent = {
        {"198.51.100.2", 4661}, {"198.51.100.3", 4661}, {"198.51.100.9", 4661}};

    AmuleSession session;
    const AmuleHandOffResult result = RunAmuleHandOff(session, m_rig.Target(), table, silent, m_gauge);
    EXPECT_EQ(result.outcome, AmuleHandOffResult::Outcome::Delivered) << result.reason.toStdString();
    EXPECT_EQ(AmuleStatusLine(result),
              QStringLiteral("aMule : 2 serveurs ajoutés, 1 retiré, 1 refusé par aMule"));
    EXPECT_EQ(m_rig.List(), (ListMap{{"198.51.100.1:4661", {"Never asked", false}},
                                     {"198.51.100.3:4661", {"Static silent", true}},
                                     {"198.51.100.4:4661", {"Answered", false}},
                                     {"203.0.113.5:4242", {"New five", false}},
                                     {"203.0.113.6:4661", {"203.0.113.6:4661", false}}}));

    // The same hand-off again finds nothing left to do.
    const AmuleHandOffResult again = RunAmuleHandOff(session, m_rig.Target(), table, silent, m_gauge);
    EXPECT_EQ(AmuleStatusLine(again),
              QStringLiteral("aMule : 0 serveur ajouté, 0 retiré, 1 refusé par aMule"));

    // An empty table changes nothing, whatever was silent.
    const AmuleHandOffResult empty = RunAmuleHandOff(session, m_rig.Target(), {}, silent, m_gauge);
    EXPECT_EQ(empty.outcome, AmuleHandOffResult::Outcome::EmptyTable);
    EXPECT_EQ(m_rig.List().size(), 5U);
}

struct FailureCase {
    const char* name;
    bool running;
    quint16 port;
    const char* password;
    const char* reason;
};

void PrintTo(const FailureCase& c, std::ostream* os) {
    *os << c.name;
}

class AmuledFailures : public AmuledTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(AmuledFailures, SayWhyAndChangeNothing) {
    const FailureCase& c = GetParam();
    Start();
    m_rig.Add(kBefore);
    const ListMap before = m_rig.List();
    if (!c.running) {
        m_rig.StopSaving();
    }
    serverlist::ServerTable table;
    table.AddServerRow("203.0.113.5", "4242");
    clients::EcTarget target = m_rig.Target(c.password);
    target.port = c.port;
    AmuleSession session;
    QElapsedTimer timer;
    timer.start();
    const AmuleHandOffResult result =
        RunAmuleHandOff(session, target, table, {{"198.51.100.2", 4661}}, m_gauge);
    EXPECT_LT(timer.elapsed(), 10000);
    EXPECT_EQ(result.outcome, AmuleHandOffResult::Outcome::NoSession);
    const QString line = AmuleStatusLine(result);
    EXPECT_TRUE(line.contains(QString::fromUtf8(c.reason))) << line.toStdString();
    EXPECT_TRUE(line.contains(target.Text())) << line.toStdString();
    if (!c.running) {
        Start();
    }
    EXPECT_EQ(m_rig.List(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Sessions, AmuledFailures,
    ::testing::Values(
        FailureCase{"WrongPassword", true, test::kAmuledEcPort, "00000000000000000000000000000000",
                    "a refusé le mot de passe EC"},
        FailureCase{"ClosedPort", true, test::kAmuledEcPort + 1, test::kAmuledPasswordMd5, "n'est pas lancé"},
        FailureCase{"NotRunning", false, test::kAmuledEcPort, test::kAmuledPasswordMd5, "n'est pas lancé"}),
    [](const ::testing::TestParamInfo<FailureCase>& p) { return std::string(p.param.name); });

// A gauge that kills amuled when the hand-off reaches a given step.
class KillingGauge final : public serverlist::PlainGauge {
  public:
    KillingGauge(AmuledRig& rig, int step) : m_rig(rig), m_step(step) {}
    void SetPosition(int position) override {
        PlainGauge::SetPosition(position);
        if (position == m_step) {
            m_rig.Kill();
        }
    }

  private:
    AmuledRig& m_rig;
    int m_step;
};

TEST_F(AmuledTest, KilledPartWayLosesNothing) {
    Start();
    m_rig.Add(kBefore);
    m_rig.StopSaving();  // writes server.met with the servers above
    Start();
    const ListMap before = m_rig.List();
    ASSERT_EQ(before.size(), kBefore.size());

    serverlist::ServerTable table;
    for (int i = 1; i <= 200; ++i) {
        table.AddServerRow("203.0.113." + std::to_string(i), "4661");
    }
    KillingGauge gauge(m_rig, 50);
    AmuleSession session;
    QElapsedTimer timer;
    timer.start();
    const AmuleHandOffResult result =
        RunAmuleHandOff(session, m_rig.Target(), table, {{"198.51.100.2", 4661}}, gauge);
    EXPECT_LT(timer.elapsed(), 10000);
    EXPECT_EQ(result.outcome, AmuleHandOffResult::Outcome::CutShort);
    EXPECT_EQ(result.added, 49);
    EXPECT_EQ(result.removed, 0);
    EXPECT_TRUE(AmuleStatusLine(result).startsWith(
        QStringLiteral("Envoi vers aMule interrompu (49 serveurs ajoutés")))
        << AmuleStatusLine(result).toStdString();
    EXPECT_TRUE(result.reason.contains(QStringLiteral("127.0.0.1:24712"))) << result.reason.toStdString();

    // Started again, it holds every server it had (the silent one too: removals come last).
    Start();
    const ListMap after = m_rig.List();
    for (const auto& [endpoint, listed] : before) {
        EXPECT_EQ(after.count(endpoint), 1U) << endpoint;
    }
}

TEST_F(AmuledTest, SilentServersAHandOffCouldNotTakeOutGoWithTheNext) {
    Start();
    m_rig.Add(kBefore);
    platform::SystemClock clock;
    test::RecordingStatus status;
    serverlist::CycleState state{m_gauge, status};
    serverlist::UiWaits waits{clock};
    EcTarget target{QStringLiteral("127.0.0.1"), test::kAmuledEcPort + 1, test::kAmuledPasswordMd5};
    AmuleHandOffPart part(state, waits, [&target] { return EcTargetChoice{target, {}}; });

    // A cycle finds .1 and .2 silent, but nothing answers where it looks for aMule.
    state.Servers().AddServerRow("198.51.100.4", "4661", "10", "20", "Answered");
    state.silentServers = {{"198.51.100.1", "4661"}, {"198.51.100.2", "4661"}};
    part.SendToDonkey();
    ASSERT_EQ(part.LastResult().outcome, AmuleHandOffResult::Outcome::NoSession);
    EXPECT_EQ(part.PendingRemovals(),
              (std::set<ServerEndpoint>{{"198.51.100.1", 4661}, {"198.51.100.2", 4661}}));

    // The next cycle finds nothing silent and .1 answering again; aMule is reached this time.
    target = m_rig.Target();
    state.Servers().AddServerRow("198.51.100.1", "4661", "1", "2", "Never asked");
    state.silentServers.clear();
    part.SendToDonkey();
    ASSERT_EQ(part.LastResult().outcome, AmuleHandOffResult::Outcome::Delivered)
        << part.LastResult().reason.toStdString();
    EXPECT_EQ(part.LastResult().removed, 1);
    EXPECT_TRUE(part.PendingRemovals().empty());
    EXPECT_EQ(m_rig.List(), (ListMap{{"198.51.100.1:4661", {"Never asked", false}},
                                     {"198.51.100.4:4661", {"Answered", false}}}));
}

// hublanectl handoff --client amule against the real amuled: its folder's amule.conf, or --ec and
// --ec-password; --dry-run changes nothing.
TEST_F(AmuledTest, VerbHandsOffOrPrintsWhatItWould) {
    Start();
    m_rig.Add(kBefore);
    const ListMap before = m_rig.List();
    QTemporaryDir elsewhere;
    serverlist::ServerTable table;
    table.AddServerRow("198.51.100.4", "4661", "10", "20", "Answered");
    table.AddServerRow("203.0.113.5", "4242", "1", "2", "New five");
    table.AddServerRow("203.0.113.6", "4661");
    const QString met = elsewhere.filePath(QStringLiteral("server.met"));
    ASSERT_TRUE(serverlist::WriteServerMet(met, table, m_gauge, {}, clients::kServerMetCodec).Written());
    const QStringList fromConf = {QStringLiteral("handoff"),
                                  QStringLiteral("--client"),
                                  QStringLiteral("amule"),
                                  QStringLiteral("--client-dir"),
                                  m_rig.Dir(),
                                  QStringLiteral("--server-met"),
                                  met};

    test::CliOutcome r = test::Hublanectl(fromConf + QStringList{QStringLiteral("--dry-run")});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("add 203.0.113.5:4242\nadd 203.0.113.6:4661\n"));
    EXPECT_EQ(m_rig.List(), before);

    // No amule.conf where it looks: the address and the password given.
    const QStringList given = {QStringLiteral("handoff"),
                               QStringLiteral("--client"),
                               QStringLiteral("amule"),
                               QStringLiteral("--client-dir"),
                               elsewhere.path(),
                               QStringLiteral("--server-met"),
                               met,
                               QStringLiteral("--ec"),
                               QStringLiteral("127.0.0.1:24712"),
                               QStringLiteral("--ec-password")};
    r = test::Hublanectl(given + QStringList{QStringLiteral("not it")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("aMule sur 127.0.0.1:24712 a refusé le mot de passe EC")))
        << r.err.toStdString();
    EXPECT_EQ(m_rig.List(), before);

    r = test::Hublanectl(given + QStringList{QStringLiteral("hublane")});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("aMule : 2 serveurs ajoutés, 0 retiré\n"));
    EXPECT_EQ(m_rig.List().size(), before.size() + 2);

    r = test::Hublanectl(fromConf);
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("aMule : 0 serveur ajouté, 0 retiré\n"));
}

}  // namespace
}  // namespace hublane::clients
