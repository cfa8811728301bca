// The folder watch of the file list: a worker thread that waits for name changes in the data
// folder and asks for one list refresh a second after the first change of a burst. After each
// change it watches the data folder of that moment, so it follows the user to another folder
// with the next change in the old one. When the folder cannot be watched it ends quietly; the
// window starts it again when the listing leaves drive A:.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "core/Clock.h"
#include "platform/DriveMap.h"
#include "platform/FolderWatch.h"

namespace kelvantori {

class FolderWatcher {
  public:
    // Called on the worker thread; the window passes it on to its own thread and runs
    // RefreshFileList(false, true, false) there.
    using RefreshRequest = std::function<void()>;

    struct Options {
        std::chrono::milliseconds delay{1000};
        // nullptr: the steady clock of the process. Shared with the worker thread, so a clock
        // given here must be safe to read from another thread.
        Clock* clock = nullptr;
    };

    FolderWatcher(const DriveMap& drives, RefreshRequest onRefresh);
    FolderWatcher(const DriveMap& drives, RefreshRequest onRefresh, Options options);
    // Stops and joins the worker.
    ~FolderWatcher();
    FolderWatcher(const FolderWatcher&) = delete;
    FolderWatcher& operator=(const FolderWatcher&) = delete;

    // The data folder the worker moves to at the next change (the window's DirPath).
    void SetDirPath(std::string dirPath);

    // Starts watching the current DirPath unless a worker runs already (true then). False when
    // the folder cannot be watched: no worker runs, nothing is reported.
    bool Start();
    // False once the worker has ended on its own (its folder could not be watched again).
    bool Running() const { return running_; }
    // Wakes the worker and joins it; a pending refresh is dropped.
    void Stop();

    // Returns once the worker has taken every change made before the call and has looked at
    // the clock (for a test that moves a manual clock on).
    void Sync();
    bool RefreshPending() const { return refreshPending_; }

  private:
    void Run();
    std::string CurrentDirPath();

    DriveMap drives_;
    RefreshRequest onRefresh_;
    std::chrono::nanoseconds delay_;
    std::unique_ptr<Clock> ownClock_;
    Clock* clock_;

    std::mutex dirPathMutex_;
    std::string dirPath_;

    std::unique_ptr<FolderWatch> watch_;
    std::thread worker_;
    std::atomic<bool> running_{false};
    std::atomic<bool> stopping_{false};
    std::atomic<bool> refreshPending_{false};

    std::mutex syncMutex_;
    std::condition_variable synced_;
    std::atomic<std::uint64_t> syncRequested_{0};
    std::uint64_t syncHandled_ = 0;  // under syncMutex_
};

}  // namespace kelvantori
