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
    config.drives['X'] = "/elsewhere";  // no mount covers it: type unknown
    const auto mounts = ParseMountTable(
        "/dev/sda1 /home ext4 rw 0 0\n"
        "/dev/fd0 /media/floppy vfat rw 0 0\n"
        "/dev/sr0 /srv/cdrom iso9660 ro 0 0\n"
        "/dev/sdb1 /mnt/stick vfat rw 0 0\n"
        "server:/shop /net/shop nfs4 rw 0 0\n"
        "tmpfs /run/ram tmpfs rw 0 0\n");
    const auto drives = DriveMap::Build(config, "", mounts);

    std::vector<std::string> captions;
    std::string letters;
    for (const auto& item : BuildDriveMenu(drives)) {
        captions.push_back(item.caption);
        letters += item.letter;
    }
    // Z: ("/") is under no listed mount either, so it is left out like X:.
    EXPECT_EQ(letters, "ACEFNR");
    EXPECT_EQ(captions, (std::vector<std::string>{
                            "&A: (ﾌﾛｯﾋﾟｰﾃﾞｨｽｸ)",
                            "&C: (固定ﾃﾞｨｽｸ)",
                            "&E: (CD-ROM)",
                            "&F: (ﾘﾑｰﾊﾞﾌﾞﾙﾃﾞｨｽｸ)",
                            "&N: (ﾈｯﾄﾜｰｸ)",
                            "&R: (RAM ﾃﾞｨｽｸ)",
                        }));
    EXPECT_EQ(DriveOfCaption(captions[1]), "C:");
    EXPECT_EQ(DriveOfCaption("&"), "");
}

TEST(DriveMenu, OnlyDriveAIsAFloppy) {
    EXPECT_EQ(DriveCaptionText('A', DriveType::Removable), ": (ﾌﾛｯﾋﾟｰﾃﾞｨｽｸ)");
    EXPECT_EQ(DriveCaptionText('B', DriveType::Removable), ": (ﾘﾑｰﾊﾞﾌﾞﾙﾃﾞｨｽｸ)");
    EXPECT_EQ(DriveCaptionText('A', DriveType::Fixed), ": (固定ﾃﾞｨｽｸ)");
    EXPECT_EQ(DriveCaptionText('Q', DriveType::Unknown), "");
}

// The user's side of the floppy check, scripted: whether A: reads at the first and the second
// look, and the answer.
struct FloppyScript {
    bool readableFirst = false;
    bool readableAfterOk = false;
    bool answerOk = false;
    int questions = 0;
    int looks = 0;

    FloppyCheck Check() {
        return {[this] { return ++looks == 1 ? readableFirst : readableAfterOk; },
                [this](std::string_view title, std::string_view text) {
                    ++questions;
                    EXPECT_EQ(title, "ＦＤ確認");
                    EXPECT_EQ(text,
                              "ディレクトリの設定がフロッピーディスクです。\nフロッピーディスクを"
                              "使用する場合は挿入してからＯＫを押してください。\nキャンセルの場合"
                              "はデフォルト設定です。");
                    return answerOk;
                }};
    }
};

struct StartRow {
    const char* name;
    const char* dirPath;
    bool readableFirst;
    bool answerOk;
    bool readableAfterOk;
    const char* result;
    int questions;
};

class FloppyAtStart : public ::testing::TestWithParam<StartRow> {};

TEST_P(FloppyAtStart, DecidesTheDataFolder) {
    const auto& row = GetParam();
    FloppyScript script{row.readableFirst, row.readableAfterOk, row.answerOk};
    EXPECT_EQ(CheckFloppyAtStart(row.dirPath, script.Check()), row.result);
    EXPECT_EQ(script.questions, row.questions);
}

INSTANTIATE_TEST_SUITE_P(
    Floppy, FloppyAtStart,
    ::testing::Values(StartRow{"DiskPresent", "A:", true, false, false, "A:", 0},
                      StartRow{"CancelGivesDriveC", "A:", false, false, false, "c:", 1},
                      StartRow{"OkStillNoDiskGivesRootOfC", "A:", false, true, false, "c:\\", 1},
                      StartRow{"OkWithDiskInsertedKeepsA", "a:", false, true, true, "a:", 1},
                      StartRow{"FolderOnAIsNotChecked", "A:\\NC", false, false, false, "A:\\NC", 0},
                      StartRow{"OtherDriveNotChecked", "D:\\NC", false, false, false, "D:\\NC", 0}),
    [](const auto& info) { return std::string(info.param.name); });

struct SelectRow {
    const char* name;
    const char* caption;
    bool readableFirst;
    bool answerOk;
    bool readableAfterOk;
    const char* result;
    int questions;
};

class DriveMenuChoice : public ::testing::TestWithParam<SelectRow> {};

TEST_P(DriveMenuChoice, ChangesToTheDriveOrKeepsTheFolder) {
    const auto& row = GetParam();
    FloppyScript script{row.readableFirst, row.readableAfterOk, row.answerOk};
    const auto choice = SelectDrive(row.caption, "D:\\NC", script.Check());
    EXPECT_EQ(choice.DirPath, row.result);
    EXPECT_EQ(choice.changed, std::string(row.result) != "D:\\NC");
    EXPECT_EQ(script.questions, row.questions);
}

INSTANTIATE_TEST_SUITE_P(
    Floppy, DriveMenuChoice,
    ::testing::Values(SelectRow{"FixedDrive", "&C: (固定ﾃﾞｨｽｸ)", false, false, false, "C:", 0},
                      SelectRow{"FloppyWithDisk", "&A: (ﾌﾛｯﾋﾟｰﾃﾞｨｽｸ)", true, false, false, "A:", 0},
                      SelectRow{"FloppyCancelKeepsTheFolder", "&A: (ﾌﾛｯﾋﾟｰﾃﾞｨｽｸ)", false, false,
                                true, "D:\\NC", 1},
                      SelectRow{"FloppyOkStillNoDiskKeepsTheFolder", "&A: (ﾌﾛｯﾋﾟｰﾃﾞｨｽｸ)", false,
                                true, false, "D:\\NC", 1},
                      SelectRow{"FloppyOkAfterInsertingChanges", "&A: (ﾌﾛｯﾋﾟｰﾃﾞｨｽｸ)", false, true,
                                true, "A:", 1}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kelvantori
