// The one escape codec, in each text format that uses it: what each escape stands for, what an
// unknown one means, and that escaping always reads back.
#include "text/Escapes.h"

#include <gtest/gtest.h>

namespace hublane::text {
namespace {

TEST(EscapesTest, EachFormatReadsItsOwnEscapes) {
    struct Case {
        const char* name;
        const EscapeSet* set;
        std::string_view in;
        UnknownEscape unknown;
        std::optional<std::string> out;
    };
    using std::string_literals::operator""s;
    const Case cases[] = {
        {"line", &kLineEscapes, "a\\tb\\\\c\\r\\n", UnknownEscape::Fail, "a\tb\\c\r\n"},
        {"line strict unknown", &kLineEscapes, "a\\qb", UnknownEscape::Fail, std::nullopt},
        {"line lenient unknown", &kLineEscapes, "a\\qb", UnknownEscape::Keep, "a\\qb"},
        {"line strict final backslash", &kLineEscapes, "end\\", UnknownEscape::Fail, std::nullopt},
        {"line lenient final backslash", &kLineEscapes, "end\\", UnknownEscape::Keep, "end\\"},
        {"line has no hex", &kLineEscapes, "\\x1B", UnknownEscape::Keep, "\\x1B"},
        {"field hex", &kFieldEscapes, "a\\x1Bb\\x00c", UnknownEscape::Keep,
         "a\x1B"
         "b\0c"s},
        {"field short hex kept", &kFieldEscapes, "a\\x1", UnknownEscape::Keep, "a\\x1"},
        {"field bad hex kept", &kFieldEscapes, "\\xZZ", UnknownEscape::Keep, "\\xZZ"},
        {"quoted", &kQuotedEscapes, "say \\\"hi\\\"\\n", UnknownEscape::Fail, "say \"hi\"\n"},
        {"quoted has no tab", &kQuotedEscapes, "\\t", UnknownEscape::Fail, std::nullopt},
        {"desktop", &kDesktopEscapes, "a\\sb\\;c\\q", UnknownEscape::Keep, "a b;c\\q"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Unescape(c.in, *c.set, c.unknown), c.out);
    }
}

TEST(EscapesTest, EscapingReadsBackAndLeavesNoControlByteInAField) {
    std::string every;
    for (int b = 0; b < 256; ++b)
        every.push_back(static_cast<char>(b));
    for (const EscapeSet* set : {&kLineEscapes, &kFieldEscapes, &kQuotedEscapes, &kDesktopEscapes}) {
        EXPECT_EQ(Unescape(Escape(every, *set), *set, UnknownEscape::Fail),
                  std::optional<std::string>(every));
    }
    const std::string field = Escape(every, kFieldEscapes);
    for (const char c : field) {
        const auto b = static_cast<unsigned char>(c);
        EXPECT_FALSE(b < 0x20 || b == 0x7F) << "control byte " << int(b) << " left in a field";
    }
    EXPECT_EQ(Escape("\x1B]0;title\x07", kFieldEscapes), "\\x1B]0;title\\x07");
}

}  // namespace
}  // namespace hublane::text
