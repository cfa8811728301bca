// The folder watcher's worker over real folders (inotify), timed by a manual clock that the test
// moves on, so no test waits the second of the refresh delay.
#include "files/FolderWatcher.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>

#include <gtest/gtest.h>

#include "platform/HostConfig.h"
#include "support/TempFolder.h"

namespace kelvantori {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// ManualClock read from the worker thread while the test moves it.
class SharedManualClock final : public Clock {
  public:
    std::chrono::nanoseconds Now() override { return std::chrono::nanoseconds(now_.load()); }
    void SleepFor(std::chrono::nanoseconds duration) override { Advance(duration); }
    void Advance(std::chrono::nanoseconds duration) { now_ += duration.count(); }

  private:
    std::atomic<std::int64_t> now_{0};
};

class FolderWatcherTest : public ::testing::Test {
  protected:
    FolderWatcherTest() {
        HostConfig config;
        config.drives['D'] = d_.Path();
        drives_ = DriveMap::Build(config, "", {});
        fs::create_directories(d_.File("NC"));
        fs::create_directories(d_.File("OTHER"));
        d_.Write("NC/EXISTING.NC", "O0001\r\n");
        FolderWatcher::Options options;
        options.clock = &clock_;
        watcher_ = std::make_unique<FolderWatcher>(
            drives_, [this] { ++refreshes_; }, options);
        watcher_->SetDirPath("D:\\NC");
    }

    // Lets the worker take what happened so far, then moves the clock on and lets it look.
    void After(std::chrono::milliseconds elapsed) {
        watcher_->Sync();
        clock_.Advance(elapsed);
        watcher_->Sync();
    }

    test::TempFolder d_;
    DriveMap drives_;
    SharedManualClock clock_;
    std::atomic<int> refreshes_{0};
    std::unique_ptr<FolderWatcher> watcher_;
};

TEST_F(FolderWatcherTest, ABurstOfTwentyCreationsGivesOneRefreshOneSecondAfterTheFirst) {
    ASSERT_TRUE(watcher_->Start());
    for (int i = 0; i < 20; ++i)
        d_.Write("NC/O" + std::to_string(1000 + i) + ".NC", "%\r\n");
    After(999ms);
    EXPECT_TRUE(watcher_->RefreshPending());
    EXPECT_EQ(refreshes_, 0);
    After(1ms);
    EXPECT_EQ(refreshes_, 1);
    EXPECT_FALSE(watcher_->RefreshPending());
    After(10s);
    EXPECT_EQ(refreshes_, 1);
}

TEST_F(FolderWatcherTest, ChangesDuringTheSecondJoinTheSameRefreshAndLaterOnesStartAnother) {
    ASSERT_TRUE(watcher_->Start());
    d_.Write("NC/A.NC", "x");
    After(600ms);
    d_.Write("NC/B.NC", "x");  // still within the second of the first change
    After(400ms);
    EXPECT_EQ(refreshes_, 1);
    d_.Write("NC/C.NC", "x");
    After(1s);
    EXPECT_EQ(refreshes_, 2);
}

TEST_F(FolderWatcherTest, AContentChangeGivesNoRefresh) {
    ASSERT_TRUE(watcher_->Start());
    {
        std::ofstream out(d_.File("NC/EXISTING.NC"), std::ios::app);
        out << "G00X10.\r\n";
    }
    d_.Write("NC/EXISTING.NC", "rewritten in place\r\n");
    After(5s);
    EXPECT_FALSE(watcher_->RefreshPending());
    EXPECT_EQ(refreshes_, 0);
}

TEST_F(FolderWatcherTest, ARenameGivesOneRefresh) {
    ASSERT_TRUE(watcher_->Start());
    fs::rename(d_.File("NC/EXISTING.NC"), d_.File("NC/O0001.NC"));
    After(1s);
    EXPECT_EQ(refreshes_, 1);
    After(5s);
    EXPECT_EQ(refreshes_, 1);
}

TEST_F(FolderWatcherTest, FollowsANewDirPathAfterTheNextChangeInTheOldOne) {
    ASSERT_TRUE(watcher_->Start());
    watcher_->SetDirPath("D:\\OTHER");
    d_.Write("OTHER/FIRST.NC", "x");  // the old folder is still the one watched
    After(2s);
    EXPECT_EQ(refreshes_, 0);

    d_.Write("NC/LAST.NC", "x");  // a change there moves the watch on
    After(1s);
    EXPECT_EQ(refreshes_, 1);

    d_.Write("NC/IGNORED.NC", "x");
    After(2s);
    EXPECT_EQ(refreshes_, 1);
    d_.Write("OTHER/SECOND.NC", "x");
    After(1s);
    EXPECT_EQ(refreshes_, 2);
}

TEST_F(FolderWatcherTest, EndsQuietlyWhenTheFolderCannotBeWatchedAndCanBeStartedAgain) {
    watcher_->SetDirPath("D:\\MISSING");
    EXPECT_FALSE(watcher_->Start());
    EXPECT_FALSE(watcher_->Running());

    watcher_->SetDirPath("D:\\NC");
    ASSERT_TRUE(watcher_->Start());
    EXPECT_TRUE(watcher_->Running());
    EXPECT_TRUE(watcher_->Start());  // one worker only

    // The watched folder removed, and the data folder with it: the removal still gives its
    // refresh (the list shows the folder gone), then the worker ends by itself.
    fs::remove_all(d_.File("NC"));
    After(1s);
    EXPECT_EQ(refreshes_, 1);
    for (int i = 0; i < 500 && watcher_->Running(); ++i)
        std::this_thread::sleep_for(10ms);
    EXPECT_FALSE(watcher_->Running());

    watcher_->SetDirPath("D:\\OTHER");
    ASSERT_TRUE(watcher_->Start());
    d_.Write("OTHER/X.NC", "x");
    After(1s);
    EXPECT_EQ(refreshes_, 2);
}

TEST_F(FolderWatcherTest, StopJoinsPromptlyAndDropsAPendingRefresh) {
    ASSERT_TRUE(watcher_->Start());
    d_.Write("NC/A.NC", "x");
    watcher_->Sync();
    EXPECT_TRUE(watcher_->RefreshPending());
    const auto start = std::chrono::steady_clock::now();
    watcher_->Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    EXPECT_FALSE(watcher_->Running());
    clock_.Advance(5s);
    EXPECT_EQ(refreshes_, 0);
    // A watcher destroyed while it waits without a time limit ends as promptly.
    ASSERT_TRUE(watcher_->Start());
    watcher_->Sync();
    const auto again = std::chrono::steady_clock::now();
    watcher_.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - again, 1s);
}

TEST(FolderWatcherRealClock, RefreshesAfterTheDelayOnTheSteadyClock) {
    test::TempFolder d;
    HostConfig config;
    config.drives['D'] = d.Path();
    fs::create_directories(d.File("NC"));
    std::mutex mutex;
    std::condition_variable refreshed;
    int refreshes = 0;
    FolderWatcher::Options options;
    options.delay = 50ms;
    FolderWatcher watcher(
        DriveMap::Build(config, "", {}),
        [&] {
            std::lock_guard lock(mutex);
            ++refreshes;
            refreshed.notify_all();
        },
        options);
    watcher.SetDirPath("D:\\NC");
    ASSERT_TRUE(watcher.Start());
    const auto start = std::chrono::steady_clock::now();
    d.Write("NC/A.NC", "x");
    std::unique_lock lock(mutex);
    ASSERT_TRUE(refreshed.wait_for(lock, 10s, [&] { return refreshes > 0; }));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 50ms);
}

}  // namespace
}  // namespace kelvantori
