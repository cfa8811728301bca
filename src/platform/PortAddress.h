// What a COMn port stands for on this host: a serial device, or a serial port on the network
// behind a device server (`tcp://HOST:PORT` raw TCP, `rfc2217://HOST:PORT` Telnet COM-PORT-OPTION).
#pragma once

#include <string>
#include <string_view>

namespace kelvantori {

enum class PortKind {
    Device,     // a device path (/dev/ttyUSB0, a pseudo-terminal)
    RawTcp,     // tcp://HOST:PORT: bytes in, bytes out; the line setting stays the box's own
    Rfc2217,    // rfc2217://HOST:PORT: the line setting, flow control and modem lines go through
    Malformed,  // a network address that cannot be used ("tcp://host", "ftp://...")
};

struct PortAddress {
    PortKind kind = PortKind::Device;
    std::string text;  // as written in Host.ini
    std::string host;  // network ports: a name, an IPv4 address or an IPv6 address (no brackets)
    int port = 0;      // network ports: 1..65535

    // "10.0.0.21:4001", "[fe80::1]:4001": where a network port connects, for messages.
    std::string Endpoint() const;
    bool IsNetwork() const { return kind == PortKind::RawTcp || kind == PortKind::Rfc2217; }
};

// A [Ports] value. Anything with "://" is taken for a network address (scheme in any case); a
// host is a DNS name, a dotted IPv4 address or an IPv6 address in brackets, the port a decimal
// number 1..65535, and nothing may follow it. Everything else is a device path.
PortAddress ParsePortAddress(std::string_view text);

// What the port can and cannot do, for --show-setup and the communication settings panel:
// "RFC 2217: ..." / "raw TCP: ..." / the form expected; empty for a device.
std::string PortAddressSummary(const PortAddress& address);

}  // namespace kelvantori
