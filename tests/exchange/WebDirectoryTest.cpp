// The web directory operations that write: the server table sent to rcv.php in requests of 50,
// the announcement, and an operation started during another one's page wait or while the program
// quits.
#include "exchange/WebDirectory.h"

#include <gtest/gtest.h>
#include <QNetworkAccessManager>
#include <stdexcept>

#include "WebDirectoryFixture.h"

namespace hublane::exchange {
namespace {

using namespace webtest;

class WebDirectoryTest : public WebDirectoryFixture {};

// The send's rows: addresses 198.51.100.1 and up, ports that take two, three and four hex digits.
std::vector<Row> SendRows(int count) {
    static const int kPorts[] = {5, 80, 4661, 65535};
    std::vector<Row> rows;
    for (int i = 0; i < count; ++i)
        rows.emplace_back("198.51." + std::to_string(100 + i / 200) + "." + std::to_string(i % 200 + 1),
                          std::to_string(kPorts[i % 4]));
    return rows;
}

// rcv.php's entry for a row, written here from its definition: the octets in reverse order, then
// the port, in upper-case hex, two digits at least each.
QString Entry(const Row& row) {
    const QStringList octets = QString::fromStdString(row.first).split(QLatin1Char('.'));
    return QString::asprintf("%02X%02X%02X%02X%02X", octets[3].toUInt(), octets[2].toUInt(),
                             octets[1].toUInt(), octets[0].toUInt(),
                             QString::fromStdString(row.second).toUInt());
}

QStringList RcvTargets(const std::vector<Row>& rows, const std::vector<int>& batches) {
    QStringList targets;
    std::size_t next = 0;
    for (const int size : batches) {
        QStringList entries;
        for (int i = 0; i < size; ++i)
            entries << Entry(rows[next++]);
        targets << QStringLiteral("/rcv.php?nbips=%1&ips=%2").arg(size).arg(entries.join(QLatin1Char('-')));
    }
    return targets;
}

TEST_F(WebDirectoryTest, SendingTheTableMakesOneRequestPerFiftyRowsEachRowOnce) {
    EXPECT_EQ(Entry({"1.2.3.4", "4661"}), QStringLiteral("040302011235"));
    EXPECT_EQ(Entry({"255.0.16.9", "5"}), QStringLiteral("091000FF05"));
    pages.Html(QStringLiteral("rcv.php"), "<html>merci</html>");
    const std::vector<std::pair<int, std::vector<int>>> cases = {
        {0, {}}, {1, {1}}, {50, {50}}, {51, {50, 1}}, {120, {50, 50, 20}}};
    for (const auto& [count, batches] : cases) {
        SCOPED_TRACE(count);
        NewRig();
        const std::vector<Row> rows = SendRows(count);
        for (const auto& [address, port] : rows)
            State().Servers().AddServerRow(address, port);
        const qsizetype asked = pages.Requests().size();

        EXPECT_NO_THROW(rig->Window().BtnWebSendClick());

        const QStringList expected = RcvTargets(rows, batches);
        EXPECT_EQ(NewRequests(asked), expected);
        QStringList loaded;
        for (const QString& target : expected)
            loaded << pages.Url(target.mid(1));
        EXPECT_EQ(Web().Loaded(), loaded);
        EXPECT_EQ(State().Servers().Count(), rows.size());  // the table is left as it was
        EXPECT_EQ(State().Gauge().Position(), 0);
    }
}

struct BadRowCase {
    const char* name;
    int rows;
    int badRow;
    Row bad;
    std::vector<int> sent;  // the requests made before the error
};

TEST_F(WebDirectoryTest, ARowThatCannotBeConvertedStopsTheSendAfterTheRequestsBeforeIt) {
    pages.Html(QStringLiteral("rcv.php"), "ok");
    const std::vector<BadRowCase> cases = {
        {"a name in the third batch", 120, 110, {"serveur.example", "4661"}, {50, 50}},
        {"a name right after a full batch", 80, 50, {"serveur.example", "4661"}, {50}},
        {"a port out of range in the first batch", 30, 10, {"198.51.102.1", "70000"}, {}},
        {"an octet out of range", 3, 2, {"198.51.102.256", "4661"}, {}},
    };
    for (const BadRowCase& c : cases) {
        SCOPED_TRACE(c.name);
        NewRig();
        std::vector<Row> rows = SendRows(c.rows);
        rows[static_cast<std::size_t>(c.badRow)] = c.bad;
        for (const auto& [address, port] : rows)
            State().Servers().AddServerRow(address, port);
        const qsizetype asked = pages.Requests().size();
        try {
            rig->Window().BtnWebSendClick();
            ADD_FAILURE() << "no error";
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find("'" + c.bad.first + ":" + c.bad.second + "'"),
                      std::string::npos)
                << e.what();
        }
        EXPECT_EQ(NewRequests(asked), RcvTargets(rows, c.sent));
        EXPECT_FALSE(Web().Busy());
    }
}

TEST_F(WebDirectoryTest, AnnouncingLoadsConnectHBWithoutReadingIt) {
    // Whatever the page says, an error page with links included, it changes nothing.
    test::PageServer::Page page;
    page.body = ServerLink({"198.51.100.50", "4661"}) + "<a href=\"http://198.51.100.51/\">p</a>";
    page.status = 500;
    pages.Set(QStringLiteral("connectHB.php"), page);
    pages.Set(QStringLiteral("annuaire/connectHB.php"), page);
    NewRig();
    qsizetype asked = pages.Requests().size();
    EXPECT_NO_THROW(Web().AnnounceToWeb());
    EXPECT_EQ(NewRequests(asked), QStringList{QStringLiteral("/connectHB.php")});
    EXPECT_TRUE(State().Servers().Empty());
    EXPECT_TRUE(State().Peers().Empty());

    // Every start of the peer server announces the copy, the first and the ones after.
    asked = pages.Requests().size();
    rig->Window().BtnStartSrvClick();
    rig->Window().BtnStartSrvClick();
    EXPECT_EQ(NewRequests(asked),
              QStringList({QStringLiteral("/connectHB.php"), QStringLiteral("/connectHB.php")}));

    // The base URL takes one "/" when it has none; without one on the command line, the web
    // directory box gives it.
    struct BaseCase {
        QString commandLine;
        QString box;
    };
    const std::vector<BaseCase> bases = {
        {pages.Url(QStringLiteral("annuaire")), {}},
        {pages.Url(QStringLiteral("annuaire/")), pages.Url(QStringLiteral("ailleurs/"))},
        {{}, pages.Url(QStringLiteral("annuaire"))},
    };
    for (const BaseCase& base : bases) {
        SCOPED_TRACE(base.commandLine.toStdString() + " | " + base.box.toStdString());
        serverlist::PlainGauge gauge;
        serverlist::NoStatusCaption caption;
        serverlist::CycleState state(gauge, caption);
        state.Controls().serverWeb = base.box;
        const platform::SystemClock clock;
        serverlist::UiWaits waits(clock);
        QNetworkAccessManager network;
        WebDirectory web(state, waits, network, {}, base.commandLine, 20000);
        asked = pages.Requests().size();
        web.AnnounceToWeb();
        EXPECT_EQ(NewRequests(asked), QStringList{QStringLiteral("/annuaire/connectHB.php")});
    }
}

TEST_F(WebDirectoryTest, AnOperationStartedDuringAnothersPageWaitDoesNothing) {
    pages.Html(QStringLiteral("liste.php"), ServerLink({"198.51.100.60", "4661"}));
    pages.Html(QStringLiteral("listeHBL.php"), "<a href=\"http://198.51.100.61/\">p</a>");
    pages.Html(QStringLiteral("rcv.php"), "ok");
    // The fetch-done bound of the window's button (20 waits of a second) passes a hundred times
    // faster; the page limit stays far beyond the test.
    const platform::FastClock fast(100);
    NewRig(60000000, &fast);
    State().Servers().AddServerRow("198.51.100.62", "4661");
    State().Peers().AddPeerRow("198.51.100.63");
    bool hooked = false;
    pages.onRequest = [&](const QString& target) {
        if (target != QStringLiteral("/liste.php") || hooked) {
            return;
        }
        hooked = true;
        EXPECT_TRUE(Web().Busy());
        Web().FetchPeersFromWeb();
        EXPECT_EQ(Web().FetchesDone(), 0);
        Web().SendServersToWeb();
        Web().AnnounceToWeb();
        Web().FetchServersFromWeb();
        EXPECT_EQ(Web().FetchesDone(), 0);
        // The button's fetch does nothing either; its wait for the fetch's end runs to its bound.
        rig->Window().BtnWebFetchClick();
        EXPECT_EQ(rig->Waits().WaitCounter(), 20);
        EXPECT_EQ(Web().Loaded().size(), 1);
        EXPECT_EQ(Rows(State().Servers()), (std::vector<Row>{{"198.51.100.62", "4661"}}));
        EXPECT_EQ(Peers(State().Peers()), std::vector<std::string>{"198.51.100.63"});
    };
    const qsizetype asked = pages.Requests().size();
    Web().FetchServersFromWeb();
    pages.onRequest = nullptr;
    ASSERT_TRUE(hooked);
    EXPECT_EQ(NewRequests(asked), QStringList{QStringLiteral("/liste.php")});
    EXPECT_EQ(Rows(State().Servers()),
              (std::vector<Row>{{"198.51.100.62", "4661"}, {"198.51.100.60", "4661"}}));
    EXPECT_EQ(Web().FetchesDone(), 1);
    EXPECT_FALSE(Web().Busy());
    // Once it ended, the next operation runs.
    Web().FetchPeersFromWeb();
    EXPECT_EQ(pages.Requests().last(), QStringLiteral("/listeHBL.php"));
}

struct QuitCase {
    const char* name;
    const char* page;  // the page that never ends
    void (*operation)(WebDirectory& web);
};

TEST_F(WebDirectoryTest, QuittingWhileAPageLoadsEndsTheOperationAtOnce) {
    const std::vector<QuitCase> cases = {
        {"server fetch", "liste.php", [](WebDirectory& web) { web.FetchServersFromWeb(); }},
        {"peer fetch", "listeHBL.php", [](WebDirectory& web) { web.FetchPeersFromWeb(); }},
        {"send", "rcv.php", [](WebDirectory& web) { web.SendServersToWeb(); }},
        {"announce", "connectHB.php", [](WebDirectory& web) { web.AnnounceToWeb(); }},
    };
    for (const QuitCase& c : cases) {
        SCOPED_TRACE(c.name);
        test::PageServer::Page page;
        page.body = ServerLink({"198.51.100.70", "4661"}) + "<a href=\"http://198.51.100.71/\">p</a>";
        page.neverEnds = true;
        pages.Set(QString::fromLatin1(c.page), page);
        // Were the quit not seen, the page limit would end it a minute later.
        NewRig(60000);
        // A row that cannot be converted lies beyond the send's first request: the quit ends the
        // send before it, and no error is raised about a row it never reached.
        std::vector<Row> rows = SendRows(120);
        rows[110] = {"serveur.example", "4661"};
        for (const auto& [address, port] : rows)
            State().Servers().AddServerRow(address, port);
        pages.onRequest = [this](const QString&) { rig->Waits().SetTerminating(); };
        const qsizetype asked = pages.Requests().size();

        EXPECT_NO_THROW(c.operation(Web()));

        pages.onRequest = nullptr;
        // Nothing more reaches the directory afterwards.
        EXPECT_FALSE(test::WaitFor([&] { return NewRequests(asked).size() > 1; }, 300))
            << NewRequests(asked).join(QLatin1Char(' ')).left(300).toStdString();
        EXPECT_EQ(Web().Loaded().size(), 1) << Web().Loaded().join(QLatin1Char(' ')).toStdString();
        EXPECT_FALSE(Web().LastError().contains(QStringLiteral("no answer within")));
        EXPECT_EQ(State().Servers().Count(), 120u);
        EXPECT_TRUE(State().Peers().Empty());
        EXPECT_FALSE(Web().Busy());
    }
}

}  // namespace
}  // namespace hublane::exchange
