// The inotify folder watch on temporary folders mapped as drive D:.
#include "platform/FolderWatch.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

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
        d_.Write("NC/A.NC", "old");
    }

    // What is ready now: every change is queued by the time the call that made it returns.
    FolderWatchEvents Now() { return watch_->Wait(0ms); }

    test::TempFolder d_;
    std::unique_ptr<FolderWatch> watch_;
};

TEST_F(FolderWatchPosixTest, ReportsNameChangesButNotContentChanges) {
    ASSERT_TRUE(watch_ && watch_->Watch("D:\\NC"));
    std::ofstream(d_.File("NC/A.NC"), std::ios::app) << "more data";
    d_.Write("NC/SUB/DEEP.NC", "sub-folders are not watched");
    EXPECT_FALSE(Now().changed);

    d_.Write("NC/B.NC", "new");
    fs::rename(d_.File("NC/A.NC"), d_.File("NC/C.NC"));
    fs::remove(d_.File("NC/B.NC"));
    fs::create_directories(d_.File("NC/NEW"));
    const auto events = Now();
    EXPECT_EQ(std::pair(events.changed, events.names),
              std::pair(true, Names{"B.NC", "A.NC", "C.NC", "B.NC", "NEW"}));
    EXPECT_FALSE(Now().changed);  // all of it came in one result
}

TEST_F(FolderWatchPosixTest, OneFolderAtATimeUntilItGoesAway) {
    ASSERT_TRUE(watch_);
    for (const char* refused : {"D:\\MISSING", "Q:\\NC", "D:\\NC\\A.NC"})
        EXPECT_FALSE(watch_->Watch(refused)) << refused;
    ASSERT_TRUE(watch_->Watch("d:\\NC"));
    d_.Write("NC/QUEUED.NC", "x");  // dropped with the change of folder
    ASSERT_TRUE(watch_->Watch("D:\\NC\\SUB"));
    d_.Write("NC/OLD.NC", "x");
    d_.Write("NC/SUB/NEW.NC", "x");
    EXPECT_EQ(Now().names, (Names{"NEW.NC"}));

    fs::rename(d_.File("NC/SUB"), d_.File("NC/MOVED"));
    const auto moved = Now();
    EXPECT_EQ(std::pair(moved.changed, moved.names), std::pair(true, Names{"SUB"}));
    d_.Write("NC/MOVED/X.NC", "x");  // the folder at its new place is not watched
    EXPECT_FALSE(Now().changed);
    // A folder made again under the same name is watched afresh.
    fs::create_directories(d_.File("NC/SUB"));
    ASSERT_TRUE(watch_->Watch("D:\\NC\\SUB"));
    d_.Write("NC/SUB/AGAIN.NC", "x");
    EXPECT_EQ(Now().names, (Names{"AGAIN.NC"}));
}

TEST_F(FolderWatchPosixTest, WakeOrTimeOutEndsTheWait) {
    ASSERT_TRUE(watch_ && watch_->Watch("D:\\NC"));
    const auto timedOut = watch_->Wait(20ms);
    EXPECT_FALSE(timedOut.changed || timedOut.woken || timedOut.failed);
    std::thread waker([&] {
        std::this_thread::sleep_for(50ms);
        watch_->Wake();
    });
    const auto events = watch_->Wait(std::nullopt);
    waker.join();
    EXPECT_TRUE(events.woken);
    EXPECT_FALSE(events.changed);
    EXPECT_FALSE(Now().woken);  // the wake is used up
}

}  // namespace
}  // namespace kelvantori
