// The drive table: which host folder each letter stands for, and the text rules that turn drive
// paths into host paths and back. Pure text work over the mount table it is given, so the same
// rules hold in tests and on every POSIX host.
#include "platform/DriveMap.h"

#include <algorithm>

#include "platform/HostConfig.h"

namespace kelvantori {

namespace {

constexpr std::string_view kRemovableRoots[] = {"/media", "/run/media", "/mnt"};

char UpperLetter(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool IsLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool IsSeparator(char c, bool backslashToo) {
    return c == '/' || (backslashToo && c == '\\');
}

// The components of a path. Empty parts and "." vanish; ".." takes back the previous component
// and never climbs above the start, so "C:\..\X" stays on drive C: as it does under DOS.
std::vector<std::string_view> ComponentsOf(std::string_view path, bool backslashToo) {
    std::vector<std::string_view> parts;
    std::size_t i = 0;
    while (i < path.size()) {
        while (i < path.size() && IsSeparator(path[i], backslashToo))
            ++i;
        const std::size_t start = i;
        while (i < path.size() && !IsSeparator(path[i], backslashToo))
            ++i;
        const auto part = path.substr(start, i - start);
        if (part.empty() || part == ".")
            continue;
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
            continue;
        }
        parts.push_back(part);
    }
    return parts;
}

std::string JoinComponents(const std::vector<std::string_view>& parts) {
    if (parts.empty())
        return "/";
    std::string out;
    for (const auto part : parts) {
        out += '/';
        out += part;
    }
    return out;
}

// An absolute host folder in its plain form: no doubled or trailing "/", no "." or "..".
std::string NormalizedFolder(std::string_view folder) {
    return JoinComponents(ComponentsOf(folder, false));
}

// Number of leading components of path that folder covers, or -1 when folder does not hold
// path. Whole components are compared, so /home/annex is not inside /home/ann.
int CoveredComponents(const std::vector<std::string_view>& path,
                      const std::vector<std::string_view>& folder) {
    if (folder.size() > path.size())
        return -1;
    for (std::size_t i = 0; i < folder.size(); ++i) {
        if (folder[i] != path[i])
            return -1;
    }
    return static_cast<int>(folder.size());
}

bool IsStrictlyBelow(std::string_view path, std::string_view folder) {
    const auto p = ComponentsOf(path, false);
    const auto f = ComponentsOf(folder, false);
    return p.size() > f.size() && CoveredComponents(p, f) >= 0;
}

// Mount tables write a blank as \040, a tab as \011, a newline as \012, a backslash as \134.
std::string DecodeMountField(std::string_view field) {
    const auto isOctal = [](char c) { return c >= '0' && c <= '7'; };
    std::string out;
    out.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && isOctal(field[i + 1]) &&
            isOctal(field[i + 2]) && isOctal(field[i + 3])) {
            const int value =
                (field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0');
            if (value <= 0xFF) {
                out += static_cast<char>(value);
                i += 3;
                continue;
            }
        }
        out += field[i];
    }
    return out;
}

// "~" and "~/..." in Host.ini stand for the user's home folder.
std::string ExpandHome(const std::string& folder, const std::string& homeDir) {
    if (homeDir.empty() || folder.empty() || folder[0] != '~')
        return folder;
    if (folder.size() == 1)
        return homeDir;
    if (folder[1] == '/')
        return homeDir + folder.substr(1);
    return folder;
}

DriveType TypeOfFolder(const std::string& folder, const std::vector<MountEntry>& mounts) {
    const auto path = ComponentsOf(folder, false);
    int best = -1;
    DriveType type = DriveType::Unknown;
    // A later entry for the same mount point is mounted over the earlier one, so ">=".
    for (const auto& mount : mounts) {
        if (mount.mountPoint.empty() || mount.mountPoint[0] != '/')
            continue;
        const int covered = CoveredComponents(path, ComponentsOf(mount.mountPoint, false));
        if (covered >= 0 && covered >= best) {
            best = covered;
            type = DriveTypeOfMount(mount);
        }
    }
    return type;
}

}  // namespace

std::vector<MountEntry> ParseMountTable(std::string_view text) {
    std::vector<MountEntry> entries;
    std::size_t lineStart = 0;
    while (lineStart < text.size()) {
        std::size_t lineEnd = text.find('\n', lineStart);
        if (lineEnd == std::string_view::npos)
            lineEnd = text.size();
        const auto line = text.substr(lineStart, lineEnd - lineStart);
        lineStart = lineEnd + 1;

        std::vector<std::string_view> fields;
        std::size_t i = 0;
        while (i < line.size() && fields.size() < 3) {
            while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r'))
                ++i;
            const std::size_t start = i;
            while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r')
                ++i;
            if (i > start)
                fields.push_back(line.substr(start, i - start));
        }
        if (fields.size() < 3 || fields[0][0] == '#')
            continue;
        entries.push_back({DecodeMountField(fields[0]), DecodeMountField(fields[1]),
                           DecodeMountField(fields[2])});
    }
    return entries;
}

DriveType DriveTypeOfMount(const MountEntry& mount) {
    const std::string_view fs = mount.fsType;
    if (fs.starts_with("nfs") || fs == "cifs" || fs.starts_with("smb") || fs == "fuse.sshfs") {
        return DriveType::Remote;
    }
    if (fs == "iso9660" || fs == "udf")
        return DriveType::CdRom;
    if (fs == "tmpfs" || fs == "ramfs")
        return DriveType::RamDisk;
    for (const auto root : kRemovableRoots) {
        if (IsStrictlyBelow(mount.mountPoint, root))
            return DriveType::Removable;
    }
    return DriveType::Fixed;
}

DriveMap DriveMap::Build(const HostConfig& config, const std::string& homeDir,
                         const std::vector<MountEntry>& mounts) {
    DriveMap map;
    const auto add = [&](char letter, const std::string& folder) {
        map.drives_[letter] = Drive{folder, TypeOfFolder(folder, mounts)};
    };
    // Host.ini values that are not absolute folders would depend on the working folder of the
    // moment; they are ignored rather than guessed at.
    for (const auto& [letter, value] : config.drives) {
        const std::string folder = ExpandHome(value, homeDir);
        if (!folder.empty() && folder[0] == '/')
            add(UpperLetter(letter), NormalizedFolder(folder));
    }
    if (!map.drives_.contains('C') && !homeDir.empty() && homeDir[0] == '/') {
        add('C', NormalizedFolder(homeDir));
    }
    if (!map.drives_.contains('Z'))
        add('Z', "/");

    const auto isMapped = [&](const std::string& folder) {
        return std::any_of(map.drives_.begin(), map.drives_.end(),
                           [&](const auto& entry) { return entry.second.folder == folder; });
    };
    char next = 'D';
    for (const auto& mount : mounts) {
        if (mount.mountPoint.empty() || mount.mountPoint[0] != '/')
            continue;
        const bool removablePlace = std::any_of(
            std::begin(kRemovableRoots), std::end(kRemovableRoots),
            [&](std::string_view root) { return IsStrictlyBelow(mount.mountPoint, root); });
        if (!removablePlace)
            continue;
        const std::string folder = NormalizedFolder(mount.mountPoint);
        if (isMapped(folder))
            continue;  // configured already, or listed twice
        while (next <= 'Z' && map.drives_.contains(next))
            ++next;
        if (next > 'Z')
            break;
        add(next, folder);
    }
    return map;
}

std::optional<std::string> DriveMap::ToHost(std::string_view drivePath) const {
    if (drivePath.size() < 2 || !IsLetter(drivePath[0]) || drivePath[1] != ':')
        return std::nullopt;
    // A NUL would cut the host path short at the system call.
    if (drivePath.find('\0') != std::string_view::npos)
        return std::nullopt;
    const auto it = drives_.find(UpperLetter(drivePath[0]));
    if (it == drives_.end())
        return std::nullopt;
    // "C:NC" has no current folder to be relative to other than the drive's root.
    const auto parts = ComponentsOf(drivePath.substr(2), true);
    std::string host = it->second.folder;
    for (const auto part : parts) {
        if (host.back() != '/')
            host += '/';
        host += part;
    }
    return host;
}

std::optional<std::string> DriveMap::ToDrive(std::string_view hostPath) const {
    if (hostPath.empty() || hostPath[0] != '/')
        return std::nullopt;
    const auto path = ComponentsOf(hostPath, false);
    int best = -1;
    char bestLetter = 0;
    for (const auto& [letter, drive] : drives_) {
        const int covered = CoveredComponents(path, ComponentsOf(drive.folder, false));
        if (covered > best) {  // ">": of two letters on one folder the first one answers
            best = covered;
            bestLetter = letter;
        }
    }
    if (best < 0)
        return std::nullopt;
    std::string out{bestLetter, ':'};
    for (std::size_t i = static_cast<std::size_t>(best); i < path.size(); ++i) {
        out += '\\';
        out += path[i];
    }
    return out;
}

std::optional<std::string> DriveMap::FolderOf(char letter) const {
    const auto it = drives_.find(UpperLetter(letter));
    if (it == drives_.end())
        return std::nullopt;
    return it->second.folder;
}

DriveType DriveMap::TypeOf(char letter) const {
    const auto it = drives_.find(UpperLetter(letter));
    return it == drives_.end() ? DriveType::Unknown : it->second.type;
}

std::vector<char> DriveMap::Letters() const {
    std::vector<char> letters;
    for (const auto& entry : drives_)
        letters.push_back(entry.first);
    return letters;
}

}  // namespace kelvantori
