// A page's nesting and the attributes of its tags as estimated before it is parsed: plain pages
// come out as deep as they are, the ways markup hides its depth from a naive count do not lower
// the estimate, and no element can end up with more attributes than counted.
#include "exchange/PageShape.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace hublane::exchange {
namespace {

constexpr std::size_t kNoLimit = std::numeric_limits<std::size_t>::max() - 1;

std::string Repeat(std::string_view part, int times) {
    std::string out;
    for (int i = 0; i < times; ++i)
        out += part;
    return out;
}

TEST(PageShapeTest, NestingOfPlainPagesIsTheirDepth) {
    struct Case {
        std::string html;
        std::size_t nesting;
    };
    for (const Case& c : {
             Case{"", 0}, Case{"text only", 0}, Case{"<p>text</p>", 1},
             Case{"<ul><li><a href=x>y</a></li><li><a>z</a></li></ul>", 3},
             Case{"<br><img src=x><hr/><meta charset=utf-8><IMG SRC=y>", 0},
             Case{"<!DOCTYPE html><html><head><title>T</title></head><body><p>x</p></body></html>", 4},
             Case{Repeat("<li><a href=x>s</a></li>", 5000), 2},
             Case{"<p a='>' b=\"<div>\">x</p><p>", 1},  // markup inside values is text
             Case{"<!-- <div><div> --><p>", 1},         // and inside comments
             Case{"<title><div><div></title><p>", 1},   // and in the text of title
             Case{"<script>if (a<b) x('<div>');</script>", 1}, Case{"a < b > c <3 </> <? x ?>", 0},
             Case{"<div", 0},  // the page ends inside the tag: the parser drops it
         }) {
        EXPECT_EQ(EstimatedNesting(c.html, kNoLimit), c.nesting) << c.html.substr(0, 80);
    }
}

TEST(PageShapeTest, MarkupThatHidesItsDepthDoesNotLowerTheEstimate) {
    // Each repetition leaves at least one more element open in the parser.
    struct Case {
        const char* part;
        std::size_t atLeast;
    };
    for (const Case& c : {
             Case{"<div></x>", 10},                   // an end tag that closes nothing
             Case{"<div/>", 10},                      // "/>" closes nothing in HTML
             Case{"<div title='</div>'>", 10},        // an end tag inside a value
             Case{"<div><!--</div>-->", 10},          // inside a comment
             Case{"<div><?</div>", 10},               // inside a bogus comment
             Case{"<div><style></div></style>", 10},  // inside the text of style
             Case{"<div><script><!--<script></script></div></script>", 10},
             Case{"<span><div></span>", 20},    // cannot close past the div
             Case{"<form><span></form>", 20},   // closes the form alone, not the span
             Case{"<div><b id=x></div>t", 10},  // b is opened again after the div
             Case{"<body><span></body>", 10},   // the end of body closes nothing
         }) {
        EXPECT_GE(EstimatedNesting(Repeat(c.part, 10), kNoLimit), c.atLeast) << c.part;
    }
}

TEST(PageShapeTest, CountingStopsPastTheLimit) {
    EXPECT_EQ(EstimatedNesting(Repeat("<div>", 5000), 2000), 2001u);
    EXPECT_EQ(EstimatedNesting(Repeat("<div>", 2000), 2000), 2000u);
    std::string tag = "<p";
    for (int i = 0; i < 1000; ++i)
        tag += " a" + std::to_string(i);
    EXPECT_EQ(MostAttributes(tag + ">", 64), 65u);
    EXPECT_EQ(MostAttributes(tag + ">", kNoLimit), 1000u);
}

TEST(PageShapeTest, AttributesAreCountedAsTheTokenizerReadsThem) {
    struct Case {
        std::string html;
        std::size_t attributes;
    };
    for (const Case& c : {
             Case{"", 0},
             Case{"<p>", 0},
             Case{"<a href=x>", 1},
             Case{"<p a b c>", 3},
             Case{"<p a=1 b='2' c=\"3\">", 3},
             Case{"<p a='>' b c>", 3},  // a quoted ">" does not end the tag
             Case{"<p a=1b=2>", 1},     // one unquoted value
             Case{"<p a='1'b='2'>", 2},
             Case{"<p/a/b>", 2},
             Case{"</p a b>", 2},       // end tags carry them too
             Case{"a < b c d e >", 0},  // no tag
             Case{"<p a b", 2},         // cut short
             Case{"<p =a>", 1},
             // The html and body elements gather the attributes of all their start tags.
             Case{"<html a><html b><HTML c><html d>", 4},
             Case{"<body a b><p c><body d e>", 4},
             Case{"</html a b></html c d>", 2},
             Case{"<htmlx a b><htmlx c>", 2},
             // Wherever a tag may start: a comment could end before the second tag, leaving its
             // quote unmatched, and the second tag's attributes are counted all the same.
             Case{"<!-- <p a=\"--><g b=\">\" d1 d2 d3>", 4},
         }) {
        EXPECT_EQ(MostAttributes(c.html, kNoLimit), c.attributes) << c.html;
    }
}

}  // namespace
}  // namespace hublane::exchange
