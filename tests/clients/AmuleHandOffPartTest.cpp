// The aMule hand-off as the cycle's part, without a real aMule: an empty table asks nothing, a
// place to connect that cannot be known says why, and the program quitting ends a hand-off that
// waits for an aMule that never answers at once, not after its five seconds.
#include "clients/AmuleHandOffPart.h"

#include <gtest/gtest.h>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTimer>

#include "platform/Clock.h"
#include "serverlist/UiWaits.h"
#include "support/Fakes.h"

namespace hublane::clients {
namespace {

class AmulePartTest : public ::testing::Test {
  protected:
    AmuleHandOffPart Part(EcTargetSource source, serverlist::AddressTest blocked = {}) {
        return AmuleHandOffPart(state, waits, std::move(source), std::move(blocked));
    }
    EcTargetSource Counted(EcTargetChoice choice) {
        return [this, choice] {
            ++asked;
            return choice;
        };
    }

    platform::SystemClock clock;
    serverlist::PlainGauge gauge;
    test::RecordingStatus status;
    serverlist::CycleState state{gauge, status};
    serverlist::UiWaits waits{clock};
    int asked = 0;
};

TEST_F(AmulePartTest, AnEmptyTableOrOneOfBlockedServersIsNeverHandedOff) {
    state.silentServers.insert({"198.51.100.2", "4661"});
    AmuleHandOffPart part = Part(Counted({EcTarget{QStringLiteral("127.0.0.1"), 9, ""}, {}}));
    part.SendToDonkey();
    const QString empty =
        QStringLiteral("Envoi vers aMule sauté : la liste est vide (rien n'est changé chez aMule)");
    EXPECT_EQ(part.LastStatus(), empty);
    EXPECT_EQ(status.captions, QStringList{empty});

    state.Servers().AddServerRow("198.51.100.4", "4661");
    AmuleHandOffPart filtered = Part(Counted({EcTarget{QStringLiteral("127.0.0.1"), 9, ""}, {}}),
                                     [](std::string_view ip) { return ip == "198.51.100.4"; });
    filtered.SendToDonkey();
    EXPECT_EQ(filtered.LastStatus(), empty);
    EXPECT_EQ(asked, 0);
}

TEST_F(AmulePartTest, APlaceThatCannotBeKnownIsSaidAndNothingTried) {
    state.Servers().AddServerRow("198.51.100.4", "4661");
    AmuleHandOffPart part =
        Part(Counted({std::nullopt, QStringLiteral("AcceptExternalConnections=1 manque")}));
    part.SendToDonkey();
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(part.LastResult().outcome, AmuleHandOffResult::Outcome::NoSession);
    EXPECT_EQ(part.LastStatus(),
              QStringLiteral("Envoi vers aMule impossible : AcceptExternalConnections=1 manque"));
}

TEST_F(AmulePartTest, QuittingEndsAHandOffUnderWayAtOnce) {
    // Takes the connection and never answers: the login waits for its salt.
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress(QStringLiteral("127.0.0.1")), 0));
    state.Servers().AddServerRow("198.51.100.4", "4661");
    AmuleHandOffPart part =
        Part(Counted({EcTarget{QStringLiteral("127.0.0.1"), silent.serverPort(), ""}, {}}));
    QTimer::singleShot(200, &waits, [this] { waits.SetTerminating(); });
    QElapsedTimer timer;
    timer.start();
    part.SendToDonkey();
    EXPECT_LT(timer.elapsed(), 2000);
    EXPECT_TRUE(part.LastResult().reason.contains(QStringLiteral("le programme se ferme")))
        << part.LastResult().reason.toStdString();

    // Once quitting, a click starts nothing.
    part.SendToDonkey();
    EXPECT_EQ(asked, 1);
}

}  // namespace
}  // namespace hublane::clients
