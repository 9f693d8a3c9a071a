// The hand-off part of the cycle: the table's rows to the runner in order, the empty table
// skipped, the gauge, the status line of every outcome and the cycle's summary that repeats it.
#include "clients/HandOff.h"

#include <gtest/gtest.h>

#include "support/EngineRig.h"
#include "support/FakeWindowSystem.h"
#include "support/RecordingHandOffRunner.h"
#include "support/ServerListSteps.h"
#include "support/TestSupport.h"

namespace hublane::clients {
using serverlist::CycleState;
using serverlist::PlainGauge;
namespace {

using Outcome = HandOffResult::Outcome;

struct Rig {
    PlainGauge gauge;
    test::RecordingStatus status;
    CycleState state{gauge, status};
};

TEST(HandOffTest, HandsTheRowsInTableOrderAndShowsTheOutcome) {
    Rig rig;
    rig.state.Servers().AddServerRow("5.6.7.8", "4242");
    rig.state.Servers().AddServerRow("1.2.3.4", "4661");
    test::RecordingHandOffRunner runner;
    runner.answer = {Outcome::Delivered, 1, 2, {}};
    HandOff handOff(rig.state, runner);
    handOff.SendToDonkey();
    ASSERT_EQ(runner.calls.size(), 1u);
    const std::vector<HandOffAddress> expected = {{"5.6.7.8", "4242"}, {"1.2.3.4", "4661"}};
    EXPECT_EQ(runner.calls[0], expected);
    EXPECT_EQ(rig.gauge.Max(), 2);  // the runner moved the state's own gauge
    EXPECT_EQ(rig.status.captions,
              QStringList{QStringLiteral("Liste envoyée à eDonkey : 2 serveurs dans 2 consoles")});
    EXPECT_EQ(handOff.LastStatus(), rig.status.captions.last());
}

TEST(HandOffTest, EmptyTableIsSkippedAndSaysWhy) {
    Rig rig;
    test::RecordingHandOffRunner runner;
    HandOff handOff(rig.state, runner);
    handOff.SendToDonkey();
    EXPECT_TRUE(runner.calls.empty());
    EXPECT_EQ(handOff.LastResult().outcome, Outcome::EmptyTable);
    EXPECT_EQ(rig.status.captions,
              QStringList{QStringLiteral(
                  "Envoi vers eDonkey sauté : la liste est vide (l'envoyer viderait celle du client)")});
}

struct LineCase {
    HandOffResult result;
    int rows;
    const char* line;
};

// Test names and failure messages show the case, not its bytes.
void PrintTo(const LineCase& c, std::ostream* os) {
    *os << ::testing::PrintToString(std::string(c.line));
}

class StatusLines : public ::testing::TestWithParam<LineCase> {};

TEST_P(StatusLines, SayWhatHappened) {
    EXPECT_EQ(HandOffStatusLine(GetParam().result, GetParam().rows), QString::fromUtf8(GetParam().line));
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, StatusLines,
    ::testing::Values(
        LineCase{{Outcome::Delivered, 1, 1, {}}, 1, "Liste envoyée à eDonkey : 1 serveur dans 1 console"},
        LineCase{{Outcome::Delivered, 2, 4, {}}, 30, "Liste envoyée à eDonkey : 30 serveurs dans 4 consoles"},
        LineCase{{Outcome::NoClient, 0, 0, {}}, 3, "Envoi vers eDonkey : aucun client eDonkey2000 en cours"},
        LineCase{{Outcome::NoConsole, 1, 0, {}},
                 3,
                 "Envoi vers eDonkey : aucune console trouvée dans eDonkey2000"},
        LineCase{{Outcome::NotAnswering, 1, 0, {}},
                 3,
                 "Envoi vers eDonkey interrompu : eDonkey2000 ne répond plus"},
        LineCase{{Outcome::NotAnswering, 2, 1, {}},
                 3,
                 "Envoi vers eDonkey interrompu : eDonkey2000 ne répond plus (déjà envoyée dans 1 console)"},
        LineCase{{Outcome::WindowGone, 1, 0, {}},
                 3,
                 "Envoi vers eDonkey interrompu : la console d'eDonkey2000 a disparu"},
        LineCase{{Outcome::NoWine, 0, 0, "aucun programme wine dans le PATH"},
                 3,
                 "Envoi vers eDonkey impossible : Wine est introuvable (aucun programme wine dans le PATH)"},
        LineCase{{Outcome::NoPrefix, 0, 0, "cherché dans /h/.wine"},
                 3,
                 "Envoi vers eDonkey impossible : aucun préfixe Wine trouvé (cherché dans /h/.wine)"},
        LineCase{{Outcome::NoHelper, 0, 0, "le préfixe 64 bits /p demande /b/win64/hublane-handoff.exe"},
                 3,
                 "Envoi vers eDonkey impossible : hublane-handoff.exe est introuvable (le préfixe 64 bits /p "
                 "demande "
                 "/b/win64/hublane-handoff.exe)"},
        LineCase{{Outcome::HelperFailed, 0, 0, "n'a donné aucun résultat"},
                 3,
                 "Envoi vers eDonkey échoué : n'a donné aucun résultat"}));

// The whole part over a window system of fake windows: what the client's console receives and
// what the state's gauge ends at.
TEST(HandOffTest, TypesIntoTheConsoleThroughAWindowSystem) {
    Rig rig;
    rig.state.Servers().AddServerRow("1.2.3.4", "4661");
    test::FakeWindowSystem windows;
    const auto console = windows.AddChild(windows.AddWindow("eDonkey2000 v1.4"), "RICHEDIT");
    WindowSystemHandOffRunner runner(windows);
    HandOff handOff(rig.state, runner);
    handOff.SendToDonkey();
    EXPECT_EQ(windows.messages, 6001 + 3 + 1);
    const std::string h = std::to_string(console);
    EXPECT_EQ(windows.events.at(windows.events.size() - 4), "settext " + h + " n 1.2.3.4:4661");
    EXPECT_EQ(rig.gauge.Max(), 1);
    EXPECT_EQ(rig.gauge.Position(), 1);
    EXPECT_EQ(handOff.LastResult().consoles, 1);
}

// The engine wires the part into the cycle: its last step hands off, and the summary line that
// replaces the step's caption repeats the outcome.
TEST(HandOffTest, CycleSummaryRepeatsTheHandOff) {
    test::EngineRig rig;
    rig.State().Servers().AddServerRow("1.2.3.4", "4661");
    rig.handOff->answer = {Outcome::NoClient, 0, 0, {}};
    test::ServerListSteps::HandOff(rig.Window());
    ASSERT_EQ(rig.handOff->calls.size(), 1u);
    const QString summary = rig.Window().Report().Summary(rig.State().Servers(), rig.State().Peers());
    EXPECT_TRUE(summary.endsWith(QStringLiteral(" ; Envoi vers eDonkey : aucun client eDonkey2000 en cours")))
        << summary.toStdString();
    EXPECT_EQ(&rig.engine->HandOff(), &rig.engine->HandOff());
}

TEST(HandOffTest, WholeCycleOnAnEmptyListTypesNothing) {
    app::EngineOptions options;
    options.address.bind = QHostAddress(QStringLiteral("127.0.0.236"));
    test::EngineRig rig(options);
    rig.Window().Show();
    EXPECT_TRUE(rig.handOff->calls.empty());
    ASSERT_FALSE(rig.status.captions.isEmpty());
    EXPECT_TRUE(rig.status.captions.contains(QStringLiteral("Envoi des serveurs vers eDonkey")));
    EXPECT_TRUE(rig.status.captions.last().endsWith(
        QStringLiteral("Envoi vers eDonkey sauté : la liste est vide (l'envoyer viderait celle du client)")))
        << rig.status.captions.last().toStdString();
}

}  // namespace
}  // namespace hublane::clients
