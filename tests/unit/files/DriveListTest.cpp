// The drive menu from a drive table and a mount table, and the floppy check.
#include "files/DriveList.h"

#include <gtest/gtest.h>

#include "platform/HostConfig.h"

namespace kelvantori {
namespace {

TEST(DriveMenu, CaptionsFollowTheTypeOfEveryDrive) {
    HostConfig config;
    config.drives['A'] = "/media/floppy";
    config.drives['C'] = "/home/ann";
    config.drives['E'] = "/srv/cdrom";
    config.drives['F'] = "/mnt/stick";
    config.drives['N'] = "/net/shop";
    config.drives['R'] = "/run/ram";
    config.drives['X'] = "/elsewhere";  // no mount covers it: type unknown, not listed
    const auto mounts = ParseMountTable(
        "/dev/sda1 /home ext4 rw 0 0\n/dev/fd0 /media/floppy vfat rw 0 0\n"
        "/dev/sr0 /srv/cdrom iso9660 ro 0 0\n/dev/sdb1 /mnt/stick vfat rw 0 0\n"
        "server:/shop /net/shop nfs4 rw 0 0\ntmpfs /run/ram tmpfs rw 0 0\n");
    std::vector<std::string> captions;
    for (const auto& item : BuildDriveMenu(DriveMap::Build(config, "", mounts)))
        captions.push_back(std::string(1, item.letter) + " " + item.caption);
    EXPECT_EQ(captions, (std::vector<std::string>{"A &A: (ﾌﾛｯﾋﾟｰﾃﾞｨｽｸ)", "C &C: (固定ﾃﾞｨｽｸ)",
                                                  "E &E: (CD-ROM)", "F &F: (ﾘﾑｰﾊﾞﾌﾞﾙﾃﾞｨｽｸ)",
                                                  "N &N: (ﾈｯﾄﾜｰｸ)", "R &R: (RAM ﾃﾞｨｽｸ)"}));
    EXPECT_EQ(DriveOfCaption("&C: (固定ﾃﾞｨｽｸ)"), "C:");
    EXPECT_EQ(DriveOfCaption("&"), "");
}

// start: the check at start-up on dirPath, else the menu's choice of caption with D:\NC listed.
// A: reads at the first look or not, the answer, whether it reads after OK.
std::string Floppy(bool start, const char* input, bool readable, bool ok, bool readableAfterOk) {
    int looks = 0;
    std::string asked;
    const FloppyCheck check{[&] { return ++looks == 1 ? readable : readableAfterOk; },
                            [&](std::string_view title, std::string_view text) {
                                asked = std::string(title) + " " + std::string(text) + " | ";
                                return ok;
                            }};
    if (start) {
        const std::string dirPath = CheckFloppyAtStart(input, check);
        return dirPath + " ? " + asked;
    }
    const auto choice = SelectDrive(input, "D:\\NC", check);
    return choice.DirPath + (choice.changed ? " changed ? " : " ? ") + asked;
}

TEST(FloppyCheck, AsksForADiskAndDecidesTheDataFolder) {
    const std::string asked =
        "ＦＤ確認 ディレクトリの設定がフロッピーディスクです。\nフロッピーディスクを使用する場合は"
        "挿入してからＯＫを押してください。\nキャンセルの場合はデフォルト設定です。 | ";
    EXPECT_EQ(Floppy(true, "A:", true, false, false), "A: ? ");
    EXPECT_EQ(Floppy(true, "A:", false, false, false), "c: ? " + asked);
    EXPECT_EQ(Floppy(true, "A:", false, true, false), "c:\\ ? " + asked);
    EXPECT_EQ(Floppy(true, "a:", false, true, true), "a: ? " + asked);
    EXPECT_EQ(Floppy(true, "A:\\NC", false, false, false), "A:\\NC ? ");
    const char* floppy = "&A: (ﾌﾛｯﾋﾟｰﾃﾞｨｽｸ)";
    EXPECT_EQ(Floppy(false, "&C: (固定ﾃﾞｨｽｸ)", false, false, false), "C: changed ? ");
    EXPECT_EQ(Floppy(false, floppy, true, false, false), "A: changed ? ");
    EXPECT_EQ(Floppy(false, floppy, false, true, false), "D:\\NC ? " + asked);
    EXPECT_EQ(Floppy(false, floppy, false, true, true), "A: changed ? " + asked);
}

}  // namespace
}  // namespace kelvantori
