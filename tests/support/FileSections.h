// The fixture format that lists several files with their exact bytes (split outputs, join
// inputs): each file is a line "=== NAME" ended by LF alone, then the file's bytes as they are.
// A file ends where the next "=== " begins a line (after an LF or a CR) or at the end.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kelvantori::test {

// A file without a final line end can only be the last one. Text before the first "=== " line
// is a comment.
using FileSections = std::vector<std::pair<std::string, std::string>>;  // name, bytes; in order

FileSections ParseFileSections(std::string_view text);
inline std::map<std::string, std::string> ToFileMap(const FileSections& sections) {
    return {sections.begin(), sections.end()};
}

// The inverse, in name order: what a test writes when it shows a difference.
std::string FormatFileSections(const std::map<std::string, std::string>& files);

}  // namespace kelvantori::test
