// hublanectl lng: dumping language files (ours and other toolchains') and building them.
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "cli/Commands.h"
#include "language/PeWriter.h"
#include "support/CliRun.h"
#include "support/TestSupport.h"

namespace hublane::cli {
namespace {

using CliRun = test::CliOutcome;

CliRun RunLine(const QStringList& args) {
    return test::Hublanectl(args);
}

class LngCommandTest : public ::testing::Test {
  protected:
    QString Write(const QString& name, const QByteArray& bytes) {
        const QString path = m_dir.filePath(name);
        test::WriteWholeFile(path, bytes);
        return path;
    }
    QString WriteModule(const QString& name, const language::StringTable& table) {
        const auto image = language::WriteStringTableDll(table);
        return Write(name, QByteArray(image->data(), static_cast<qsizetype>(image->size())));
    }

    QTemporaryDir m_dir;
};

TEST_F(LngCommandTest, DumpsLoadedTextsOrEveryStringEscaped) {
    const QString file = WriteModule(QStringLiteral("x.lng"), {{1, "Fichier de langage"},
                                                               {2, "a\\b\tc\r\nd"},
                                                               {3, "français ✓"},
                                                               {5, "après le trou"},
                                                               {300, "loin"}});
    const CliRun loaded = RunLine({QStringLiteral("lng"), QStringLiteral("dump"), file});
    EXPECT_EQ(loaded.status, 0);
    EXPECT_EQ(loaded.out, QStringLiteral("1\tFichier de langage\n2\ta\\\\b\\tc\\r\\nd\n3\tfrançais ✓\n"));
    const CliRun all =
        RunLine({QStringLiteral("lng"), QStringLiteral("dump"), QStringLiteral("--all"), file});
    EXPECT_EQ(all.status, 0);
    EXPECT_TRUE(all.out.endsWith(QStringLiteral("3\tfrançais ✓\n5\taprès le trou\n300\tloin\n")));
}

TEST_F(LngCommandTest, DumpShowsLoadedTextsCutLikeTheProgram) {
    const QString file = WriteModule(QStringLiteral("long.lng"), {{1, std::string(300, 'x')}});
    EXPECT_EQ(RunLine({QStringLiteral("lng"), QStringLiteral("dump"), file}).out,
              QStringLiteral("1\t") + QString(254, QLatin1Char('x')) + QLatin1Char('\n'));
    EXPECT_EQ(
        RunLine({QStringLiteral("lng"), QStringLiteral("dump"), file, QStringLiteral("--all")}).out.size(),
        2 + 300 + 1);
}

TEST_F(LngCommandTest, RefusesWhatIsNotALanguageFile) {
    const QString notPe = Write(QStringLiteral("text.lng"), "1\tnot a module\n");
    for (const QString& path : {notPe, m_dir.filePath(QStringLiteral("absent.lng"))}) {
        const CliRun r = RunLine({QStringLiteral("lng"), QStringLiteral("dump"), path});
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_EQ(r.err.count(QLatin1Char('\n')), 1) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(path));
    }
    // A wrong command line is a usage error, not a failure.
    EXPECT_EQ(RunLine({QStringLiteral("lng"), QStringLiteral("dump")}).status, 64);
    EXPECT_EQ(RunLine({QStringLiteral("lng"), QStringLiteral("frob")}).status, 64);
}

TEST_F(LngCommandTest, BuildsAFileThatDumpsBackToItsSource) {
    const QByteArray source = "# test\n1\tFichier de langage de Hublane\n2\tdeux\\tcolonnes\n3\tfin\\\\\n";
    const QString in = Write(QStringLiteral("src.txt"), source);
    const QString out = m_dir.filePath(QStringLiteral("built.lng"));
    const CliRun build = RunLine({QStringLiteral("lng"), QStringLiteral("build"), in, out});
    ASSERT_EQ(build.status, 0) << build.err.toStdString();
    EXPECT_EQ(RunLine({QStringLiteral("lng"), QStringLiteral("dump"), out}).out,
              QString::fromUtf8(source.mid(source.indexOf('\n') + 1)));
}

TEST_F(LngCommandTest, BuildReportsTheLineOfASourceError) {
    const QString in = Write(QStringLiteral("bad.txt"), "1\tun\n2 deux\n");
    const QString out = m_dir.filePath(QStringLiteral("bad.lng"));
    const CliRun r = RunLine({QStringLiteral("lng"), QStringLiteral("build"), in, out});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.startsWith(in + QStringLiteral(":2: "))) << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(out));
}

/// The expected lines of a real dump: "id<TAB>langid<TAB>text" without the language column.
QString ExpectedDump(const QByteArray& tsv) {
    QString expected;
    for (const QByteArray& line : tsv.split('\n')) {
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const qsizetype first = line.indexOf('\t');
        const qsizetype second = line.indexOf('\t', first + 1);
        expected += QString::fromUtf8(line.left(first)) + QLatin1Char('\t') +
                    QString::fromUtf8(line.mid(second + 1)) + QLatin1Char('\n');
    }
    return expected;
}

TEST_F(LngCommandTest, DumpsLanguageModulesOfOtherToolchainsLikeTheirReferenceDumps) {
    const QString realData = test::RealDataDir();
    if (realData.isEmpty()) {
        GTEST_SKIP() << "no real data";
    }
    const QDir pe(realData + QStringLiteral("/pe"));
    const QStringList modules = pe.entryList({QStringLiteral("*.dll")}, QDir::Files, QDir::Name);
    if (modules.isEmpty()) {
        GTEST_SKIP() << "no language modules in " << pe.path().toStdString();
    }
    for (const QString& module : modules) {
        const QString tsv = pe.filePath(module.chopped(4) + QStringLiteral(".rt_string.tsv"));
        if (!QFile::exists(tsv))
            continue;
        const CliRun r = RunLine(
            {QStringLiteral("lng"), QStringLiteral("dump"), QStringLiteral("--all"), pe.filePath(module)});
        ASSERT_EQ(r.status, 0) << module.toStdString() << ": " << r.err.toStdString();
        const QString expected = ExpectedDump(test::ReadWholeFile(tsv));
        EXPECT_GT(expected.size(), 0);
        EXPECT_TRUE(r.out == expected) << module.toStdString();
        // None of them starts at text 1, so the program would load nothing from them.
        EXPECT_TRUE(
            RunLine({QStringLiteral("lng"), QStringLiteral("dump"), pe.filePath(module)}).out.isEmpty());
    }
}

}  // namespace
}  // namespace hublane::cli
