// The inotify folder watch on temporary folders mapped as drive D:.
#include "platform/FolderWatch.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include <gtest/gtest.h>

#include "platform/HostConfig.h"
#include "support/TempFolder.h"

namespace kelvantori {
namespace {

using namespace std::chrono_literals;
using Names = std::vector<std::string>;
namespace fs = std::filesystem;

class FolderWatchPosixTest : public ::testing::Test {
  protected:
    FolderWatchPosixTest() {
        HostConfig config;
        config.drives['D'] = d_.Path();
        watch_ = CreateFolderWatch(DriveMap::Build(config, "", {}));
        fs::create_directories(d_.File("NC/SUB"));
    }

    // What is ready now, without waiting: every change is queued by the time the system call
    // that made it returns.
    FolderWatchEvents Now() { return watch_->Wait(0ms); }

    test::TempFolder d_;
    std::unique_ptr<FolderWatch> watch_;
};

TEST_F(FolderWatchPosixTest, ReportsNameChangesButNotContentChanges) {
    d_.Write("NC/A.NC", "old");
    ASSERT_TRUE(watch_);
    ASSERT_TRUE(watch_->Watch("D:\\NC"));

    {
        std::ofstream out(d_.File("NC/A.NC"), std::ios::app);
        out << "more data";
    }
    d_.Write("NC/SUB/DEEP.NC", "sub-folders are not watched");
    const auto quiet = Now();
    EXPECT_FALSE(quiet.changed);
    EXPECT_TRUE(quiet.names.empty());

    d_.Write("NC/B.NC", "new");
    fs::rename(d_.File("NC/A.NC"), d_.File("NC/C.NC"));
    fs::remove(d_.File("NC/B.NC"));
    // A folder made in the watched folder is a name change of its own.
    fs::create_directories(d_.File("NC/NEW"));
    const auto events = Now();
    EXPECT_TRUE(events.changed);
    EXPECT_FALSE(events.woken);
    EXPECT_EQ(events.names, (Names{"B.NC", "A.NC", "C.NC", "B.NC", "NEW"}));
    EXPECT_FALSE(Now().changed);  // all of it came in one result
}

TEST_F(FolderWatchPosixTest, AFolderThatCannotBeWatchedIsRefused) {
    ASSERT_TRUE(watch_);
    d_.Write("NC/A.NC", "x");
    EXPECT_FALSE(watch_->Watch("D:\\MISSING"));
    EXPECT_FALSE(watch_->Watch("Q:\\NC"));
    EXPECT_FALSE(watch_->Watch("D:\\NC\\A.NC"));
    EXPECT_TRUE(watch_->Watch("d:\\NC"));
    EXPECT_TRUE(watch_->Watch("D:"));
}

TEST_F(FolderWatchPosixTest, ANewFolderReplacesTheOldOne) {
    ASSERT_TRUE(watch_);
    ASSERT_TRUE(watch_->Watch("D:\\NC"));
    d_.Write("NC/QUEUED.NC", "x");  // not read before the change of folder
    ASSERT_TRUE(watch_->Watch("D:\\NC\\SUB"));
    d_.Write("NC/OLD.NC", "x");
    d_.Write("NC/SUB/NEW.NC", "x");
    EXPECT_EQ(Now().names, (Names{"NEW.NC"}));
}

TEST_F(FolderWatchPosixTest, TheWatchedFolderGoingAwayIsAChange) {
    ASSERT_TRUE(watch_);
    ASSERT_TRUE(watch_->Watch("D:\\NC\\SUB"));
    fs::rename(d_.File("NC/SUB"), d_.File("NC/MOVED"));
    const auto moved = Now();
    EXPECT_TRUE(moved.changed);
    EXPECT_EQ(moved.names, (Names{"SUB"}));
    // The folder at its new place is not the one of that name: nothing more from it, and the
    // name no longer leads to a folder.
    d_.Write("NC/MOVED/X.NC", "x");
    EXPECT_FALSE(Now().changed);
    EXPECT_FALSE(watch_->Watch("D:\\NC\\SUB"));

    ASSERT_TRUE(watch_->Watch("D:\\NC\\MOVED"));
    fs::remove_all(d_.File("NC/MOVED"));
    const auto deleted = Now();
    EXPECT_TRUE(deleted.changed);
    ASSERT_FALSE(deleted.names.empty());
    EXPECT_EQ(deleted.names.back(), "MOVED");
}

TEST_F(FolderWatchPosixTest, AFolderMadeAgainUnderTheSameNameIsWatchedAfresh) {
    ASSERT_TRUE(watch_);
    ASSERT_TRUE(watch_->Watch("D:\\NC\\SUB"));
    fs::remove(d_.File("NC/SUB"));
    EXPECT_TRUE(Now().changed);
    fs::create_directories(d_.File("NC/SUB"));
    // The same path, but the old watch ended with the old folder.
    ASSERT_TRUE(watch_->Watch("D:\\NC\\SUB"));
    d_.Write("NC/SUB/AGAIN.NC", "x");
    EXPECT_EQ(Now().names, (Names{"AGAIN.NC"}));
}

TEST_F(FolderWatchPosixTest, WakeEndsAWaitWithoutATimeLimit) {
    ASSERT_TRUE(watch_);
    ASSERT_TRUE(watch_->Watch("D:\\NC"));
    std::thread waker([&] {
        std::this_thread::sleep_for(50ms);
        watch_->Wake();
    });
    const auto start = std::chrono::steady_clock::now();
    const auto events = watch_->Wait(std::nullopt);
    waker.join();
    EXPECT_TRUE(events.woken);
    EXPECT_FALSE(events.changed);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
    // The wake is used up.
    EXPECT_FALSE(Now().woken);
}

TEST_F(FolderWatchPosixTest, ATimeOutEndsTheWaitWithNothing) {
    ASSERT_TRUE(watch_);
    ASSERT_TRUE(watch_->Watch("D:\\NC"));
    const auto events = watch_->Wait(20ms);
    EXPECT_FALSE(events.changed);
    EXPECT_FALSE(events.woken);
    EXPECT_FALSE(events.failed);
}

}  // namespace
}  // namespace kelvantori
