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
    void ServerMetCommandInput(const QString& rows) {
        const Outcome w =
            Command({QStringLiteral("servermet"), QStringLiteral("write"), Path("server.met")}, &rows);
        ASSERT_EQ(w.status, 0) << w.err.toStdString();
    }
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
    // The line names the path given and speaks with the program's own texts (francais.lng's).
    EXPECT_EQ(r.err,
              Path("short.met") + QStringLiteral(" : fin de fichier prématurée, le fichier est tronqué\n"));

    const Outcome missing = Command({QStringLiteral("servermet"), QStringLiteral("read"), Path("missing")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err,
              Path("missing") +
                  QStringLiteral(" : impossible d'ouvrir le fichier ou d'en lire le premier octet\n"));

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

TEST_F(ListCommands, BadLinesFailTheWriteUnlessSkippedAndNameTheirLine) {
    const QByteArray full = Bytes(Hex("0E 01 00 00 00 09 09 09 09 35 12 00 00 00 00"));
    struct Case {
        const char* verb;
        const char* input;
        QStringList options;
        int status;
        QStringList errLines;  // each must appear
        const char* written;   // hex of the file afterwards; nullptr: the old file stays
    };
    const Case cases[] = {
        // A line with spaces instead of tabs, a bad port, a duplicate: nothing written.
        {"servermet",
         "1.1.1.1 4661\n2.2.2.2\tport\n3.3.3.3\t1\n3.3.3.3\t2\n",
         {},
         1,
         {QStringLiteral("line 1: not a server row"), QStringLiteral("line 2: not a server row"),
          QStringLiteral("line 4: the address 3.3.3.3 is already on line 3")},
         nullptr},
        {"servermet",
         "3.3.3.3\t1\t2\t3\t4\t5\t6\t7\n",
         {},
         1,
         {QStringLiteral("line 1: more than 7 fields")},
         nullptr},
        // Skipped: the good rows are written, the bad ones named.
        {"servermet",
         "1.1.1.1 4661\n3.3.3.3\t1\n",
         {QStringLiteral("--skip-bad-rows")},
         0,
         {QStringLiteral("line 1: not a server row")},
         "0E 01 00 00 00 03 03 03 03 01 00"},
        // Every row bad and skipped: an empty list does not replace the full file.
        {"servermet",
         "x\n",
         {QStringLiteral("--skip-bad-rows")},
         1,
         {QStringLiteral("no row to write")},
         nullptr},
        {"servermet", "", {}, 1, {QStringLiteral("--allow-empty")}, nullptr},
        {"servermet", "", {QStringLiteral("--allow-empty")}, 0, {}, "0E 00 00 00 00"},
        {"peers",
         "1.2.3.4\nnot-an-address\n1.2.3.4\n",
         {},
         1,
         {QStringLiteral("line 2: not an IPv4 address"),
          QStringLiteral("line 3: the address 1.2.3.4 is already on line 1")},
         nullptr},
        {"peers",
         "1.2.3.4\n1.2.3.4 5.6.7.8\n",
         {QStringLiteral("--skip-bad-rows")},
         0,
         {QStringLiteral("line 2: not an IPv4 address")},
         "1E 01 00 00 00 01 02 03 04"},
        {"peers", "\n\n", {}, 1, {QStringLiteral("no row to write")}, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.verb) + " <<" + c.input + ">> " +
                     c.options.join(QLatin1Char(' ')).toStdString());
        WriteWholeFile(Path("list.met"), full);
        const QString input = QString::fromUtf8(c.input);
        const Outcome w =
            Command(QStringList{QLatin1String(c.verb), QStringLiteral("write"), Path("list.met")} + c.options,
                    &input);
        EXPECT_EQ(w.status, c.status) << w.err.toStdString();
        for (const QString& line : c.errLines) {
            EXPECT_TRUE(w.err.contains(line)) << w.err.toStdString();
        }
        const QByteArray after = ReadWholeFile(Path("list.met"));
        if (c.written == nullptr) {
            EXPECT_EQ(after, full);
        } else {
            EXPECT_EQ(after.left(static_cast<qsizetype>(Hex(c.written).size())), Bytes(Hex(c.written)));
        }
    }
}

TEST_F(ListCommands, ControlBytesOfANamePrintAsHexAndReadBack) {
    // A name that would retitle a terminal (ESC ] 0 ; ... BEL) and clear it (ESC c).
    ServerMetCommandInput(QStringLiteral("1.2.3.4\t4661\tn/a\tn/a\t\\x1B]0;pwned\\x07\\x1Bc\n"));
    const Outcome r = Command({QStringLiteral("servermet"), QStringLiteral("read"), Path("server.met")});
    EXPECT_EQ(r.out, QStringLiteral("1.2.3.4\t4661\tn/a\tn/a\t\\x1B]0;pwned\\x07\\x1Bc\tn/a\tn/a\n"));
    EXPECT_NE(ReadWholeFile(Path("server.met"))
                  .indexOf(QByteArray("\x1B]0;pwned\x07\x1B"
                                      "c")),
              -1);
}

TEST_F(ListCommands, PeersReadAndWrite) {
    const QString input = QStringLiteral("1.2.3.4\n5.6.7.8\n");
    const Outcome w =
        Command({QStringLiteral("peers"), QStringLiteral("write"), Path("serverHBL.met")}, &input);
    EXPECT_EQ(w.status, 0);
    EXPECT_EQ(ReadWholeFile(Path("serverHBL.met")), Bytes(Hex("1E 02 00 00 00 01 02 03 04 05 06 07 08")));

    const Outcome r = Command({QStringLiteral("peers"), QStringLiteral("read"), Path("serverHBL.met")});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, QStringLiteral("1.2.3.4\n5.6.7.8\n"));

    WriteWholeFile(Path("cut.met"), Bytes(Hex("1E 02 00 00 00 09 09 09 09 01")));
    const Outcome cut = Command({QStringLiteral("peers"), QStringLiteral("read"), Path("cut.met")});
    EXPECT_EQ(cut.status, 1);
    EXPECT_EQ(cut.out, QStringLiteral("9.9.9.9\n"));
    EXPECT_EQ(cut.err,
              Path("cut.met") + QStringLiteral(" : fin de fichier prématurée, le fichier est tronqué\n"));
}

TEST_F(ListCommands, UsageErrorsHelpAndMissingInput) {
    for (const QStringList& args :
         {QStringList{QStringLiteral("servermet")},
          QStringList{QStringLiteral("servermet"), QStringLiteral("dump"), Path("x")},
          QStringList{QStringLiteral("peers"), QStringLiteral("read")},
          QStringList{QStringLiteral("peers"), QStringLiteral("write"), Path("x"), Path("y")},
          QStringList{QStringLiteral("servermet"), QStringLiteral("read"), Path("x"),
                      QStringLiteral("--bogus")},
          QStringList{QStringLiteral("cycle"), QStringLiteral("--client"), QStringLiteral("kazaa")},
          QStringList{QStringLiteral("daemon"), QStringLiteral("--client-dir"), Path("a"),
                      QStringLiteral("--donkey-dir"), Path("b")},
          QStringList{QStringLiteral("scan"), Path("x"), QStringLiteral("--client"), QStringLiteral("mule")},
          QStringList{QStringLiteral("frobnicate")}}) {
        const Outcome r = Command(args);
        EXPECT_EQ(r.status, 64) << args.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(r.err.startsWith(QStringLiteral("hublanectl: "))) << r.err.toStdString();
    }
    // --help anywhere: the verb's help, exit status 0, even beside a mistake.
    for (const QStringList& args : {QStringList{QStringLiteral("servermet"), QStringLiteral("--help")},
                                    QStringList{QStringLiteral("servermet"), QStringLiteral("write"),
                                                Path("x"), QStringLiteral("--help")},
                                    QStringList{QStringLiteral("peers"), QStringLiteral("read"),
                                                QStringLiteral("--bogus"), QStringLiteral("-h")},
                                    QStringList{QStringLiteral("--help")}}) {
        const Outcome r = Command(args);
        EXPECT_EQ(r.status, 0) << args.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(r.out.contains(QStringLiteral("usage"), Qt::CaseInsensitive));
    }
    EXPECT_EQ(Command({QStringLiteral("servermet"), QStringLiteral("write"), Path("x")}).status, 1);
    EXPECT_EQ(Command({QStringLiteral("peers"), QStringLiteral("write"), Path("x")}).status, 1);
    EXPECT_FALSE(QFileInfo::exists(Path("x")));
}

TEST_F(ListCommands, ServerMetForTheMulesKeepsTheListItWritesAgainst) {
    // aMule's own list: a doubled name, a priority, and a dynamic-IP entry the table cannot hold.
    const std::string amule =
        Hex("E0 02 00 00 00"
            "C6 33 64 01 35 12 03 00 00 00"
            "02 01 00 01 01 00 41  02 01 00 01 01 00 41  03 01 00 0E 02 00 00 00"
            "00 00 00 00 C7 1B 01 00 00 00"
            "02 01 00 85 03 00 64 79 6E");
    WriteWholeFile(Path("server.met"), Bytes(amule));
    const QStringList read = {QStringLiteral("servermet"), QStringLiteral("read"), QStringLiteral("--client"),
                              QStringLiteral("amule"), Path("server.met")};
    const Outcome r = Command(read);
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("198.51.100.1\t4661\tn/a\tn/a\tA\tn/a\tn/a\n"));
    EXPECT_EQ(r.err, QStringLiteral("1 entrées gardées telles quelles\n"));
    // The eDonkey2000 reader, the default, still refuses it.
    EXPECT_EQ(Command({QStringLiteral("servermet"), QStringLiteral("read"), Path("server.met")}).status, 1);

    // The same row written back changes no byte; a new row follows with its name only.
    const QStringList write = {QStringLiteral("servermet"), QStringLiteral("write"),
                               QStringLiteral("--client"), QStringLiteral("eMule"), Path("server.met")};
    const QString same = QStringLiteral("198.51.100.1\t4661\tn/a\tn/a\tA\n");
    ASSERT_EQ(Command(write, &same).status, 0);
    EXPECT_EQ(ReadWholeFile(Path("server.met")), Bytes(amule));
    const QString more = same + QStringLiteral("203.0.113.5\t4242\tn/a\tn/a\tB\n");
    ASSERT_EQ(Command(write, &more).status, 0);
    EXPECT_EQ(ReadWholeFile(Path("server.met")),
              Bytes(Hex("E0 03") + amule.substr(2, 3) + amule.substr(5) +
                    Hex("CB 00 71 05 92 10 01 00 00 00 02 01 00 01 01 00 42")));

    // A list it cannot read whole is never written over; an unknown client is a usage error.
    WriteWholeFile(Path("cut.met"), Bytes(amule.substr(0, 20)));
    const QStringList cut = {QStringLiteral("servermet"), QStringLiteral("write"), QStringLiteral("--client"),
                             QStringLiteral("amule"), Path("cut.met")};
    EXPECT_EQ(Command(cut, &same).status, 1);
    EXPECT_EQ(ReadWholeFile(Path("cut.met")), Bytes(amule.substr(0, 20)));
    EXPECT_EQ(Command({QStringLiteral("servermet"), QStringLiteral("read"), QStringLiteral("--client"),
                       QStringLiteral("lmule"), Path("server.met")})
                  .status,
              64);
}

}  // namespace
}  // namespace hublane::cli
