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

}  // namespace
}  // namespace hublane::directory
