// Folder watch by inotify. Only name events are asked for (create, delete, both halves of a
// rename, the folder itself deleted or moved): IN_MODIFY and IN_CLOSE_WRITE would report every
// block a receive or another program writes, which the file list has no use for. The wait
// blocks in poll() on the inotify descriptor and an eventfd that Wake() writes, so nothing polls
// on a timer.
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <limits>

#include "platform/FolderWatch.h"
#include "platform/posix/HostFiles.h"

namespace kelvantori {

namespace {

using posix::UniqueFd;

constexpr std::uint32_t kNameEvents =
    IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF;

class InotifyFolderWatch final : public FolderWatch {
  public:
    InotifyFolderWatch(const DriveMap& drives, UniqueFd inotify, UniqueFd wake)
        : drives_(drives), inotify_(std::move(inotify)), wake_(std::move(wake)) {}

    bool Watch(std::string_view drivePath) override {
        // The same folder, still watched: its watch stays, and so do changes not yet read.
        if (watch_ >= 0 && drivePath == watchedPath_)
            return true;
        Forget();
        const auto host = drives_.ToHost(drivePath);
        if (!host)
            return false;
        // IN_ONLYDIR: a file of that name is no folder to watch.
        const int wd = ::inotify_add_watch(inotify_.Get(), host->c_str(), kNameEvents | IN_ONLYDIR);
        if (wd < 0)
            return false;
        watch_ = wd;
        watchedPath_ = std::string(drivePath);
        folderName_ = posix::BaseNameOf(*host);
        return true;
    }

    FolderWatchEvents Wait(std::optional<std::chrono::milliseconds> timeout) override {
        FolderWatchEvents events;
        pollfd fds[2] = {{inotify_.Get(), POLLIN, 0}, {wake_.Get(), POLLIN, 0}};
        int waitMs = -1;
        if (timeout) {
            waitMs = static_cast<int>(
                std::clamp<std::int64_t>(timeout->count(), 0, std::numeric_limits<int>::max()));
        }
        const int ready = ::poll(fds, 2, waitMs);
        if (ready < 0) {
            if (errno != EINTR)
                events.failed = true;
            return events;
        }
        if ((fds[1].revents & POLLIN) != 0) {
            std::uint64_t count = 0;
            [[maybe_unused]] const ssize_t n = ::read(wake_.Get(), &count, sizeof count);
            events.woken = true;
        }
        if ((fds[0].revents & (POLLERR | POLLNVAL)) != 0)
            events.failed = true;
        if ((fds[0].revents & POLLIN) != 0)
            Drain(events);
        return events;
    }

    void Wake() override {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = ::write(wake_.Get(), &one, sizeof one);
    }

  private:
    void Forget() {
        if (watch_ >= 0)
            ::inotify_rm_watch(inotify_.Get(), watch_);
        watch_ = -1;
        // Events of the old folder still queued are not about the new one.
        FolderWatchEvents dropped;
        Drain(dropped);
    }

    // Reads every queued event (the descriptor is non-blocking).
    void Drain(FolderWatchEvents& events) {
        alignas(inotify_event) char buffer[16 * (sizeof(inotify_event) + NAME_MAX + 1)];
        for (;;) {
            const ssize_t n = ::read(inotify_.Get(), buffer, sizeof buffer);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                if (errno != EAGAIN)
                    events.failed = true;
                return;
            }
            if (n == 0)
                return;
            for (ssize_t offset = 0; offset < n;) {
                inotify_event event{};
                std::memcpy(&event, buffer + offset, sizeof event);
                const char* name = buffer + offset + sizeof(inotify_event);
                offset += static_cast<ssize_t>(sizeof(inotify_event) + event.len);
                if ((event.mask & IN_Q_OVERFLOW) != 0) {
                    // Events were lost: whatever they were, the list must be read again.
                    events.changed = true;
                    continue;
                }
                if (event.wd != watch_ || watch_ < 0)
                    continue;  // the end of a watch given up (IN_IGNORED), or an older folder
                if ((event.mask & (IN_DELETE_SELF | IN_MOVE_SELF)) != 0) {
                    events.changed = true;
                    events.names.push_back(folderName_);
                    // A moved folder would go on being watched at its new place, which is not
                    // the folder of that name any more.
                    if ((event.mask & IN_MOVE_SELF) != 0) {
                        ::inotify_rm_watch(inotify_.Get(), watch_);
                        watch_ = -1;
                    }
                } else if ((event.mask & kNameEvents) != 0) {
                    events.changed = true;
                    events.names.emplace_back(event.len > 0 ? std::string(name) : std::string());
                }
                if ((event.mask & IN_IGNORED) != 0) {
                    // The watch is gone with its folder (deleted, or its medium unmounted). It
                    // may come in a later read than the removal itself, so it is a change of its
                    // own: the caller watches again, or learns that it cannot.
                    watch_ = -1;
                    events.changed = true;
                }
            }
        }
    }

    DriveMap drives_;
    UniqueFd inotify_;
    UniqueFd wake_;
    int watch_ = -1;
    std::string watchedPath_;
    std::string folderName_;
};

}  // namespace

std::unique_ptr<FolderWatch> CreateFolderWatch(const DriveMap& drives) {
    UniqueFd inotify(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
    if (!inotify.Valid())
        return nullptr;
    UniqueFd wake(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC));
    if (!wake.Valid())
        return nullptr;
    return std::make_unique<InotifyFolderWatch>(drives, std::move(inotify), std::move(wake));
}

}  // namespace kelvantori
