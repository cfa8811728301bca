// The folder watch's worker: one loop that blocks on the notification without a time limit
// while nothing is pending, and until the refresh is due while a burst is being gathered.
#include "files/FolderWatcher.h"

#include <optional>

namespace kelvantori {

namespace {

// Rounded up, so the wait never ends just before the refresh is due and spins.
std::chrono::milliseconds CeilMilliseconds(std::chrono::nanoseconds duration) {
    if (duration.count() <= 0)
        return std::chrono::milliseconds(0);
    return std::chrono::ceil<std::chrono::milliseconds>(duration);
}

}  // namespace

FolderWatcher::FolderWatcher(const DriveMap& drives, RefreshRequest onRefresh)
    : FolderWatcher(drives, std::move(onRefresh), Options{}) {}

FolderWatcher::FolderWatcher(const DriveMap& drives, RefreshRequest onRefresh, Options options)
    : drives_(drives),
      onRefresh_(std::move(onRefresh)),
      delay_(options.delay),
      ownClock_(options.clock == nullptr ? std::make_unique<SteadyClock>() : nullptr),
      clock_(options.clock == nullptr ? ownClock_.get() : options.clock) {}

FolderWatcher::~FolderWatcher() {
    Stop();
}

void FolderWatcher::SetDirPath(std::string dirPath) {
    std::lock_guard lock(dirPathMutex_);
    dirPath_ = std::move(dirPath);
}

std::string FolderWatcher::CurrentDirPath() {
    std::lock_guard lock(dirPathMutex_);
    return dirPath_;
}

bool FolderWatcher::Start() {
    if (running_)
        return true;
    // A worker that ended on its own is still to be joined.
    if (worker_.joinable())
        worker_.join();
    if (!watch_)
        watch_ = CreateFolderWatch(drives_);
    if (!watch_ || !watch_->Watch(CurrentDirPath()))
        return false;
    stopping_ = false;
    refreshPending_ = false;
    running_ = true;
    worker_ = std::thread([this] { Run(); });
    return true;
}

void FolderWatcher::Stop() {
    stopping_ = true;
    if (watch_)
        watch_->Wake();
    if (worker_.joinable())
        worker_.join();
    refreshPending_ = false;
}

void FolderWatcher::Sync() {
    std::unique_lock lock(syncMutex_);
    if (!running_)
        return;
    const std::uint64_t wanted = ++syncRequested_;
    watch_->Wake();
    synced_.wait(lock, [&] { return syncHandled_ >= wanted || !running_; });
}

void FolderWatcher::Run() {
    std::optional<std::chrono::nanoseconds> due;
    bool watching = true;
    while (!stopping_) {
        // Taken before the wait: everything made before a Sync that this covers is drained by
        // the wait below.
        const std::uint64_t syncSeen = syncRequested_;
        std::optional<std::chrono::milliseconds> timeout;
        if (due)
            timeout = CeilMilliseconds(*due - clock_->Now());
        {
            std::lock_guard lock(syncMutex_);
            if (syncHandled_ < syncRequested_)
                timeout = std::chrono::milliseconds(0);
        }
        const auto events = watch_->Wait(timeout);
        if (stopping_)
            break;
        if (events.changed) {
            if (!due) {
                due = clock_->Now() + delay_;
                refreshPending_ = true;
            }
            // The folder in use now, which may no longer be the one that changed.
            watching = watch_->Watch(CurrentDirPath());
        }
        // A broken notification cannot time the refresh either: it is asked for at once.
        if (events.failed)
            watching = false;
        if (due && (clock_->Now() >= *due || events.failed)) {
            due.reset();
            refreshPending_ = false;
            onRefresh_();
        }
        {
            std::lock_guard lock(syncMutex_);
            syncHandled_ = syncSeen;
        }
        synced_.notify_all();
        if (!watching && !due)
            break;
    }
    {
        std::lock_guard lock(syncMutex_);
        running_ = false;
    }
    synced_.notify_all();
}

}  // namespace kelvantori
