// kelvantori-cli: transfers and NC tools without a window.
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "app/cli/CliTools.h"
#include "app/cli/CliTransfer.h"

int main(int argc, char** argv) {
    using namespace kelvantori;
    const std::vector<std::string> args(argv + 1, argv + argc);
    CliIo io{std::cin, std::cout, std::cerr, isatty(STDERR_FILENO) == 1,
             isatty(STDOUT_FILENO) == 1};
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
        std::cout << TransferUsage() << "\n" << ToolsUsage();
        return kExitCompleted;
    }
    if (!args.empty() && IsToolCommand(args[0]))
        return RunToolCommand(args, io);
    SteadyClock clock;
    return RunTransferCommand(args, io, SystemSerialPortFactory(), clock);
}
