// The program itself, started headless: a first start settles its settings and keeps running;
// its command line is checked before any window needs a display.
#include <gtest/gtest.h>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include "support/TestSupport.h"

namespace {

TEST(ProgramStart, FirstStartStoresLanguageAndVersionAndKeepsRunning) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("HOME"), dir.path());
    QProcess program;
    program.setProcessEnvironment(env);
    program.setWorkingDirectory(dir.path());
    // The version host is a loopback port where nothing listens: no test leaves the machine.
    program.start(QStringLiteral(HUBLANE_PROGRAM),
                  {QStringLiteral("--version-url"), QStringLiteral("http://127.0.0.1:9/versionHBL.txt")});
    ASSERT_TRUE(program.waitForStarted(10000));

    const QString settings = dir.filePath(QStringLiteral("config/Orvandels/Hublane.reg"));
    const bool settled = hublane::test::WaitFor(
        [&settings] {
            QFile f(settings);
            return f.open(QIODevice::ReadOnly) && f.readAll().contains("\"Version\"=\"0.2.1.0\"");
        },
        15000);
    ASSERT_TRUE(settled);
    const QByteArray text = hublane::test::ReadWholeFile(settings);
    EXPECT_TRUE(text.startsWith("REGEDIT4"));
    EXPECT_TRUE(text.contains("\"Langage\"=\"francais.lng\""));
    // The splash window's two seconds pass and the program is still running its message loop.
    EXPECT_FALSE(program.waitForFinished(3000));
    EXPECT_EQ(program.state(), QProcess::Running);
    program.kill();
    program.waitForFinished(5000);
}

TEST(ProgramStart, HelpAndBadOptionsNeedNoDisplay) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));  // would fail without a display
    const struct {
        QStringList args;
        int status;
        const char* says;
    } cases[] = {
        {{QStringLiteral("--help")}, 0, "--peer-address <ADDR>"},
        {{QStringLiteral("--web"), QStringLiteral("http://127.0.0.1:9/"), QStringLiteral("-h")},
         0,
         "--ip-filter"},
    };
    for (const auto& c : cases) {
        QProcess program;
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(HUBLANE_PROGRAM), c.args);
        ASSERT_TRUE(program.waitForFinished(10000));
        EXPECT_EQ(program.exitCode(), c.status) << c.args.join(QLatin1Char(' ')).toStdString();
        const QByteArray out = program.readAllStandardOutput();
        EXPECT_TRUE(out.contains(c.says)) << c.args.join(QLatin1Char(' ')).toStdString();
        // Every line a user reads is French, Qt's own included.
        EXPECT_TRUE(out.contains("Affiche l'aide")) << out.toStdString();
        EXPECT_TRUE(out.contains("Utilisation :")) << out.toStdString();
        EXPECT_FALSE(out.contains("Displays")) << out.toStdString();
    }
}

}  // namespace
