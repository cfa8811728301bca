// What a [Ports] value stands for: a device path, a raw TCP or an RFC 2217 port on the network,
// or a network address that cannot be used; and the list of mapped ports the program shows.
#include "platform/PortAddress.h"

#include <gtest/gtest.h>

#include <tuple>

#include "platform/HostConfig.h"

namespace kelvantori {
namespace {

struct AddressCase {
    const char* name;
    const char* text;
    PortKind kind;
    const char* host = "";
    int port = 0;
    const char* endpoint = "";
};

class PortAddressTest : public testing::TestWithParam<AddressCase> {};

TEST_P(PortAddressTest, ReadsKindHostAndPort) {
    const AddressCase& c = GetParam();
    const PortAddress address = ParsePortAddress(c.text);
    EXPECT_EQ(std::tie(address.kind, address.text, address.host, address.port),
              std::make_tuple(c.kind, std::string(c.text), std::string(c.host), c.port));
    if (address.IsNetwork()) {
        EXPECT_EQ(address.Endpoint(), c.endpoint);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Values, PortAddressTest,
    testing::Values(
        AddressCase{"DevicePath", "/dev/ttyUSB0", PortKind::Device},
        AddressCase{"DeviceWithColon", "/dev/serial/by-path/pci-0000:00:14.0-usb-0:1:1.0",
                    PortKind::Device},
        AddressCase{"RawTcp", "tcp://10.0.0.21:4001", PortKind::RawTcp, "10.0.0.21", 4001,
                    "10.0.0.21:4001"},
        AddressCase{"Rfc2217", "rfc2217://moxa-3.shop.example:950", PortKind::Rfc2217,
                    "moxa-3.shop.example", 950, "moxa-3.shop.example:950"},
        AddressCase{"SchemeInAnyCase", "RFC2217://box:4001", PortKind::Rfc2217, "box", 4001,
                    "box:4001"},
        AddressCase{"Ipv6InBrackets", "tcp://[fe80::1]:4001", PortKind::RawTcp, "fe80::1", 4001,
                    "[fe80::1]:4001"},
        AddressCase{"HighestPort", "tcp://box:65535", PortKind::RawTcp, "box", 65535, "box:65535"},
        AddressCase{"NoPort", "tcp://10.0.0.21", PortKind::Malformed},
        AddressCase{"PortZero", "tcp://10.0.0.21:0", PortKind::Malformed},
        AddressCase{"PortTooHigh", "tcp://10.0.0.21:65536", PortKind::Malformed},
        AddressCase{"SignedPort", "tcp://10.0.0.21:+80", PortKind::Malformed},
        AddressCase{"PathAfterPort", "rfc2217://box:4001/", PortKind::Malformed},
        AddressCase{"UnknownScheme", "telnet://box:23", PortKind::Malformed},
        AddressCase{"EmptyHost", "tcp://:4001", PortKind::Malformed},
        AddressCase{"BlankInHost", "tcp://my box:4001", PortKind::Malformed},
        AddressCase{"HyphenAtLabelEnd", "tcp://box-.shop:4001", PortKind::Malformed},
        AddressCase{"Ipv6WithoutBrackets", "tcp://fe80::1:4001", PortKind::Malformed},
        AddressCase{"UnclosedBracket", "tcp://[fe80::1:4001", PortKind::Malformed}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PortAddressTest, ConfiguredPortsListEveryMappingInOrderWithWhatItIs) {
    const HostConfig config = HostConfig::Parse(
        "[Ports]\nCOM7=tcp://10.0.0.22:4001\nCOM1=/dev/ttyUSB0\nCOM5=rfc2217://10.0.0.21:4001\n"
        "COM9=ftp://x\n");
    std::vector<std::tuple<int, std::string, PortKind, std::string>> listed;
    for (const ConfiguredPort& port : ConfiguredPorts(config))
        listed.emplace_back(port.number, port.name, port.address.kind, port.address.text);
    EXPECT_EQ(listed, (std::vector<std::tuple<int, std::string, PortKind, std::string>>{
                          {1, "COM1", PortKind::Device, "/dev/ttyUSB0"},
                          {5, "COM5", PortKind::Rfc2217, "rfc2217://10.0.0.21:4001"},
                          {7, "COM7", PortKind::RawTcp, "tcp://10.0.0.22:4001"},
                          {9, "COM9", PortKind::Malformed, "ftp://x"}}));
    // An unmapped port is the serial device of its number.
    const PortAddress unmapped = config.AddressOf("com3");
    EXPECT_EQ(std::tie(unmapped.kind, unmapped.text),
              std::make_tuple(PortKind::Device, std::string("/dev/ttyS2")));
    // What each kind can do is said for the network kinds only.
    EXPECT_EQ(PortAddressSummary(ConfiguredPorts(config)[0].address), "");
    EXPECT_TRUE(PortAddressSummary(ConfiguredPorts(config)[2].address).starts_with("raw TCP: "));
    EXPECT_TRUE(PortAddressSummary(ConfiguredPorts(config)[1].address).starts_with("RFC 2217: "));
}

}  // namespace
}  // namespace kelvantori
