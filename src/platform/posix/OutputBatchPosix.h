// Batches of safe saves on a POSIX host: thousands of files written beside their targets and
// put in place together with one flush to the disk.
#pragma once

#include <functional>
#include <memory>
#include <string_view>

#include "platform/FileSystem.h"
#include "platform/posix/SafeSavePosix.h"

namespace kelvantori::posix {

// Starts the new file of a safe save of a drive path, with the checks of a save in Replace mode.
using PrepareReplace = std::function<FsError(std::string_view path, PendingFile& pending)>;

std::unique_ptr<OutputBatch> OpenOutputBatch(PrepareReplace prepare);

}  // namespace kelvantori::posix
