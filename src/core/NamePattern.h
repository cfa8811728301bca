// File-name rules of the folder list that are pure text work: the wildcard patterns of a folder
// scan ("O12*.NC") and the order in which names are listed.
#pragma once

#include <string_view>

namespace kelvantori {

// True when name fits the pattern: "*" stands for any run of characters (none too), "?" for
// exactly one character; ASCII letters compare without regard to case, as the drive file systems
// the operators know do. Two rules of those file systems hold as well: a pattern that ends in ".*"
// also takes a name without any dot ("*.*" takes every name), and one that ends in a lone "."
// takes the names without a dot that fit the rest.
bool MatchesNamePattern(std::string_view pattern, std::string_view name);

// The name order of the file list: negative when a comes first, 0 when equal, positive after.
// Letters compare by the letter first and by its case only when the names differ in nothing else,
// small before capital ("a.nc" < "A.NC" < "b.nc"); every other byte by its value.
int CompareFileNames(std::string_view a, std::string_view b);

}  // namespace kelvantori
