// Listing a folder on a POSIX host: every entry with its kind, size, time and short name.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/FileSystem.h"

namespace kelvantori::posix {

// FileSystem::Scan on a host folder: every entry but "." and "..", in the order the host gives
// them; nullopt when the folder cannot be read.
std::optional<std::vector<DirEntry>> ScanHostFolder(const std::string& folder);

}  // namespace kelvantori::posix
