// hublanectl servermet and peers: rows printed and read back byte for byte, error lines, exit codes.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "cli/Commands.h"
#include "support/CliRun.h"
#include "support/TestSupport.h"

namespace hublane::cli {
namespace {

using test::Hex;
using test::ReadWholeFile;
using test::WriteWholeFile;

QByteArray Bytes(const std::string& s) {
    return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
}

using Outcome = test::CliOutcome;

Outcome Command(const QStringList& args, const QString* input = nullptr) {
    return test::Hublanectl(args, input);
}

class ListCommands : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    QString Path(const char* name) const { return m_dir.filePath(QLatin1String(name)); }
    QTemporaryDir m_dir;
};

TEST_F(ListCommands, ServerMetReadPrintsSevenEscapedFieldsPerRow) {
    // Name with a tab, a backslash and the byte E9; description with CR LF.
    const std::string file =
        Hex("0E 02 00 00 00"
            "01 02 03 04 35 12 03 00 00 00"
            "02 01 00 01 06 00 61 09 62 5C E9 63"
            "02 01 00 0B 02 00 0D 0A"
            "03 05 00 75 73 65 72 73 07 00 00 00"
            "05 06 07 08 50 00 00 00 00 00");
    WriteWholeFile(Path("server.met"), Bytes(file));
    const Outcome r = Command({QStringLiteral("servermet"), QStringLiteral("read"), Path("server.met")});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, QString());
    EXPECT_EQ(r.out, QStringLiteral("1.2.3.4\t4661\t7\tn/a\ta\\tb\\\\") + QChar(0xE9) +
                         QStringLiteral("c\t\\r\\n\tn/a\n5.6.7.8\t80\tn/a\tn/a\tn/a\tn/a\tn/a\n"));
}

TEST_F(ListCommands, ServerMetReadFailureKeepsRowsAndReportsTheLine) {
    WriteWholeFile(Path("short.met"), Bytes(Hex("0E 02 00 00 00 01 02 03 04 35 12 00 00 00 00 09")));
    const Outcome r = Command({QStringLiteral("servermet"), QStringLiteral("read"), Path("short.met")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, QStringLiteral("1.2.3.4\t4661\tn/a\tn/a\tn/a\tn/a\tn/a\n"));
    EXPECT_EQ(r.err, QStringLiteral("server.met : Fin de fichier inattendue\n"));

    const Outcome missing = Command({QStringLiteral("servermet"), QStringLiteral("read"), Path("missing")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, QStringLiteral("server.met : Impossible d'ouvrir le fichier\n"));

    WriteWholeFile(Path("other.met"), Bytes(Hex("E0 00 00 00 00")));
    EXPECT_TRUE(Command({QStringLiteral("servermet"), QStringLiteral("read"), Path("other.met")})
                    .err.endsWith(QStringLiteral(" : 14\n")));
}

TEST_F(ListCommands, ServerMetWriteFillsMissingFieldsAndRoundTrips) {
    const QString input = QStringLiteral(
                              "1.2.3.4\t4661\tn/a\tn/a\tA\n"
                              "\n"
                              "9.8.7.6\t80\t12\t-3\tN\\\\\\t") +
                          QChar(0xFF) + QStringLiteral("\tline\\r\\nbreak\thome\n5.6.7.8\t4242\n");
    const Outcome w =
        Command({QStringLiteral("servermet"), QStringLiteral("write"), Path("server.met")}, &input);
    ASSERT_EQ(w.status, 0) << w.err.toStdString();
    const std::string bytes = ReadWholeFile(Path("server.met")).toStdString();
    // The first entry is exactly the documented one.
    EXPECT_EQ(bytes.substr(0, 5 + 49),
              Hex("0E 03 00 00 00"
                  "01 02 03 04 35 12 05 00 00 00 02 01 00 01 01 00 41 03 01 00 0C 64 00 00 00"
                  "03 01 00 0E 01 00 00 00 03 01 00 10 01 02 03 04 03 01 00 0F 35 12 00 00"));
    EXPECT_NE(bytes.find("N\\\t\xFF"), std::string::npos);

    const Outcome r = Command({QStringLiteral("servermet"), QStringLiteral("read"), Path("server.met")});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, QStringLiteral("1.2.3.4\t4661\tn/a\tn/a\tA\tn/a\tn/a\n"
                                    "9.8.7.6\t80\t12\t-3\tN\\\\\\t") +
                         QChar(0xFF) +
                         QStringLiteral("\tline\\r\\nbreak\tn/a\n"
                                        "5.6.7.8\t4242\tn/a\tn/a\tn/a\tn/a\tn/a\n"));
}

TEST_F(ListCommands, ServerMetWriteLeavesOutBadRowsAndRefusesExtraFields) {
    const QString input = QStringLiteral("host.example\t4661\n1.1.1.1\tport\n2.2.2.2\t1\n");
    const Outcome w =
        Command({QStringLiteral("servermet"), QStringLiteral("write"), Path("server.met")}, &input);
    EXPECT_EQ(w.status, 0);
    EXPECT_TRUE(w.err.contains(QStringLiteral("2 row(s) left out")));
    EXPECT_EQ(ReadWholeFile(Path("server.met")).left(5), Bytes(Hex("0E 01 00 00 00")));

    const QString tooMany = QStringLiteral("3.3.3.3\t1\t2\t3\t4\t5\t6\t7\n");
    const Outcome bad =
        Command({QStringLiteral("servermet"), QStringLiteral("write"), Path("other.met")}, &tooMany);
    EXPECT_EQ(bad.status, 1);
    EXPECT_FALSE(QFileInfo::exists(Path("other.met")));
}

TEST_F(ListCommands, PeersReadAndWrite) {
    const QString input = QStringLiteral("1.2.3.4\n5.6.7.8\n1.2.3.4\nnot-an-address\n");
    const Outcome w =
        Command({QStringLiteral("peers"), QStringLiteral("write"), Path("serverHBL.met")}, &input);
    EXPECT_EQ(w.status, 0);
    EXPECT_TRUE(w.err.contains(QStringLiteral("1 line(s) left out")));
    EXPECT_EQ(ReadWholeFile(Path("serverHBL.met")), Bytes(Hex("1E 02 00 00 00 01 02 03 04 05 06 07 08")));

    const Outcome r = Command({QStringLiteral("peers"), QStringLiteral("read"), Path("serverHBL.met")});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, QStringLiteral("1.2.3.4\n5.6.7.8\n"));

    WriteWholeFile(Path("cut.met"), Bytes(Hex("1E 02 00 00 00 09 09 09 09 01")));
    const Outcome cut = Command({QStringLiteral("peers"), QStringLiteral("read"), Path("cut.met")});
    EXPECT_EQ(cut.status, 1);
    EXPECT_EQ(cut.out, QStringLiteral("9.9.9.9\n"));
    EXPECT_EQ(cut.err, QStringLiteral("serverHBL.met : Fin de fichier inattendue\n"));
}

TEST_F(ListCommands, BadArgumentsAndMissingInput) {
    for (const QStringList& args :
         {QStringList{QStringLiteral("servermet")},
          QStringList{QStringLiteral("servermet"), QStringLiteral("dump"), Path("x")},
          QStringList{QStringLiteral("peers"), QStringLiteral("read")},
          QStringList{QStringLiteral("peers"), QStringLiteral("write"), Path("x"), Path("y")}}) {
        const Outcome r = Command(args);
        EXPECT_EQ(r.status, 2) << args.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(r.err.startsWith(QStringLiteral("usage:")));
    }
    EXPECT_EQ(Command({QStringLiteral("servermet"), QStringLiteral("write"), Path("x")}).status, 2);
    EXPECT_EQ(Command({QStringLiteral("peers"), QStringLiteral("write"), Path("x")}).status, 2);
    EXPECT_FALSE(QFileInfo::exists(Path("x")));
}

}  // namespace
}  // namespace hublane::cli
