// The link targets of pages as a browser's links collection gives them: the elements that count,
// document order, broken markup, and references resolved against the page's address.
#include "exchange/HtmlLinks.h"

#include <gtest/gtest.h>

#include <string_view>

#include "support/TestSupport.h"

namespace hublane::exchange {
namespace {

using Links = std::vector<std::string>;

TEST(HtmlLinksTest, AnchorsAndAreasWithAnHrefInDocumentOrder) {
    const char* page = R"(<html><body>
<a href="ed2k://|server|198.51.100.20|4661|/">One</a>
<a name="no-href">x</a><link href="style.css"><img src="a.png">
<map><area href="ed2k://|server|198.51.100.21|4242|/"></map>
<A HREF = ' http://198.51.100.7/ '>Peer</A>
<p><a href="ed2k://|file|song.mp3|123|abc|/">file</a></body></html>)";
    EXPECT_EQ(LinkTargets(page, "http://dir.example/liste.php"),
              (Links{"ed2k://|server|198.51.100.20|4661|/", "ed2k://|server|198.51.100.21|4242|/",
                     "http://198.51.100.7/", "ed2k://|file|song.mp3|123|abc|/"}));
}

TEST(HtmlLinksTest, BrokenMarkupAndAFragmentParseAsABrowserParsesThem) {
    // A fragment as the real list pages are: no html, head or body; unclosed tags; entities.
    const char* page =
        "01<a href=\"ed2k://|server|1.2.3.4|4661|/\">A & B</a><br>\n"
        "02<a href=ed2k://|server|5.6.7.8|4242|/>unquoted<br>\n"
        "<a href=\"http://x/?a=1&amp;b=2\">amp</a><table><a href=\"ed2k://|server|9.9.9.9|1|/\">";
    EXPECT_EQ(LinkTargets(page, "http://dir.example/"),
              (Links{"ed2k://|server|1.2.3.4|4661|/", "ed2k://|server|5.6.7.8|4242|/", "http://x/?a=1&b=2",
                     "ed2k://|server|9.9.9.9|1|/"}));
}

TEST(HtmlLinksTest, TabsAndLineBreaksInsideATargetAreDroppedAsABrowserDrops) {
    struct Case {
        const char* page;
        Links targets;
    };
    for (const Case& c : {
             // A link wrapped over two lines is still the server's link.
             Case{"<a href='ed2k://|server|198.51.100.20|46\n61|/'>",
                  {"ed2k://|server|198.51.100.20|4661|/"}},
             Case{"<a href='ed2k://|server|198.51.\r\n100.21|4242|/'>",
                  {"ed2k://|server|198.51.100.21|4242|/"}},
             Case{"<a href='ht\ttp://198.51.100.7/'>", {"http://198.51.100.7/"}},
             Case{"<a href=' \tother\n.php\n'>", {"http://dir.example/a/other.php"}},
             // The base too: its dot segments are those of the text without the line break.
             Case{"<base href='../b/.\n.'><a href='x.php'>", {"http://dir.example/x.php"}},
             Case{"<base href='s\nub/'><a href=''>", {"http://dir.example/a/sub/"}},
         }) {
        EXPECT_EQ(LinkTargets(c.page, "http://dir.example/a/liste.php"), c.targets) << c.page;
    }
}

TEST(HtmlLinksTest, RelativeTargetsResolveAgainstThePageOrItsBase) {
    struct Case {
        const char* base;
        const char* reference;
        const char* resolved;
    };
    const Case cases[] = {
        {"http://dir.example/a/liste.php", "other.php", "http://dir.example/a/other.php"},
        {"http://dir.example/a/liste.php", "/root.php", "http://dir.example/root.php"},
        {"http://dir.example/a/b/liste.php", "../up.php", "http://dir.example/a/up.php"},
        {"http://dir.example/a/liste.php", "./x/../y", "http://dir.example/a/y"},
        {"http://dir.example/a/liste.php?q=1", "?r=2", "http://dir.example/a/liste.php?r=2"},
        {"http://dir.example/a/liste.php", "#frag", "http://dir.example/a/liste.php#frag"},
        {"http://dir.example/a/liste.php", "//other.example/p", "http://other.example/p"},
        {"http://dir.example", "p.php", "http://dir.example/p.php"},
        {"http://dir.example/", "", "http://dir.example/"},
        {"http://dir.example/a/", "ed2k://|server|1.2.3.4|4661|/", "ed2k://|server|1.2.3.4|4661|/"},
        {"http://dir.example/a/", "HTTP://Peer/", "HTTP://Peer/"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.base) + " + " + c.reference);
        EXPECT_EQ(ResolveReference(c.base, c.reference), c.resolved);
    }
    EXPECT_EQ(
        LinkTargets("<base href='http://elsewhere.example/d/'><a href='x.php'>x</a>", "http://dir.example/"),
        Links{"http://elsewhere.example/d/x.php"});
}

TEST(HtmlLinksTest, HostileInputNeitherCrashesNorTakesTheParserMinutes) {
    // Deep but plausible: parsed. A hundred thousand nested elements: refused at once, no links.
    const auto nested = [](int levels) {
        std::string page;
        for (int i = 0; i < levels; ++i)
            page += "<div>";
        return page + "<a href='deep.php'>";
    };
    EXPECT_EQ(LinkTargets(nested(1500), "http://d/"), Links{"http://d/deep.php"});
    EXPECT_TRUE(LinkTargets(nested(100000), "http://d/").empty());
    // Many siblings and void elements are not nesting.
    std::string wide;
    for (int i = 0; i < 20000; ++i)
        wide += "<p><br><img src=x><a href='s.php'>s</a></p>";
    EXPECT_EQ(LinkTargets(wide, "http://d/").size(), 20000u);
    EXPECT_TRUE(LinkTargets(std::string("\0\xff\xfe<a", 5), "http://d/").empty());
    EXPECT_TRUE(LinkTargets("", "").empty());
}

TEST(HtmlLinksTest, APageThatHidesItsNestingOrFloodsATagIsRefused) {
    const auto repeat = [](std::string_view part, int times) {
        std::string page;
        for (int i = 0; i < times; ++i)
            page += part;
        return page + "<a href='x'>";
    };
    // Each nests 3,000 elements deep as the parser builds it: end tags that close nothing, "/>"
    // (which closes nothing in HTML), end tags inside attribute values, comments, script text,
    // and one that cannot close past the element above.
    for (const std::string& page : {
             repeat("<div></x>", 3000),
             repeat("<div/>", 3000),
             repeat("<div title='</div>'>", 3000),
             repeat("<div><!--</div>-->", 3000),
             repeat("<div><script><!--<script></script></div></script>", 3000),
             repeat("<span><div></span>", 1500),
         }) {
        EXPECT_TRUE(LinkTargets(page, "http://d/").empty()) << page.substr(0, 60);
    }
    // The same number of elements closed as they come is parsed.
    EXPECT_EQ(LinkTargets(repeat("<div><span></span></div>", 3000), "http://d/"), Links{"http://d/x"});

    std::string attributes;
    for (int i = 0; i < 65; ++i)
        attributes += " a" + std::to_string(i);
    EXPECT_TRUE(LinkTargets("<p" + attributes + "><a href='x'>", "http://d/").empty());
    EXPECT_EQ(LinkTargets("<p" + attributes.substr(0, attributes.rfind(' ')) + "><a href='x'>", "http://d/"),
              Links{"http://d/x"});
}

TEST(HtmlLinksTest, APageOfTagsThatNeverCloseIsRefusedAtOnce) {
    // The largest page the loader keeps, four million start tags and not one ">": looking for the
    // end of each tag from where it starts read the rest of the page four million times.
    std::string unclosed;
    for (std::size_t i = 0; i < 4 * 1024 * 1024; ++i)
        unclosed += "<a";
    EXPECT_TRUE(LinkTargets(unclosed, "http://d/").empty());
}

}  // namespace
}  // namespace hublane::exchange
