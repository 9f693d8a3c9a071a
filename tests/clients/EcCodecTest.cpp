// EC frames and tags: exact bytes both ways, values by width, and every kind of broken frame
// refused with the right status (never read past its end).
#include "clients/EcCodec.h"

#include <gtest/gtest.h>
#include <QCryptographicHash>

#include "clients/EcCodes.h"
#include "support/Hex.h"

namespace hublane::clients {
namespace {

using test::Hex;

// SERVER_REMOVE {SERVER 198.51.100.7:4661}.
const std::string kRemoveFrame = Hex("00000020 00000010 30 0001 0A00 08 00000006 C6336407 1235");
// SERVER_LIST {SERVER 198.51.100.7:4661 {NAME "ab"}}: the child's 10 bytes count in the length.
const std::string kNestedFrame =
    Hex("00000020 0000001C 2D 0001 0A01 08 00000010 0001 0A02 06 00000003 616200 C6336407 1235");

TEST(EcCodecTest, EncodesAndDecodesExactBytes) {
    const EcPacket remove{
        kEcFlagsPlain, ec::kOpServerRemove, {EcTag::Ipv4(ec::kTagServer, {198, 51, 100, 7}, 4661)}};
    EcTag server = EcTag::Ipv4(ec::kTagServer, {198, 51, 100, 7}, 4661);
    server.children.push_back(EcTag::Text(ec::kTagServerName, "ab"));
    const EcPacket list{kEcFlagsPlain, ec::kOpServerList, {server}};
    for (const auto& [packet, bytes] : {std::pair{remove, kRemoveFrame}, std::pair{list, kNestedFrame}}) {
        EXPECT_EQ(EncodeEcFrame(packet), bytes);
        const EcDecodeResult decoded = DecodeEcFrame(bytes + "extra");
        ASSERT_EQ(decoded.status, EcDecodeStatus::Ok);
        EXPECT_EQ(decoded.consumed, bytes.size());
        EXPECT_EQ(decoded.packet, packet);
    }
    const EcPacket decoded = DecodeEcFrame(kNestedFrame).packet;
    const EcTag* name = decoded.Tag(ec::kTagServer)->Child(ec::kTagServerName);
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->AsText(), "ab");
    EXPECT_EQ(decoded.Tag(ec::kTagServer)->AsIpv4(),
              (std::pair<std::string, std::uint16_t>{"198.51.100.7", 4661}));
}

struct IntCase {
    std::uint64_t value;
    EcType type;
    std::size_t width;
};

TEST(EcCodecTest, IntegersTakeTheSmallestTypeAndReadBackAtAnyWidth) {
    for (const IntCase c :
         {IntCase{0, EcType::U8, 1}, IntCase{0xff, EcType::U8, 1}, IntCase{0x100, EcType::U16, 2},
          IntCase{0xffff, EcType::U16, 2}, IntCase{0x10000, EcType::U32, 4},
          IntCase{0x1'0000'0000, EcType::U64, 8}, IntCase{~0ULL, EcType::U64, 8}}) {
        const EcTag tag = EcTag::Int(1, c.value);
        EXPECT_EQ(tag.type, c.type) << c.value;
        EXPECT_EQ(tag.data.size(), c.width) << c.value;
        EXPECT_EQ(tag.AsInt(), c.value);
    }
    // A width that does not match the type, or no integer type at all, is no value.
    EXPECT_EQ((EcTag{1, EcType::U16, "\x01", {}}.AsInt()), std::nullopt);
    EXPECT_EQ((EcTag{1, EcType::String, "\x01", {}}.AsInt()), std::nullopt);
    EXPECT_EQ((EcTag{1, EcType::Ipv4, "\x01\x02\x03\x04\x05", {}}.AsIpv4()), std::nullopt);
    EXPECT_EQ((EcTag{1, EcType::U8, "x", {}}.AsText()), std::nullopt);
    EXPECT_EQ((EcTag{1, EcType::String, "", {}}.AsText()), "");
}

// A frame whose tags nest `depth` levels, each the only child of the one before.
std::string NestedFrame(int depth) {
    std::string tag = Hex("0002 02 00000001 07");
    for (int level = 1; level < depth; ++level) {
        const auto length = static_cast<std::uint32_t>(tag.size());
        std::string outer = Hex("0003 02");
        for (int shift = 24; shift >= 0; shift -= 8) {
            outer.push_back(static_cast<char>((length >> shift) & 0xff));
        }
        tag = outer + Hex("0001") + tag;
    }
    const auto body = static_cast<std::uint32_t>(tag.size() + 3);
    std::string frame = Hex("00000020");
    for (int shift = 24; shift >= 0; shift -= 8) {
        frame.push_back(static_cast<char>((body >> shift) & 0xff));
    }
    return frame + Hex("01 0001") + tag;
}

struct BrokenCase {
    const char* name;
    std::string bytes;
    EcDecodeStatus status;
};

void PrintTo(const BrokenCase& c, std::ostream* os) {
    *os << c.name;
}

class BrokenFrames : public ::testing::TestWithParam<BrokenCase> {};

TEST_P(BrokenFrames, AreRefusedWithTheirStatus) {
    const BrokenCase& c = GetParam();
    const EcDecodeResult result = DecodeEcFrame(c.bytes);
    EXPECT_EQ(result.status, c.status);
    EXPECT_EQ(result.consumed, 0U);
}

INSTANTIATE_TEST_SUITE_P(
    Frames, BrokenFrames,
    ::testing::Values(
        BrokenCase{"Empty", "", EcDecodeStatus::NeedMore},
        BrokenCase{"HalfHeader", Hex("00000020 0000"), EcDecodeStatus::NeedMore},
        BrokenCase{"HalfBody", kRemoveFrame.substr(0, kRemoveFrame.size() - 1), EcDecodeStatus::NeedMore},
        BrokenCase{"OverSixteenMiB", Hex("00000020 01000001"), EcDecodeStatus::TooLarge},
        BrokenCase{"Zlib", Hex("00000021 00000003 01 0000"), EcDecodeStatus::Unsupported},
        BrokenCase{"Utf8Numbers", Hex("00000022 00000003 01 0000"), EcDecodeStatus::Unsupported},
        BrokenCase{"NoMarkerBit", Hex("00000000 00000003 01 0000"), EcDecodeStatus::Unsupported},
        BrokenCase{"NoOpcode", Hex("00000020 00000000"), EcDecodeStatus::Malformed},
        BrokenCase{"MoreTagsThanBytes", Hex("00000020 00000003 01 0001"), EcDecodeStatus::Malformed},
        BrokenCase{"TagPastBody", Hex("00000020 0000000B 01 0001 0002 02 00000002 07"),
                   EcDecodeStatus::Malformed},
        BrokenCase{"ChildPastParent",
                   Hex("00000020 00000015 01 0001 0003 02 00000008 0001 0002 02 00000002 07 08"),
                   EcDecodeStatus::Malformed},
        BrokenCase{"HugeChildCount", Hex("00000020 0000000D 01 0001 0003 02 00000001 FFFF 07"),
                   EcDecodeStatus::Malformed},
        BrokenCase{"BytesAfterTags", Hex("00000020 00000004 01 0000 FF"), EcDecodeStatus::Malformed},
        BrokenCase{"TooDeep", NestedFrame(kEcMaxDepth + 1), EcDecodeStatus::Malformed}),
    [](const ::testing::TestParamInfo<BrokenCase>& p) { return std::string(p.param.name); });

TEST(EcCodecTest, NestingUpToTheLimitReadsAndWritesBack) {
    const std::string frame = NestedFrame(kEcMaxDepth);
    const EcDecodeResult result = DecodeEcFrame(frame);
    ASSERT_EQ(result.status, EcDecodeStatus::Ok);
    EXPECT_EQ(EncodeEcFrame(result.packet), frame);
    // One level more is not written either.
    EcPacket deeper = result.packet;
    EcTag* innermost = &deeper.tags.front();
    while (!innermost->children.empty()) {
        innermost = &innermost->children.front();
    }
    innermost->children.push_back(EcTag::Int(2, 1));
    EXPECT_EQ(EncodeEcFrame(deeper), std::string());
}

std::array<std::uint8_t, 16> Md5(const std::string& text) {
    const QByteArray digest =
        QCryptographicHash::hash(QByteArray::fromStdString(text), QCryptographicHash::Md5);
    std::array<std::uint8_t, 16> out{};
    std::copy_n(reinterpret_cast<const std::uint8_t*>(digest.constData()), 16, out.begin());
    return out;
}

std::string HexOf(const std::array<std::uint8_t, 16>& digest) {
    return HexLower(std::string_view(reinterpret_cast<const char*>(digest.data()), digest.size()));
}

TEST(EcCodecTest, LoginHashMatchesAmules) {
    EXPECT_EQ(EcSaltText(0x00ABCDEF12345678ULL), "ABCDEF12345678");
    EXPECT_EQ(EcSaltText(0), "0");
    EXPECT_EQ(EcSaltText(~0ULL), "FFFFFFFFFFFFFFFF");
    // hex(MD5("hublane")), as amule.conf stores it; its letter case does not matter.
    for (const char* stored : {"5febc38ef02954d03e4d18fb1d131eb7", "5FEBC38EF02954D03E4D18FB1D131EB7"}) {
        EXPECT_EQ(HexOf(EcLoginHash(stored, 0x00ABCDEF12345678ULL, Md5)), "5669bd2818cc7110985292e75a7f7d16");
        EXPECT_EQ(HexOf(EcLoginHash(stored, 0, Md5)), "0397341d2d530041a21b128080945111");
    }
}

}  // namespace
}  // namespace hublane::clients
