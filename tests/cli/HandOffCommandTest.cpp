// hublanectl handoff without Wine: the dry run's exact commands, the empty and the unreadable
// list, a missing Wine or helper, and the count of consoles from a stand-in for Wine and the
// helper.
#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "clients/ServerMetCodec.h"
#include "platform/UserSettingsStore.h"
#include "serverlist/ListFiles.h"
#include "support/CliRun.h"
#include "support/EnvironmentGuard.h"
#include "support/TestSupport.h"

namespace hublane::cli {
namespace {

using test::Hublanectl;

class HandOffCommandTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        // The user's own settings, classes and prefixes are never read.
        m_env.Set("HOME", Path(QStringLiteral("home")));
        m_env.Set("XDG_CONFIG_HOME", Path(QStringLiteral("config")));
        m_env.Set("XDG_DATA_HOME", Path(QStringLiteral("data")));
        m_env.Set("PATH", Path(QStringLiteral("bin")));
        m_env.Set("HUBLANE_HELPER_DIR", Path(QStringLiteral("helpers")));
        m_env.Unset("WINEPREFIX");
    }
    QString Path(const QString& relative) const { return m_dir.filePath(relative); }
    QString ServerMet(const std::vector<std::pair<std::string, std::string>>& rows) {
        serverlist::ServerTable table;
        for (const auto& [ip, port] : rows) {
            table.AddServerRow(ip, port);
        }
        serverlist::PlainGauge gauge;
        const QString path = Path(QStringLiteral("server.met"));
        EXPECT_TRUE(serverlist::WriteServerMet(path, table, gauge, {}, clients::kServerMetCodec).Written());
        return path;
    }
    // A prefix, a helper file and a "wine" that answers as Wine running the helper would.
    void StandIn(const QByteArray& answer) {
        QDir().mkpath(Path(QStringLiteral("prefix")));
        test::WriteWholeFile(Path(QStringLiteral("prefix/system.reg")),
                             "WINE REGISTRY Version 2\n#arch=win64\n");
        m_env.Set("WINEPREFIX", Path(QStringLiteral("prefix")));
        QDir().mkpath(Path(QStringLiteral("helpers/win64")));
        test::WriteWholeFile(Path(QStringLiteral("helpers/win64/hublane-handoff.exe")), "");
        QDir().mkpath(Path(QStringLiteral("bin")));
        const QString wine = Path(QStringLiteral("bin/wine"));
        test::WriteWholeFile(wine,
                             "#!/bin/sh\n/bin/cat > \"$WINEPREFIX/rows\"\nprintf '" + answer + "\\n'\n");
        QFile::setPermissions(wine, QFile::permissions(wine) | QFileDevice::ExeOwner);
    }

    QTemporaryDir m_dir;
    test::EnvironmentGuard m_env;
};

TEST_F(HandOffCommandTest, DryRunPrintsExactlyTheCommands) {
    const QString path = ServerMet({{"1.2.3.4", "4661"}, {"5.6.7.8", "4242"}});
    const test::CliOutcome r = Hublanectl(
        {QStringLiteral("handoff"), QStringLiteral("--server-met"), path, QStringLiteral("--dry-run")});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out,
              QStringLiteral("b 1\n").repeated(2000) + QStringLiteral("n 1.2.3.4:4661\nn 5.6.7.8:4242\n"));
    EXPECT_EQ(r.err, QString());
}

struct RefusalCase {
    const char* name;
    bool writeFile;
    bool dryRun;
    const char* reason;
};

// Test names and failure messages show the case, not its bytes.
void PrintTo(const RefusalCase& c, std::ostream* os) {
    *os << c.name;
}

class HandOffRefusals : public HandOffCommandTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(HandOffRefusals, TypeNothingAndSayWhy) {
    const RefusalCase& c = GetParam();
    StandIn("result delivered 1 1 ");
    const QString path = c.writeFile ? ServerMet({}) : Path(QStringLiteral("missing.met"));
    QStringList args = {QStringLiteral("handoff"), QStringLiteral("--server-met"), path};
    if (c.dryRun) {
        args << QStringLiteral("--dry-run");
    }
    const test::CliOutcome r = Hublanectl(args);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, QString());
    EXPECT_TRUE(r.err.contains(QLatin1String(c.reason))) << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(Path(QStringLiteral("prefix/rows"))));
}

INSTANTIATE_TEST_SUITE_P(
    Lists, HandOffRefusals,
    ::testing::Values(RefusalCase{"EmptyList", true, false, "holds no server: the server table is empty"},
                      RefusalCase{"EmptyListDryRun", true, true, "holds no server"},
                      RefusalCase{"MissingFile", false, false, "cannot read"},
                      RefusalCase{"MissingFileDryRun", false, true, "cannot read"}),
    [](const ::testing::TestParamInfo<RefusalCase>& p) { return std::string(p.param.name); });

struct RunCase {
    const char* name;
    QByteArray answer;  // empty: no stand-in at all (no wine in PATH)
    bool helper;
    int status;
    const char* out;
    const char* err;
};

// Test names and failure messages show the case, not its bytes.
void PrintTo(const RunCase& c, std::ostream* os) {
    *os << c.name;
}

class HandOffRuns : public HandOffCommandTest, public ::testing::WithParamInterface<RunCase> {};

TEST_P(HandOffRuns, ReportConsolesOrTheReason) {
    const RunCase& c = GetParam();
    if (!c.answer.isEmpty()) {
        StandIn(c.answer);
    }
    if (!c.helper) {
        QFile::remove(Path(QStringLiteral("helpers/win64/hublane-handoff.exe")));
    }
    const QString path = ServerMet({{"1.2.3.4", "4661"}, {"5.6.7.8", "4242"}});
    const test::CliOutcome r = Hublanectl({QStringLiteral("handoff"), QStringLiteral("--server-met"), path});
    EXPECT_EQ(r.status, c.status) << r.err.toStdString();
    EXPECT_EQ(r.out, QString::fromUtf8(c.out));
    EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.err))) << r.err.toStdString();
    if (c.status == 0 || QFile::exists(Path(QStringLiteral("prefix/rows")))) {
        EXPECT_EQ(test::ReadWholeFile(Path(QStringLiteral("prefix/rows"))),
                  QByteArray("1.2.3.4\t4661\n5.6.7.8\t4242\n"));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, HandOffRuns,
    ::testing::Values(
        RunCase{"FourConsoles", "result delivered 2 4 ", true, 0,
                "4 console controls received the list (2 servers)\n", ""},
        RunCase{"OneConsole", "result delivered 1 1 ", true, 0,
                "1 console control received the list (2 servers)\n", ""},
        RunCase{"NoClient", "result no-client 0 0 ", true, 1, "", "no running eDonkey2000 client"},
        RunCase{"NoConsole", "result no-console 1 0 ", true, 1, "", "has no console control"},
        RunCase{"StoppedAnsweringAfterOne", "result not-answering 2 1 ", true, 1,
                "1 console control received the list (2 servers)\n", "stopped answering"},
        RunCase{"NoWine", "", true, 1, "", "Wine is missing (aucun programme wine dans le PATH)"},
        RunCase{"NoHelper", "result delivered 1 1 ", false, 1, "", "hublane-handoff.exe is missing"},
        RunCase{"HelperSaidNothingUseful", "garbage", true, 1, "",
                "the hand-off failed: hublane-handoff.exe n'a donné aucun résultat"}),
    [](const ::testing::TestParamInfo<RunCase>& p) { return std::string(p.param.name); });

// Without --server-met, the client's own list: server.met in the folder the settings name.
TEST_F(HandOffCommandTest, DefaultListIsTheClientsOwn) {
    QDir().mkpath(Path(QStringLiteral("client")));
    const QString met = ServerMet({{"9.9.9.9", "4661"}});
    ASSERT_TRUE(QFile::rename(met, Path(QStringLiteral("client/server.met"))));
    {
        const auto key = platform::CreateUserSettingsStore()->Open();
        ASSERT_NE(key, nullptr);
        ASSERT_TRUE(key->WriteString(QStringLiteral("PathDonkey"), Path(QStringLiteral("client/"))));
    }
    const test::CliOutcome r = Hublanectl({QStringLiteral("handoff"), QStringLiteral("--dry-run")});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.endsWith(QStringLiteral("b 1\nn 9.9.9.9:4661\n")));
    EXPECT_EQ(r.out.count(QLatin1Char('\n')), 2001);
}

TEST_F(HandOffCommandTest, NoArgumentsAreTaken) {
    EXPECT_EQ(Hublanectl({QStringLiteral("handoff"), QStringLiteral("extra")}).status, 64);
    const test::CliOutcome help = Hublanectl({QStringLiteral("handoff"), QStringLiteral("--help")});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.contains(QStringLiteral("--dry-run")));
}

// --client emule: the links of a dry run; through the stand-in, the helper in its eMule mode
// and the status line; and a client it does not know.
TEST_F(HandOffCommandTest, EmuleGetsServerLinks) {
    const QString path = ServerMet({{"1.2.3.4", "4661"}, {"5.6.7.8", "4242"}});
    const QStringList emule = {QStringLiteral("handoff"), QStringLiteral("--client"), QStringLiteral("emule"),
                               QStringLiteral("--server-met"), path};
    const test::CliOutcome dry = Hublanectl(emule + QStringList{QStringLiteral("--dry-run")});
    EXPECT_EQ(dry.status, 0) << dry.err.toStdString();
    EXPECT_EQ(dry.out, QStringLiteral("ed2k://|server|1.2.3.4|4661|/\ned2k://|server|5.6.7.8|4242|/\n"));

    StandIn("result delivered 1 2 ");
    const QString wine = Path(QStringLiteral("bin/wine"));
    const QByteArray script = test::ReadWholeFile(wine);
    test::WriteWholeFile(wine, script.left(script.indexOf('\n') + 1) +
                                   "echo \"$@\" > \"$WINEPREFIX/args\"\n" +
                                   script.mid(script.indexOf('\n') + 1));
    const test::CliOutcome sent = Hublanectl(emule);
    EXPECT_EQ(sent.status, 0) << sent.err.toStdString();
    EXPECT_EQ(sent.out, QStringLiteral("eMule : 2 serveurs envoyés\n"));
    EXPECT_TRUE(test::ReadWholeFile(Path(QStringLiteral("prefix/args")))
                    .contains("hublane-handoff.exe --emule --timeout-ms"));
    EXPECT_EQ(test::ReadWholeFile(Path(QStringLiteral("prefix/rows"))),
              QByteArray("1.2.3.4\t4661\n5.6.7.8\t4242\n"));

    StandIn("result no-client 0 0 ");
    const test::CliOutcome none = Hublanectl(emule);
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.out, QString());
    EXPECT_EQ(none.err, QStringLiteral("hublanectl: eMule : aucun eMule en marche, rien n'a été envoyé\n"));

    EXPECT_EQ(Hublanectl({QStringLiteral("handoff"), QStringLiteral("--client"),
                          QStringLiteral("edonkey3000"), QStringLiteral("--server-met"), path})
                  .status,
              64);
}

// Without a list named, eMule's is found where eMule keeps it: the ed2k handler of the prefix
// is eMule, whose registry value puts its config in its program folder; the helper runs there.
TEST_F(HandOffCommandTest, EmuleListAndPrefixAreFoundFromItsLinkHandler) {
    const QString prefix = Path(QStringLiteral("home/.wine"));
    const QString program = prefix + QStringLiteral("/drive_c/Program Files/eMule");
    QDir().mkpath(program + QStringLiteral("/config"));
    QDir().mkpath(prefix + QStringLiteral("/dosdevices"));
    ASSERT_TRUE(QFile::link(QStringLiteral("../drive_c"), prefix + QStringLiteral("/dosdevices/c:")));
    test::WriteWholeFile(program + QStringLiteral("/emule.exe"), "MZ");
    test::WriteWholeFile(prefix + QStringLiteral("/system.reg"), "WINE REGISTRY Version 2\n#arch=win64\n");
    test::WriteWholeFile(prefix + QStringLiteral("/user.reg"),
                         "WINE REGISTRY Version 2\n\n[Software\\\\eMule] 1700000000\n"
                         "\"UsePublicUserDirectories\"=dword:00000002\n\n"
                         "[Software\\\\Classes\\\\ed2k\\\\DefaultIcon] 1700000000\n"
                         "@=\"\\\"C:\\\\Program Files\\\\eMule\\\\emule.exe\\\",0\"\n");
    QFile::rename(ServerMet({{"1.2.3.4", "4661"}}), program + QStringLiteral("/config/server.met"));
    const QStringList emule = {QStringLiteral("handoff"), QStringLiteral("--client"),
                               QStringLiteral("emule")};
    const test::CliOutcome dry = Hublanectl(emule + QStringList{QStringLiteral("--dry-run")});
    EXPECT_EQ(dry.status, 0) << dry.err.toStdString();
    EXPECT_EQ(dry.out, QStringLiteral("ed2k://|server|1.2.3.4|4661|/\n"));

    StandIn("result delivered 1 1 ");
    m_env.Unset("WINEPREFIX");  // the prefix is eMule's, not the variable's
    const QString wine = Path(QStringLiteral("bin/wine"));
    test::WriteWholeFile(wine,
                         "#!/bin/sh\n/bin/cat > \"$WINEPREFIX/rows\"\nprintf 'result delivered 1 1 \\n'\n");
    const test::CliOutcome sent = Hublanectl(emule);
    EXPECT_EQ(sent.status, 0) << sent.err.toStdString();
    EXPECT_EQ(sent.out, QStringLiteral("eMule : 1 serveur envoyé\n"));
    EXPECT_EQ(test::ReadWholeFile(prefix + QStringLiteral("/rows")), QByteArray("1.2.3.4\t4661\n"));
}

}  // namespace
}  // namespace hublane::cli
