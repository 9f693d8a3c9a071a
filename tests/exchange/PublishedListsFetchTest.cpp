// The published server.met files of the client's addresses.dat, loaded by a fetch of servers
// over real HTTP: their servers join the table, and a list that is junk, too large, missing or
// never ends adds nothing, says why and leaves the others to load; at most ten are loaded.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <tuple>

#include "WebDirectoryFixture.h"
#include "exchange/PublishedServerLists.h"
#include "support/MuleBytes.h"

namespace hublane::exchange {
namespace {

using namespace webtest;

using namespace test::mule;

// A server.met of servers given as address bytes, port and name (the only tag).
QByteArray ServerMet(const std::vector<std::tuple<std::string, std::uint16_t, std::string>>& servers) {
    std::string entries;
    for (const auto& [ip, port, name] : servers)
        entries += Entry(ip, port, 1, TextTag(kIdName, name));
    return QByteArray::fromStdString(File(static_cast<std::uint32_t>(servers.size()), entries));
}

test::PageServer::Page Binary(const QByteArray& body) {
    test::PageServer::Page page;
    page.body = body;
    page.contentType = "application/octet-stream";
    return page;
}

class PublishedListsFetchTest : public WebDirectoryFixture {
  protected:
    void WriteAddresses(const QStringList& urls) {
        test::WriteWholeFile(QDir(rig->dir.path()).filePath(QStringLiteral("addresses.dat")),
                             urls.join(QStringLiteral("\r\n")).toUtf8() + "\r\n");
    }
    std::vector<std::string> Names() {
        std::vector<std::string> names;
        for (const serverlist::ServerRow& row : State().Servers().Rows())
            names.push_back(row.caption + " " + row.Sub(serverlist::Column::Name));
        return names;
    }
};

TEST_F(PublishedListsFetchTest, EachListIsLoadedAndOnlyWholeOnesAddServers) {
    pages.Html(QStringLiteral("liste.php"), ServerLink({"198.51.100.1", "4661"}));
    pages.Set(
        QStringLiteral("a.met"),
        Binary(ServerMet({{"\xC6\x33\x64\x02"s, 4661, "Deux"}, {"\xC6\x33\x64\x01"s, 4000, "Un ailleurs"}})));
    other.Set(QStringLiteral("moved/b.met"), Binary(ServerMet({{"\xCB\x00\x71\x03"s, 4242, "Trois"}})));
    test::PageServer::Page moved;
    moved.status = 302;
    moved.location = other.Url(QStringLiteral("moved/b.met")).toLatin1();
    pages.Set(QStringLiteral("b.met"), moved);
    pages.Html(QStringLiteral("junk.met"), "<html><body>Serveurs</body></html>");
    QByteArray big = ServerMet({{"\xCB\x00\x71\x04"s, 4661, "Gros"}});
    big += QByteArray(kMaxPublishedListBytes, '\0');
    pages.Set(QStringLiteral("big.met"), Binary(big));
    test::PageServer::Page slow = Binary(ServerMet({{"\xCB\x00\x71\x05"s, 4661, "Lent"}}));
    slow.neverEnds = true;
    pages.Set(QStringLiteral("slow.met"), slow);
    pages.Set(
        QStringLiteral("cut.met"),
        Binary(
            ServerMet({{"\xCB\x00\x71\x06"s, 4661, "Coupé"}, {"\xCB\x00\x71\x07"s, 4661, "x"}}).chopped(3)));

    NewRig(1500);
    WriteAddresses({pages.Url(QStringLiteral("a.met")), pages.Url(QStringLiteral("b.met")),
                    pages.Url(QStringLiteral("junk.met")), pages.Url(QStringLiteral("big.met")),
                    pages.Url(QStringLiteral("slow.met")), pages.Url(QStringLiteral("cut.met")),
                    pages.Url(QStringLiteral("missing.met"))});
    QElapsedTimer timer;
    timer.start();
    rig->Window().BtnWebFetchClick();
    EXPECT_LT(timer.elapsed(), 15000);

    EXPECT_EQ(Names(),
              (std::vector<std::string>{"198.51.100.1 n/a", "198.51.100.2 Deux", "203.0.113.3 Trois"}));
    EXPECT_EQ(State().serverCounter, 3);
    EXPECT_TRUE(fetchDoneRaised);
    const std::vector<PublishedListLoad>& loads = Web().PublishedLoads();
    ASSERT_EQ(loads.size(), 7u);
    struct Outcome {
        std::size_t added;
        const char* error;  // a part of the reason; null: loaded and read whole
    };
    const std::vector<Outcome> expected = {
        {1, nullptr},   {1, nullptr},    {0, "texte 3224"}, {0, "larger than"}, {0, "no answer within"},
        {0, "texte 8"}, {0, "Not Found"}};
    for (std::size_t i = 0; i < loads.size(); ++i) {
        SCOPED_TRACE(loads[i].url.toStdString());
        EXPECT_EQ(loads[i].added, expected[i].added);
        if (expected[i].error == nullptr) {
            EXPECT_TRUE(loads[i].error.isEmpty()) << loads[i].error.toStdString();
        } else {
            EXPECT_TRUE(loads[i].error.contains(QString::fromUtf8(expected[i].error)))
                << loads[i].error.toStdString();
        }
    }
}

TEST_F(PublishedListsFetchTest, AtMostTenListsAreLoadedAndTheFilterHolds) {
    pages.Html(QStringLiteral("liste.php"), "<p>vide</p>");
    QStringList urls;
    for (int i = 1; i <= 12; ++i) {
        const char ip[5] = {'\xC6', '\x33', '\x64', static_cast<char>(i), '\0'};
        pages.Set(QStringLiteral("%1.met").arg(i), Binary(ServerMet({{std::string(ip, 4), 4661, "s"}})));
        urls << pages.Url(QStringLiteral("%1.met").arg(i));
    }
    QTemporaryDir files;
    ASSERT_TRUE(files.isValid());
    ipFilterPath = files.filePath(QStringLiteral("ipfilter.dat"));
    test::WriteWholeFile(ipFilterPath, "198.51.100.2 - 198.51.100.2 , 0 , blocked\n");
    NewRig();
    WriteAddresses(urls);
    const qsizetype asked = pages.Requests().size();
    rig->Window().BtnWebFetchClick();

    EXPECT_EQ(NewRequests(asked).size(), 11) << "liste.php and ten lists";
    EXPECT_FALSE(NewRequests(asked).contains(QStringLiteral("/11.met")));
    std::vector<Row> expected;
    for (int i = 1; i <= 10; ++i) {
        if (i != 2) {
            expected.push_back({"198.51.100." + std::to_string(i), "4661"});
        }
    }
    EXPECT_EQ(Rows(State().Servers()), expected);
}

}  // namespace
}  // namespace hublane::exchange
