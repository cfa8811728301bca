// kelvantori-cli split|join|double ...: the NC program tools for scripts.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/cli/CliIo.h"

namespace kelvantori {

bool IsToolCommand(std::string_view word);

// The usage text of the tool commands.
std::string ToolsUsage();

// args[0] is the command word.
int RunToolCommand(const std::vector<std::string>& args, CliIo& io);

}  // namespace kelvantori
