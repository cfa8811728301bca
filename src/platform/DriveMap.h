// Drive paths (C:\NC\O1234.NC) are the program's own path language; this is the one place that
// turns them into host paths and back.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelvantori {

struct HostConfig;

enum class DriveType { Unknown, Removable, Fixed, Remote, CdRom, RamDisk };

struct MountEntry {
    std::string device;
    std::string mountPoint;  // octal escapes of the mount table decoded
    std::string fsType;
};

// Parses /proc/self/mounts (or /etc/mtab) text.
std::vector<MountEntry> ParseMountTable(std::string_view text);

class DriveMap {
  public:
    // Letters from Host.ini [Drives]; then the defaults for letters not configured: C = home,
    // Z = "/", and mounted removable media (mount points under /media, /run/media, /mnt) the next
    // free letters from D on, in mount-table order.
    static DriveMap Build(const HostConfig& config, const std::string& homeDir,
                          const std::vector<MountEntry>& mounts);

    // "C:\NC\A.NC" -> "/home/ann/NC/A.NC"; "C:" and "C:\" -> "/home/ann". The letter compares
    // case-insensitively, the rest is kept as written ("\" becomes "/"). nullopt for an unmapped
    // letter or a text that is not a drive path.
    std::optional<std::string> ToHost(std::string_view drivePath) const;

    // The drive path of the letter with the longest folder that contains hostPath ("/home/ann/NC"
    // -> "C:\NC", "/home/ann" -> "C:"). nullopt only when no letter holds the path (Z: = "/"
    // normally answers every absolute path).
    std::optional<std::string> ToDrive(std::string_view hostPath) const;

    std::optional<std::string> FolderOf(char letter) const;
    // Type by the mount table: the file system of the mount that holds the letter's folder.
    DriveType TypeOf(char letter) const;
    // Mapped letters in order A..Z.
    std::vector<char> Letters() const;

  private:
    struct Drive {
        std::string folder;
        DriveType type = DriveType::Unknown;
    };
    std::map<char, Drive> drives_;
};

// Type of a mount by its file system and place: nfs/cifs/smb* remote, iso9660/udf CD-ROM,
// tmpfs/ramfs RAM disk, mounts under /media, /run/media, /mnt removable, others fixed.
DriveType DriveTypeOfMount(const MountEntry& mount);

}  // namespace kelvantori
