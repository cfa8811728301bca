// Copies and moves between host paths on a POSIX host: a file with its permissions, stored
// attributes and time; a whole folder with everything in it; a move to another file system.
#pragma once

#include <sys/stat.h>

#include <string>

#include "platform/FileSystem.h"

namespace kelvantori::posix {

// Whether to lies in (or is) the folder from: copying or moving a folder into itself would
// never end.
bool IsInsideFolder(const std::string& to, const std::string& from);

// A file copied to a host path that may be replaced: same bytes, permissions, stored
// attributes and modification time; the target changes only once the copy is whole.
FsError CopyFileTo(const std::string& from, const std::string& to);

// A folder copied with everything in it. Links are copied as links (so a link to a parent
// folder cannot make the copy endless); sockets, pipes and devices are left out and reported.
FsError CopyTree(const std::string& from, const std::string& to, const struct stat& fromStat,
                 bool overwrite);

// A move to another file system: copy, and remove the original only once the copy is whole.
FsError MoveAcrossDevices(const std::string& from, const std::string& to, const struct stat& st,
                          bool targetExists);

}  // namespace kelvantori::posix
