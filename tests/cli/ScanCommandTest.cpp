// hublanectl scan: a campaign over the rows of a server.met whose servers run in the lab.
#include <gtest/gtest.h>
#include <QTemporaryDir>
#include <QTextStream>

#include "cli/Commands.h"
#include "lab/Lab.h"
#include "support/CliRun.h"
#include "support/TestSupport.h"

namespace hublane::cli {
namespace {

using test::Hublanectl;
using Outcome = test::CliOutcome;

class ScanCommandTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        QString error;
        ASSERT_TRUE(lab.StartServers(QStringLiteral(R"(
127.0.0.220 4661 answer name="Premier" desc="le bon" list=127.0.0.223:4661,10.0.0.1:4661
127.0.0.221 4661 wrongcode name=x
127.0.0.222 4242 answer name="Second" desc=""
127.0.0.223 4661 garbage
)"),
                                     &error))
            << error.toStdString();
        path = dir.filePath(QStringLiteral("server.met"));
        // Four rows, each with a name the scan replaces or drops, and a private one.
        const QString rows = QStringLiteral(
            "127.0.0.222\t4242\t10\tn/a\tancien\tn/a\tn/a\n"
            "127.0.0.220\t4661\tn/a\tn/a\tn/a\tn/a\tn/a\n"
            "192.168.1.1\t4661\tn/a\tn/a\tprive\tn/a\tn/a\n"
            "127.0.0.221\t4661\tn/a\tn/a\tn/a\tn/a\tn/a\n");
        QString input = rows;
        QTextStream in(&input);
        QString out;
        QString err;
        QTextStream o(&out);
        QTextStream e(&err);
        Io io{o, e, &in};
        ASSERT_EQ(RunCommandLine({QStringLiteral("servermet"), QStringLiteral("write"), path}, io), 0);
    }

    QTemporaryDir dir;
    lab::Lab lab;
    QString path;
};

TEST_F(ScanCommandTest, DescriptionScanKeepsExactlyTheAnsweringServersWithTheirNames) {
    const QByteArray before = test::ReadWholeFile(path);
    const Outcome r =
        Hublanectl({QStringLiteral("scan"), path, QStringLiteral("--timeout"), QStringLiteral("1")});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("127.0.0.220\t4661\tn/a\tn/a\tPremier\tle bon\tn/a\n"
                                    "127.0.0.222\t4242\t10\tn/a\tSecond\t\tn/a\n"));
    EXPECT_EQ(test::ReadWholeFile(path), before);  // without --write the file is left alone
    EXPECT_EQ(lab.Requests(QStringLiteral("127.0.0.221")).description, 1);
}

TEST_F(ScanCommandTest, WriteStoresTheResultInTheFile) {
    ASSERT_EQ(Hublanectl({QStringLiteral("scan"), path, QStringLiteral("--write")}).status, 0);
    const Outcome r = Hublanectl({QStringLiteral("servermet"), QStringLiteral("read"), path});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.startsWith(QStringLiteral("127.0.0.220\t4661\tn/a\tn/a\tPremier\tle bon\tn/a\n")));
    EXPECT_EQ(r.out.count(QLatin1Char('\n')), 2);
}

TEST_F(ScanCommandTest, ListScanAsksEveryRowAndAddsTheServersTheyKnow) {
    const Outcome r = Hublanectl({QStringLiteral("scan"), path, QStringLiteral("--mode"),
                                  QStringLiteral("list"), QStringLiteral("--threads"), QStringLiteral("4"),
                                  QStringLiteral("--timeout"), QStringLiteral("1")});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.contains(QStringLiteral("127.0.0.223\t4661\tn/a\tn/a\tn/a\tn/a\tn/a\n")));
    EXPECT_FALSE(r.out.contains(QStringLiteral("10.0.0.1")));
    EXPECT_FALSE(r.out.contains(QStringLiteral("192.168.1.1")));
    EXPECT_EQ(lab.Requests(QStringLiteral("127.0.0.220")).serverList, 1);
}

TEST_F(ScanCommandTest, FrenchCheckDropsRowsWithoutAFrenchHome) {
    const Outcome r =
        Hublanectl({QStringLiteral("scan"), path, QStringLiteral("--mode"), QStringLiteral("fr")});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.isEmpty());  // a file gives no Home text: "n/a" everywhere
}

TEST_F(ScanCommandTest, ABrokenFileIsRefusedWithItsReason) {
    test::WriteWholeFile(path, QByteArray::fromHex("E001000000"));
    const Outcome r = Hublanectl({QStringLiteral("scan"), path});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.startsWith(path + QStringLiteral(" : premier octet incorrect")));
    EXPECT_TRUE(r.err.trimmed().endsWith(QStringLiteral("14")));
    EXPECT_EQ(
        Hublanectl({QStringLiteral("scan"), path, QStringLiteral("--mode"), QStringLiteral("x")}).status, 64);
    EXPECT_EQ(
        Hublanectl({QStringLiteral("scan"), path, QStringLiteral("--threads"), QStringLiteral("41")}).status,
        64);
}

TEST_F(ScanCommandTest, WriteNeverReplacesTheFileWithAnEmptyList) {
    // No Home text anywhere: the French check leaves nothing, and nothing replaces the file.
    const QByteArray before = test::ReadWholeFile(path);
    const Outcome r = Hublanectl({QStringLiteral("scan"), path, QStringLiteral("--mode"),
                                  QStringLiteral("fr"), QStringLiteral("--write")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("no server is left to write"))) << r.err.toStdString();
    EXPECT_EQ(test::ReadWholeFile(path), before);
}

}  // namespace
}  // namespace hublane::cli
