// The directory's address rules: strict address texts, public hosts only unless private ones are
// allowed, reserved blocks never, and the ports a server can be asked on.
#include "directory/AddressRules.h"

#include <gtest/gtest.h>

namespace hublane::directory {
namespace {

TEST(AddressRules, ReadsOnlyCanonicalDottedQuads) {
    struct Case {
        const char* text;
        bool valid;
    };
    for (const Case& c :
         {Case{"80.1.2.3", true}, Case{"0.0.0.0", true}, Case{"255.255.255.255", true},
          Case{"256.1.2.3", false}, Case{"1.2.3", false}, Case{"1.2.3.4.5", false}, Case{"1.2.3.", false},
          Case{".1.2.3", false}, Case{"1..2.3", false}, Case{"010.1.2.3", false}, Case{"1.2.3.04", false},
          Case{"1.2.3.4 ", false}, Case{" 1.2.3.4", false}, Case{"1.2.3.4/8", false},
          Case{"1.2.3.1234", false}, Case{"a.b.c.d", false}, Case{"", false}, Case{"::1", false},
          Case{"+1.2.3.4", false}}) {
        EXPECT_EQ(ParseIpv4(c.text).has_value(), c.valid) << c.text;
    }
    EXPECT_EQ(ParseIpv4("198.51.100.7"), (std::array<std::uint8_t, 4>{198, 51, 100, 7}));
}

TEST(AddressRules, SortsAddressesIntoPublicPrivateAndReserved) {
    struct Case {
        const char* text;
        AddressKind kind;
    };
    for (const Case& c : {
             Case{"80.1.2.3", AddressKind::Public},         Case{"9.255.255.255", AddressKind::Public},
             Case{"11.0.0.0", AddressKind::Public},         Case{"100.63.255.255", AddressKind::Public},
             Case{"100.128.0.0", AddressKind::Public},      Case{"172.15.255.255", AddressKind::Public},
             Case{"172.32.0.0", AddressKind::Public},       Case{"192.169.0.1", AddressKind::Public},
             Case{"198.20.0.1", AddressKind::Public},       Case{"223.255.255.254", AddressKind::Public},
             Case{"10.0.0.1", AddressKind::Private},        Case{"100.64.0.1", AddressKind::Private},
             Case{"100.127.255.255", AddressKind::Private}, Case{"127.0.0.1", AddressKind::Private},
             Case{"127.200.3.4", AddressKind::Private},     Case{"169.254.10.1", AddressKind::Private},
             Case{"172.16.0.1", AddressKind::Private},      Case{"172.31.255.255", AddressKind::Private},
             Case{"192.168.1.1", AddressKind::Private},     Case{"0.0.0.0", AddressKind::Reserved},
             Case{"0.1.2.3", AddressKind::Reserved},        Case{"192.0.0.8", AddressKind::Reserved},
             Case{"192.0.2.1", AddressKind::Reserved},      Case{"192.88.99.1", AddressKind::Reserved},
             Case{"198.18.0.1", AddressKind::Reserved},     Case{"198.19.255.255", AddressKind::Reserved},
             Case{"198.51.100.7", AddressKind::Reserved},   Case{"203.0.113.9", AddressKind::Reserved},
             Case{"224.0.0.1", AddressKind::Reserved},      Case{"239.255.255.250", AddressKind::Reserved},
             Case{"240.0.0.1", AddressKind::Reserved},      Case{"255.255.255.255", AddressKind::Reserved},
             Case{"1.2.3", AddressKind::Malformed},
         }) {
        EXPECT_EQ(ClassifyIpv4(c.text), c.kind) << c.text;
    }
}

TEST(AddressRules, PrivateAddressesOnlyWhenAllowedAndReservedOnesNever) {
    struct Case {
        const char* text;
        bool listed;
        bool listedWhenAllowed;
    };
    for (const Case& c :
         {Case{"80.1.2.3", true, true}, Case{"192.168.0.9", false, true}, Case{"127.31.1.20", false, true},
          Case{"169.254.1.1", false, true}, Case{"224.0.0.251", false, false},
          Case{"255.255.255.255", false, false}, Case{"0.0.0.0", false, false},
          Case{"203.0.113.1", false, false}, Case{"80.1.2", false, false}}) {
        EXPECT_EQ(IsListableAddress(c.text, false), c.listed) << c.text;
        EXPECT_EQ(IsListableAddress(c.text, true), c.listedWhenAllowed) << c.text;
    }
}

TEST(AddressRules, PortsFromOneToTheLastThatLeavesRoomForTheUdpOffset) {
    EXPECT_FALSE(IsListablePort(0));
    EXPECT_TRUE(IsListablePort(1));
    EXPECT_TRUE(IsListablePort(4661));
    EXPECT_TRUE(IsListablePort(65531));
    EXPECT_FALSE(IsListablePort(65532));
    EXPECT_FALSE(IsListablePort(65535));
    EXPECT_FALSE(IsListablePort(70000));
}

TEST(AddressRules, NetworksAreSlash24ForIpv4AndSlash64ForIpv6) {
    struct Case {
        const char* address;
        const char* network;
        const char* client;
    };
    for (const Case& c : {
             Case{"198.51.100.7", "198.51.100.0/24", "198.51.100.7"},
             Case{"::ffff:198.51.100.7", "198.51.100.0/24", "198.51.100.7"},
             Case{"2001:db8:0:1::1", "2001:db8:0:1::/64", "2001:db8:0:1::/64"},
             Case{"2001:0DB8:0000:0001:ffff:1:2:3", "2001:db8:0:1::/64", "2001:db8:0:1::/64"},
             Case{"::1", "0:0:0:0::/64", "0:0:0:0::/64"},
             Case{"fe80::1%eth0", "fe80:0:0:0::/64", "fe80:0:0:0::/64"},
             Case{"1:2:3:4:5:6:7:8", "1:2:3:4::/64", "1:2:3:4::/64"},
             // Not addresses: each is its own network and client.
             Case{"1:2:3:4:5:6:7:8:9", "1:2:3:4:5:6:7:8:9", "1:2:3:4:5:6:7:8:9"},
             Case{"1::2::3", "1::2::3", "1::2::3"},
             Case{"12345::", "12345::", "12345::"},
             Case{"1:2:3:4:5:6:7:", "1:2:3:4:5:6:7:", "1:2:3:4:5:6:7:"},
             Case{"host.example", "host.example", "host.example"},
         }) {
        SCOPED_TRACE(c.address);
        EXPECT_EQ(NetworkOf(c.address), c.network);
        EXPECT_EQ(ClientKey(c.address), c.client);
    }
    EXPECT_EQ(ParseIpv6("::"), (std::array<std::uint16_t, 8>{}));
    EXPECT_FALSE(ParseIpv6(":1").has_value());
    EXPECT_FALSE(ParseIpv6("::1.2.3.999").has_value());
}

}  // namespace
}  // namespace hublane::directory
