// The server.met codec: exact bytes written, every read failure, files made by other programs,
// rows that cannot be encoded, and round trips.
#include "clients/ServerMetCodec.h"

#include <gtest/gtest.h>

#include "support/Hex.h"

namespace hublane::clients {
using serverlist::Column;
using serverlist::kSubItemCount;
using serverlist::ListReadResult;
using serverlist::PlainGauge;
using serverlist::ServerRow;
using serverlist::ServerTable;
namespace {

using test::Hex;
using namespace std::string_literals;

// A gauge that also counts its steps.
class CountingGauge : public PlainGauge {
  public:
    void SetPosition(int position) override {
        if (position == Position() + 1) {
            ++steps;
        }
        PlainGauge::SetPosition(position);
    }
    int steps = 0;
};

std::string Le16(std::uint16_t v) {
    return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
}
std::string Le32(std::uint32_t v) {
    return {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF),
            static_cast<char>((v >> 16) & 0xFF), static_cast<char>(v >> 24)};
}
std::string TextTag(std::string_view name, std::string_view value) {
    return "\x02" + Le16(static_cast<std::uint16_t>(name.size())) + std::string(name) +
           Le16(static_cast<std::uint16_t>(value.size())) + std::string(value);
}
std::string IntTag(std::string_view name, std::uint32_t value) {
    return "\x03" + Le16(static_cast<std::uint16_t>(name.size())) + std::string(name) + Le32(value);
}
std::string Entry(std::string_view ip4, std::uint16_t port, std::int32_t tagCount, const std::string& tags) {
    return std::string(ip4) + Le16(port) + Le32(static_cast<std::uint32_t>(tagCount)) + tags;
}
std::string File(std::int32_t count, const std::string& entries) {
    return "\x0E" + Le32(static_cast<std::uint32_t>(count)) + entries;
}

ServerTable Decode(const std::string& bytes, ListReadResult* result = nullptr) {
    ServerTable table;
    PlainGauge gauge;
    const ListReadResult r = DecodeServerMet(bytes, table, gauge);
    if (result != nullptr) {
        *result = r;
    }
    return table;
}

std::string Encode(const ServerTable& table) {
    PlainGauge gauge;
    return EncodeServerMet(table, gauge);
}

TEST(ServerMetCodec, WritesTheDocumentedEntryByteForByte) {
    ServerTable table;
    table.AddServerRow("1.2.3.4", "4661", "n/a", "n/a", "A");
    EXPECT_EQ(Encode(table), Hex("0E 01 00 00 00"
                                 "01 02 03 04 35 12 05 00 00 00 02 01 00 01 01 00 41 03 01 00 0C 64 00 00 00"
                                 "03 01 00 0E 01 00 00 00 03 01 00 10 01 02 03 04 03 01 00 0F 35 12 00 00"));
}

TEST(ServerMetCodec, EmptyTableIsHeaderAndZeroCount) {
    EXPECT_EQ(Encode(ServerTable{}), Hex("0E 00 00 00 00"));
}

TEST(ServerMetCodec, FullRowHasEightTagsInFixedOrder) {
    ServerTable table;
    table.AddServerRow("200.1.2.255", "80", "7", "4294967295", "N", "D", "home is not written");
    const std::string expected =
        File(1, Entry("\xC8\x01\x02\xFF", 80, 8,
                      TextTag("\x01", "N") + TextTag("\x0B", "D") + IntTag("\x0C", 100) + IntTag("\x0E", 1) +
                          "\x03\x01\x00\x10\xC8\x01\x02\xFF"s + IntTag("\x0F", 80) + IntTag("users", 7) +
                          IntTag("files", 0xFFFFFFFF)));
    EXPECT_EQ(Encode(table), expected);
}

TEST(ServerMetCodec, ReadsEntriesWithTheirTagsAndUnknownLeftAsNa) {
    const std::string bytes =
        File(2, Entry("\x01\x02\x03\x04", 4661, 5,
                      TextTag("\x01", "Name") + TextTag("\x0B", "Desc") + IntTag("users", 12) +
                          IntTag("files", 0xFFFFFFFE) + IntTag("\x0C", 55)) +
                    Entry("\xFF\x00\x0A\x64"s, 65535, 0, ""));
    ListReadResult result;
    const ServerTable table = Decode(bytes, &result);
    ASSERT_TRUE(result.Ok());
    ASSERT_EQ(table.Count(), 2u);
    const ServerRow& a = table.Row(0);
    EXPECT_EQ(a.caption, "1.2.3.4");
    EXPECT_EQ(a.subItems,
              (std::array<std::string, kSubItemCount>{"4661", "12", "-2", "Name", "Desc", "n/a"}));
    EXPECT_FALSE(a.answered);
    EXPECT_EQ(table.Row(1).caption, "255.0.10.100");
    EXPECT_EQ(table.Row(1).subItems,
              (std::array<std::string, kSubItemCount>{"65535", "n/a", "n/a", "n/a", "n/a", "n/a"}));
}

TEST(ServerMetCodec, FirstEntryOfAnAddressWins) {
    const std::string bytes = File(2, Entry("\x01\x02\x03\x04", 4661, 1, TextTag("\x01", "first")) +
                                          Entry("\x01\x02\x03\x04", 4242, 1, TextTag("\x01", "second")));
    const ServerTable table = Decode(bytes);
    ASSERT_EQ(table.Count(), 1u);
    EXPECT_EQ(table.Row(0).Sub(Column::Port), "4661");
    EXPECT_EQ(table.Row(0).Sub(Column::Name), "first");
}

TEST(ServerMetCodec, SkipsTagsOfOtherProgramsAndComparesNamesByteForByte) {
    // Tags other clients write: other ids, other integer names, "Users" with a capital, a text
    // tag with a long name, the client's own port and IP tags.
    const std::string tags = IntTag("Users", 5) + IntTag("maxusers", 9000) + TextTag("country", "md") +
                             TextTag("\x91", "17.0") + IntTag("\x87", 1) + IntTag("users", 0) +
                             IntTag("\x0F", 1234) + IntTag("\x10", 0x04030201) + IntTag("FILES", 3) +
                             TextTag("\x01\x00"s, "two-byte name is not the name id") + IntTag("files", 8);
    ListReadResult result;
    const ServerTable table = Decode(File(1, Entry("\x01\x02\x03\x04", 9, 11, tags)), &result);
    ASSERT_TRUE(result.Ok());
    ASSERT_EQ(table.Count(), 1u);
    EXPECT_EQ(table.Row(0).subItems,
              (std::array<std::string, kSubItemCount>{"9", "n/a", "8", "n/a", "n/a", "n/a"}));
}

TEST(ServerMetCodec, KeepsHighBytesAndCutsTextsAtAZeroByte) {
    const std::string tags = TextTag("\x01", std::string("caf\xE9 \xEF\xBB\xBF\xF0\x9F\x91\xBD", 11)) +
                             TextTag("\x0B", std::string("before\0after", 12)) +
                             IntTag(std::string("users\0junk", 10), 42);
    const ServerTable table = Decode(File(1, Entry("\x01\x02\x03\x04", 9, 3, tags)));
    ASSERT_EQ(table.Count(), 1u);
    EXPECT_EQ(table.Row(0).Sub(Column::Name), std::string("caf\xE9 \xEF\xBB\xBF\xF0\x9F\x91\xBD", 11));
    EXPECT_EQ(table.Row(0).Sub(Column::Description), "before");
    EXPECT_EQ(table.Row(0).Sub(Column::Users), "42");
}

TEST(ServerMetCodec, EmptyTextTagIsKeptAsEmptyText) {
    const ServerTable table = Decode(File(1, Entry("\x01\x02\x03\x04", 9, 1, TextTag("\x01", ""))));
    ASSERT_EQ(table.Count(), 1u);
    EXPECT_EQ(table.Row(0).Sub(Column::Name), "");
}

TEST(ServerMetCodec, NegativeCountsReadNothing) {
    ListReadResult result;
    EXPECT_EQ(Decode(File(-1, Entry("\x01\x02\x03\x04", 9, 0, "")), &result).Count(), 0u);
    EXPECT_TRUE(result.Ok());
    // A negative tag count reads no tag: the next bytes are the next entry.
    const ServerTable table =
        Decode(File(2, Entry("\x01\x02\x03\x04", 9, -5, "") + Entry("\x05\x06\x07\x08", 10, 0, "")), &result);
    EXPECT_TRUE(result.Ok());
    EXPECT_EQ(table.Count(), 2u);
}

TEST(ServerMetCodec, LongestAcceptedTextIs4095Bytes) {
    const std::string longest(4095, 'x');
    ListReadResult result;
    const ServerTable table =
        Decode(File(1, Entry("\x01\x02\x03\x04", 9, 1, TextTag("\x01", longest))), &result);
    ASSERT_TRUE(result.Ok());
    EXPECT_EQ(table.Row(0).Sub(Column::Name), longest);
}

struct FailureCase {
    const char* what;
    std::string bytes;
    int text;
    std::string suffix;
    std::size_t rowsKept;
    int gaugePosition = -1;  // where the gauge is left; -1: one step per entry begun
};

// One good entry, then the damaged one.
std::string AfterGoodEntry(std::int32_t count, const std::string& rest) {
    return File(count, Entry("\x09\x09\x09\x09", 1, 1, TextTag("\x01", "ok")) + rest);
}

class ServerMetFailure : public ::testing::TestWithParam<FailureCase> {};

TEST_P(ServerMetFailure, StopsWithTheTextAndKeepsEarlierRows) {
    const FailureCase& c = GetParam();
    ServerTable table;
    PlainGauge gauge;
    gauge.SetMax(77);
    gauge.SetPosition(33);
    const ListReadResult result = DecodeServerMet(c.bytes, table, gauge);
    EXPECT_EQ(result.errorText, c.text);
    EXPECT_EQ(result.suffix, c.suffix);
    EXPECT_EQ(table.Count(), c.rowsKept);
    if (c.rowsKept > 0) {
        EXPECT_EQ(table.Row(0).caption, "9.9.9.9");
    }
    // The gauge stays where the failure left it.
    EXPECT_EQ(gauge.Position(), c.gaugePosition >= 0 ? c.gaugePosition : static_cast<int>(c.rowsKept) + 1);
}

const std::string kAddr = "\x01\x02\x03\x04";

INSTANTIATE_TEST_SUITE_P(
    AllFailures, ServerMetFailure,
    ::testing::Values(
        FailureCase{"EmptyFile", "", 2, "", 0, 33},
        FailureCase{"OtherHeader", Hex("E0 00 00 00 00"), 3, "14", 0, 33},
        FailureCase{"PeerListHeader", Hex("1E 00 00 00 00"), 3, "14", 0, 33},
        FailureCase{"CountCut", Hex("0E 01 00 00"), 4, "", 0, 33},
        FailureCase{"ThreeAnnouncedTwoHeld",
                    File(3, Entry("\x09\x09\x09\x09", 1, 0, "") + Entry("\x08\x08\x08\x08", 1, 0, "")), 4, "",
                    2},
        FailureCase{"AddressCut", AfterGoodEntry(2, "\x01\x02\x03"), 4, "", 1},
        FailureCase{"PortCut", AfterGoodEntry(2, kAddr + "\x35"), 4, "", 1},
        FailureCase{"TagCountCut", AfterGoodEntry(2, kAddr + Le16(1) + "\x01\x00\x00"s), 4, "", 1},
        FailureCase{"TagTypeMissing", AfterGoodEntry(2, Entry(kAddr, 1, 1, "")), 5, "", 1},
        FailureCase{"NameLengthCut", AfterGoodEntry(2, Entry(kAddr, 1, 1, "\x02\x01")), 6, "", 1},
        FailureCase{"NameCut", AfterGoodEntry(2, Entry(kAddr, 1, 1, "\x03\x05\x00use"s)), 7, "", 1},
        FailureCase{"NameLengthNegative",
                    AfterGoodEntry(2, Entry(kAddr, 1, 1, "\x03\xFF\xFF" + std::string(64, 'a'))), 7, "", 1},
        FailureCase{"NameLengthAbove4095",
                    AfterGoodEntry(2, Entry(kAddr, 1, 1, "\x03\x00\x10"s + std::string(5000, 'a') + Le32(1))),
                    7, "", 1},
        FailureCase{"TextLengthCut", AfterGoodEntry(2, Entry(kAddr, 1, 1, "\x02\x01\x00\x01\x05"s)), 8, "",
                    1},
        FailureCase{"TextCut", AfterGoodEntry(2, Entry(kAddr, 1, 1, "\x02\x01\x00\x01\x05\x00"s + "abc")), 9,
                    "", 1},
        FailureCase{"TextLengthNegative",
                    AfterGoodEntry(2, Entry(kAddr, 1, 1, "\x02\x01\x00\x01\x00\x80"s + std::string(64, 'a'))),
                    9, "", 1},
        FailureCase{
            "TextLengthAbove4095",
            AfterGoodEntry(2, Entry(kAddr, 1, 1, "\x02\x01\x00\x01"s + Le16(4096) + std::string(4096, 'a'))),
            9, "", 1},
        FailureCase{"IntegerCut", AfterGoodEntry(2, Entry(kAddr, 1, 1, "\x03\x01\x00\x0C\x64\x00"s)), 9, "",
                    1},
        FailureCase{
            "TypeFour",
            AfterGoodEntry(3, Entry(kAddr, 1, 1, "\x04\x01\x00\x01"s + Le32(0)) + Entry(kAddr, 1, 0, "")), 10,
            "4", 1},
        FailureCase{"CompactTagType", AfterGoodEntry(2, Entry(kAddr, 1, 1, "\x91\x01\x00\x01"s + Le32(0))),
                    10, "145", 1}),
    [](const ::testing::TestParamInfo<FailureCase>& p) { return std::string(p.param.what); });

TEST(ServerMetCodec, GaugeCountsEntriesAndEndsAtZero) {
    ServerTable table;
    CountingGauge gauge;
    const std::string bytes =
        File(3, Entry("\x01\x01\x01\x01", 1, 0, "") + Entry("\x02\x02\x02\x02", 1, 0, "") +
                    Entry("\x01\x01\x01\x01", 1, 0, ""));
    ASSERT_TRUE(DecodeServerMet(bytes, table, gauge).Ok());
    EXPECT_EQ(gauge.Max(), 3);
    EXPECT_EQ(gauge.steps, 3);
    EXPECT_EQ(gauge.Position(), 0);

    CountingGauge writeGauge;
    EncodeServerMet(table, writeGauge);
    EXPECT_EQ(writeGauge.Max(), 2);
    EXPECT_EQ(writeGauge.steps, 2);
    EXPECT_EQ(writeGauge.Position(), 0);
}

TEST(ServerMetCodec, RowsThatCannotBeEncodedAreLeftOutAndCounted) {
    struct Bad {
        const char* caption;
        const char* port;
        const char* users;
        const char* files;
    };
    const Bad bad[] = {
        {"1.2.3", "1", "n/a", "n/a"},
        {"1.2.3.4.5", "1", "n/a", "n/a"},
        {"1.2.3.256", "1", "n/a", "n/a"},
        {"1.2.3.-4", "1", "n/a", "n/a"},
        {"1..3.4", "1", "n/a", "n/a"},
        {"1.2.3.4 ", "1", "n/a", "n/a"},
        {"host.example", "1", "n/a", "n/a"},
        {"", "1", "n/a", "n/a"},
        {"1.2.3.1000", "1", "n/a", "n/a"},
        {"1.2.3.4", "65536", "n/a", "n/a"},
        {"1.2.3.4", "n/a", "n/a", "n/a"},
        {"1.2.3.4", "-1", "n/a", "n/a"},
        {"1.2.3.4", "", "n/a", "n/a"},
        {"1.2.3.4", "46x", "n/a", "n/a"},
        {"1.2.3.4", "1", "", "n/a"},
        {"1.2.3.4", "1", "4294967296", "n/a"},
        {"1.2.3.4", "1", "n/a", "-2147483649"},
        {"1.2.3.4", "1", "n/a", "1e3"},
    };
    for (const Bad& b : bad) {
        ServerTable table;
        table.AddServerRow("5.5.5.5", "1");
        table.AddServerRow(b.caption, b.port, b.users, b.files);
        table.AddServerRow("6.6.6.6", "2");
        SCOPED_TRACE(std::string(b.caption) + " / " + b.port + " / " + b.users + " / " + b.files);
        EXPECT_FALSE(CanEncodeServerRow(table.Row(1)));
        ListReadResult result;
        const ServerTable back = Decode(Encode(table), &result);
        ASSERT_TRUE(result.Ok());
        ASSERT_EQ(back.Count(), 2u);
        EXPECT_EQ(back.Row(0).caption, "5.5.5.5");
        EXPECT_EQ(back.Row(1).caption, "6.6.6.6");
    }
    ServerRow edge;
    edge.caption = "0.0.0.0";
    edge.subItems = {"0", "-2147483648", "4294967295", "n/a", "n/a", "n/a"};
    EXPECT_TRUE(CanEncodeServerRow(edge));
    edge.caption = "255.255.255.255";
    edge.subItems[0] = "65535";
    EXPECT_TRUE(CanEncodeServerRow(edge));
}

TEST(ServerMetCodec, RoundTripRestoresEveryColumnTheFileCarries) {
    ServerTable table;
    table.AddServerRow("1.2.3.4", "4661", "100", "-7", std::string("n\xE9me\t\\"), "d", "home");
    table.AddServerRow("10.0.0.1", "0", "n/a", "5", "n/a", "desc only");
    table.AddServerRow("255.255.255.255", "65535", "2147483647", "n/a", "name only", "n/a");
    table.AddServerRow("8.8.8.8", "80", "0", "0", "zero counts", "");
    ListReadResult result;
    const ServerTable back = Decode(Encode(table), &result);
    ASSERT_TRUE(result.Ok());
    ASSERT_EQ(back.Count(), table.Count());
    for (std::size_t i = 0; i < table.Count(); ++i) {
        SCOPED_TRACE(table.Row(i).caption);
        EXPECT_EQ(back.Row(i).caption, table.Row(i).caption);
        auto expected = table.Row(i).subItems;
        expected[static_cast<std::size_t>(Column::Home)] = "n/a";  // never written
        for (const Column c : {Column::Users, Column::Files}) {
            if (expected[static_cast<std::size_t>(c)] == "0") {
                expected[static_cast<std::size_t>(c)] = "n/a";  // a zero count reads as unknown
            }
        }
        EXPECT_EQ(back.Row(i).subItems, expected);
    }
}

TEST(ServerMetCodec, OverlongTextIsWrittenCutTo4095Bytes) {
    ServerTable table;
    table.AddServerRow("1.2.3.4", "1", "n/a", "n/a", std::string(70000, 'n'), std::string(5000, 'd'));
    ListReadResult result;
    const ServerTable back = Decode(Encode(table), &result);
    ASSERT_TRUE(result.Ok());
    EXPECT_EQ(back.Row(0).Sub(Column::Name), std::string(4095, 'n'));
    EXPECT_EQ(back.Row(0).Sub(Column::Description), std::string(4095, 'd'));
}

}  // namespace
}  // namespace hublane::clients
