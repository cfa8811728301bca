// Host.ini: drive letters and serial devices of this host.
#include "platform/HostConfig.h"

#include <charconv>

#include "core/IniDocument.h"

namespace kelvantori {

namespace {

// The number n of "COMn" (any case), or 0 when the text is not of that form.
int PortNumberOf(std::string_view name) {
    if (name.size() < 4)
        return 0;
    for (int i = 0; i < 3; ++i) {
        const char c = static_cast<char>(name[i] & ~0x20);
        if (c != "COM"[i])
            return 0;
    }
    int n = 0;
    const auto digits = name.substr(3);
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
    if (ec != std::errc() || end != digits.data() + digits.size() || n < 1)
        return 0;
    return n;
}

}  // namespace

HostConfig HostConfig::Parse(std::string_view bytes) {
    HostConfig config;
    const auto doc = IniDocument::Parse(bytes);
    for (const auto& key : doc.Keys("Drives")) {
        if (key.size() != 1)
            continue;
        const char letter = static_cast<char>(key[0] & ~0x20);
        if (letter < 'A' || letter > 'Z')
            continue;
        if (const auto value = doc.Get("Drives", key); value && !value->empty()) {
            config.drives.emplace(letter, *value);
        }
    }
    for (const auto& key : doc.Keys("Ports")) {
        const int n = PortNumberOf(key);
        if (n == 0)
            continue;
        if (const auto value = doc.Get("Ports", key); value && !value->empty()) {
            config.ports.emplace(n, *value);
        }
    }
    return config;
}

std::string HostConfig::DeviceOf(std::string_view portName) const {
    const int n = PortNumberOf(portName);
    if (n == 0)
        return {};
    if (const auto it = ports.find(n); it != ports.end())
        return it->second;
    return "/dev/ttyS" + std::to_string(n - 1);
}

PortAddress HostConfig::AddressOf(std::string_view portName) const {
    return ParsePortAddress(DeviceOf(portName));
}

std::vector<ConfiguredPort> ConfiguredPorts(const HostConfig& config) {
    std::vector<ConfiguredPort> list;
    for (const auto& [number, value] : config.ports)
        list.push_back(
            ConfiguredPort{number, "COM" + std::to_string(number), ParsePortAddress(value)});
    return list;
}

}  // namespace kelvantori
