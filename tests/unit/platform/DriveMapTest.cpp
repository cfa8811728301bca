// Drive table: drive path <-> host path, default letters, Host.ini, mount table and drive types.
#include "platform/DriveMap.h"

#include <gtest/gtest.h>

#include "platform/HostConfig.h"

namespace kelvantori {
namespace {

using Folders = std::map<char, std::string>;

const std::vector<MountEntry> kMounts = {{"/dev/sda2", "/", "ext4"},
                                         {"/dev/sda3", "/home", "ext4"},
                                         {"tmpfs", "/tmp", "tmpfs"},
                                         {"/dev/sdb1", "/media/ann/USB STICK", "vfat"},
                                         {"/dev/sr0", "/media/ann/CDROM", "iso9660"},
                                         {"server:/nc", "/srv/nc", "nfs4"},
                                         {"//pc/share", "/mnt/share", "cifs"},
                                         {"/dev/sdc1", "/run/media/ann/CARD", "exfat"}};

DriveMap MapOf(const Folders& configured, const std::string& home = "/home/ann",
               const std::vector<MountEntry>& mounts = kMounts) {
    HostConfig config;
    config.drives = configured;
    return DriveMap::Build(config, home, mounts);
}

// D: configured with a trailing "/" that is not part of the folder, N: on a remote mount.
DriveMap ShopMap() {
    return MapOf({{'D', "/data/nc/"}, {'N', "/srv/nc"}});
}

Folders FoldersOf(const DriveMap& map) {
    Folders folders;
    for (const char letter : map.Letters())
        folders[letter] = map.FolderOf(letter).value_or("?");
    return folders;
}

TEST(DriveMap, ToHost) {
    const std::vector<std::pair<std::string, std::optional<std::string>>> cases = {
        {"C:\\NC\\A.NC", "/home/ann/NC/A.NC"},
        {"c:\\nc", "/home/ann/nc"},  // the letter in any case, the rest as written
        {"D:", "/data/nc"},
        {"D:\\", "/data/nc"},
        {"Z:\\tmp", "/tmp"},
        {"Z:", "/"},
        {"C:\\\\NC\\\\\\A.NC", "/home/ann/NC/A.NC"},
        {"C:\\NC\\", "/home/ann/NC"},
        {"C:\\NC/SUB\\A.NC", "/home/ann/NC/SUB/A.NC"},
        {"C:\\..\\..\\etc", "/home/ann/etc"},  // ".." never leaves the drive
        {"C:\\NC\\OLD\\..\\A.NC", "/home/ann/NC/A.NC"},
        {"C:A.NC", "/home/ann/A.NC"},
        {"C:\\加工 データ\\O1.NC", "/home/ann/加工 データ/O1.NC"},
        {"E:\\O1.NC", "/media/ann/USB STICK/O1.NC"},  // removable media: first free letter
        {"Q:\\A.NC", std::nullopt},
        {"A:", std::nullopt},
        {"C\\NC", std::nullopt},
        {"/home/ann", std::nullopt},
        {"1:\\A", std::nullopt},
        {"", std::nullopt},
        {std::string("C:\\A.NC\0/../../etc/passwd", 25), std::nullopt}};
    const auto map = ShopMap();
    for (const auto& [drivePath, host] : cases)
        EXPECT_EQ(map.ToHost(drivePath), host) << drivePath;
}

TEST(DriveMap, ToDrive) {
    const std::vector<std::pair<std::string, std::optional<std::string>>> cases = {
        {"/home/ann/NC/A.NC", "C:\\NC\\A.NC"},
        {"/home/ann", "C:"},
        {"/home/ann/", "C:"},
        {"/home/annex/A.NC", "Z:\\home\\annex\\A.NC"},  // whole components only
        {"/media/ann/USB STICK/O1.NC", "E:\\O1.NC"},    // the longest folder wins
        {"/data/nc/PROG/O1.NC", "D:\\PROG\\O1.NC"},
        {"/etc/passwd", "Z:\\etc\\passwd"},
        {"/", "Z:"},
        {"//home//ann//NC", "C:\\NC"},
        {"home/ann", std::nullopt}};
    const auto map = ShopMap();
    for (const auto& [hostPath, drivePath] : cases)
        EXPECT_EQ(map.ToDrive(hostPath), drivePath) << hostPath;

    // Z: configured elsewhere: nothing answers for /etc. Of two letters on a folder, D answers.
    const auto other = MapOf({{'Z', "/srv"}, {'D', "/data"}, {'K', "/data"}}, "", {});
    EXPECT_EQ(other.ToDrive("/etc/passwd"), std::nullopt);
    EXPECT_EQ(other.ToDrive("/srv/x"), "Z:\\x");
    EXPECT_EQ(other.ToDrive("/data/O1.NC"), "D:\\O1.NC");
    EXPECT_EQ(other.ToHost("K:\\O1.NC"), "/data/O1.NC");
}

// Configured letters first; then C = home, Z = "/", removable places from D on.
TEST(DriveMap, BuildGivesConfiguredLettersThenDefaults) {
    const std::vector<MountEntry> twice = {{"/dev/sdb1", "/media/ann/USB", "vfat"},
                                           {"/dev/sdb1", "/media/ann/USB", "vfat"},
                                           {"/dev/sdc1", "/media/ann/CARD", "vfat"}};
    const struct {
        const char* name;
        DriveMap map;
        Folders folders;
    } cases[] = {
        {"Shop",
         ShopMap(),
         {{'C', "/home/ann"},
          {'D', "/data/nc"},
          {'E', "/media/ann/USB STICK"},
          {'F', "/media/ann/CDROM"},
          {'G', "/mnt/share"},
          {'H', "/run/media/ann/CARD"},
          {'N', "/srv/nc"},
          {'Z', "/"}}},
        {"ConfiguredCAndZ",
         MapOf({{'C', "/data"}, {'Z', "/srv"}}, "/home/ann", {}),
         {{'C', "/data"}, {'Z', "/srv"}}},
        {"ConfiguredMountGetsNoSecondLetter",
         MapOf({{'U', "/media/ann/USB STICK"}}),
         {{'C', "/home/ann"},
          {'D', "/media/ann/CDROM"},
          {'E', "/mnt/share"},
          {'F', "/run/media/ann/CARD"},
          {'U', "/media/ann/USB STICK"},
          {'Z', "/"}}},
        {"HomeShorthandRelativeIgnored",
         MapOf({{'D', "~/NC"}, {'E', "relative/x"}}, "/home/ann", {}),
         {{'C', "/home/ann"}, {'D', "/home/ann/NC"}, {'Z', "/"}}},
        {"NoHomeNoC", MapOf({}, "", {}), {{'Z', "/"}}},
        {"MountListedTwice",
         MapOf({}, "/home/ann", twice),
         {{'C', "/home/ann"}, {'D', "/media/ann/USB"}, {'E', "/media/ann/CARD"}, {'Z', "/"}}}};
    for (const auto& c : cases)
        EXPECT_EQ(FoldersOf(c.map), c.folders) << c.name;
}

TEST(DriveMap, TypeIsThatOfTheMountHoldingTheFolder) {
    const auto map = ShopMap();
    std::map<char, DriveType> types;
    for (const char letter : {'C', 'D', 'E', 'F', 'G', 'H', 'N', 'z', 'Q'})
        types[letter] = map.TypeOf(letter);
    using enum DriveType;
    EXPECT_EQ(types, (std::map<char, DriveType>{{'C', Fixed},
                                                {'D', Fixed},
                                                {'E', Removable},
                                                {'F', CdRom},
                                                {'G', Remote},
                                                {'H', Removable},
                                                {'N', Remote},
                                                {'z', Fixed},
                                                {'Q', Unknown}}));
    // A later mount over the same point wins; without a mount table the type is unknown.
    const std::vector<MountEntry> over = {
        {"/dev/sda1", "/", "ext4"}, {"/dev/sda5", "/work", "ext4"}, {"tmpfs", "/work", "tmpfs"}};
    EXPECT_EQ(MapOf({{'W', "/work/nc"}}, "", over).TypeOf('W'), RamDisk);
    EXPECT_EQ(MapOf({}, "/home/ann", {}).TypeOf('C'), Unknown);
}

TEST(DriveMap, TypeOfAMountByFileSystemThenPlace) {
    using enum DriveType;
    const std::vector<std::pair<MountEntry, DriveType>> cases = {
        {{"s:/x", "/srv/x", "nfs"}, Remote},
        {{"s:/x", "/srv/x", "nfs4"}, Remote},
        {{"//s/x", "/srv/x", "cifs"}, Remote},
        {{"//s/x", "/srv/x", "smb3"}, Remote},
        {{"/dev/sr0", "/media/cd", "iso9660"}, CdRom},
        {{"/dev/sr0", "/srv/dvd", "udf"}, CdRom},
        {{"tmpfs", "/tmp", "tmpfs"}, RamDisk},
        {{"ramfs", "/mnt/ram", "ramfs"}, RamDisk},
        {{"/dev/sdb1", "/media/ann/U", "vfat"}, Removable},
        {{"/dev/sdb1", "/run/media/ann/U", "ext4"}, Removable},
        {{"/dev/sdb1", "/mnt/usb", "vfat"}, Removable},
        {{"/dev/sdb1", "/mnt", "ext4"}, Fixed},
        {{"/dev/sdb1", "/mediastore/x", "ext4"}, Fixed},
        {{"/dev/sda1", "/", "ext4"}, Fixed}};
    for (const auto& [mount, type] : cases)
        EXPECT_EQ(DriveTypeOfMount(mount), type) << mount.fsType << " at " << mount.mountPoint;
}

TEST(ParseMountTable, ReadsFieldsAndDecodesOctalEscapes) {
    std::vector<std::string> fields;
    for (const auto& e : ParseMountTable("/dev/sda2 / ext4 rw,relatime 0 0\n"
                                         "/dev/sdb1 /media/ann/USB\\040STICK vfat rw,nosuid 0 0\n"
                                         "//pc/nc\\134share /mnt/a\\011b cifs rw 0 0\n"
                                         "\n"
                                         "# comment line\n"
                                         "broken-line-with-two fields\n"
                                         "dev /mnt/a\\x\\09 vfat rw 0 0\n"
                                         "tmpfs /tmp tmpfs rw"))  // no newline at the end
        fields.push_back(e.device + "|" + e.mountPoint + "|" + e.fsType);
    EXPECT_EQ(fields,
              (std::vector<std::string>{"/dev/sda2|/|ext4", "/dev/sdb1|/media/ann/USB STICK|vfat",
                                        "//pc/nc\\share|/mnt/a\tb|cifs", "dev|/mnt/a\\x\\09|vfat",
                                        "tmpfs|/tmp|tmpfs"}));
}

TEST(HostConfig, DrivesAndPortsFromHostIni) {
    const auto config = HostConfig::Parse(
        "[Drives]\r\nd=/data/nc\r\nAB=/x\r\n1=/y\r\nE=\r\n"
        "[Ports]\r\ncom3=/dev/ttyUSB0\r\nCOM0=/z\r\nLPT1=/z\r\nCOM4=\r\n");
    EXPECT_EQ(config.drives, (Folders{{'D', "/data/nc"}}));
    EXPECT_EQ(config.ports, (std::map<int, std::string>{{3, "/dev/ttyUSB0"}}));
    // An unmapped port is /dev/ttyS(n-1); a name that is no COMn has no device.
    EXPECT_EQ((std::vector{config.DeviceOf("COM3"), config.DeviceOf("com4"),
                           config.DeviceOf("LPT1"), config.DeviceOf("COM")}),
              (std::vector<std::string>{"/dev/ttyUSB0", "/dev/ttyS3", "", ""}));
}

}  // namespace
}  // namespace kelvantori
