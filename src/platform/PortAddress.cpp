// The [Ports] values of Host.ini: device paths and network addresses.
#include "platform/PortAddress.h"

#include <algorithm>
#include <charconv>

namespace kelvantori {

namespace {

constexpr std::string_view kSchemeSeparator = "://";
constexpr std::size_t kMaxHostName = 253;
constexpr std::size_t kMaxLabel = 63;

bool IsAsciiAlnum(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return (x | 0x20) == (y | 0x20) && IsAsciiAlnum(x);
           });
}

// A DNS name or a dotted IPv4 address: labels of letters, digits and inner hyphens.
bool IsHostName(std::string_view host) {
    if (host.empty() || host.size() > kMaxHostName)
        return false;
    std::size_t start = 0;
    for (;;) {
        const std::size_t dot = host.find('.', start);
        const std::string_view label = host.substr(
            start, dot == std::string_view::npos ? std::string_view::npos : dot - start);
        if (label.empty() || label.size() > kMaxLabel || label.front() == '-' ||
            label.back() == '-')
            return false;
        if (!std::all_of(label.begin(), label.end(),
                         [](char c) { return IsAsciiAlnum(c) || c == '-'; }))
            return false;
        if (dot == std::string_view::npos)
            return true;
        start = dot + 1;
    }
}

// The inside of "[...]": hex digits, colons and an embedded IPv4 part; the resolver judges the
// rest.
bool IsIpv6Text(std::string_view host) {
    return host.find(':') != std::string_view::npos &&
           std::all_of(host.begin(), host.end(), [](char c) {
               return (c >= '0' && c <= '9') || ((c | 0x20) >= 'a' && (c | 0x20) <= 'f') ||
                      c == ':' || c == '.';
           });
}

int PortNumber(std::string_view digits) {
    if (digits.empty() || digits.size() > 5 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return 0;
    int port = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), port);
    return port <= 65535 ? port : 0;
}

}  // namespace

std::string PortAddress::Endpoint() const {
    const std::string name = host.find(':') != std::string::npos ? "[" + host + "]" : host;
    return name + ":" + std::to_string(port);
}

PortAddress ParsePortAddress(std::string_view text) {
    PortAddress address;
    address.text = std::string(text);
    const std::size_t separator = text.find(kSchemeSeparator);
    if (separator == std::string_view::npos)
        return address;

    address.kind = PortKind::Malformed;
    const std::string_view scheme = text.substr(0, separator);
    const std::string_view rest = text.substr(separator + kSchemeSeparator.size());
    PortKind kind = PortKind::Malformed;
    if (SameIgnoringCase(scheme, "tcp"))
        kind = PortKind::RawTcp;
    else if (SameIgnoringCase(scheme, "rfc2217"))
        kind = PortKind::Rfc2217;
    else
        return address;

    std::string_view host;
    std::string_view port;
    if (!rest.empty() && rest.front() == '[') {
        const std::size_t close = rest.find(']');
        if (close == std::string_view::npos || close + 1 >= rest.size() || rest[close + 1] != ':')
            return address;
        host = rest.substr(1, close - 1);
        port = rest.substr(close + 2);
        if (!IsIpv6Text(host))
            return address;
    } else {
        const std::size_t colon = rest.rfind(':');
        if (colon == std::string_view::npos)
            return address;
        host = rest.substr(0, colon);
        port = rest.substr(colon + 1);
        if (!IsHostName(host))
            return address;
    }
    const int number = PortNumber(port);
    if (number < 1)
        return address;
    address.kind = kind;
    address.host = std::string(host);
    address.port = number;
    return address;
}

std::string PortAddressSummary(const PortAddress& address) {
    switch (address.kind) {
        case PortKind::Device:
            return {};
        case PortKind::RawTcp:
            return "raw TCP: 通信設定、流れ制御、DTR/RTS、モデム信号は装置サーバ側の設定のまま";
        case PortKind::Rfc2217:
            return "RFC 2217: 通信設定、流れ制御、DTR/RTS を装置サーバに送り、モデム信号を受け取る";
        case PortKind::Malformed:
            break;
    }
    return "使えない指定です (tcp://ホスト:ポート か rfc2217://ホスト:ポート)";
}

}  // namespace kelvantori
