// Host.ini in the program folder: which host folder each drive letter stands for ([Drives]) and
// which device each COMn port is ([Ports]). UTF-8, since it holds host paths.
#pragma once

#include <map>
#include <string>
#include <string_view>

namespace kelvantori {

inline constexpr std::string_view kHostIniName = "Host.ini";

struct HostConfig {
    std::map<char, std::string> drives;  // 'A'..'Z' (upper case) -> host folder
    std::map<int, std::string> ports;    // 1..30 -> device path

    static HostConfig Parse(std::string_view bytes);

    // The device of "COMn" (any case); an unmapped port is /dev/ttyS(n-1). Empty when the name
    // is not COM followed by a number.
    std::string DeviceOf(std::string_view portName) const;
};

}  // namespace kelvantori
