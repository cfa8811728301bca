// Drive path text rules. Paths are UTF-8 in memory, where the byte 0x5C is always a backslash
// (in CP932 it can also be the second byte of a character such as 表), so plain byte searches
// for "\" are safe here.
#include "core/DrivePath.h"

namespace kelvantori {

namespace {

constexpr char kSeparator = '\\';

// Index of the last "\" or drive colon, the end of the folder part of a path.
std::size_t FolderEnd(std::string_view path) {
    return path.find_last_of("\\:");
}

}  // namespace

std::string DriveFolderOf(std::string_view drivePath) {
    const auto slash = drivePath.rfind(kSeparator);
    if (slash != std::string_view::npos)
        return std::string(drivePath.substr(0, slash));
    const auto colon = drivePath.find(':');
    if (colon != std::string_view::npos)
        return std::string(drivePath.substr(0, colon + 1));
    return {};
}

std::string DriveFileNameOf(std::string_view drivePath) {
    const auto end = FolderEnd(drivePath);
    if (end == std::string_view::npos)
        return std::string(drivePath);
    return std::string(drivePath.substr(end + 1));
}

std::string JoinDrivePath(std::string_view folder, std::string_view name) {
    while (!name.empty() && name.front() == kSeparator)
        name.remove_prefix(1);
    if (folder.empty())
        return std::string(name);
    std::string joined(folder);
    if (joined.back() != kSeparator)
        joined.push_back(kSeparator);
    joined.append(name);
    return joined;
}

std::string FileExtensionOf(std::string_view name) {
    const auto dot = name.find_last_of(".\\:");
    if (dot == std::string_view::npos || name[dot] != '.')
        return {};
    return std::string(name.substr(dot));
}

std::string FileBaseNameOf(std::string_view name) {
    const auto extension = FileExtensionOf(name);
    return std::string(name.substr(0, name.size() - extension.size()));
}

char DriveLetterOf(std::string_view drivePath) {
    if (drivePath.size() < 2 || drivePath[1] != ':')
        return 0;
    const char c = drivePath[0];
    if (c >= 'a' && c <= 'z')
        return static_cast<char>(c - 'a' + 'A');
    if (c >= 'A' && c <= 'Z')
        return c;
    return 0;
}

std::string AsciiUpper(std::string_view text) {
    std::string out(text);
    for (auto& c : out) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

std::string AsciiLower(std::string_view text) {
    std::string out(text);
    for (auto& c : out) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

}  // namespace kelvantori
