// The files the tool dialogs keep in the program folder, read and written through the file
// system: the history lists ("Path.lst", "NAME.lst") and the split options ("Div_Sub.ini").
// A missing or unreadable file reads as empty (no entries, every option off).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/SplitPrograms.h"
#include "platform/FileSystem.h"

namespace kelvantori {

std::vector<std::string> LoadHistoryFile(FileSystem& files, std::string_view path);
// A safe save of the list (see SerializeHistoryList for the entries left out).
FsError SaveHistoryFile(FileSystem& files, std::string_view path,
                        const std::vector<std::string>& entries);

SplitOptions LoadSplitOptions(FileSystem& files, std::string_view path);
// Sets F_Set, B_Set and N_Set, keeping everything else of the file.
FsError SaveSplitOptions(FileSystem& files, std::string_view path, const SplitOptions& options);

}  // namespace kelvantori
