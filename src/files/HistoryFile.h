// The history lists of the dialogs on disk: "Path.lst", "FIND.LST" and "NAME.lst" in the program
// folder, read when a dialog opens and written when it closes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/FileSystem.h"

namespace kelvantori {

// The entries of the list file at a drive path; none when the file is missing or unreadable
// (a dialog then starts with an empty list).
std::vector<std::string> LoadHistoryFile(FileSystem& files, std::string_view path);

// A safe save of the entries (CP932 lines, see SerializeHistoryList).
FsError SaveHistoryFile(FileSystem& files, std::string_view path,
                        const std::vector<std::string>& entries);

}  // namespace kelvantori
