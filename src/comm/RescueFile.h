// Where received data goes when it cannot stay where it belonged (a target that cannot be
// written, a stopped receive): a file of its own, RESCUE_<yyyymmdd-hhmmss>[_n]_<name>, in the
// program folder or the next folder that takes it. The terminal and the window keep rescued data
// the same way.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/DateTime.h"
#include "platform/FileSystem.h"
#include "platform/HostEnvironment.h"

namespace kelvantori {

// "YYYYMMDD-HHMMSS": the time in the name of a rescue file.
std::string RescueStamp(const LocalDateTime& t);

// Where rescue files go, in order: the program folder (beside the log), else /tmp.
std::vector<std::string> RescueFolders(const HostEnvironment& host);

// Writes bytes to a new rescue file in the first of folders (drive paths) that takes it, never
// over an earlier rescue of the same second; the name is shortened to what a file system takes.
// The drive path of the file, or nullopt when no folder took it.
std::optional<std::string> WriteRescueFile(FileSystem& files,
                                           const std::vector<std::string>& folders,
                                           const LocalDateTime& when, std::string_view name,
                                           std::string_view bytes);

}  // namespace kelvantori
