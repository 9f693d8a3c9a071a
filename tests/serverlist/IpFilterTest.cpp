// IP filter lists: every line form, the level rule, skipped lines, merging, look-ups at the edges,
// gzip (whole, broken and oversized) and the real lists.
#include "serverlist/IpFilter.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDir>
#include <random>

#include "support/GzipBytes.h"
#include "support/TestSupport.h"

namespace hublane::serverlist {
namespace {

using ::testing::HasSubstr;

std::uint32_t Ip(std::string_view text) {
    const auto address = IpFilter::ParseAddress(text);
    EXPECT_TRUE(address.has_value()) << text;
    return address.value_or(0);
}

IpRange Range(std::string_view first, std::string_view last) {
    return {Ip(first), Ip(last)};
}

TEST(IpFilterTest, ReadsEachFormAndLooseForm) {
    struct Case {
        std::string_view line;
        IpRange range;
        std::string_view description;
    };
    const Case cases[] = {
        {"1.2.3.0 - 1.2.3.255 , 0 , Some corp", Range("1.2.3.0", "1.2.3.255"), "Some corp"},
        {"001.002.003.000 - 001.002.003.255 , 000 , padded", Range("1.2.3.0", "1.2.3.255"), "padded"},
        {"010.008.009.001-010.008.009.002,100,not octal", Range("10.8.9.1", "10.8.9.2"), "not octal"},
        {"1.2.3.4 - 1.2.3.5 , 10 , A, B: C d ", Range("1.2.3.4", "1.2.3.5"), "A, B: C d"},
        {"1.2.3.4 - 1.2.3.5 , 0", Range("1.2.3.4", "1.2.3.5"), ""},
        {"1.2.3.4 , 3 , one", Range("1.2.3.4", "1.2.3.4"), "one"},
        {"Some org (www.example.org):1.2.3.0-1.2.3.255", Range("1.2.3.0", "1.2.3.255"),
         "Some org (www.example.org)"},
        {"a: b:c:1.2.3.4-1.2.3.4", Range("1.2.3.4", "1.2.3.4"), "a: b:c"},
        {"Foo, Inc.:1.2.3.4-1.2.3.9", Range("1.2.3.4", "1.2.3.9"), "Foo, Inc."},
        {"  spaced  :  1.2.3.4 - 1.2.3.9  ", Range("1.2.3.4", "1.2.3.9"), "spaced"},
        {":1.2.3.4-1.2.3.9", Range("1.2.3.4", "1.2.3.9"), ""},
        {"1.2.3.4", Range("1.2.3.4", "1.2.3.4"), ""},
        {"   01.02.03.004 \t ", Range("1.2.3.4", "1.2.3.4"), ""},
        {"1.2.3.4-1.2.3.9", Range("1.2.3.4", "1.2.3.9"), ""},
        {"1.2.3.4 - 1.2.3.9", Range("1.2.3.4", "1.2.3.9"), ""},
        {"1.2.3.4\xE2\x80\x93"
         "1.2.3.9",
         Range("1.2.3.4", "1.2.3.9"), ""},
        {"193.107.240.0 \xE2\x80\x93 193.107.243.255  ", Range("193.107.240.0", "193.107.243.255"), ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const IpFilterLoad load = IpFilter::Parse(c.line);
        EXPECT_EQ(load.skippedCount, 0u);
        ASSERT_EQ(load.filter.RangeCount(), 1u);
        EXPECT_EQ(load.filter.Ranges()[0], c.range);
        EXPECT_EQ(load.filter.RangeDescription(0), c.description);
    }
}

TEST(IpFilterTest, LevelOf127OrMoreLetsTheRangeThrough) {
    const std::pair<std::string_view, bool> cases[] = {
        {"0", true},      {"126", true},  {"0126", true}, {"127", false},
        {"00127", false}, {"128", false}, {"255", false}, {"99999999999999999999999", false},
    };
    for (const auto& [level, blocks] : cases) {
        SCOPED_TRACE(level);
        const IpFilterLoad load = IpFilter::Parse("1.2.3.4 - 1.2.3.5 , " + std::string(level) + " , x\n");
        EXPECT_EQ(load.filter.Blocked(Ip("1.2.3.4")), blocks);
        EXPECT_EQ(load.blockingLines, blocks ? 1u : 0u);
        EXPECT_EQ(load.passingLines, blocks ? 0u : 1u);
        EXPECT_EQ(load.skippedCount, 0u);
    }
}

TEST(IpFilterTest, SkipsCommentsAndBlankLinesAndReadsCrlf) {
    const IpFilterLoad load = IpFilter::Parse(
        "\xEF\xBB\xBF# a comment\r\n// another, 1.2.3.4\r\n\r\n   \t\r\n  # indented\r\n"
        "1.2.3.4 - 1.2.3.5 , 0 , described \r\n5.6.7.8\r\nlast:9.9.9.9-9.9.9.10");
    EXPECT_EQ(load.lineCount, 8u);
    EXPECT_EQ(load.skippedCount, 0u);
    ASSERT_EQ(load.filter.RangeCount(), 3u);
    EXPECT_EQ(load.filter.Description(std::string_view("1.2.3.5")), "described");
    EXPECT_EQ(load.filter.Description(std::string_view("9.9.9.10")), "last");
    EXPECT_TRUE(load.filter.Blocked("5.6.7.8"));
}

TEST(IpFilterTest, SkippedLinesCarryTheirNumberReasonAndText) {
    const IpFilterLoad load = IpFilter::Parse(
        "1.2.3.4\n"
        "hello\n"
        "1.2.3\n"
        "1.2.3.256\n"
        "1.2.3.4.5\n"
        "1.2.3.4 - \n"
        "1.2.3.4 - 1.2.3.5 , high , x\r\n"
        "1.2.3.4 - 1.2.3.5 , 0 x\n"
        "1.2.3.9-1.2.3.4\n"
        "desc:1.2.3.9-1.2.3.4\n"
        "0001.2.3.4\n"
        "1.2.3.4 -- 1.2.3.5\n"
        "v6:2001:db8::1-2001:db8::2\n"
        "1.2.3.0/24\n"
        "good:5.6.7.8-5.6.7.9\n");
    using enum IpFilterSkip;
    const std::vector<IpFilterSkippedLine> expected = {
        {2, NotARange, "hello"},
        {3, NotARange, "1.2.3"},
        {4, NotARange, "1.2.3.256"},
        {5, NotARange, "1.2.3.4.5"},
        {6, NotARange, "1.2.3.4 - "},
        {7, BadLevel, "1.2.3.4 - 1.2.3.5 , high , x"},
        {8, BadLevel, "1.2.3.4 - 1.2.3.5 , 0 x"},
        {9, ReversedRange, "1.2.3.9-1.2.3.4"},
        {10, ReversedRange, "desc:1.2.3.9-1.2.3.4"},
        {11, NotARange, "0001.2.3.4"},
        {12, NotARange, "1.2.3.4 -- 1.2.3.5"},
        {13, NotARange, "v6:2001:db8::1-2001:db8::2"},
        {14, NotARange, "1.2.3.0/24"},
    };
    EXPECT_EQ(load.skipped, expected);
    EXPECT_EQ(load.skippedCount, expected.size());
    EXPECT_EQ(load.lineCount, 15u);
    EXPECT_EQ(load.filter.Ranges(),
              (std::vector<IpRange>{Range("1.2.3.4", "1.2.3.4"), Range("5.6.7.8", "5.6.7.9")}));
}

TEST(IpFilterTest, KeepsOnlyTheFirstSkippedLinesAndTheirStart) {
    std::string text(500, 'x');
    text += '\n';
    for (std::size_t i = 0; i < IpFilterLoad::kMaxSkippedKept + 4; ++i) {
        text += "bad\n";
    }
    const IpFilterLoad load = IpFilter::Parse(text + "1.2.3.4\n");
    EXPECT_EQ(load.skippedCount, IpFilterLoad::kMaxSkippedKept + 5);
    ASSERT_EQ(load.skipped.size(), IpFilterLoad::kMaxSkippedKept);
    EXPECT_EQ(load.skipped[0].text, std::string(IpFilterLoad::kMaxSkippedText, 'x'));
    EXPECT_EQ(load.skipped.back().number, IpFilterLoad::kMaxSkippedKept);
    EXPECT_TRUE(load.filter.Blocked("1.2.3.4"));
}

TEST(IpFilterTest, MergesOverlapsAndDuplicatesKeepingTheFirstDescription) {
    const IpFilterLoad load = IpFilter::Parse(
        "first:10.0.0.0-10.0.0.255\n"
        "dup:10.0.0.0-10.0.0.255\n"
        "inside:10.0.0.5-10.0.0.6\n"
        "overlap:10.0.0.200-10.0.1.10\n"
        "touching:10.0.1.11-10.0.1.20\n"
        "starts before:9.255.255.250-10.0.0.0\n"
        "apart:20.0.0.0-20.0.0.0\n"
        "20.0.0.0 - 20.0.0.0 , 0 , apart again\n");
    EXPECT_EQ(load.blockingLines, 8u);
    EXPECT_EQ(load.filter.Ranges(),
              (std::vector<IpRange>{Range("9.255.255.250", "10.0.1.10"), Range("10.0.1.11", "10.0.1.20"),
                                    Range("20.0.0.0", "20.0.0.0")}));
    EXPECT_EQ(load.filter.RangeDescription(0), "first");
    EXPECT_EQ(load.filter.RangeDescription(1), "touching");
    EXPECT_EQ(load.filter.RangeDescription(2), "apart");
    EXPECT_EQ(load.filter.Description(Ip("9.255.255.251")), "first");
    EXPECT_EQ(load.filter.AddressCount(), 6u + 256u + 11u + 10u + 1u);

    const IpFilterLoad all =
        IpFilter::Parse("a:1.0.0.0-1.0.0.9\nall:0.0.0.0-255.255.255.255\nb:255.0.0.0-255.0.0.1\n");
    EXPECT_EQ(all.filter.RangeCount(), 1u);
    EXPECT_EQ(all.filter.AddressCount(), std::uint64_t{1} << 32);
    EXPECT_EQ(all.filter.Description(std::string_view("255.255.255.255")), "a");
}

TEST(IpFilterTest, LooksUpTheEdgesOfRanges) {
    const IpFilter filter = IpFilter::Parse(
                                "low:0.0.0.0-0.0.0.10\none:1.2.3.4\nmid:10.0.0.0-10.0.0.255\n"
                                "high:255.255.255.250-255.255.255.255\n")
                                .filter;
    const std::pair<std::string_view, bool> cases[] = {
        {"0.0.0.0", true},         {"0.0.0.10", true},         {"0.0.0.11", false},
        {"1.2.3.3", false},        {"1.2.3.4", true},          {"1.2.3.5", false},
        {"9.255.255.255", false},  {"10.0.0.0", true},         {"10.0.0.255", true},
        {"10.0.1.0", false},       {"255.255.255.249", false}, {"255.255.255.250", true},
        {"255.255.255.255", true}, {"01.002.003.004", true},   {" 1.2.3.4", false},
        {"1.2.3.4 ", false},       {"1.2.3", false},           {"", false},
        {"1.2.3.4.5", false},      {"host.example", false},
    };
    for (const auto& [text, blocked] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(filter.Blocked(text), blocked);
        EXPECT_EQ(filter.Description(text).has_value(), blocked);
    }
    const IpFilter empty;
    EXPECT_FALSE(empty.Blocked(0u) || empty.Blocked(0xFFFFFFFFu) || empty.Description(0u));
}

TEST(IpFilterTest, AgreesWithAPlainScanOverRandomRanges) {
    std::mt19937 rng(2024);
    std::vector<IpRange> raw;
    std::string text;
    for (int i = 0; i < 400; ++i) {
        const std::uint32_t first = rng() % 5000;
        const std::uint32_t last = first + rng() % (i % 3 == 0 ? 200 : 3);
        raw.push_back({first, last});
        text += IpFilter::FormatAddress(first) + " - " + IpFilter::FormatAddress(last) + " , 0 , r" +
                std::to_string(i) + "\n";
    }
    const IpFilter filter = IpFilter::Parse(text).filter;
    std::uint64_t covered = 0;
    for (std::uint32_t a = 0; a < 5300; ++a) {
        int firstLine = -1;
        for (std::size_t i = 0; i < raw.size() && firstLine < 0; ++i) {
            if (raw[i].first <= a && a <= raw[i].last) {
                firstLine = static_cast<int>(i);
            }
        }
        covered += firstLine >= 0 ? 1 : 0;
        ASSERT_EQ(filter.Blocked(a), firstLine >= 0) << a;
    }
    EXPECT_EQ(filter.AddressCount(), covered);
    for (std::size_t i = 1; i < filter.RangeCount(); ++i) {
        ASSERT_GT(filter.Ranges()[i].first, filter.Ranges()[i - 1].last);
    }
}

TEST(IpFilterTest, ReadsGzipCompressedLists) {
    const std::string text = "a:1.2.3.0-1.2.3.255\n5.6.7.8 - 5.6.7.9 , 0 , b\nbad\n";
    const IpFilterLoad plain = IpFilter::Parse(text);
    const IpFilterLoad gz = IpFilter::Parse(test::Gzip(text));
    EXPECT_TRUE(gz.gzip);
    EXPECT_FALSE(gz.Failed()) << gz.error;
    EXPECT_EQ(gz.filter.Ranges(), plain.filter.Ranges());
    EXPECT_EQ(gz.skipped, plain.skipped);
    // Two members one after the other read as one text.
    const IpFilterLoad two = IpFilter::Parse(test::Gzip("1.1.1.1\n") + test::Gzip("2.2.2.2\n"));
    EXPECT_EQ(two.filter.RangeCount(), 2u) << two.error;
}

TEST(IpFilterTest, BrokenGzipFailsClearlyAndLoadsNothing) {
    const std::string gz = test::Gzip(std::string(2000, ' ') + "1.2.3.4\n");
    std::string badBlock = gz;
    badBlock[10] = static_cast<char>(badBlock[10] | 0x06);  // the first block's type: reserved
    std::string badCheck = gz;
    badCheck[gz.size() - 6] = static_cast<char>(badCheck[gz.size() - 6] ^ 1);  // in the CRC
    const std::pair<std::string, std::string_view> cases[] = {
        {gz.substr(0, gz.size() - 1), "truncated"},
        {gz.substr(0, gz.size() / 2), "truncated"},
        {gz.substr(0, 10), "truncated"},
        {"\x1F\x8B", "truncated"},
        {badBlock, "corrupt"},
        {badCheck, "corrupt"},
        {"\x1F\x8B\x07garbage", "corrupt"},
        {gz + "trailing", "not gzip"},
    };
    for (const auto& [bytes, reason] : cases) {
        SCOPED_TRACE(std::to_string(bytes.size()) + " bytes, " + std::string(reason));
        const IpFilterLoad load = IpFilter::Parse(bytes);
        EXPECT_TRUE(load.Failed());
        EXPECT_THAT(load.error, HasSubstr(reason));
        EXPECT_TRUE(load.filter.Empty());
    }
}

TEST(IpFilterTest, GzipThatInflatesPastTheCapIsRefused) {
    const std::string line = "1.2.3.4\n";
    const std::size_t cap = std::size_t{1} << 20;
    const IpFilterLoad atCap = IpFilter::Parse(test::Gzip(line, cap / line.size()), cap);
    EXPECT_FALSE(atCap.Failed()) << atCap.error;
    EXPECT_EQ(atCap.filter.RangeCount(), 1u);
    const IpFilterLoad over = IpFilter::Parse(test::Gzip(line + "\n", cap / line.size()), cap);
    EXPECT_THAT(over.error, HasSubstr("more than 1048576 bytes"));
    // The default cap: 64 MiB of spaces compress to about 64 KiB.
    const IpFilterLoad bomb = IpFilter::Parse(test::Gzip(std::string(std::size_t{1} << 20, ' '), 65));
    EXPECT_THAT(bomb.error, HasSubstr("more than 67108864 bytes"));
}

TEST(IpFilterTest, ReadsTheRealLists) {
    const QString dir = test::RealDataDir();
    if (dir.isEmpty()) {
        GTEST_SKIP() << "no real data folder";
    }
    struct Case {
        const char* file;
        std::size_t lines;
        std::size_t ranges;
        std::uint64_t addresses;
        std::vector<std::pair<std::string_view, std::optional<std::string>>> lookups;
    };
    const Case cases[] = {
        {"vizv__ipfilter__ipfilter.dat",
         29665,
         29665,
         491493,
         {{"1.180.24.0", ""},
          {"1.180.25.255", ""},
          {"1.180.23.255", {}},
          {"1.180.26.0", {}},
          {"223.255.241.132", ""},
          {"223.255.241.133", {}},
          {"0.0.0.0", {}},
          {"255.255.255.255", {}}}},
        {"Deltawin__Peerblock__ipfilter.dat",
         267,
         81,
         56072,
         {{"5.23.42.12", ""},
          {"5.23.42.15", ""},
          {"5.23.42.11", {}},
          {"5.23.42.16", {}},
          {"193.105.197.0", ""},
          {"193.105.197.255", ""},
          {"193.105.196.255", {}},
          {"212.200.44.255", ""},
          {"212.200.45.0", {}},
          {"109.201.137.176", ""},
          {"130.117.116.0", {}}}},
        {"phrocker__MusicBlastFromThePast__guarding.p2p",
         3408,
         3408,
         395100800,
         {{"0.0.0.0", "invalid ips"},
          {"0.255.255.255", "invalid ips"},
          {"1.0.0.0", {}},
          {"4.0.38.34", "s0.micromend.bbnplanet.net"},
          {"4.0.38.36", "s0.micromend.bbnplanet.net"},
          {"4.0.38.37", {}},
          {"24.117.173.46", "cableonenet"},
          {"24.117.173.47", {}},
          {"24.117.173.48", "cableonenet2"},
          {"239.255.255.255", {}},
          {"255.255.255.255", "Internet Assigned Numbers Authority (being spoofed)"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const QByteArray bytes =
            test::ReadWholeFile(QDir(dir).filePath(QStringLiteral("ipfilter/") + QLatin1String(c.file)));
        const std::string text(bytes.constData(), static_cast<std::size_t>(bytes.size()));
        const IpFilterLoad load = IpFilter::Parse(text);
        EXPECT_EQ(load.lineCount, c.lines);
        EXPECT_EQ(load.blockingLines, c.lines);
        EXPECT_EQ(load.skippedCount, 0u);
        EXPECT_EQ(load.filter.RangeCount(), c.ranges);
        EXPECT_EQ(load.filter.AddressCount(), c.addresses);
        for (const auto& [address, description] : c.lookups) {
            EXPECT_EQ(load.filter.Description(address), description) << address;
        }
        const IpFilterLoad gz = IpFilter::Parse(test::Gzip(text));
        EXPECT_EQ(gz.filter.Ranges(), load.filter.Ranges());
    }
}

}  // namespace
}  // namespace hublane::serverlist
