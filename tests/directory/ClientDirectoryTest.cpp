// The program's own client against the real directory on loopback: a table sent to rcv.php comes
// back from liste.php once the lab's servers answered the directory's checks, an announced copy
// comes back from listeHBL.php, a whole cycle fills its lists from it, hublanectl web does each
// operation by hand, and hublanectl version-check compares the published version.
#include <gtest/gtest.h>
#include <algorithm>
#include <map>

#include "DirectoryRig.h"
#include "clients/MuleServerMet.h"
#include "clients/ServerMetCodec.h"
#include "exchange/WebDirectory.h"
#include "lab/Lab.h"
#include "serverlist/ListFiles.h"
#include "support/CliRun.h"
#include "support/EngineRig.h"
#include "support/PageServer.h"
#include "support/TestSupport.h"

namespace hublane::directory {
namespace {

// This file's addresses, beside the directory's 127.31.0.1: the lab's servers on 127.31.5.x, the
// program's copy on 127.31.6.2 and other copies on 127.31.6.40 and up, a version host on 127.31.7.1.
const QString kCopy = QStringLiteral("127.31.6.2");

using Row = std::pair<std::string, std::string>;  // caption, port

std::vector<Row> SortedRows(const serverlist::ServerTable& table) {
    std::vector<Row> rows;
    for (const serverlist::ServerRow& row : table.Rows())
        rows.emplace_back(row.caption, row.Sub(serverlist::Column::Port));
    std::sort(rows.begin(), rows.end());
    return rows;
}

QStringList SortedLines(const QString& text) {
    QStringList lines = text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    lines.sort();
    return lines;
}

class ClientDirectoryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(rig.Start(rig.Settings())) << rig.error.toStdString();
        base = QStringLiteral("http://%1:%2/").arg(test::kDirectoryHost).arg(rig.running->Port());
    }
    void StartLab(const char* config) {
        QString error;
        ASSERT_TRUE(lab.StartServers(QString::fromUtf8(config), &error)) << error.toStdString();
    }
    // The program's copy, pointed at the directory (or at the directory web).
    test::EngineRig& Copy(const platform::Clock* clock = nullptr, const QString& web = {}) {
        app::EngineOptions options;
        options.address.bind = QHostAddress(kCopy);
        options.webUrl = web.isEmpty() ? base : web;
        options.pageLimitMs = 10000;
        copy = std::make_unique<test::EngineRig>(options, clock);
        return *copy;
    }
    exchange::WebDirectory& Web() { return copy->engine->WebDirectory(); }
    // The requester's address in the directory's first log line for a target that starts so.
    QString SeenFrom(const QString& target) const {
        for (const QString& line : rig.log) {
            const QStringList words = line.split(QLatin1Char(' '));
            if (words.size() > 3 && words[3].startsWith(target)) {
                return words[1];
            }
        }
        return {};
    }

    lab::Lab lab;
    test::DirectoryRig rig;
    QString base;
    std::unique_ptr<test::EngineRig> copy;
};

TEST_F(ClientDirectoryTest, ASentTableComesBackWithTheServersThatAnswered) {
    StartLab(
        "127.31.5.20 4661 answer name=Un\n"
        "127.31.5.21 4242 answer name=Deux\n"
        "127.31.5.22 4661 silent\n"
        "127.31.5.23 4661 answer name=\"jamais envoyé\"\n");
    Copy();
    serverlist::ServerTable& table = copy->State().Servers();
    table.AddServerRow("127.31.5.20", "4661");
    table.AddServerRow("127.31.5.21", "4242");
    table.AddServerRow("127.31.5.22", "4661");
    // Enough rows for two requests; nothing answers there.
    for (int i = 100; i < 152; ++i)
        table.AddServerRow("127.31.5." + std::to_string(i), "4661");

    copy->Window().BtnWebSendClick();
    EXPECT_EQ(Web().Loaded().size(), 2);
    EXPECT_TRUE(Web().LastError().isEmpty()) << Web().LastError().toStdString();
    EXPECT_EQ(rig.Store().CountServers(), 55);
    EXPECT_EQ(rig.Store().Server("127.31.5.20")->reporter,
              SeenFrom(QStringLiteral("/rcv.php")).toStdString());

    const std::vector<std::string> listed = {"ed2k://|server|127.31.5.20|4661|/",
                                             "ed2k://|server|127.31.5.21|4242|/"};
    ASSERT_TRUE(test::WaitFor([&] { return rig.ListedTargets() == listed; }, 10000));

    // Fetched into an empty table: exactly the servers that answered, with nothing else known.
    table.Clear();
    copy->Window().BtnWebFetchClick();
    EXPECT_EQ(SortedRows(table), (std::vector<Row>{{"127.31.5.20", "4661"}, {"127.31.5.21", "4242"}}));
    EXPECT_EQ(copy->State().serverCounter, 2);
    for (const serverlist::ServerRow& row : table.Rows())
        EXPECT_EQ(row.Sub(serverlist::Column::Name), "n/a");
    EXPECT_EQ(lab.Requests(QStringLiteral("127.31.5.23")).Total(), 0);

    // The same by hand.
    const test::CliOutcome servers =
        test::Hublanectl({QStringLiteral("web"), QStringLiteral("servers"), base});
    EXPECT_EQ(servers.status, 0) << servers.err.toStdString();
    EXPECT_EQ(SortedLines(servers.out),
              QStringList({QStringLiteral("127.31.5.20\t4661"), QStringLiteral("127.31.5.21\t4242")}));
}

TEST_F(ClientDirectoryTest, AnAnnouncedCopyComesBackFromTheCopyList) {
    Copy();
    Web().AnnounceToWeb();
    EXPECT_TRUE(Web().LastError().isEmpty()) << Web().LastError().toStdString();
    // The directory records the address the request came from. The client does not choose it:
    // to any loopback address, Linux sends from 127.0.0.1.
    const QString seen = SeenFrom(QStringLiteral("/connectHB.php"));
    ASSERT_TRUE(QHostAddress(seen).isLoopback()) << rig.log.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(seen, QStringLiteral("127.0.0.1"));

    // The page itself (the cycle's step would keep its old list rather than take a page that
    // names only a local address).
    Web().FetchPeersFromWeb();
    ASSERT_EQ(copy->State().Peers().Count(), 1u);
    EXPECT_EQ(QString::fromStdString(copy->State().Peers().Row(0).caption), seen);

    const test::CliOutcome announced =
        test::Hublanectl({QStringLiteral("web"), QStringLiteral("announce"), base});
    EXPECT_EQ(announced.status, 0) << announced.err.toStdString();
    EXPECT_TRUE(announced.out.isEmpty());
    // Other copies announce from their own addresses, newest first.
    rig.offsetMs += 1000;
    ASSERT_EQ(rig.Get(QByteArrayLiteral("/connectHB.php"), QStringLiteral("127.31.6.40")).status, 200);
    const test::CliOutcome peers = test::Hublanectl({QStringLiteral("web"), QStringLiteral("peers"), base});
    EXPECT_EQ(peers.status, 0) << peers.err.toStdString();
    EXPECT_EQ(peers.out, QStringLiteral("127.31.6.40\n") + seen + QLatin1Char('\n'));
}

TEST_F(ClientDirectoryTest, HublanectlWebSendsAServerMetAndReadsItBackOnceVerified) {
    StartLab("127.31.5.24 4661 answer name=Manuel\n127.31.5.25 4661 silent\n");
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("server.met"));
    serverlist::ServerTable table;
    table.AddServerRow("127.31.5.24", "4661");
    table.AddServerRow("127.31.5.25", "4661");
    serverlist::PlainGauge gauge;
    ASSERT_TRUE(serverlist::WriteServerMet(file, table, gauge, {}, clients::kServerMetCodec).Written());

    const test::CliOutcome sent =
        test::Hublanectl({QStringLiteral("web"), QStringLiteral("send"), base, file});
    EXPECT_EQ(sent.status, 0) << sent.err.toStdString();
    // 127.31.5.24 and .25 are 18051F7F and 19051F7F, octets reversed; 4661 is 1235.
    EXPECT_EQ(sent.out, base + QStringLiteral("rcv.php?nbips=2&ips=18051F7F1235-19051F7F1235\n"));
    EXPECT_EQ(rig.Store().CountServers(), 2);

    const std::vector<std::string> listed = {"ed2k://|server|127.31.5.24|4661|/"};
    ASSERT_TRUE(test::WaitFor([&] { return rig.ListedTargets() == listed; }, 10000));
    // Without the trailing "/" the verbs add it.
    QString bare = base;
    bare.chop(1);
    const test::CliOutcome servers =
        test::Hublanectl({QStringLiteral("web"), QStringLiteral("servers"), bare});
    EXPECT_EQ(servers.status, 0) << servers.err.toStdString();
    EXPECT_EQ(servers.out, QStringLiteral("127.31.5.24\t4661\n"));

    // A directory that is not there: the reason on stderr, exit status 1, for every verb.
    rig.Stop();
    for (const QStringList& args :
         {QStringList{QStringLiteral("servers"), base}, QStringList{QStringLiteral("peers"), base},
          QStringList{QStringLiteral("announce"), base}, QStringList{QStringLiteral("send"), base, file}}) {
        SCOPED_TRACE(args.join(QLatin1Char(' ')).toStdString());
        const test::CliOutcome failed = test::Hublanectl(QStringList{QStringLiteral("web")} + args);
        EXPECT_EQ(failed.status, 1);
        EXPECT_FALSE(failed.err.isEmpty());
    }
}

TEST_F(ClientDirectoryTest, ACycleFillsItsListsFromTheDirectoryAndAnnouncesItself) {
    StartLab(
        "127.31.5.30 4661 answer name=Trente\n"
        "127.31.5.31 4242 answer name=\"Trente et un\"\n"
        "127.31.6.40 peer answer\n"
        "127.31.6.41 peer silent\n");
    // Two other copies announced themselves; the first also sent its servers.
    ASSERT_EQ(rig.Get(test::DirectoryRig::RcvTarget({{"127.31.5.30", "4661"}, {"127.31.5.31", "4242"}}),
                      QStringLiteral("127.31.6.40"))
                  .status,
              200);
    ASSERT_EQ(rig.Get(QByteArrayLiteral("/connectHB.php"), QStringLiteral("127.31.6.40")).status, 200);
    ASSERT_EQ(rig.Get(QByteArrayLiteral("/connectHB.php"), QStringLiteral("127.31.6.41")).status, 200);
    ASSERT_TRUE(test::WaitFor([&] { return rig.ListedTargets().size() == 2; }, 10000));

    const platform::FastClock fast(2);
    test::EngineRig& rigOfCopy = Copy(&fast);
    rigOfCopy.settings.Values()[QStringLiteral("inter")] = 2;
    rigOfCopy.settings.Values()[QStringLiteral("Timeout")] = 1;
    rigOfCopy.settings.Values()[QStringLiteral("NbThreads")] = 10;
    rigOfCopy.Window().Show();

    // Its start announced it (from 127.0.0.1, which its clean-up never keeps as a peer).
    EXPECT_FALSE(SeenFrom(QStringLiteral("/connectHB.php")).isEmpty());
    EXPECT_EQ(SortedRows(rigOfCopy.State().Servers()),
              (std::vector<Row>{{"127.31.5.30", "4661"}, {"127.31.5.31", "4242"}}));
    ASSERT_EQ(rigOfCopy.State().Peers().Count(), 1u);
    EXPECT_EQ(rigOfCopy.State().Peers().Row(0).caption, "127.31.6.40");
    EXPECT_GE(lab.Requests(QStringLiteral("127.31.6.41")).peer, 1);
    EXPECT_TRUE(QFile::exists(rigOfCopy.ServerMetPath()));
    EXPECT_TRUE(rigOfCopy.prompts.escaped.isEmpty());
}

// The tags of each entry of a server.met, by address: one-byte names and text values.
std::map<std::string, std::vector<std::pair<int, std::string>>> TagsOf(const QByteArray& file) {
    clients::MuleServerMet doc;
    serverlist::PlainGauge gauge;
    EXPECT_TRUE(clients::ReadMuleServerMet(
                    std::string_view(file.constData(), static_cast<std::size_t>(file.size())), doc, gauge)
                    .Ok());
    EXPECT_EQ(doc.header, clients::kMuleServerMetHeader);
    std::map<std::string, std::vector<std::pair<int, std::string>>> tags;
    for (const clients::MuleServerEntry& entry : doc.entries) {
        auto& list = tags[doc.IpText(entry) + ":" + std::to_string(entry.port)];
        for (const clients::MuleTag& tag : doc.Tags(entry))
            list.emplace_back(tag.id.value_or(-1), doc.Text(tag));
    }
    return tags;
}

TEST_F(ClientDirectoryTest, ItsServerMetCarriesTheVerifiedServersToClientsThatLoadOne) {
    // Built once and kept: only a change of the listing builds it again.
    test::DirectoryRig cached;
    directory::DirectorySettings settings = cached.Settings();
    settings.pageCacheMs = 3600000;
    rig.Stop();
    ASSERT_TRUE(cached.Start(settings)) << cached.error.toStdString();
    const QString url =
        QStringLiteral("http://%1:%2/server.met").arg(test::kDirectoryHost).arg(cached.running->Port());
    StartLab(
        "127.31.5.40 4661 answer name=Quarante desc=\"le premier\"\n"
        "127.31.5.41 4242 answer name=\"Quarante et un\"\n"
        "127.31.5.42 4661 silent\n"
        "127.31.5.43 4661 answer name=Tard\n");
    ASSERT_EQ(cached
                  .Get(test::DirectoryRig::RcvTarget(
                      {{"127.31.5.40", "4661"}, {"127.31.5.41", "4242"}, {"127.31.5.42", "4661"}}))
                  .status,
              200);
    ASSERT_TRUE(test::WaitFor([&] { return cached.ListedTargets().size() == 2; }, 10000));

    const test::HttpResult first = cached.Get(QByteArrayLiteral("/server.met"));
    EXPECT_EQ(first.status, 200);
    EXPECT_EQ(first.Header("Content-Type"), QByteArrayLiteral("application/octet-stream"));
    using Tags = std::vector<std::pair<int, std::string>>;
    EXPECT_EQ(TagsOf(first.body),
              (std::map<std::string, Tags>{{"127.31.5.40:4661", {{1, "Quarante"}, {11, "le premier"}}},
                                           {"127.31.5.41:4242", {{1, "Quarante et un"}}}}));
    EXPECT_EQ(cached.Get(QByteArrayLiteral("/server.met")).body, first.body);

    // By hand: what it holds, as servermet read prints it; a page that is no server.met fails.
    const test::CliOutcome read = test::Hublanectl({QStringLiteral("web"), QStringLiteral("servermet"), url});
    EXPECT_EQ(read.status, 0) << read.err.toStdString();
    EXPECT_EQ(SortedLines(read.out),
              QStringList({QStringLiteral("127.31.5.40\t4661\tn/a\tn/a\tQuarante\tle premier\tn/a"),
                           QStringLiteral("127.31.5.41\t4242\tn/a\tn/a\tQuarante et un\tn/a\tn/a")}));
    QString page = url;
    page.replace(QStringLiteral("server.met"), QStringLiteral("liste.php"));
    const test::CliOutcome notOne =
        test::Hublanectl({QStringLiteral("web"), QStringLiteral("servermet"), page});
    EXPECT_EQ(notOne.status, 1);
    EXPECT_TRUE(notOne.err.contains(QStringLiteral("cannot read"))) << notOne.err.toStdString();

    // A copy whose client lists the file in addresses.dat fills its table from it, names and all,
    // though its own directory does not answer.
    test::EngineRig& copyRig = Copy(nullptr, QStringLiteral("http://127.0.0.1:9/"));
    test::WriteWholeFile(copyRig.dir.filePath(QStringLiteral("addresses.dat")), url.toUtf8() + "\n");
    copyRig.Window().BtnWebFetchClick();
    ASSERT_EQ(SortedRows(copyRig.State().Servers()),
              (std::vector<Row>{{"127.31.5.40", "4661"}, {"127.31.5.41", "4242"}}));
    const int at = copyRig.State().Servers().FindExact("127.31.5.40");
    EXPECT_EQ(
        copyRig.State().Servers().Row(static_cast<std::size_t>(at)).Sub(serverlist::Column::Description),
        "le premier");

    // A server listed later is in the file at the next request.
    ASSERT_EQ(cached.Get(test::DirectoryRig::RcvTarget({{"127.31.5.43", "4661"}})).status, 200);
    ASSERT_TRUE(test::WaitFor([&] { return cached.ListedTargets().size() == 3; }, 10000));
    EXPECT_EQ(TagsOf(cached.Get(QByteArrayLiteral("/server.met")).body).count("127.31.5.43:4661"), 1u);
}

struct VersionCase {
    const char* name;
    QByteArray body;
    int status;
    const char* out;  // null: the check fails
};

TEST_F(ClientDirectoryTest, VersionCheckComparesThePublishedTextByteForByte) {
    const QString versionUrl = base + QStringLiteral("versionHBL.txt");
    const test::CliOutcome same = test::Hublanectl({QStringLiteral("version-check"), versionUrl});
    EXPECT_EQ(same.status, 0) << same.err.toStdString();
    EXPECT_EQ(same.out, QStringLiteral("same\n"));
    // A directory that publishes another version.
    DirectorySettings settings = rig.Settings();
    settings.versionText = "0.2.1.1";
    ASSERT_TRUE(rig.Start(settings)) << rig.error.toStdString();
    const QString otherUrl =
        QStringLiteral("http://%1:%2/versionHBL.txt").arg(test::kDirectoryHost).arg(rig.running->Port());
    EXPECT_EQ(test::Hublanectl({QStringLiteral("version-check"), otherUrl}).out, QStringLiteral("other\n"));

    test::PageServer host(QStringLiteral("127.31.7.1"));
    ASSERT_NE(host.Port(), 0);
    const std::vector<VersionCase> cases = {
        {"this version", "0.2.1.0", 200, "same\n"},
        {"an empty body", "", 200, "same\n"},
        {"another version", "0.3.0.0", 200, "other\n"},
        {"this version and a line end", "0.2.1.0\n", 200, "other\n"},
        {"a 404", "0.2.1.0", 404, nullptr},
    };
    for (const VersionCase& c : cases) {
        SCOPED_TRACE(c.name);
        test::PageServer::Page page;
        page.body = c.body;
        page.contentType = "text/plain";
        page.status = c.status;
        host.Set(QStringLiteral("versionHBL.txt"), page);
        const test::CliOutcome r =
            test::Hublanectl({QStringLiteral("version-check"), host.Url(QStringLiteral("versionHBL.txt"))});
        if (c.out) {
            EXPECT_EQ(r.status, 0) << r.err.toStdString();
            EXPECT_EQ(r.out, QString::fromLatin1(c.out));
        } else {
            EXPECT_EQ(r.status, 1);
            EXPECT_TRUE(r.out.isEmpty());
            EXPECT_FALSE(r.err.isEmpty());
        }
    }
}

}  // namespace
}  // namespace hublane::directory
