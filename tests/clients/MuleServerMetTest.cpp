// The eMule/aMule server.met: the whole tag grammar and its bounds, real files read whole and
// written back byte for byte, carried entries, and what a changed, new or removed row writes.
#include "clients/MuleServerMet.h"

#include <gtest/gtest.h>

#include <QDir>
#include <cstring>

#include "support/MuleBytes.h"
#include "support/TestSupport.h"

namespace hublane::clients {
namespace {

using serverlist::Column;
using serverlist::ListReadResult;
using serverlist::PlainGauge;
using serverlist::ServerTable;
using test::Hex;
using namespace std::string_literals;

using namespace test::mule;

struct Read {
    MuleServerMet doc;
    ListReadResult result;
    ServerTable table;
};

Read ReadAll(const std::string& bytes) {
    Read r;
    PlainGauge gauge;
    r.result = ReadMuleServerMet(bytes, r.doc, gauge);
    FillServerTable(r.doc, r.table);
    return r;
}

std::string Write(const MuleServerMet& doc, const ServerTable& table, MuleWriteCounts* counts = nullptr) {
    PlainGauge gauge;
    return WriteMuleServerMet(doc, table, gauge, counts);
}

TEST(MuleServerMetTest, ReadsEveryTagTypeOfBothNameStylesAndKeepsTheBytes) {
    struct Case {
        const char* what;
        std::string tag;
    };
    const std::vector<Case> cases = {
        {"hash", "\x01" + Name("\x20") + std::string(16, 'h')},
        {"float", "\x04" + Name("\x21") + "\x00\x00\x80\x3F"s},
        {"bool", "\x05" + Name("\x22") + "\x01"s},
        {"bool array of 9 bits", "\x06" + Name("\x23") + Le16(9) + "\xFF\x01"s},
        {"bool array of 8 bits", "\x06" + Name("\x23") + Le16(8) + "\x01\x02"s},
        {"bool array of 0 bits", "\x06" + Name("\x23") + Le16(0) + "\x02"s},
        {"blob", "\x07" + Name("\x24") + Le32(3) + "abc"},
        {"u16", "\x08" + Name("\x97") + Le16(4662)},
        {"u8", "\x09" + Name("\x25") + "\x07"s},
        {"bsob", "\x0A" + Name("\x26") + "\x02xy"s},
        {"u64", "\x0B" + Name("\x27") + Le32(1) + Le32(2)},
        {"short text of 1", "\x11" + Name("\x91") + "7"},
        {"short text of 22", "\x26" + Name("\x91") + std::string(22, 'v')},
        {"new-style text", "\x82\x91"s + Le16(5) + "17.15"},
        {"new-style u32", "\x83\x0C"s + Le32(99)},
        {"new-style short text", "\x95\x02"s + "12345"},
        {"empty text name", "\x03" + Name("") + Le32(5)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string entry = Entry("\x05\x06\x07\x08", 4661, 2, c.tag + TextTag(kIdName, "S"));
        const Read r = ReadAll(File(1, entry));
        ASSERT_TRUE(r.result.Ok()) << r.result.errorText;
        ASSERT_EQ(r.doc.entries.size(), 1u);
        EXPECT_EQ(r.doc.Bytes(r.doc.entries[0].bytes), entry);
        ASSERT_EQ(r.doc.Tags(r.doc.entries[0]).size(), 2u);
        EXPECT_EQ(r.doc.Bytes(r.doc.Tags(r.doc.entries[0])[0]), c.tag);
        EXPECT_EQ(r.table.Row(0).Sub(Column::Name), "S");
        EXPECT_EQ(Write(r.doc, r.table), File(1, entry));
    }
    // Values as read: the new-style text, the short text and the integer widths.
    const Read r = ReadAll(File(1, Entry("\x05\x06\x07\x08", 1, 3,
                                         "\x82\x01"s + Le16(2) + "Ab" + "\x12" + Name(kIdDescription) + "cd" +
                                             "\x08" + Name("users") + Le16(300))));
    ASSERT_TRUE(r.result.Ok());
    EXPECT_EQ(r.table.Row(0).subItems, (std::array<std::string, 6>{"1", "300", "n/a", "Ab", "cd", "n/a"}));
    EXPECT_TRUE(r.doc.tags[0].newStyle);
}

TEST(MuleServerMetTest, FailuresNameTheirTextAndKeepTheEntriesReadWhole) {
    const std::string good = Entry("\x01\x02\x03\x04", 4661, 1, TextTag(kIdName, "A"));
    const std::string head = "\x05\x06\x07\x08" + Le16(1);
    struct Case {
        const char* what;
        std::string bytes;
        int text;
        std::string suffix;
    };
    const std::vector<Case> cases = {
        {"empty", "", 2, ""},
        {"eDonkey peer list header", "\x1E" + Le32(0), 3, "224"},
        {"count cut", "\xE0\x01\x00"s, 4, ""},
        {"entry cut", File(2, good + head), 4, ""},
        {"tag type missing", File(2, good + head + Le32(1)), 5, ""},
        {"second tag cut", File(2, good + head + Le32(2) + TextTag(kIdName, "B") + "\x02"), 6, ""},
        {"name length cut", File(2, good + head + Le32(1) + "\x03\x01"), 6, ""},
        {"new-style id missing", File(2, good + head + Le32(1) + "\x83"), 6, ""},
        {"name cut", File(2, good + head + Le32(1) + "\x03" + Le16(5) + "use"), 7, ""},
        {"name over 4095",
         File(2, good + head + Le32(1) + "\x03" + Le16(4096) + std::string(4096, 'n') + Le32(0)), 7, ""},
        {"text length cut", File(2, good + head + Le32(1) + "\x02" + Name(kIdName) + "\x01"), 8, ""},
        {"text cut", File(2, good + head + Le32(1) + "\x02" + Name(kIdName) + Le16(4) + "ab"), 9, ""},
        {"text negative", File(2, good + head + Le32(1) + "\x02" + Name(kIdName) + Le16(0x8000)), 9, ""},
        {"u32 cut", File(2, good + head + Le32(1) + "\x03" + Name("\x0C") + "\x01\x02"), 9, ""},
        {"short text cut", File(2, good + head + Le32(1) + "\x26" + Name("\x91") + "abc"), 9, ""},
        {"blob past the end", File(2, good + head + Le32(1) + "\x07" + Name("\x24") + Le32(0xFFFFFFFF) + "x"),
         9, ""},
        {"blob length cut", File(2, good + head + Le32(1) + "\x07" + Name("\x24") + "\x01"), 8, ""},
        {"bool array cut", File(2, good + head + Le32(1) + "\x06" + Name("\x24") + Le16(17) + "\x01\x02"), 9,
         ""},
        {"bsob cut", File(2, good + head + Le32(1) + "\x0A" + Name("\x24") + "\x05" + "ab"), 9, ""},
        {"unknown type 0x0C", File(2, good + head + Le32(1) + "\x0C" + Name("\x24")), 10, "12"},
        {"unknown type 0x27", File(2, good + head + Le32(1) + "\x27" + Name("\x24")), 10, "39"},
        {"unknown new-style type", File(2, good + head + Le32(1) + "\x90\x24"), 10, "144"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Read r = ReadAll(c.bytes);
        EXPECT_EQ(r.result.errorText, c.text);
        EXPECT_EQ(r.result.suffix, c.suffix);
        if (c.text >= 4 && c.bytes.size() > 5) {
            ASSERT_EQ(r.doc.entries.size(), 1u);
            EXPECT_EQ(r.doc.Bytes(r.doc.entries[0].bytes), good);
            // Only its tag is kept, none of the entry that failed.
            ASSERT_EQ(r.doc.tags.size(), 1u);
            EXPECT_EQ(r.doc.Bytes(r.doc.tags[0]), TextTag(kIdName, "A"));
            EXPECT_EQ(r.table.Count(), 1u);
        } else {
            EXPECT_TRUE(r.doc.entries.empty());
        }
    }
    // A negative count reads nothing, a huge one stops at the end of the bytes.
    EXPECT_TRUE(ReadAll(File(0x80000000u, good)).result.Ok());
    EXPECT_EQ(ReadAll(File(0x7FFFFFFF, good)).result.errorText, 4);
}

TEST(MuleServerMetTest, OldHeaderIsReadAndWrittenAsTheNewOneWithoutTheEdonkeyOnlyTags) {
    const std::string tags = TextTag(kIdName, "A") + IntTag("\x0E", 0) + IntTag("\x10", 0x04030201) +
                             IntTag("\x0F", 4661) + IntTag("users", 12);
    const Read r = ReadAll(File(1, Entry("\x01\x02\x03\x04", 4661, 5, tags), '\x0E'));
    ASSERT_TRUE(r.result.Ok());
    EXPECT_EQ(r.doc.header, kOldServerMetHeader);
    MuleWriteCounts counts;
    // aMule aborts on 0x0F or 0x10: both go, the priority and the rest stay in their order.
    EXPECT_EQ(Write(r.doc, r.table, &counts),
              File(1, Entry("\x01\x02\x03\x04", 4661, 3,
                            TextTag(kIdName, "A") + IntTag("\x0E", 0) + IntTag("users", 12))));
    EXPECT_EQ(counts.changed, 1u);
}

// aMule's way: every text twice, one of them with a byte-order mark here.
std::string AmuleEntry(std::string_view ip4, std::string_view name, std::string_view description) {
    const std::string tags = TextTag(kIdName, "\xEF\xBB\xBF" + std::string(name)) + TextTag(kIdName, name) +
                             TextTag(kIdDescription, description) + TextTag(kIdDescription, description) +
                             IntTag("\x0E", 2) + "\x08" + Name("users") + Le16(40) + IntTag("files", 7) +
                             "\x08" + Name("\x97") + Le16(4662);
    return Entry(ip4, 4661, 8, tags);
}

TEST(MuleServerMetTest, RowChangesRewriteOnlyTheValuesThatChanged) {
    const std::string a = AmuleEntry("\xC6\x33\x64\x01", "Alpha", "first");
    const std::string b = AmuleEntry("\xC6\x33\x64\x02", "Beta", "second");
    const std::string file = File(2, a + b);
    struct Case {
        const char* what;
        std::function<void(ServerTable&)> change;
        std::string expectedA;
        std::size_t changed;
    };
    const std::vector<Case> cases = {
        {"nothing", [](ServerTable&) {}, a, 0},
        {"the name again with a BOM",
         [](ServerTable& t) {
             t.Row(0).Sub(Column::Name) =
                 "\xEF\xBB\xBF"
                 "Alpha";
         },
         a, 0},
        {"an empty or unknown answer",
         [](ServerTable& t) {
             t.Row(0).Sub(Column::Name) = "";
             t.Row(0).Sub(Column::Description) = "n/a";
             t.Row(0).Sub(Column::Users) = "n/a";
         },
         a, 0},
        // The copy marked as UTF-8 keeps its mark.
        {"a new name", [](ServerTable& t) { t.Row(0).Sub(Column::Name) = "Gamma"; },
         Entry("\xC6\x33\x64\x01", 4661, 8,
               TextTag(kIdName, "\xEF\xBB\xBFGamma") + TextTag(kIdName, "Gamma") +
                   TextTag(kIdDescription, "first") + TextTag(kIdDescription, "first") + IntTag("\x0E", 2) +
                   "\x08" + Name("users") + Le16(40) + IntTag("files", 7) + "\x08" + Name("\x97") +
                   Le16(4662)),
         1},
        {"users past 16 bits and a new port",
         [](ServerTable& t) {
             t.Row(0).Sub(Column::Users) = "70000";
             t.Row(0).Sub(Column::Port) = "4242";
         },
         Entry("\xC6\x33\x64\x01", 4242, 8,
               TextTag(kIdName,
                       "\xEF\xBB\xBF"
                       "Alpha") +
                   TextTag(kIdName, "Alpha") + TextTag(kIdDescription, "first") +
                   TextTag(kIdDescription, "first") + IntTag("\x0E", 2) + IntTag("users", 70000) +
                   IntTag("files", 7) + "\x08" + Name("\x97") + Le16(4662)),
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Read r = ReadAll(file);
        ASSERT_TRUE(r.result.Ok());
        EXPECT_EQ(r.table.Row(0).Sub(Column::Name), "Alpha");
        c.change(r.table);
        r.table.SortByColumn(4);  // the table's order does not matter, the file's does
        MuleWriteCounts counts;
        EXPECT_EQ(Write(r.doc, r.table, &counts), File(2, c.expectedA + b));
        EXPECT_EQ(counts.changed, c.changed);
        EXPECT_EQ(counts.kept, 2 - c.changed);
    }
}

TEST(MuleServerMetTest, CarriedEntriesStayNewRowsFollowRemovedRowsGo) {
    const std::string first = Entry("\xC6\x33\x64\x01", 4661, 1, TextTag(kIdName, "One"));
    const std::string otherPort = Entry("\xC6\x33\x64\x01", 4242, 1, TextTag(kIdName, "One bis"));
    const std::string dynamic =
        Entry("\x00\x00\x00\x00"s, 7111, 2, TextTag(kIdName, "Dyn") + TextTag("\x85", "dyn.example.org"));
    const std::string gone = Entry("\xCB\x00\x71\x09"s, 4661, 1, TextTag(kIdName, "Gone"));
    Read r = ReadAll(File(4, first + otherPort + dynamic + gone));
    ASSERT_TRUE(r.result.Ok());
    EXPECT_EQ(r.doc.CarriedCount(), 2u);
    EXPECT_EQ(r.doc.entries[1].kind, MuleEntryKind::SecondPort);
    EXPECT_EQ(r.doc.entries[2].kind, MuleEntryKind::DynamicIp);
    ASSERT_EQ(r.table.Count(), 2u);
    EXPECT_EQ(r.table.Row(0).Sub(Column::Port), "4661");

    r.table.Remove(1);  // 203.0.113.9
    r.table.AddServerRow("203.0.113.10", "4661", "n/a", "n/a", "New", "", "n/a");
    r.table.AddServerRow("203.0.113.11", "4662", "5", "0");
    r.table.AddServerRow("not.an.address", "4661");
    MuleWriteCounts counts;
    const std::string written = Write(r.doc, r.table, &counts);
    EXPECT_EQ(written, File(5, first + otherPort + dynamic +
                                   Entry("\xCB\x00\x71\x0A"s, 4661, 1, TextTag(kIdName, "New")) +
                                   Entry("\xCB\x00\x71\x0B"s, 4662, 1, IntTag("users", 5))));
    EXPECT_EQ(counts.kept, 3u);
    EXPECT_EQ(counts.carried, 2u);
    EXPECT_EQ(counts.added, 2u);
    EXPECT_EQ(counts.dropped, 1u);
    EXPECT_EQ(counts.leftOut, 1u);

    // What was written reads back to the same entries.
    const Read back = ReadAll(written);
    ASSERT_TRUE(back.result.Ok());
    EXPECT_EQ(back.doc.CarriedCount(), 2u);
    EXPECT_EQ(Write(back.doc, back.table), written);
}

TEST(MuleServerMetTest, RealClientFilesReadWholeAndWriteBackUnchanged) {
    const QString dir = test::RealDataDir();
    if (dir.isEmpty()) {
        GTEST_SKIP() << "no real data folder";
    }
    const QStringList files = QDir(dir + QStringLiteral("/server_met")).entryList(QDir::Files);
    if (files.isEmpty()) {
        GTEST_SKIP() << "no server.met files";
    }
    int identical = 0;
    for (const QString& name : files) {
        SCOPED_TRACE(name.toStdString());
        const QByteArray raw = test::ReadWholeFile(dir + QStringLiteral("/server_met/") + name);
        const std::string bytes(raw.constData(), static_cast<std::size_t>(raw.size()));
        const Read r = ReadAll(bytes);
        ASSERT_TRUE(r.result.Ok()) << r.result.errorText << r.result.suffix;
        std::uint32_t count = 0;
        std::memcpy(&count, bytes.data() + 1, 4);
        EXPECT_EQ(r.doc.entries.size(), count);
        EXPECT_EQ(r.table.Count() + r.doc.CarriedCount(), count);
        const std::string written = Write(r.doc, r.table);
        if (r.doc.header == kMuleServerMetHeader) {
            EXPECT_EQ(written, bytes);
            ++identical;
        } else {
            // An old-header file loses the header and the eDonkey-only tags, nothing else.
            const Read back = ReadAll(written);
            ASSERT_TRUE(back.result.Ok());
            ASSERT_EQ(back.table.Count(), r.table.Count());
            for (std::size_t i = 0; i < r.table.Count(); ++i) {
                EXPECT_EQ(back.table.Row(i).subItems, r.table.Row(i).subItems);
            }
            for (const MuleTag& t : back.doc.tags) {
                EXPECT_FALSE(t.id && (*t.id == 0x0F || *t.id == 0x10));
            }
        }
        if (name.startsWith(QLatin1String("huangya0201"))) {
            EXPECT_EQ(r.doc.CarriedCount(), 2u);  // two dynamic-IP servers
        } else if (name.startsWith(QLatin1String("GamerA1-99"))) {
            EXPECT_EQ(r.doc.CarriedCount(), 1u);  // one address on two ports
        } else if (name.startsWith(QLatin1String("m4dfry"))) {
            // aMule's doubled texts show once.
            EXPECT_EQ(r.table.Row(0).Sub(Column::Name), "eMule Security No2");
            EXPECT_EQ(r.table.Row(0).Sub(Column::Description), "www.emule-security.org");
        }
    }
    EXPECT_GE(identical, 1);
}

}  // namespace
}  // namespace hublane::clients
