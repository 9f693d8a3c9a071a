// The list files on disk: real server.met files, error log lines, the counter and the gauge,
// the atomic replacement of the old file and the keeping of a full file when the list is empty.
#include "serverlist/ListFiles.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <stdexcept>

#include "clients/ServerMetCodec.h"
#include "language/LanguageTable.h"
#include "support/TestSupport.h"

namespace hublane::serverlist {
namespace {

using test::Hex;
using test::ReadWholeFile;
using test::WriteWholeFile;

QByteArray Bytes(const std::string& s) {
    return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
}

// Texts "T1".."Tn", so a line shows which number was asked for.
language::LanguageTable Texts(int count) {
    language::LanguageTable t;
    t.Reset();
    for (int i = 1; i <= count; ++i) {
        t.Append(QStringLiteral("T%1").arg(i));
    }
    return t;
}

class ListFilesTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    QString Path(const QString& name) const { return m_dir.filePath(name); }
    QStringList FolderEntries() const {
        return QDir(m_dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries);
    }

    QTemporaryDir m_dir;
    language::LanguageTable m_texts = Texts(10);
    PlainGauge m_gauge;
    QStringList m_log;
    ReadContext m_ctx{m_gauge, m_texts, m_log};
};

TEST_F(ListFilesTest, RealFilesOfTheClientFormatReadWholeOthersAreRefused) {
    const QString dir = test::RealDataDir();
    if (dir.isEmpty()) {
        GTEST_SKIP() << "no real data folder";
    }
    const QStringList files = QDir(dir + QStringLiteral("/server_met")).entryList(QDir::Files);
    if (files.isEmpty()) {
        GTEST_SKIP() << "no server.met files";
    }
    int read = 0;
    for (const QString& name : files) {
        SCOPED_TRACE(name.toStdString());
        const QString path = dir + QStringLiteral("/server_met/") + name;
        const QByteArray bytes = ReadWholeFile(path);
        ServerTable table;
        m_log.clear();
        int counter = -7;
        const bool ok = ReadServerMet(path, table, m_ctx, &counter, clients::kServerMetCodec);
        if (static_cast<std::uint8_t>(bytes.at(0)) != clients::kServerMetHeader) {
            EXPECT_FALSE(ok);
            EXPECT_EQ(m_log, QStringList{QStringLiteral("server.met : T314")});
            EXPECT_TRUE(table.Empty());
            EXPECT_EQ(counter, -7);
            continue;
        }
        ++read;
        ASSERT_TRUE(ok) << m_log.join(QLatin1Char('\n')).toStdString();
        EXPECT_EQ(counter, static_cast<int>(table.Count()));
        EXPECT_EQ(m_gauge.Position(), 0);

        // Writing the table and reading it back gives the same rows.
        const QString copy = Path(QStringLiteral("copy.met"));
        ASSERT_TRUE(WriteServerMet(copy, table, m_gauge, {}, clients::kServerMetCodec).Written());
        ServerTable back;
        ASSERT_TRUE(ReadServerMet(copy, back, m_ctx, nullptr, clients::kServerMetCodec));
        ASSERT_EQ(back.Count(), table.Count());
        for (std::size_t i = 0; i < table.Count(); ++i) {
            EXPECT_EQ(back.Row(i).caption, table.Row(i).caption);
            EXPECT_EQ(back.Row(i).subItems, table.Row(i).subItems);
        }

        if (name.startsWith(QLatin1String("GamerA1-99"))) {
            // 7 entries, one address twice: the first (port 33333) wins.
            ASSERT_EQ(table.Count(), 6u);
            EXPECT_EQ(table.Row(0).caption, "176.123.5.89");
            EXPECT_EQ(table.Row(0).subItems,
                      (std::array<std::string, kSubItemCount>{"4725", "33212", "11244790", "eMule Sunrise",
                                                              "Not perfect, but real", "n/a"}));
            const int astra = table.FindExact("213.252.245.239");
            ASSERT_GE(astra, 0);
            EXPECT_EQ(table.Row(static_cast<std::size_t>(astra)).Sub(Column::Port), "33333");
            EXPECT_EQ(table.Row(static_cast<std::size_t>(astra)).Sub(Column::Name), "Astra-5");
            EXPECT_EQ(table.Row(5).Sub(Column::Name), "!! Sharing-Devils No.4 !!");
        } else if (name.startsWith(QLatin1String("Geraint1998"))) {
            // 89 entries over 77 addresses; some servers carry no "files" tag.
            ASSERT_EQ(table.Count(), 77u);
            EXPECT_EQ(counter, 77);
            EXPECT_EQ(table.Row(0).subItems,
                      (std::array<std::string, kSubItemCount>{"4661", "1419570", "269718425",
                                                              "Mules Donkeys and Blue Monkeys",
                                                              "Oz never been so nice", "n/a"}));
            const int noFiles = table.FindExact("208.53.131.7");
            ASSERT_GE(noFiles, 0);
            EXPECT_EQ(table.Row(static_cast<std::size_t>(noFiles)).Sub(Column::Files), "n/a");
            EXPECT_EQ(table.Row(static_cast<std::size_t>(noFiles)).Sub(Column::Users), "49270");
            const int razorback = table.FindExact("85.17.40.108");
            ASSERT_GE(razorback, 0);
            EXPECT_EQ(table.Row(static_cast<std::size_t>(razorback)).Sub(Column::Port), "4231");
            EXPECT_EQ(table.Row(static_cast<std::size_t>(razorback)).Sub(Column::Name),
                      "! * * Razorback 2.0 * * !");
        }
    }
    EXPECT_GE(read, 1);
}

TEST_F(ListFilesTest, ReadFailuresLogOneLineKeepRowsCounterAndGauge) {
    QDir(m_dir.path()).mkdir(QStringLiteral("folder"));
    WriteWholeFile(Path(QStringLiteral("empty")), {});
    WriteWholeFile(Path(QStringLiteral("hbl")), Bytes(Hex("1E 00 00 00 00")));
    WriteWholeFile(Path(QStringLiteral("short")),
                   Bytes(Hex("0E 02 00 00 00 01 02 03 04 35 12 00 00 00 00 05")));
    WriteWholeFile(Path(QStringLiteral("type4")),
                   Bytes(Hex("0E 01 00 00 00 01 02 03 04 35 12 01 00 00 00 04 01 00 01 00 00 00 00")));
    struct Case {
        const char* file;
        const char* line;
        std::size_t rows;
    };
    const Case cases[] = {
        {"missing", "server.met : T2", 0}, {"folder", "server.met : T2", 0},
        {"empty", "server.met : T2", 0},   {"hbl", "server.met : T314", 0},
        {"short", "server.met : T4", 1},   {"type4", "server.met : T104", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        ServerTable table;
        table.AddServerRow("9.9.9.9", "1");  // emptied first
        m_log = QStringList{QStringLiteral("earlier line")};
        m_gauge.SetMax(50);
        m_gauge.SetPosition(20);
        int counter = 12;
        EXPECT_FALSE(
            ReadServerMet(Path(QLatin1String(c.file)), table, m_ctx, &counter, clients::kServerMetCodec));
        EXPECT_EQ(m_log, (QStringList{QStringLiteral("earlier line"), QLatin1String(c.line)}));
        EXPECT_EQ(table.Count(), c.rows);
        EXPECT_EQ(table.FindExact("9.9.9.9"), -1);
        EXPECT_EQ(counter, 12);
        if (c.rows == 0 && std::string_view(c.file) != "type4" && std::string_view(c.file) != "short") {
            EXPECT_EQ(m_gauge.Position(), 20);
        }
    }
}

TEST_F(ListFilesTest, MissingLanguageTextThrowsAfterTheRowsAreIn) {
    const QString path = Path(QStringLiteral("server.met"));
    WriteWholeFile(path, Bytes(Hex("0E 02 00 00 00 01 02 03 04 35 12 00 00 00 00")));
    const language::LanguageTable few = Texts(3);
    ReadContext ctx{m_gauge, few, m_log};
    ServerTable table;
    EXPECT_THROW(ReadServerMet(path, table, ctx, nullptr, clients::kServerMetCodec), std::out_of_range);
    EXPECT_EQ(table.Count(), 1u);
}

TEST_F(ListFilesTest, PeerListReadFailuresAndRoundTrip) {
    PeerList peers;
    peers.AddPeerRow("7.7.7.7");
    EXPECT_FALSE(ReadPeerList(Path(QStringLiteral("serverHBL.met")), peers, m_ctx));
    EXPECT_TRUE(peers.Empty());
    const QString path = Path(QStringLiteral("serverHBL.met"));
    WriteWholeFile(path, Bytes(Hex("0E 00 00 00 00")));
    EXPECT_FALSE(ReadPeerList(path, peers, m_ctx));
    EXPECT_EQ(m_log,
              (QStringList{QStringLiteral("serverHBL.met : T2"), QStringLiteral("serverHBL.met : T330")}));

    PeerList written;
    written.AddPeerRow("1.2.3.4");
    written.AddPeerRow("5.6.7.8");
    written.Row(0).answered = true;
    ASSERT_TRUE(WritePeerList(path, written, m_gauge, {}).Written());
    EXPECT_EQ(ReadWholeFile(path), Bytes(Hex("1E 02 00 00 00 01 02 03 04 05 06 07 08")));
    ASSERT_TRUE(ReadPeerList(path, peers, m_ctx));
    ASSERT_EQ(peers.Count(), 2u);
    EXPECT_EQ(peers.Row(1).caption, "5.6.7.8");
    EXPECT_FALSE(peers.Row(0).answered);
    EXPECT_EQ(m_gauge.Position(), 0);
}

TEST_F(ListFilesTest, WriteThatCannotCreateTheFileChangesNothing) {
    ServerTable table;
    table.AddServerRow("1.2.3.4", "4661");
    PeerList peers;
    peers.AddPeerRow("1.2.3.4");
    QDir(m_dir.path()).mkdir(QStringLiteral("taken"));
    const QString missingFolder = Path(QStringLiteral("no/such/folder/server.met"));
    const QString directory = Path(QStringLiteral("taken"));
    for (const QString& path : {missingFolder, directory}) {
        SCOPED_TRACE(path.toStdString());
        m_gauge.SetMax(10);
        m_gauge.SetPosition(4);
        EXPECT_FALSE(WriteServerMet(path, table, m_gauge, {}, clients::kServerMetCodec).Written());
        EXPECT_EQ(m_gauge.Position(), 0);
        m_gauge.SetPosition(4);
        EXPECT_FALSE(WritePeerList(path, peers, m_gauge, {}).Written());
        EXPECT_EQ(m_gauge.Position(), 0);
    }
    EXPECT_FALSE(QFileInfo::exists(missingFolder));
    EXPECT_TRUE(QFileInfo(directory).isDir());
    EXPECT_EQ(FolderEntries(), QStringList{QStringLiteral("taken")});
}

// Limits the size of the files this process may write, so that writing fails part-way like on
// a full disk; the limit is lifted again at the end of the scope.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        m_ok = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    bool Ok() const { return m_ok; }

  private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
    bool m_ok = false;
};

TEST_F(ListFilesTest, WriteThatFailsPartWayKeepsTheOldFileByteForByte) {
    const QString path = Path(QStringLiteral("server.met"));
    const QByteArray old = Bytes(Hex("0E 01 00 00 00 01 02 03 04 35 12 00 00 00 00"));
    WriteWholeFile(path, old);
    const QString peerPath = Path(QStringLiteral("serverHBL.met"));
    const QByteArray oldPeers = Bytes(Hex("1E 01 00 00 00 01 02 03 04"));
    WriteWholeFile(peerPath, oldPeers);

    ServerTable table;
    PeerList peers;
    for (int i = 0; i < 3000; ++i) {
        const std::string ip = "1." + std::to_string(i / 256 % 256) + "." + std::to_string(i % 256) + ".9";
        peers.Append(ip);
        table.AddServerRow(ip, "4661", "1", "2", "a server name", "a description of some length");
    }
    {
        const FileSizeLimit limit(2048);  // below both files (the peer list holds at most 1000 rows)
        ASSERT_TRUE(limit.Ok());
        EXPECT_FALSE(WriteServerMet(path, table, m_gauge, {}, clients::kServerMetCodec).Written());
        EXPECT_FALSE(WritePeerList(peerPath, peers, m_gauge, {}).Written());
    }
    EXPECT_EQ(ReadWholeFile(path), old);
    EXPECT_EQ(ReadWholeFile(peerPath), oldPeers);
    // No temporary file is left behind.
    EXPECT_EQ(FolderEntries(), (QStringList{QStringLiteral("server.met"), QStringLiteral("serverHBL.met")}));

    // Without the limit the same write replaces the file.
    ASSERT_TRUE(WriteServerMet(path, table, m_gauge, {}, clients::kServerMetCodec).Written());
    ServerTable back;
    ASSERT_TRUE(ReadServerMet(path, back, m_ctx, nullptr, clients::kServerMetCodec));
    EXPECT_EQ(back.Count(), table.Count());
}

TEST_F(ListFilesTest, KeepFileWhenEmptyLeavesAFullFileAlone) {
    const QString path = Path(QStringLiteral("server.met"));
    const QString peerPath = Path(QStringLiteral("serverHBL.met"));
    const QByteArray full = Bytes(Hex("0E 01 00 00 00 01 02 03 04 35 12 00 00 00 00"));
    const QByteArray fullPeers = Bytes(Hex("1E 01 00 00 00 01 02 03 04"));
    ServerTable empty;
    ServerTable unwritable;
    unwritable.AddServerRow("host.example", "4661");
    PeerList noPeers;
    PeerList unwritablePeers;
    unwritablePeers.AddPeerRow("host.example");

    for (const ServerTable* table : {&empty, &unwritable}) {
        WriteWholeFile(path, full);
        EXPECT_FALSE(
            WriteServerMet(path, *table, m_gauge, {.keepFileWhenEmpty = true}, clients::kServerMetCodec)
                .Written());
        EXPECT_EQ(ReadWholeFile(path), full);
        EXPECT_TRUE(WriteServerMet(path, *table, m_gauge, {}, clients::kServerMetCodec).Written());
        EXPECT_EQ(ReadWholeFile(path), Bytes(Hex("0E 00 00 00 00")));
    }
    for (const PeerList* list : {&noPeers, &unwritablePeers}) {
        WriteWholeFile(peerPath, fullPeers);
        EXPECT_FALSE(WritePeerList(peerPath, *list, m_gauge, {.keepFileWhenEmpty = true}).Written());
        EXPECT_EQ(ReadWholeFile(peerPath), fullPeers);
        EXPECT_TRUE(WritePeerList(peerPath, *list, m_gauge, {}).Written());
        EXPECT_EQ(ReadWholeFile(peerPath), Bytes(Hex("1E 00 00 00 00")));
    }

    // Whatever the file holds, even a list in another client's format, it stays; a missing one
    // stays missing.
    for (const QByteArray& before : {Bytes(Hex("0E 00 00 00 00 01 02 03 04")), Bytes(Hex("E0 02 00 00 00")),
                                     Bytes(Hex("1E 05 00 00 00")), QByteArray("0E")}) {
        WriteWholeFile(path, before);
        EXPECT_FALSE(
            WriteServerMet(path, empty, m_gauge, {.keepFileWhenEmpty = true}, clients::kServerMetCodec)
                .Written());
        EXPECT_EQ(ReadWholeFile(path), before);
    }
    QFile::remove(peerPath);
    EXPECT_FALSE(WritePeerList(peerPath, noPeers, m_gauge, {.keepFileWhenEmpty = true}).Written());
    EXPECT_FALSE(QFile::exists(peerPath));

    // A list with rows is written over a full file.
    ServerTable one;
    one.AddServerRow("5.6.7.8", "80");
    WriteWholeFile(path, full);
    EXPECT_TRUE(
        WriteServerMet(path, one, m_gauge, {.keepFileWhenEmpty = true}, clients::kServerMetCodec).Written());
    ServerTable back;
    ASSERT_TRUE(ReadServerMet(path, back, m_ctx, nullptr, clients::kServerMetCodec));
    ASSERT_EQ(back.Count(), 1u);
    EXPECT_EQ(back.Row(0).caption, "5.6.7.8");
}

TEST_F(ListFilesTest, WriteDrivesTheGaugeOverEveryRow) {
    ServerTable table;
    table.AddServerRow("1.1.1.1", "1");
    table.AddServerRow("bad", "1");
    table.AddServerRow("2.2.2.2", "1");
    m_gauge.SetPosition(0);
    ASSERT_TRUE(
        WriteServerMet(Path(QStringLiteral("server.met")), table, m_gauge, {}, clients::kServerMetCodec)
            .Written());
    EXPECT_EQ(m_gauge.Max(), 3);
    EXPECT_EQ(m_gauge.Position(), 0);
    EXPECT_EQ(ReadWholeFile(Path(QStringLiteral("server.met"))).mid(0, 5), Bytes(Hex("0E 02 00 00 00")));
}

}  // namespace
}  // namespace hublane::serverlist
