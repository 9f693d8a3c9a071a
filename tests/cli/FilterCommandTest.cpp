// hublanectl filter check and stats: output per address, counts and skipped lines, exit statuses,
// files that cannot be read, gzip files, and the real lists.
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "support/CliRun.h"
#include "support/GzipBytes.h"
#include "support/TestSupport.h"

namespace hublane::cli {
namespace {

using test::CliOutcome;
using test::Hublanectl;

QByteArray Bytes(const std::string& s) {
    return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
}

class FilterCommand : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    QString Write(const char* name, const std::string& bytes) {
        QString path = m_dir.filePath(QLatin1String(name));
        test::WriteWholeFile(path, Bytes(bytes));
        return path;
    }
    static CliOutcome Run(const QString& verb, const QString& file, const QStringList& more = {}) {
        return Hublanectl(QStringList{QStringLiteral("filter"), verb, file} + more);
    }
    QTemporaryDir m_dir;
};

// A tab and the byte E9 in a description, a classic line that passes, a comment, a bad line.
const std::string kList =
    "# test list\r\n"
    "10.0.0.0 - 10.0.0.255 , 0 , tab\there \xE9t\xE9\r\n"
    "10.0.1.0 - 10.0.1.255 , 200 , let through\r\n"
    "spies:1.2.3.4-1.2.3.9\r\n"
    "not a line\r\n"
    "1.2.3.4 - 1.2.3.5 , x , y\r\n";

TEST_F(FilterCommand, CheckAnswersEachAddressInOrder) {
    const QString path = Write("ipfilter.dat", kList);
    const CliOutcome r =
        Run(QStringLiteral("check"), path,
            {QStringLiteral("1.2.3.9"), QStringLiteral("10.0.1.5"), QStringLiteral("10.0.0.0"),
             QStringLiteral("1.2.3.10"), QStringLiteral("1.2.3.4")});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, QStringLiteral("blocked\tspies\nallowed\nblocked\ttab\\there ") + QChar(0xE9) +
                         QStringLiteral("t") + QChar(0xE9) + QStringLiteral("\nallowed\nblocked\tspies\n"));
    EXPECT_EQ(r.err, QStringLiteral("hublanectl: ") + path +
                         QStringLiteral(": 2 line(s) skipped (see filter stats)\n"));
}

TEST_F(FilterCommand, StatsCountsRangesAddressesAndSkippedLines) {
    const QString path = Write("list.p2p", kList);
    const CliOutcome r = Run(QStringLiteral("stats"), path);
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out,
              QStringLiteral("ranges\t2\naddresses\t262\nlines\t6\nblocking lines\t2\npassing lines\t1\n"
                             "skipped lines\t2\n"
                             "skipped\t5\tno address range\tnot a line\n"
                             "skipped\t6\tthe level is not a whole number\t1.2.3.4 - 1.2.3.5 , x , y\n"));
    EXPECT_EQ(r.err, QString());
}

TEST_F(FilterCommand, StatsFailsWhenNoRangeLoaded) {
    const QString path = Write("empty.dat", "# nothing\n1.2.3.4 - 1.2.3.5 , 127 , passes\n");
    const CliOutcome r = Run(QStringLiteral("stats"), path);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.out.startsWith(QStringLiteral("ranges\t0\naddresses\t0\n")));
    EXPECT_EQ(r.err, QStringLiteral("hublanectl: ") + path + QStringLiteral(": no range loaded\n"));
}

TEST_F(FilterCommand, ReadsGzipFilesWhateverTheirName) {
    for (const char* name : {"ipfilter.dat.gz", "ipfilter.dat"}) {
        const QString path = Write(name, test::Gzip(kList));
        const CliOutcome r = Run(QStringLiteral("check"), path, {QStringLiteral("1.2.3.5")});
        EXPECT_EQ(r.status, 0) << name;
        EXPECT_EQ(r.out, QStringLiteral("blocked\tspies\n")) << name;
    }
}

TEST_F(FilterCommand, FilesThatCannotBeReadFail) {
    const std::string gz = test::Gzip(kList);
    const std::pair<QString, QString> cases[] = {
        {m_dir.filePath(QStringLiteral("missing.dat")), QStringLiteral("no such file")},
        {m_dir.path(), QStringLiteral("not a regular file")},
        {Write("cut.gz", gz.substr(0, gz.size() - 4)),
         QStringLiteral("the gzip data ends early (truncated file)")},
    };
    for (const auto& [path, reason] : cases) {
        const QStringList commands[] = {
            {QStringLiteral("filter"), QStringLiteral("check"), path, QStringLiteral("1.2.3.4")},
            {QStringLiteral("filter"), QStringLiteral("stats"), path}};
        for (const QStringList& command : commands) {
            const CliOutcome r = Hublanectl(command);
            EXPECT_EQ(r.status, 1) << reason.toStdString();
            EXPECT_EQ(r.out, QString());
            EXPECT_EQ(r.err, QStringLiteral("hublanectl: %1: %2\n").arg(path, reason));
        }
    }
}

TEST_F(FilterCommand, WrongCommandLinesAreUsageErrors) {
    const QString path = Write("ipfilter.dat", kList);
    const QStringList cases[] = {
        {QStringLiteral("filter"), QStringLiteral("check"), path, QStringLiteral("1.2.3.4"),
         QStringLiteral("1.2.3")},
        {QStringLiteral("filter"), QStringLiteral("check"), QStringLiteral("missing"),
         QStringLiteral("300.1.1.1")},
        {QStringLiteral("filter"), QStringLiteral("check"), path},
        {QStringLiteral("filter"), QStringLiteral("stats")},
        {QStringLiteral("filter"), QStringLiteral("stats"), path, path},
        {QStringLiteral("filter"), QStringLiteral("test"), path},
        {QStringLiteral("filter")},
    };
    for (const QStringList& args : cases) {
        const CliOutcome r = Hublanectl(args);
        EXPECT_EQ(r.status, 64) << args.join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(r.out, QString());
        EXPECT_TRUE(r.err.startsWith(QStringLiteral("hublanectl: "))) << r.err.toStdString();
    }
    EXPECT_TRUE(Hublanectl({QStringLiteral("filter"), QStringLiteral("check"), path, QStringLiteral("x")})
                    .err.contains(QStringLiteral("'x' is not an address a.b.c.d")));
    for (const QStringList& help :
         {QStringList{QStringLiteral("filter"), QStringLiteral("check"), QStringLiteral("--help")},
          QStringList{QStringLiteral("filter"), QStringLiteral("stats"), QStringLiteral("--help")},
          QStringList{QStringLiteral("filter"), QStringLiteral("--help")},
          QStringList{QStringLiteral("--help")}}) {
        const CliOutcome r = Hublanectl(help);
        EXPECT_EQ(r.status, 0);
        EXPECT_TRUE(r.out.contains(QStringLiteral("filter check FILE ADDRESS...")) ||
                    r.out.contains(QStringLiteral("filter stats FILE")))
            << r.out.toStdString();
    }
}

TEST_F(FilterCommand, AnswersForTheRealLists) {
    const QString dir = test::RealDataDir();
    if (dir.isEmpty()) {
        GTEST_SKIP() << "no real data folder";
    }
    const QString p2p =
        QDir(dir).filePath(QStringLiteral("ipfilter/phrocker__MusicBlastFromThePast__guarding.p2p"));
    const CliOutcome check =
        Run(QStringLiteral("check"), p2p,
            {QStringLiteral("240.0.0.1"), QStringLiteral("127.0.0.2"), QStringLiteral("24.117.173.48")});
    EXPECT_EQ(check.status, 0);
    EXPECT_EQ(check.out, QStringLiteral("blocked\tInternet Assigned Numbers Authority (being spoofed)\n"
                                        "allowed\nblocked\tcableonenet2\n"));
    EXPECT_EQ(check.err, QString());

    const CliOutcome stats =
        Run(QStringLiteral("stats"),
            QDir(dir).filePath(QStringLiteral("ipfilter/Deltawin__Peerblock__ipfilter.dat")));
    EXPECT_EQ(stats.status, 0);
    EXPECT_EQ(stats.out, QStringLiteral("ranges\t81\naddresses\t56072\nlines\t267\nblocking lines\t267\n"
                                        "passing lines\t0\nskipped lines\t0\n"));
}

}  // namespace
}  // namespace hublane::cli
