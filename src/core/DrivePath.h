// Text rules of drive paths ("C:\NC\O1234.NC"): folder and name, extension, joining. Pure
// string work; the platform layer turns drive paths into host paths.
#pragma once

#include <string>
#include <string_view>

namespace kelvantori {

// The folder of a path without its trailing "\": "C:\NC\A.NC" -> "C:\NC", "C:\A.NC" -> "C:".
// A path without "\" gives the part up to and including its drive colon ("C:A.NC" -> "C:"), or "".
std::string DriveFolderOf(std::string_view drivePath);
// The name after the last "\" (or after the drive colon): "C:\NC\A.NC" -> "A.NC".
std::string DriveFileNameOf(std::string_view drivePath);
// Folder + "\" + name, with exactly one "\" between them ("C:" + "A.NC" -> "C:\A.NC",
// "C:\" + "A.NC" -> "C:\A.NC", "C:\NC" + "\A.NC" -> "C:\NC\A.NC"). An empty folder gives the
// name alone.
std::string JoinDrivePath(std::string_view folder, std::string_view name);
// The extension with its dot, as the final "."-part of the name ("A.B.NC" -> ".NC"; "A" -> "").
std::string FileExtensionOf(std::string_view name);
// The name without its extension ("A.B.NC" -> "A.B").
std::string FileBaseNameOf(std::string_view name);
// The upper-case drive letter of "c:\..." ('C'), or 0 when the text does not start with one.
char DriveLetterOf(std::string_view drivePath);
// ASCII upper and lower case; every other byte (UTF-8 multi-byte characters) unchanged.
std::string AsciiUpper(std::string_view text);
std::string AsciiLower(std::string_view text);

}  // namespace kelvantori
