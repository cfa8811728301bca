// Change notification for the names in one folder: files created, deleted or renamed there, and
// the folder itself removed or moved away. Changes of contents are not reported, and
// sub-folders are not watched. Folders are drive paths.
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/DriveMap.h"

namespace kelvantori {

struct FolderWatchEvents {
    bool changed = false;  // a name changed, the folder went away, or events were lost
    bool woken = false;    // Wake() was called
    bool failed = false;   // the notification itself broke; no further Wait will report
    // The names the changes were about, in order (the folder's own name when it went away;
    // empty when events were lost). For the log and for tests.
    std::vector<std::string> names;
};

class FolderWatch {
  public:
    virtual ~FolderWatch() = default;

    // Watches drivePath in place of the folder watched before (whose pending changes are
    // dropped). False when it cannot be watched (missing folder, unmapped drive, no room for
    // another watch); then nothing is watched.
    virtual bool Watch(std::string_view drivePath) = 0;

    // Blocks until a change, a Wake() or the time-out (nullopt: no limit). Everything that is
    // ready is taken in one call, so a burst of changes comes back as one result. Without a
    // folder being watched only Wake() and the time-out end the wait.
    virtual FolderWatchEvents Wait(std::optional<std::chrono::milliseconds> timeout) = 0;

    // From any thread: the current (or the next) Wait returns with woken set.
    virtual void Wake() = 0;
};

// The host's notification over the drive table; nullptr when the host gives none.
std::unique_ptr<FolderWatch> CreateFolderWatch(const DriveMap& drives);

}  // namespace kelvantori
