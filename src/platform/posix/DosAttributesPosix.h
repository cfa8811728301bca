// DOS attributes on a POSIX host: read-only is the owner's write permission; hidden is a leading
// dot or the stored attribute; hidden, system and archive are stored in the extended attribute
// user.DOSATTRIB as "0x" and hex digits (the form Samba reads). A file system without user
// extended attributes (vfat sticks, some network shares) cannot keep them: there they read as
// not set, and setting them changes only the read-only permission.
#pragma once

#include <sys/stat.h>

#include <string>

#include "platform/FileSystem.h"

namespace kelvantori::posix {

// The extended attribute that stores them; saves and copies carry it over with the content.
inline constexpr const char* kDosAttributeName = "user.DOSATTRIB";

// The attributes of the entry at host, whose stat is st. A dangling link has none stored and is
// not read-only.
DosAttributes AttributesOf(const std::string& host, const struct stat& st, bool danglingLink);

// FileSystem::SetAttributes on a host path.
FsError SetAttributesOf(const std::string& host, const DosAttributes& attributes);

}  // namespace kelvantori::posix
