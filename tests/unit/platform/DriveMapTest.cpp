// Drive table: drive path <-> host path, default letters, Host.ini, mount table and drive types.
#include "platform/DriveMap.h"

#include <gtest/gtest.h>

#include <sstream>

#include "platform/HostConfig.h"

namespace kelvantori {
namespace {

const char* const kType[] = {"Unknown", "Removable", "Fixed", "Remote", "CdRom", "RamDisk"};

const auto kMounts = ParseMountTable(
    "/dev/sda2 / ext4 rw 0 0\n/dev/sda3 /home ext4 rw 0 0\ntmpfs /tmp tmpfs rw 0 0\n"
    "/dev/sdb1 /media/ann/USB\\040STICK vfat rw 0 0\n/dev/sr0 /media/ann/CDROM iso9660 rw 0 0\n"
    "server:/nc /srv/nc nfs4 rw 0 0\n//pc/share /mnt/share cifs rw 0 0\n"
    "/dev/sdc1 /run/media/ann/CARD exfat rw 0 0\n");

DriveMap MapOf(std::map<char, std::string> drives, const std::string& home = "/home/ann",
               const std::vector<MountEntry>& mounts = kMounts) {
    HostConfig config;
    config.drives = std::move(drives);
    return DriveMap::Build(config, home, mounts);
}

// "drive > host" lines are read with ToHost, "drive < host" lines with ToDrive ("-" = none).
std::string Converted(const DriveMap& map, const std::string& lines) {
    std::string got;
    std::istringstream in(lines);
    for (std::string line; std::getline(in, line);) {
        if (const auto at = line.find(" > "); at != std::string::npos) {
            const auto drive = line.substr(0, at);
            got += drive + " > " + map.ToHost(drive).value_or("-") + "\n";
        } else {
            const auto host = line.substr(line.find(" < ") + 3);
            got += map.ToDrive(host).value_or("-") + " < " + host + "\n";
        }
    }
    return got;
}

// D: is configured with a trailing "/" that is not part of the folder, N: on a remote mount.
TEST(DriveMap, DrivePathsAndHostPathsBothWays) {
    const std::string shop = R"(C:\NC\A.NC > /home/ann/NC/A.NC
c:\nc > /home/ann/nc
D: > /data/nc
D:\ > /data/nc
Z:\tmp > /tmp
Z: > /
C:\\NC/SUB\\\A.NC > /home/ann/NC/SUB/A.NC
C:\NC\..\..\..\etc > /home/ann/etc
C:A.NC > /home/ann/A.NC
E:\O1.NC > /media/ann/USB STICK/O1.NC
Q:\A.NC > -
C\NC > -
 > -
C:\NC\A.NC < /home/ann/NC/A.NC
C: < /home/ann/
Z:\home\annex\A.NC < /home/annex/A.NC
E:\O1.NC < /media/ann/USB STICK/O1.NC
D:\PROG\O1.NC < /data/nc/PROG/O1.NC
Z: < /
C:\NC < //home//ann//NC
- < home/ann
)";
    const auto map = MapOf({{'D', "/data/nc/"}, {'N', "/srv/nc"}});
    EXPECT_EQ(Converted(map, shop), shop);
    EXPECT_EQ(map.ToHost(std::string("C:\\A.NC\0/../../etc/passwd", 25)), std::nullopt);
    // Z: configured elsewhere: nothing answers for /etc. Of two letters on a folder, D answers.
    const std::string other =
        "- < /etc/passwd\nZ:\\x < /srv/x\nD:\\O1.NC < /data/O1.NC\n"
        "K:\\O1.NC > /data/O1.NC\n";
    EXPECT_EQ(Converted(MapOf({{'Z', "/srv"}, {'D', "/data"}, {'K', "/data"}}, "", {}), other),
              other);
}

// Configured letters first; then C = home, Z = "/", removable places from D on; each with the
// type of the mount holding its folder (a later mount over the same point wins).
TEST(DriveMap, LettersFoldersAndTypes) {
    const auto twice = ParseMountTable(
        "/dev/sdb1 /media/ann/USB vfat\n"
        "/dev/sdb1 /media/ann/USB vfat\n");
    const auto over = ParseMountTable("/dev/sda1 / ext4\n/dev/sda5 /work ext4\ntmpfs /work tmpfs");
    const struct {
        const char* name;
        DriveMap map;
        const char* table;
    } cases[] = {
        {"Shop", MapOf({{'D', "/data/nc/"}, {'N', "/srv/nc"}}),
         "C=/home/ann Fixed, D=/data/nc Fixed, E=/media/ann/USB STICK Removable, "
         "F=/media/ann/CDROM CdRom, G=/mnt/share Remote, H=/run/media/ann/CARD Removable, "
         "N=/srv/nc Remote, Z=/ Fixed, "},
        {"ConfiguredMountGetsNoSecondLetter", MapOf({{'U', "/media/ann/USB STICK"}}),
         "C=/home/ann Fixed, D=/media/ann/CDROM CdRom, E=/mnt/share Remote, "
         "F=/run/media/ann/CARD Removable, U=/media/ann/USB STICK Removable, Z=/ Fixed, "},
        {"ConfiguredCAndZ", MapOf({{'C', "/data"}, {'Z', "/srv"}}, "/home/ann", {}),
         "C=/data Unknown, Z=/srv Unknown, "},
        {"HomeShorthandRelativeIgnored", MapOf({{'D', "~/NC"}, {'E', "relative/x"}}, "/a", {}),
         "C=/a Unknown, D=/a/NC Unknown, Z=/ Unknown, "},
        {"NoHomeNoC", MapOf({{'W', "/work/nc"}}, "", over), "W=/work/nc RamDisk, Z=/ Fixed, "},
        {"MountListedTwice", MapOf({}, "/home/ann", twice),
         "C=/home/ann Unknown, D=/media/ann/USB Removable, Z=/ Unknown, "}};
    for (const auto& c : cases) {
        std::string table;
        for (const char letter : c.map.Letters())
            table += std::string(1, letter) + "=" + c.map.FolderOf(letter).value_or("?") + " " +
                     kType[static_cast<int>(c.map.TypeOf(letter))] + ", ";
        EXPECT_EQ(table, c.table) << c.name;
    }
}

TEST(DriveMap, TypeOfAMountByFileSystemThenPlace) {
    std::istringstream in(R"(s:/x /srv/x nfs Remote
//s/x /srv/x smb3 Remote
/dev/sr0 /srv/dvd udf CdRom
ramfs /mnt/ram ramfs RamDisk
/dev/sdb1 /run/media/ann/U ext4 Removable
/dev/sdb1 /mnt ext4 Fixed
/dev/sdb1 /mediastore/x ext4 Fixed)");
    for (std::string device, point, fsType, type; in >> device >> point >> fsType >> type;)
        EXPECT_EQ(kType[static_cast<int>(DriveTypeOfMount({device, point, fsType}))], type)
            << fsType << " at " << point;
}

TEST(ParseMountTable, ReadsFieldsAndDecodesOctalEscapes) {
    std::vector<std::string> fields;
    for (const auto& e : ParseMountTable("/dev/sda2 / ext4 rw,relatime 0 0\n"
                                         "//pc/nc\\134share /mnt/a\\011b cifs rw 0 0\n"
                                         "\n"
                                         "# comment line\n"
                                         "broken-line-with-two fields\n"
                                         "dev /mnt/a\\x\\09 vfat rw 0 0\n"
                                         "tmpfs /tmp tmpfs rw"))  // no newline at the end
        fields.push_back(e.device + "|" + e.mountPoint + "|" + e.fsType);
    EXPECT_EQ(fields, (std::vector<std::string>{"/dev/sda2|/|ext4", "//pc/nc\\share|/mnt/a\tb|cifs",
                                                "dev|/mnt/a\\x\\09|vfat", "tmpfs|/tmp|tmpfs"}));
}

TEST(HostConfig, DrivesAndPortsFromHostIni) {
    const auto config = HostConfig::Parse(
        "[Drives]\r\nd=/data/nc\r\nAB=/x\r\n1=/y\r\nE=\r\n"
        "[Ports]\r\ncom3=/dev/ttyUSB0\r\nCOM0=/z\r\nLPT1=/z\r\nCOM4=\r\n");
    EXPECT_EQ(config.drives, (std::map<char, std::string>{{'D', "/data/nc"}}));
    EXPECT_EQ(config.ports, (std::map<int, std::string>{{3, "/dev/ttyUSB0"}}));
    // An unmapped port is /dev/ttyS(n-1); a name that is no COMn has no device.
    EXPECT_EQ((std::vector{config.DeviceOf("COM3"), config.DeviceOf("com4"),
                           config.DeviceOf("LPT1"), config.DeviceOf("COM")}),
              (std::vector<std::string>{"/dev/ttyUSB0", "/dev/ttyS3", "", ""}));
}

}  // namespace
}  // namespace kelvantori
