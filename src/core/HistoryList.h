// The history lists of the dialogs that remember what was typed into them: "Path.lst" (target
// folders, shared by the split and the copy/move dialogs), "FIND.LST" (find texts) and "NAME.lst"
// (names of joined files). Most recent first, at most 20 entries; CP932 lines on disk.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kelvantori {

inline constexpr std::string_view kFolderHistoryName = "Path.lst";
inline constexpr std::string_view kFindHistoryName = "FIND.LST";
inline constexpr std::string_view kNameHistoryName = "NAME.lst";
inline constexpr std::size_t kHistoryLimit = 20;

// Puts entry in front; then, scanning from the second entry on, deletes the first entry equal to
// it (exact, case-sensitive; only that one); then cuts the list to kHistoryLimit entries.
void AddToHistory(std::vector<std::string>& entries, std::string_view entry);

// The entries of a list file: CP932 lines ending in CR LF or LF (the last may have none),
// decoded to UTF-8. Empty lines and lines of blanks only are dropped: the program never writes
// them, and an empty entry would offer an empty folder or name. Other entries are kept exactly,
// blanks included, and all of them, even beyond 20 (the next AddToHistory cuts the list).
std::vector<std::string> ParseHistoryList(std::string_view cp932);

// The file bytes: each entry as CP932 followed by CR LF. An entry that CP932 cannot hold exactly,
// or that holds a line break, is left out: written with a "?" it would name another folder or file
// in the next run.
std::string SerializeHistoryList(const std::vector<std::string>& entries);

}  // namespace kelvantori
