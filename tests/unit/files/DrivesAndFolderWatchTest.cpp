// The drive menu from a drive table and a mount table, the floppy check, and the folder watcher's
// worker over real folders (inotify), timed by a manual clock that the test moves on, so no test
// waits the second of the refresh delay.
#include "files/DriveList.h"
#include "files/FolderWatcher.h"

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "platform/HostConfig.h"
#include "support/TempFolder.h"

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
    EXPECT_EQ(Floppy(false, floppy, false, false, true), "D:\\NC ? " + asked) << "cancelled";
    EXPECT_EQ(Floppy(false, floppy, false, true, false), "D:\\NC ? " + asked);
    EXPECT_EQ(Floppy(false, floppy, false, true, true), "A: changed ? " + asked);
}

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// A manual clock read from the worker thread while the test moves it.
class SharedManualClock final : public Clock {
  public:
    std::chrono::nanoseconds Now() override { return std::chrono::nanoseconds(now_.load()); }
    void SleepFor(std::chrono::nanoseconds duration) override { now_ += duration.count(); }

  private:
    std::atomic<std::int64_t> now_{0};
};

class FolderWatcherTest : public ::testing::Test {
  protected:
    FolderWatcherTest() {
        HostConfig config;
        config.drives['D'] = d_.Path();
        fs::create_directories(d_.File("OTHER"));
        d_.Write("NC/EXISTING.NC", "O0001\r\n");
        watcher_ = std::make_unique<FolderWatcher>(
            DriveMap::Build(config, "", {}), [this] { ++refreshes_; },
            FolderWatcher::Options{1000ms, &clock_});
        watcher_->SetDirPath("D:\\NC");
    }
    // Lets the worker take what happened so far, moves the clock on and lets it look; returns
    // the refreshes so far.
    int After(std::chrono::milliseconds elapsed) {
        watcher_->Sync();
        clock_.SleepFor(elapsed);
        watcher_->Sync();
        return refreshes_;
    }
    test::TempFolder d_;
    SharedManualClock clock_;
    std::atomic<int> refreshes_{0};
    std::unique_ptr<FolderWatcher> watcher_;
};

TEST_F(FolderWatcherTest,
       ABurstOfCreationsGivesOneRefreshOneSecondAfterTheFirstAContentChangeNone) {
    ASSERT_TRUE(watcher_->Start());
    std::ofstream(d_.File("NC/EXISTING.NC"), std::ios::app) << "G00X10.\r\n";
    d_.Write("NC/EXISTING.NC", "rewritten in place\r\n");
    EXPECT_EQ(After(5s), 0);
    EXPECT_FALSE(watcher_->RefreshPending());
    for (int i = 0; i < 20; ++i)
        d_.Write("NC/O" + std::to_string(1000 + i) + ".NC", "%\r\n");
    EXPECT_EQ(After(600ms), 0);
    d_.Write("NC/LATE.NC", "x");  // within the second of the first change: the same refresh
    EXPECT_EQ(After(399ms), 0);
    EXPECT_EQ(After(1ms), 1);
    EXPECT_EQ(After(10s), 1);
    fs::rename(d_.File("NC/EXISTING.NC"), d_.File("NC/O0001.NC"));
    EXPECT_EQ(After(1s), 2) << "a rename starts the next one";
}

TEST_F(FolderWatcherTest, FollowsANewDirPathAfterTheNextChangeInTheOldOne) {
    ASSERT_TRUE(watcher_->Start());
    watcher_->SetDirPath("D:\\OTHER");
    d_.Write("OTHER/FIRST.NC", "x");  // the old folder is still the one watched
    EXPECT_EQ(After(2s), 0);
    d_.Write("NC/LAST.NC", "x");  // a change there moves the watch on
    EXPECT_EQ(After(1s), 1);
    d_.Write("NC/IGNORED.NC", "x");
    EXPECT_EQ(After(2s), 1);
    d_.Write("OTHER/SECOND.NC", "x");
    EXPECT_EQ(After(1s), 2);
}

TEST_F(FolderWatcherTest, AFolderThatCannotBeWatchedStartsNothingAndStopDropsAPendingRefresh) {
    watcher_->SetDirPath("D:\\MISSING");
    EXPECT_FALSE(watcher_->Start() || watcher_->Running());
    watcher_->SetDirPath("D:\\NC");
    ASSERT_TRUE(watcher_->Start());
    d_.Write("NC/A.NC", "x");
    watcher_->Sync();
    EXPECT_TRUE(watcher_->RefreshPending());
    watcher_->Stop();
    clock_.SleepFor(5s);
    EXPECT_EQ(refreshes_ + watcher_->Running(), 0);
}

}  // namespace
}  // namespace kelvantori
