// kelvantori-cli ITEM...: the window's command-line items, run as transfers in a terminal.
#pragma once

#include <string>
#include <vector>

#include "app/cli/CliIo.h"

namespace kelvantori {

// The usage text of the transfer items and options.
std::string TransferUsage();

int RunTransferCommand(const std::vector<std::string>& args, CliIo& io);

}  // namespace kelvantori
