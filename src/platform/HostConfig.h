// Host.ini in the program folder: which host folder each drive letter stands for ([Drives]) and
// what each COMn port is ([Ports]): a device, or a serial port on the network. UTF-8, since it
// holds host paths.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/PortAddress.h"

namespace kelvantori {

inline constexpr std::string_view kHostIniName = "Host.ini";

struct HostConfig {
    std::map<char, std::string> drives;  // 'A'..'Z' (upper case) -> host folder
    std::map<int, std::string> ports;    // 1..30 -> device path or network address

    static HostConfig Parse(std::string_view bytes);

    // The device of "COMn" (any case); an unmapped port is /dev/ttyS(n-1). Empty when the name
    // is not COM followed by a number.
    std::string DeviceOf(std::string_view portName) const;

    // What "COMn" stands for: DeviceOf read as a [Ports] value (ParsePortAddress).
    PortAddress AddressOf(std::string_view portName) const;
};

// A port mapped in [Ports], for the lists of the program (--show-setup, the communication
// settings panel): its name, and what it stands for.
struct ConfiguredPort {
    int number = 0;
    std::string name;  // "COM5"
    PortAddress address;
};

// Every mapped port in the order of its number. Ports not mapped are /dev/ttyS(n-1).
std::vector<ConfiguredPort> ConfiguredPorts(const HostConfig& config);

}  // namespace kelvantori
