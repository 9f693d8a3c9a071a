// The web directory's list pages read by a whole engine: each new server address taken once in
// page order, every http:// link a peer, and pages that never end, move, fail or are not HTML.
#include <gtest/gtest.h>

#include "WebDirectoryFixture.h"
#include "support/ServerListSteps.h"

namespace hublane::exchange {
namespace {

using namespace webtest;

class WebDirectoryFetchTest : public WebDirectoryFixture {};

struct ServerFetchCase {
    const char* name;
    std::vector<Row> before;  // the table before the fetch
    QByteArray page;          // liste.php
    std::vector<Row> after;
    int focusRow;
};

TEST_F(WebDirectoryFetchTest, ServerFetchAddsEachNewAddressOnceInPageOrder) {
    const std::vector<ServerFetchCase> cases = {
        {"duplicate links give one row",
         {},
         ServerLink({"198.51.100.1", "4661"}) + ServerLink({"198.51.100.1", "4661"}) +
             ServerLink({"198.51.100.2", "4242"}),
         {{"198.51.100.1", "4661"}, {"198.51.100.2", "4242"}},
         -1},
        {"file links, other schemes and relative links are skipped",
         {},
         "<a href=\"ed2k://|file|film.avi|734003200|0123456789ABCDEF0123456789ABCDEF|/\">f</a>"
         "<a href=\"|server|198.51.100.3|4661|/\">relative</a><a href=\"servers.html\">r</a>"
         "<a href=\"http://198.51.100.4/\">h</a><a name=\"x\">no target</a>"
         "<map name=\"m\"><area href=\"ed2k://|server|198.51.100.5|4661|/\"></map>"
         "<a href=\"  ed2k://|server|198.51.100.6|4661|/ \">blanks around</a>",
         {{"198.51.100.5", "4661"}, {"198.51.100.6", "4661"}},
         -1},
        {"an address already a row keeps its port",
         {{"198.51.100.7", "4661"}},
         ServerLink({"198.51.100.7", "4242"}) + ServerLink({"198.51.100.8", "4661"}),
         {{"198.51.100.7", "4661"}, {"198.51.100.8", "4661"}},
         0},
        {"the first port of an address wins",
         {},
         ServerLink({"198.51.100.9", "4661"}) + ServerLink({"198.51.100.9", "4242"}) +
             ServerLink({"198.51.100.9", "4661"}),
         {{"198.51.100.9", "4661"}},
         -1},
        {"new rows follow the old ones, the last old one is focused",
         {{"198.51.100.10", "4661"}, {"198.51.100.11", "4661"}, {"198.51.100.12", "4661"}},
         ServerLink({"198.51.100.13", "4661"}) + ServerLink({"198.51.100.10", "4661"}) +
             ServerLink({"198.51.100.14", "5000"}),
         {{"198.51.100.10", "4661"},
          {"198.51.100.11", "4661"},
          {"198.51.100.12", "4661"},
          {"198.51.100.13", "4661"},
          {"198.51.100.14", "5000"}},
         2},
        {"a page without server links changes nothing",
         {{"198.51.100.15", "4661"}},
         "<html><body><p>Aucun serveur</p></body></html>",
         {{"198.51.100.15", "4661"}},
         0},
    };
    for (const ServerFetchCase& c : cases) {
        SCOPED_TRACE(c.name);
        pages.Html(QStringLiteral("liste.php"), c.page);
        NewRig();
        for (const auto& [address, port] : c.before)
            State().Servers().AddServerRow(address, port, "12", "3456", "nom", "desc", "home");
        const qsizetype asked = pages.Requests().size();

        rig->Window().BtnWebFetchClick();

        EXPECT_EQ(NewRequests(asked), QStringList{QStringLiteral("/liste.php")});
        EXPECT_EQ(Rows(State().Servers()), c.after);
        EXPECT_EQ(State().focusRow, c.focusRow);
        EXPECT_EQ(State().serverCounter, static_cast<int>(c.after.size()));
        EXPECT_TRUE(fetchDoneRaised);
        EXPECT_EQ(Web().FetchesDone(), 1);
        EXPECT_EQ(rig->Waits().WaitCounter(), 0);  // the fetch had ended: no wait for it
        EXPECT_TRUE(Web().LastError().isEmpty()) << Web().LastError().toStdString();
        EXPECT_FALSE(Web().Busy());
        for (std::size_t i = c.before.size(); i < State().Servers().Count(); ++i) {
            const serverlist::ServerRow& row = State().Servers().Row(i);
            EXPECT_FALSE(row.answered) << row.caption;
            for (const auto column :
                 {serverlist::Column::Users, serverlist::Column::Files, serverlist::Column::Name,
                  serverlist::Column::Description, serverlist::Column::Home}) {
                EXPECT_EQ(row.Sub(column), "n/a") << row.caption;
            }
        }
    }
}

TEST_F(WebDirectoryFetchTest, AServerFetchNeverGrowsTheTablePastItsCap) {
    NewRig();
    const std::size_t cap = serverlist::kMaxServerRowsFromNetwork;
    for (std::size_t i = 0; State().Servers().Count() < cap - 2; ++i)
        State().Servers().AddServerRow("10." + std::to_string(i / 250) + "." + std::to_string(i % 250) + ".1",
                                       "4661");
    QByteArray page;
    for (int i = 1; i <= 5; ++i)
        page += ServerLink({"198.51.101." + std::to_string(i), "4661"});
    pages.Html(QStringLiteral("liste.php"), page);
    rig->Window().BtnWebFetchClick();
    ASSERT_EQ(State().Servers().Count(), cap);
    EXPECT_EQ(State().Servers().Row(cap - 1).caption, "198.51.101.2");
    EXPECT_EQ(State().serverCounter, static_cast<int>(cap));
}

struct PeerFetchCase {
    const char* name;
    std::vector<std::string> before;  // the peer list before the fetch
    QByteArray page;                  // listeHBL.php
    std::vector<std::string> after;
};

TEST_F(WebDirectoryFetchTest, PeerFetchTakesEveryHttpLinkWithoutItsSlashes) {
    QByteArray many;
    std::vector<std::string> firstThousand;
    for (std::size_t i = 0; i < serverlist::kMaxPeerRows + 5; ++i) {
        const std::string address = "198.18." + std::to_string(i / 250) + "." + std::to_string(i % 250 + 1);
        many += QByteArray::fromStdString("<a href=\"http://" + address + "/\">c</a>");
        if (i < serverlist::kMaxPeerRows) {
            firstThousand.push_back(address);
        }
    }
    const std::string self = kPagesHost.toStdString() + ":" + std::to_string(pages.Port());
    const std::vector<PeerFetchCase> cases = {
        {"the same link twice gives two rows",
         {},
         "<a href=\"http://198.51.100.20/\">a</a><a href=\"http://198.51.100.20/\">a</a>"
         "<a href=\"http://198.51.100.21/\">b</a>",
         {"198.51.100.20", "198.51.100.20", "198.51.100.21"}},
        {"https and other schemes are ignored",
         {},
         "<a href=\"https://198.51.100.22/\">s</a><a href=\"ftp://198.51.100.23/\">f</a>"
         "<a href=\"ed2k://|server|198.51.100.24|4661|/\">e</a><a href=\"mailto:a@b.example\">m</a>"
         "<a href=\"http://198.51.100.25/\">h</a>",
         {"198.51.100.25"}},
        // A relative target is the address a browser gives it: on a page that came over http it
        // is an http:// link like any other.
        {"relative links count as the browser resolves them",
         {},
         "<a href=\"//198.51.100.26/\">scheme-relative</a><a href=\"copies.html\">path</a>",
         {"198.51.100.26", self + "copies.html"}},
        {"the peers of the page replace those before",
         {"198.51.100.27"},
         "<a href=\"http://198.51.100.28/\">h</a>",
         {"198.51.100.28"}},
        {"a page without peers keeps the peers there before",
         {"198.51.100.29"},
         "<p>vide</p>",
         {"198.51.100.29"}},
        {"a full list takes no more", {}, many, firstThousand},
    };
    for (const PeerFetchCase& c : cases) {
        SCOPED_TRACE(c.name);
        pages.Html(QStringLiteral("listeHBL.php"), c.page);
        NewRig();
        for (const std::string& peer : c.before)
            State().Peers().AddPeerRow(peer);
        const qsizetype asked = pages.Requests().size();

        test::ServerListSteps::WebFetchPeers(rig->Window());

        EXPECT_EQ(NewRequests(asked), QStringList{QStringLiteral("/listeHBL.php")});
        EXPECT_EQ(Peers(State().Peers()), c.after);
        EXPECT_TRUE(fetchDoneRaised);
        EXPECT_EQ(rig->Waits().WaitCounter(), 0);
        EXPECT_TRUE(State().Servers().Empty());
    }
}

struct FailingPageCase {
    const char* name;
    void (*serve)(test::PageServer& pages, test::PageServer& other);  // null: nothing listens
    int pageLimitMs;
    std::vector<Row> added;  // rows the page brings after the one there
    const char* error;       // in LastError(); null: the page loaded
};

const QByteArray kLinkPage = ServerLink({"198.51.100.41", "4661"});

TEST_F(WebDirectoryFetchTest, APageThatFailsBringsNoRowAndTheFetchEnds) {
    const std::vector<FailingPageCase> cases = {
        {"a page that never ends is given up after the limit",
         [](test::PageServer& p, test::PageServer&) {
             test::PageServer::Page page;
             page.body = kLinkPage;
             page.neverEnds = true;
             p.Set(QStringLiteral("liste.php"), page);
         },
         700,
         {},
         "no answer within"},
        {"a redirect to another host is followed",
         [](test::PageServer& p, test::PageServer& o) {
             o.Html(QStringLiteral("annuaire/liste.html"), kLinkPage);
             test::PageServer::Page page;
             page.status = 302;
             page.location = o.Url(QStringLiteral("annuaire/liste.html")).toLatin1();
             p.Set(QStringLiteral("liste.php"), page);
         },
         20000,
         {{"198.51.100.41", "4661"}},
         nullptr},
        {"a relative permanent redirect is followed",
         [](test::PageServer& p, test::PageServer&) {
             p.Html(QStringLiteral("nouveau/liste.php"), kLinkPage);
             test::PageServer::Page page;
             page.status = 301;
             page.location = "/nouveau/liste.php";
             p.Set(QStringLiteral("liste.php"), page);
         },
         20000,
         {{"198.51.100.41", "4661"}},
         nullptr},
        {"a 404 page with links yields none",
         [](test::PageServer& p, test::PageServer&) {
             test::PageServer::Page page;
             page.body = kLinkPage;
             page.status = 404;
             p.Set(QStringLiteral("liste.php"), page);
         },
         20000,
         {},
         "liste.php"},
        {"a 500 page with links yields none",
         [](test::PageServer& p, test::PageServer&) {
             test::PageServer::Page page;
             page.body = kLinkPage;
             page.status = 500;
             p.Set(QStringLiteral("liste.php"), page);
         },
         20000,
         {},
         "liste.php"},
        {"a reply that is not HTML yields no links",
         [](test::PageServer& p, test::PageServer&) {
             test::PageServer::Page page;
             page.body = kLinkPage;
             page.contentType = "text/plain";
             p.Set(QStringLiteral("liste.php"), page);
         },
         20000,
         {},
         nullptr},
        {"a server that refuses connections", nullptr, 20000, {}, "liste.php"},
    };
    for (const FailingPageCase& c : cases) {
        SCOPED_TRACE(c.name);
        test::PageServer pagesOfCase(kPagesHost);
        test::PageServer otherOfCase(kOtherHost);
        if (c.serve) {
            c.serve(pagesOfCase, otherOfCase);
        }
        NewRig(c.pageLimitMs, nullptr, c.serve ? pagesOfCase.Url() : ClosedUrl());
        State().Servers().AddServerRow("198.51.100.40", "4661");

        rig->Window().BtnWebFetchClick();

        std::vector<Row> expected = {{"198.51.100.40", "4661"}};
        expected.insert(expected.end(), c.added.begin(), c.added.end());
        EXPECT_EQ(Rows(State().Servers()), expected);
        EXPECT_TRUE(fetchDoneRaised);
        EXPECT_EQ(State().serverCounter, static_cast<int>(expected.size()));
        EXPECT_FALSE(Web().Busy());
        if (c.error) {
            EXPECT_TRUE(Web().LastError().contains(QString::fromLatin1(c.error)))
                << Web().LastError().toStdString();
        } else {
            EXPECT_TRUE(Web().LastError().isEmpty()) << Web().LastError().toStdString();
        }
        if (c.serve) {
            EXPECT_EQ(pagesOfCase.Requests().value(0), QStringLiteral("/liste.php"));
        }
    }
}

}  // namespace
}  // namespace hublane::exchange
