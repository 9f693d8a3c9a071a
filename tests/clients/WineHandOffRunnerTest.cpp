// The hand-off under Wine without Wine: the choice of wine, prefix and helper on a sandbox, and
// the runner driving stand-in "wine" programs that answer as the helper does, say nothing, or
// end without a result.
#include "clients/WineHandOffRunner.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include "platform/Clock.h"
#include "serverlist/UiWaits.h"
#include "support/TestSupport.h"

namespace hublane::clients {
using serverlist::PlainGauge;
using serverlist::UiWaits;
namespace {

using Outcome = HandOffResult::Outcome;

class Sandbox {
  public:
    QString Path(const QString& relative) const { return m_dir.filePath(relative); }
    QString Prefix(const QString& name, const QByteArray& arch = "win64") {
        const QString prefix = Path(name);
        QDir().mkpath(prefix + QStringLiteral("/drive_c/Program Files/eDonkey2000"));
        test::WriteWholeFile(prefix + QStringLiteral("/system.reg"),
                             "WINE REGISTRY Version 2\n#arch=" + arch + "\n\n[Software] 1\n");
        return prefix;
    }
    QString File(const QString& relative, const QByteArray& text = {}, bool executable = false) {
        const QString path = Path(relative);
        QDir().mkpath(QFileInfo(path).path());
        test::WriteWholeFile(path, text);
        if (executable) {
            QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ExeOwner);
        }
        return path;
    }

  private:
    QTemporaryDir m_dir;
};

struct ChoiceCase {
    const char* name;
    std::function<WineSearch(Sandbox&)> build;
    Outcome failure;     // Delivered: a choice is made
    const char* prefix;  // expected prefix, relative to the sandbox
    const char* helper;  // expected helper, relative to the sandbox
};

// Test names and failure messages show the case, not its bytes.
void PrintTo(const ChoiceCase& c, std::ostream* os) {
    *os << c.name;
}

class WineChoices : public ::testing::TestWithParam<ChoiceCase> {};

WineSearch Base(Sandbox& s) {
    WineSearch search;
    s.File(QStringLiteral("bin/wine"), "#!/bin/sh\n", true);
    search.pathVariable =
        s.Path(QStringLiteral("nowhere")) + QLatin1Char(':') + s.Path(QStringLiteral("bin"));
    search.home = s.Path(QStringLiteral("home"));
    s.File(QStringLiteral("helpers/win64/hublane-handoff.exe"));
    s.File(QStringLiteral("helpers/win32/hublane-handoff.exe"));
    search.helperDirs = {s.Path(QStringLiteral("helpers"))};
    return search;
}

TEST_P(WineChoices, FindWinePrefixAndHelper) {
    const ChoiceCase& c = GetParam();
    Sandbox sandbox;
    const WineSearch search = c.build(sandbox);
    HandOffResult failure;
    const auto config = ChooseWineHandOff(search, failure);
    if (c.failure != Outcome::Delivered) {
        ASSERT_FALSE(config.has_value());
        EXPECT_EQ(failure.outcome, c.failure);
        EXPECT_FALSE(failure.detail.empty());
        return;
    }
    ASSERT_TRUE(config.has_value()) << failure.detail;
    EXPECT_EQ(config->wine, sandbox.Path(QStringLiteral("bin/wine")));
    EXPECT_EQ(config->prefix, sandbox.Path(QLatin1String(c.prefix)));
    EXPECT_EQ(config->helper, sandbox.Path(QLatin1String(c.helper)));
}

INSTANTIATE_TEST_SUITE_P(
    Sandboxes, WineChoices,
    ::testing::Values(
        ChoiceCase{"NoWineInPath",
                   [](Sandbox& s) {
                       WineSearch search = Base(s);
                       search.pathVariable = s.Path(QStringLiteral("nowhere"));
                       search.winePrefixVariable = s.Prefix(QStringLiteral("pfx"));
                       return search;
                   },
                   Outcome::NoWine, "", ""},
        ChoiceCase{"NoPrefixAnywhere", [](Sandbox& s) { return Base(s); }, Outcome::NoPrefix, "", ""},
        ChoiceCase{"HomeWineIsTheLastResort",
                   [](Sandbox& s) {
                       WineSearch search = Base(s);
                       s.Prefix(QStringLiteral("home/.wine"));
                       search.winePrefixVariable = s.Path(QStringLiteral("not-a-prefix"));
                       return search;
                   },
                   Outcome::Delivered, "home/.wine", "helpers/win64/hublane-handoff.exe"},
        ChoiceCase{"WinePrefixVariableBeatsHome",
                   [](Sandbox& s) {
                       WineSearch search = Base(s);
                       s.Prefix(QStringLiteral("home/.wine"));
                       search.winePrefixVariable = s.Prefix(QStringLiteral("variable"));
                       return search;
                   },
                   Outcome::Delivered, "variable", "helpers/win64/hublane-handoff.exe"},
        ChoiceCase{"RegisteredProgramBeatsTheVariable",
                   [](Sandbox& s) {
                       WineSearch search = Base(s);
                       search.winePrefixVariable = s.Prefix(QStringLiteral("variable"));
                       search.registeredProgram = s.Prefix(QStringLiteral("registered")) +
                                                  QStringLiteral("/drive_c/Program Files/x.exe,0");
                       return search;
                   },
                   Outcome::Delivered, "registered", "helpers/win64/hublane-handoff.exe"},
        ChoiceCase{"ClientFolderBeatsEverything",
                   [](Sandbox& s) {
                       WineSearch search = Base(s);
                       search.winePrefixVariable = s.Prefix(QStringLiteral("variable"));
                       search.registeredProgram =
                           s.Prefix(QStringLiteral("registered")) + QStringLiteral("/x.exe");
                       search.clientFolder = s.Prefix(QStringLiteral("client")) +
                                             QStringLiteral("/drive_c/Program Files/eDonkey2000/");
                       return search;
                   },
                   Outcome::Delivered, "client", "helpers/win64/hublane-handoff.exe"},
        ChoiceCase{"WindowsClientFolderNamesNoPrefix",
                   [](Sandbox& s) {
                       WineSearch search = Base(s);
                       search.clientFolder = QStringLiteral("C:\\Program Files\\eDonkey2000\\");
                       search.winePrefixVariable = s.Prefix(QStringLiteral("variable"));
                       return search;
                   },
                   Outcome::Delivered, "variable", "helpers/win64/hublane-handoff.exe"},
        ChoiceCase{"ThirtyTwoBitPrefixTakesTheThirtyTwoBitHelper",
                   [](Sandbox& s) {
                       WineSearch search = Base(s);
                       search.winePrefixVariable = s.Prefix(QStringLiteral("old"), "win32");
                       return search;
                   },
                   Outcome::Delivered, "old", "helpers/win32/hublane-handoff.exe"},
        ChoiceCase{"ThirtyTwoBitPrefixWithoutItsHelper",
                   [](Sandbox& s) {
                       WineSearch search = Base(s);
                       QFile::remove(s.Path(QStringLiteral("helpers/win32/hublane-handoff.exe")));
                       search.winePrefixVariable = s.Prefix(QStringLiteral("old"), "win32");
                       return search;
                   },
                   Outcome::NoHelper, "", ""},
        ChoiceCase{"FirstHelperFolderWins",
                   [](Sandbox& s) {
                       WineSearch search = Base(s);
                       s.File(QStringLiteral("first/win64/hublane-handoff.exe"));
                       search.helperDirs.prepend(s.Path(QStringLiteral("first")));
                       search.helperDirs.prepend(s.Path(QStringLiteral("empty")));
                       search.winePrefixVariable = s.Prefix(QStringLiteral("variable"));
                       return search;
                   },
                   Outcome::Delivered, "variable", "first/win64/hublane-handoff.exe"},
        ChoiceCase{"NoHelperAnywhere",
                   [](Sandbox& s) {
                       WineSearch search = Base(s);
                       search.helperDirs = {s.Path(QStringLiteral("empty"))};
                       search.winePrefixVariable = s.Prefix(QStringLiteral("variable"));
                       return search;
                   },
                   Outcome::NoHelper, "", ""}),
    [](const ::testing::TestParamInfo<ChoiceCase>& p) { return std::string(p.param.name); });

// A "wine" that is a shell script standing in for Wine and the helper together.
WineHandOffConfig StandIn(Sandbox& s, const QByteArray& script, const QByteArray& arch = "win64") {
    WineHandOffConfig config;
    config.wine = s.File(QStringLiteral("bin/wine"), "#!/bin/sh\n" + script, true);
    config.helper = s.File(QStringLiteral("helpers/win64/hublane-handoff.exe"));
    config.prefix = s.Prefix(QStringLiteral("pfx"), arch);
    config.messageTimeoutMs = 1234;
    return config;
}

const std::vector<HandOffAddress> kRows = {{"1.2.3.4", "4661"}, {"a\tb", "42"}};

TEST(WineHandOffRunnerTest, FeedsTheRowsAndFollowsTheHelpersLines) {
    Sandbox s;
    const WineHandOffConfig config =
        StandIn(s,
                "cat > \"$WINEPREFIX/stdin\"\n"
                "echo \"$@|$WINEDEBUG|$WINEDLLOVERRIDES\" > \"$WINEPREFIX/args\"\n"
                "printf 'gauge max 2000\\ngauge position 0\\nnoise\\n'\n"
                "printf 'gauge position 2000\\r\\ngauge max 2\\ngauge position 1\\n'\n"
                "printf 'result delivered 2 3 \\n'\n");
    PlainGauge gauge;
    const HandOffResult result = WineHandOffRunner(config).Run(kRows, gauge);
    EXPECT_EQ(result, (HandOffResult{Outcome::Delivered, 2, 3, {}}));
    EXPECT_EQ(gauge.Max(), 2);
    EXPECT_EQ(gauge.Position(), 1);
    EXPECT_EQ(test::ReadWholeFile(config.prefix + QStringLiteral("/stdin")),
              QByteArray("1.2.3.4\t4661\na\\tb\t42\n"));
    EXPECT_EQ(test::ReadWholeFile(config.prefix + QStringLiteral("/args")),
              (config.helper + QStringLiteral(" --timeout-ms 1234|fixme-all|mscoree,mshtml=\n")).toUtf8());
}

struct FailureCase {
    const char* name;
    QByteArray script;
    QByteArray arch;
    const char* detailPart;
};

// Test names and failure messages show the case, not its bytes.
void PrintTo(const FailureCase& c, std::ostream* os) {
    *os << c.name;
}

class WineRunnerFailures : public ::testing::TestWithParam<FailureCase> {};

TEST_P(WineRunnerFailures, AreFailuresThatSayWhy) {
    Sandbox s;
    WineHandOffConfig config = StandIn(s, GetParam().script, GetParam().arch);
    config.silenceLimitMs = 500;
    PlainGauge gauge;
    const HandOffResult result = WineHandOffRunner(config).Run(kRows, gauge);
    EXPECT_EQ(result.outcome, Outcome::HelperFailed);
    EXPECT_NE(result.detail.find(GetParam().detailPart), std::string::npos) << result.detail;
}

INSTANTIATE_TEST_SUITE_P(
    Helpers, WineRunnerFailures,
    ::testing::Values(
        FailureCase{"EndsWithoutResult", "cat >/dev/null\necho 'first\nsecond\nthird' >&2\nexit 0\n", "win64",
                    "n'a donné aucun résultat (code de sortie 0) : second / third"},
        FailureCase{"ThirtyTwoBitPrefixWithoutThirtyTwoBitWine",
                    "cat >/dev/null\necho 'it looks like wine32 is missing' >&2\n", "win32",
                    "un préfixe 32 bits demande Wine 32 bits (wine32) : it looks like wine32 is missing"},
        FailureCase{"SaysNothing", "exec sleep 30\n", "win64", "n'a rien dit pendant 0 s et a été arrêté"},
        FailureCase{"StopsTalkingHalfway", "printf 'gauge max 2000\\n'\nexec sleep 30\n", "win64",
                    "n'a rien dit"},
        FailureCase{"BrokenResultLine", "cat >/dev/null\necho 'result delivered 1'\n", "win64",
                    "n'a donné aucun résultat"}),
    [](const ::testing::TestParamInfo<FailureCase>& p) { return std::string(p.param.name); });

TEST(WineHandOffRunnerTest, QuittingProgramStopsTheHelper) {
    Sandbox s;
    const WineHandOffConfig config = StandIn(s, "exec sleep 30\n");
    const platform::SystemClock clock;
    UiWaits waits(clock);
    QTimer::singleShot(100, &waits, [&waits] { waits.SetTerminating(); });
    PlainGauge gauge;
    const HandOffResult result = WineHandOffRunner(config, &waits).Run(kRows, gauge);
    EXPECT_EQ(result.outcome, Outcome::HelperFailed);
    EXPECT_EQ(result.detail, "arrêté : le programme se ferme");
    // Once quitting, no helper is started at all.
    EXPECT_EQ(WineHandOffRunner(config, &waits).Run(kRows, gauge).detail, "le programme se ferme");
}

TEST(WineHandOffRunnerTest, WineThatCannotStartIsAFailure) {
    Sandbox s;
    WineHandOffConfig config = StandIn(s, "");
    config.wine = s.Path(QStringLiteral("missing/wine"));
    PlainGauge gauge;
    const HandOffResult result = WineHandOffRunner(config).Run(kRows, gauge);
    EXPECT_EQ(result.outcome, Outcome::HelperFailed);
    EXPECT_NE(result.detail.find("impossible de lancer"), std::string::npos) << result.detail;
}

}  // namespace
}  // namespace hublane::clients
