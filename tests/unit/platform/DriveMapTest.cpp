// Drive table: drive path <-> host path, default letters, mount table and drive types.
#include "platform/DriveMap.h"

#include <gtest/gtest.h>

#include "platform/HostConfig.h"

namespace kelvantori {
namespace {

const std::vector<MountEntry> kMounts = {
    {"/dev/sda2", "/", "ext4"},
    {"/dev/sda3", "/home", "ext4"},
    {"tmpfs", "/tmp", "tmpfs"},
    {"/dev/sdb1", "/media/ann/USB STICK", "vfat"},
    {"/dev/sr0", "/media/ann/CDROM", "iso9660"},
    {"server:/nc", "/srv/nc", "nfs4"},
    {"//pc/share", "/mnt/share", "cifs"},
    {"/dev/sdc1", "/run/media/ann/CARD", "exfat"},
};

DriveMap ShopMap() {
    HostConfig config;
    config.drives['D'] = "/data/nc/";  // trailing "/" is not part of the folder
    config.drives['N'] = "/srv/nc";
    return DriveMap::Build(config, "/home/ann", kMounts);
}

struct ToHostRow {
    const char* name;
    const char* drivePath;
    std::optional<std::string> host;
};

class DriveMapToHost : public ::testing::TestWithParam<ToHostRow> {};

TEST_P(DriveMapToHost, ConvertsDrivePathToHostPath) {
    const auto& row = GetParam();
    EXPECT_EQ(ShopMap().ToHost(row.drivePath), row.host) << row.drivePath;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DriveMapToHost,
    ::testing::Values(
        ToHostRow{"FileUnderHome", "C:\\NC\\A.NC", "/home/ann/NC/A.NC"},
        ToHostRow{"LetterIsCaseInsensitiveRestIsKept", "c:\\nc", "/home/ann/nc"},
        ToHostRow{"BareDriveIsItsFolder", "D:", "/data/nc"},
        ToHostRow{"DriveWithBackslashIsItsFolder", "D:\\", "/data/nc"},
        ToHostRow{"RootDriveZ", "Z:\\tmp", "/tmp"}, ToHostRow{"BareRootDrive", "Z:", "/"},
        ToHostRow{"RepeatedBackslashesCollapse", "C:\\\\NC\\\\\\A.NC", "/home/ann/NC/A.NC"},
        ToHostRow{"TrailingBackslashDropped", "C:\\NC\\", "/home/ann/NC"},
        ToHostRow{"SlashIsASeparatorToo", "C:\\NC/SUB\\A.NC", "/home/ann/NC/SUB/A.NC"},
        ToHostRow{"DotDotStaysOnTheDrive", "C:\\..\\..\\etc", "/home/ann/etc"},
        ToHostRow{"DotDotGoesUpInsideTheDrive", "C:\\NC\\OLD\\..\\A.NC", "/home/ann/NC/A.NC"},
        ToHostRow{"DriveRelativeNameIsUnderTheRoot", "C:A.NC", "/home/ann/A.NC"},
        ToHostRow{"SpacesAndJapaneseKept", "C:\\加工 データ\\O1.NC", "/home/ann/加工 データ/O1.NC"},
        ToHostRow{"RemovableMountFirstFreeLetter", "E:\\O1.NC", "/media/ann/USB STICK/O1.NC"},
        ToHostRow{"UnmappedLetter", "Q:\\A.NC", std::nullopt},
        ToHostRow{"FloppyUnmapped", "A:", std::nullopt},
        ToHostRow{"NoColon", "C\\NC", std::nullopt},
        ToHostRow{"HostPathIsNotADrivePath", "/home/ann", std::nullopt},
        ToHostRow{"DigitIsNotALetter", "1:\\A", std::nullopt},
        ToHostRow{"Empty", "", std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DriveMapToHostSafety, EmbeddedNulIsRefused) {
    const std::string path("C:\\A.NC\0/../../etc/passwd", 25);
    EXPECT_EQ(ShopMap().ToHost(path), std::nullopt);
}

struct ToDriveRow {
    const char* name;
    const char* hostPath;
    std::optional<std::string> drivePath;
};

class DriveMapToDrive : public ::testing::TestWithParam<ToDriveRow> {};

TEST_P(DriveMapToDrive, ConvertsHostPathToDrivePath) {
    const auto& row = GetParam();
    EXPECT_EQ(ShopMap().ToDrive(row.hostPath), row.drivePath) << row.hostPath;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DriveMapToDrive,
    ::testing::Values(ToDriveRow{"FileUnderHome", "/home/ann/NC/A.NC", "C:\\NC\\A.NC"},
                      ToDriveRow{"FolderItselfIsBareDrive", "/home/ann", "C:"},
                      ToDriveRow{"TrailingSlashOnFolder", "/home/ann/", "C:"},
                      ToDriveRow{"WholeComponentsOnly", "/home/annex/A.NC",
                                 "Z:\\home\\annex\\A.NC"},
                      ToDriveRow{"LongestFolderWins", "/media/ann/USB STICK/O1.NC", "E:\\O1.NC"},
                      ToDriveRow{"ConfiguredLetter", "/data/nc/PROG/O1.NC", "D:\\PROG\\O1.NC"},
                      ToDriveRow{"RootAnswersEverything", "/etc/passwd", "Z:\\etc\\passwd"},
                      ToDriveRow{"RootItself", "/", "Z:"},
                      ToDriveRow{"DoubledSlashes", "//home//ann//NC", "C:\\NC"},
                      ToDriveRow{"RelativeHostPath", "home/ann", std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DriveMapToDrive, NoLetterHoldsThePathWithoutRootDrive) {
    HostConfig config;
    config.drives['Z'] = "/srv";  // Z configured elsewhere: nothing answers for /etc
    const auto map = DriveMap::Build(config, "/home/ann", {});
    EXPECT_EQ(map.ToDrive("/etc/passwd"), std::nullopt);
    EXPECT_EQ(map.ToDrive("/srv/x"), "Z:\\x");
}

TEST(DriveMapToDrive, OfTwoLettersOnOneFolderTheFirstAnswers) {
    HostConfig config;
    config.drives['D'] = "/data";
    config.drives['K'] = "/data";
    const auto map = DriveMap::Build(config, "", {});
    EXPECT_EQ(map.ToDrive("/data/O1.NC"), "D:\\O1.NC");
    EXPECT_EQ(map.ToHost("K:\\O1.NC"), "/data/O1.NC");
}

TEST(DriveMapToDrive, RoundTripsThroughToHost) {
    const auto map = ShopMap();
    for (const char* path : {"C:\\NC\\A.NC", "D:\\PROG", "E:\\O1.NC", "Z:\\etc\\hosts", "C:"}) {
        const auto host = map.ToHost(path);
        ASSERT_TRUE(host) << path;
        EXPECT_EQ(map.ToDrive(*host), path);
    }
}

TEST(DriveMapBuild, ConfiguredLettersComeFirstThenDefaults) {
    const auto map = ShopMap();
    // C home, D and N configured, E/F/G/H the removable places in mount-table order, Z root.
    // /srv/nc is not under a removable place; /media/ann/CDROM and /mnt/share are.
    EXPECT_EQ(map.Letters(), (std::vector<char>{'C', 'D', 'E', 'F', 'G', 'H', 'N', 'Z'}));
    EXPECT_EQ(map.FolderOf('c'), "/home/ann");
    EXPECT_EQ(map.FolderOf('E'), "/media/ann/USB STICK");
    EXPECT_EQ(map.FolderOf('F'), "/media/ann/CDROM");
    EXPECT_EQ(map.FolderOf('G'), "/mnt/share");
    EXPECT_EQ(map.FolderOf('H'), "/run/media/ann/CARD");
    EXPECT_EQ(map.FolderOf('Z'), "/");
    EXPECT_EQ(map.FolderOf('B'), std::nullopt);
}

TEST(DriveMapBuild, ConfiguredCAndZReplaceTheDefaults) {
    HostConfig config;
    config.drives['C'] = "/data";
    config.drives['Z'] = "/srv";
    const auto map = DriveMap::Build(config, "/home/ann", {});
    EXPECT_EQ(map.FolderOf('C'), "/data");
    EXPECT_EQ(map.FolderOf('Z'), "/srv");
    EXPECT_EQ(map.Letters(), (std::vector<char>{'C', 'Z'}));
}

TEST(DriveMapBuild, ConfiguredMountGetsNoSecondLetter) {
    HostConfig config;
    config.drives['U'] = "/media/ann/USB STICK";
    const auto map = DriveMap::Build(config, "/home/ann", kMounts);
    EXPECT_EQ(map.ToDrive("/media/ann/USB STICK/A.NC"), "U:\\A.NC");
    EXPECT_EQ(map.FolderOf('D'), "/media/ann/CDROM");  // the next removable place takes D
}

TEST(DriveMapBuild, HomeShorthandAndRelativeValues) {
    HostConfig config;
    config.drives['D'] = "~/NC";
    config.drives['E'] = "relative/folder";  // would depend on the working folder: ignored
    const auto map = DriveMap::Build(config, "/home/ann", {});
    EXPECT_EQ(map.FolderOf('D'), "/home/ann/NC");
    EXPECT_EQ(map.FolderOf('E'), std::nullopt);
}

TEST(DriveMapBuild, NoHomeGivesNoDriveC) {
    const auto map = DriveMap::Build(HostConfig{}, "", {});
    EXPECT_EQ(map.FolderOf('C'), std::nullopt);
    EXPECT_EQ(map.Letters(), (std::vector<char>{'Z'}));
}

TEST(DriveMapBuild, MountListedTwiceTakesOneLetter) {
    const std::vector<MountEntry> mounts = {{"/dev/sdb1", "/media/ann/USB", "vfat"},
                                            {"/dev/sdb1", "/media/ann/USB", "vfat"},
                                            {"/dev/sdc1", "/media/ann/CARD", "vfat"}};
    const auto map = DriveMap::Build(HostConfig{}, "/home/ann", mounts);
    EXPECT_EQ(map.FolderOf('D'), "/media/ann/USB");
    EXPECT_EQ(map.FolderOf('E'), "/media/ann/CARD");
}

TEST(DriveMapTypes, TypeIsThatOfTheMountHoldingTheFolder) {
    const auto map = ShopMap();
    EXPECT_EQ(map.TypeOf('C'), DriveType::Fixed);      // /home/ann on the /home ext4 mount
    EXPECT_EQ(map.TypeOf('D'), DriveType::Fixed);      // /data/nc on the root mount
    EXPECT_EQ(map.TypeOf('E'), DriveType::Removable);  // vfat under /media
    EXPECT_EQ(map.TypeOf('F'), DriveType::CdRom);
    EXPECT_EQ(map.TypeOf('G'), DriveType::Remote);
    EXPECT_EQ(map.TypeOf('H'), DriveType::Removable);
    EXPECT_EQ(map.TypeOf('N'), DriveType::Remote);
    EXPECT_EQ(map.TypeOf('z'), DriveType::Fixed);
    EXPECT_EQ(map.TypeOf('Q'), DriveType::Unknown);
}

TEST(DriveMapTypes, LaterMountOverTheSamePointWins) {
    const std::vector<MountEntry> mounts = {
        {"/dev/sda1", "/", "ext4"}, {"/dev/sda5", "/work", "ext4"}, {"tmpfs", "/work", "tmpfs"}};
    HostConfig config;
    config.drives['W'] = "/work/nc";
    EXPECT_EQ(DriveMap::Build(config, "", mounts).TypeOf('W'), DriveType::RamDisk);
}

TEST(DriveMapTypes, WithoutMountTableTypeIsUnknown) {
    EXPECT_EQ(DriveMap::Build(HostConfig{}, "/home/ann", {}).TypeOf('C'), DriveType::Unknown);
}

struct MountTypeRow {
    const char* name;
    MountEntry mount;
    DriveType type;
};

class DriveTypeOfMountRows : public ::testing::TestWithParam<MountTypeRow> {};

TEST_P(DriveTypeOfMountRows, ClassifiesByFileSystemThenPlace) {
    EXPECT_EQ(DriveTypeOfMount(GetParam().mount), GetParam().type);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DriveTypeOfMountRows,
    ::testing::Values(
        MountTypeRow{"Nfs", {"s:/x", "/srv/x", "nfs"}, DriveType::Remote},
        MountTypeRow{"Nfs4", {"s:/x", "/srv/x", "nfs4"}, DriveType::Remote},
        MountTypeRow{"Cifs", {"//s/x", "/srv/x", "cifs"}, DriveType::Remote},
        MountTypeRow{"Smb3", {"//s/x", "/srv/x", "smb3"}, DriveType::Remote},
        MountTypeRow{"Iso9660", {"/dev/sr0", "/media/cd", "iso9660"}, DriveType::CdRom},
        MountTypeRow{"Udf", {"/dev/sr0", "/srv/dvd", "udf"}, DriveType::CdRom},
        MountTypeRow{"Tmpfs", {"tmpfs", "/tmp", "tmpfs"}, DriveType::RamDisk},
        MountTypeRow{"Ramfs", {"ramfs", "/mnt/ram", "ramfs"}, DriveType::RamDisk},
        MountTypeRow{"VfatUnderMedia", {"/dev/sdb1", "/media/ann/U", "vfat"}, DriveType::Removable},
        MountTypeRow{
            "ExtUnderRunMedia", {"/dev/sdb1", "/run/media/ann/U", "ext4"}, DriveType::Removable},
        MountTypeRow{"UnderMnt", {"/dev/sdb1", "/mnt/usb", "vfat"}, DriveType::Removable},
        MountTypeRow{"MntItselfIsFixed", {"/dev/sdb1", "/mnt", "ext4"}, DriveType::Fixed},
        MountTypeRow{
            "LookalikePlaceIsFixed", {"/dev/sdb1", "/mediastore/x", "ext4"}, DriveType::Fixed},
        MountTypeRow{"RootIsFixed", {"/dev/sda1", "/", "ext4"}, DriveType::Fixed}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ParseMountTable, ReadsFieldsAndDecodesOctalEscapes) {
    const auto entries = ParseMountTable(
        "/dev/sda2 / ext4 rw,relatime 0 0\n"
        "/dev/sdb1 /media/ann/USB\\040STICK vfat rw,nosuid 0 0\n"
        "//pc/nc\\134share /mnt/a\\011b cifs rw 0 0\n"
        "\n"
        "# comment line\n"
        "broken-line-with-two fields\n"
        "tmpfs /tmp tmpfs rw");  // last line without a newline
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].device, "/dev/sda2");
    EXPECT_EQ(entries[0].mountPoint, "/");
    EXPECT_EQ(entries[0].fsType, "ext4");
    EXPECT_EQ(entries[1].mountPoint, "/media/ann/USB STICK");
    EXPECT_EQ(entries[2].device, "//pc/nc\\share");
    EXPECT_EQ(entries[2].mountPoint, "/mnt/a\tb");
    EXPECT_EQ(entries[3].mountPoint, "/tmp");
    EXPECT_EQ(entries[3].fsType, "tmpfs");
}

TEST(ParseMountTable, BackslashWithoutThreeOctalDigitsIsKept) {
    const auto entries = ParseMountTable("dev /mnt/a\\x\\09 vfat rw 0 0\n");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].mountPoint, "/mnt/a\\x\\09");
}

TEST(ParseMountTable, FeedsTheDriveTable) {
    const auto mounts = ParseMountTable(
        "/dev/sda2 / ext4 rw 0 0\n"
        "/dev/sdb1 /media/ann/USB\\040STICK vfat rw 0 0\n");
    const auto map = DriveMap::Build(HostConfig{}, "/root", mounts);
    EXPECT_EQ(map.ToHost("D:\\O1.NC"), "/media/ann/USB STICK/O1.NC");
    EXPECT_EQ(map.TypeOf('D'), DriveType::Removable);
}

}  // namespace
}  // namespace kelvantori
