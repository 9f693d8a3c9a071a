// The serverHBL.met codec: exact bytes, read failures, duplicates and rows that cannot be encoded.
#include "serverlist/PeerListCodec.h"

#include <gtest/gtest.h>

#include "support/Hex.h"

namespace hublane::serverlist {
namespace {

using test::Hex;

std::vector<std::string> Captions(const PeerList& peers) {
    std::vector<std::string> out;
    for (const PeerRow& r : peers.Rows())
        out.push_back(r.caption);
    return out;
}

TEST(PeerListCodec, WritesTheDocumentedBytes) {
    PeerList peers;
    PlainGauge gauge;
    EXPECT_EQ(EncodePeerList(peers, gauge), Hex("1E 00 00 00 00"));
    peers.AddPeerRow("1.2.3.4");
    peers.AddPeerRow("5.6.7.8");
    EXPECT_EQ(EncodePeerList(peers, gauge), Hex("1E 02 00 00 00 01 02 03 04 05 06 07 08"));
    EXPECT_EQ(gauge.Max(), 2);
    EXPECT_EQ(gauge.Position(), 0);
}

TEST(PeerListCodec, ReadsAddressesInOrderUnansweredAndFirstWins) {
    PeerList peers;
    PlainGauge gauge;
    const ListReadResult result =
        DecodePeerList(Hex("1E 04 00 00 00 FF 00 0A 64 05 06 07 08 FF 00 0A 64 00 00 00 00"), peers, gauge);
    ASSERT_TRUE(result.Ok());
    EXPECT_EQ(Captions(peers), (std::vector<std::string>{"255.0.10.100", "5.6.7.8", "0.0.0.0"}));
    EXPECT_FALSE(peers.Row(0).answered);
    EXPECT_EQ(gauge.Max(), 4);
    EXPECT_EQ(gauge.Position(), 0);
}

TEST(PeerListCodec, NegativeCountReadsNothing) {
    PeerList peers;
    PlainGauge gauge;
    EXPECT_TRUE(DecodePeerList(Hex("1E FF FF FF FF 01 02 03 04"), peers, gauge).Ok());
    EXPECT_TRUE(peers.Empty());
}

TEST(PeerListCodec, Failures) {
    struct Case {
        const char* bytes;
        int text;
        const char* suffix;
        std::vector<std::string> kept;
    };
    const Case cases[] = {
        {"", 2, "", {}},
        {"0E 00 00 00 00", 3, "30", {}},
        {"1E 02 00", 4, "", {}},
        // Three announced, ten bytes after the count: two rows.
        {"1E 03 00 00 00 01 01 01 01 02 02 02 02 03 03", 4, "", {"1.1.1.1", "2.2.2.2"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        PeerList peers;
        PlainGauge gauge;
        const ListReadResult result = DecodePeerList(Hex(c.bytes), peers, gauge);
        EXPECT_EQ(result.errorText, c.text);
        EXPECT_EQ(result.suffix, c.suffix);
        EXPECT_EQ(Captions(peers), c.kept);
    }
}

TEST(PeerListCodec, LeavesOutCaptionsThatAreNotAddresses) {
    PeerList peers;
    for (const char* caption : {"1.1.1.1", "host.example", "1.2.3", "256.1.1.1", "", "9.9.9.9"}) {
        peers.Append(caption);
    }
    PlainGauge gauge;
    EXPECT_EQ(EncodePeerList(peers, gauge), Hex("1E 02 00 00 00 01 01 01 01 09 09 09 09"));
    EXPECT_EQ(gauge.Max(), 6);
    EXPECT_FALSE(CanEncodePeerRow(peers.Row(1)));
    EXPECT_TRUE(CanEncodePeerRow(peers.Row(0)));
}

}  // namespace
}  // namespace hublane::serverlist
