// The command line of kelvantori-machine and its help text.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "machine/LinePacing.h"
#include "machine/MachineConfig.h"

namespace kelvantori::machine {

struct MachineOptions {
    MachineConfig config;
    int baud = 0;
    LineFormat format;
    std::string storeDir;
    std::string rawFile;
    std::string punchFile;
    std::string linkPath;
    std::string summaryFile;
    bool verbose = false;
    bool help = false;
};

struct OptionsResult {
    std::optional<MachineOptions> options;
    std::string error;  // the user's message when options is empty
};

// Options come as "--name value" or "--name=value".
OptionsResult ParseMachineOptions(const std::vector<std::string>& args);

std::string MachineUsage();

}  // namespace kelvantori::machine
