// amule.conf's [ExternalConnect] section and the --ec HOST:PORT text.
#include "clients/AmuleConf.h"

#include <gtest/gtest.h>

namespace hublane::clients {
namespace {

struct ConfCase {
    const char* name;
    std::string text;
    AmuleEcSettings expected;
};

void PrintTo(const ConfCase& c, std::ostream* os) {
    *os << c.name;
}

class AmuleConfs : public ::testing::TestWithParam<ConfCase> {};

TEST_P(AmuleConfs, ReadTheExternalConnectSection) {
    EXPECT_EQ(ParseAmuleConf(GetParam().text), GetParam().expected);
}

const char* const kHash = "5febc38ef02954d03e4d18fb1d131eb7";

INSTANTIATE_TEST_SUITE_P(
    Files, AmuleConfs,
    ::testing::Values(
        ConfCase{"Nothing", "", {false, "127.0.0.1", 4712, ""}},
        ConfCase{"AsAmuleWritesIt",
                 "[eMule]\nPort=4662\nECPort=9\n[ExternalConnect]\nAcceptExternalConnections=1\nECAddress=\n"
                 "ECPort=24712\nECPassword=5febc38ef02954d03e4d18fb1d131eb7\n[Proxy]\nECPort=1\n",
                 {true, "127.0.0.1", 24712, kHash}},
        ConfCase{"CrLfSpacesAndCase",
                 "[externalconnect]\r\n  acceptexternalconnections = 1\r\nECAddress= 192.168.1.5 \r\n"
                 "ECPassword=5FEBC38EF02954D03E4D18FB1D131EB7\r\n",
                 {true, "192.168.1.5", 4712, kHash}},
        ConfCase{"Refused",
                 "[ExternalConnect]\nAcceptExternalConnections=0\nECPort=4000\n",
                 {false, "127.0.0.1", 4000, ""}},
        ConfCase{"BadPortAndPassword",
                 "[ExternalConnect]\nAcceptExternalConnections=1\nECPort=70000\nECPassword=hublane\n",
                 {true, "127.0.0.1", 4712, ""}},
        ConfCase{"CommentsAndLinesWithoutValue",
                 "# ECPort=1\n[ExternalConnect]\n; ECPort=2\nECPort\nECPort=0\nAcceptExternalConnections=1",
                 {true, "127.0.0.1", 4712, ""}}),
    [](const ::testing::TestParamInfo<ConfCase>& p) { return std::string(p.param.name); });

TEST(AmuleConfTest, EndpointTexts) {
    using Endpoint = std::optional<std::pair<std::string, std::uint16_t>>;
    EXPECT_EQ(ParseEcEndpoint("127.0.0.1:4712"), (Endpoint{{"127.0.0.1", 4712}}));
    EXPECT_EQ(ParseEcEndpoint("nas.local:24712"), (Endpoint{{"nas.local", 24712}}));
    for (const char* bad : {"", "127.0.0.1", ":4712", "127.0.0.1:", "127.0.0.1:0", "127.0.0.1:65536",
                            "127.0.0.1:47x", "a b:4712", "127.0.0.1:+4712"}) {
        EXPECT_EQ(ParseEcEndpoint(bad), std::nullopt) << bad;
    }
}

}  // namespace
}  // namespace hublane::clients
