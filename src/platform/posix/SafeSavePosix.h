// Safe saves on a POSIX host: the new content of a file goes into a new hidden file beside it,
// which is renamed over the target only when all of it is on the disk, so a crash or a full disk
// never leaves a half-written file under the target's name.
#pragma once

#include <sys/stat.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/posix/HostFiles.h"

namespace kelvantori::posix {

// Whether a file may be written over: the read-only attribute is honoured even by root, as the
// program's users expect of it, and so is the host's own permission check.
bool MayReplace(const std::string& host, const struct stat& st);

// The file a write to host really changes: the target of a symbolic link, so that saving
// through a link updates the file and keeps the link.
std::string WriteTargetOf(const std::string& host);

// The new content of a file, written beside it and renamed over it at Commit(). Until then the
// target is untouched; without Commit() the new file is removed. The new file is locked
// (flock) while it is open, which tells other saves that it is not a leftover.
class PendingFile {
  public:
    PendingFile() = default;
    ~PendingFile() { Discard(); }
    // The moved-from object must forget the new file, or its destructor would remove it.
    PendingFile(PendingFile&& other) noexcept
        : target_(std::move(other.target_)),
          temp_(std::exchange(other.temp_, std::string())),
          fd_(std::move(other.fd_)),
          error_(other.error_),
          committed_(other.committed_) {}
    PendingFile& operator=(PendingFile&&) = delete;
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    FsError Create(const std::string& target);

    // The permissions (and, for a save over a file, its owner) and the stored DOS attributes
    // of the file the content comes from or replaces.
    void TakeMetadataFrom(const std::string& host, const struct stat& st, bool owner);

    int Fd() const { return fd_.Get(); }

    FsError Write(std::string_view bytes);

    FsError Commit();

    // Closes the new file and hands it over (its name in temp): the caller now owns it and
    // renames it over the target itself. Nothing is flushed to the disk here.
    FsError Close(std::string& temp);

    const std::string& Target() const { return target_; }

    void Discard();

  private:
    std::string target_;
    std::string temp_;
    UniqueFd fd_;
    FsError error_ = FsError::None;
    bool committed_ = false;
};

// Whether host may be written by name; exists tells whether it is there (its stat in st).
FsError CheckWritable(const std::string& host, struct stat& st, bool& exists);

// Removes what saves of these targets (host paths of the files a write changes) left beside
// them when they were interrupted: files of our own naming (".<name>.~xxxxxxxx") that no running
// save holds locked. One scan per folder.
void RemoveStalePendingFiles(const std::vector<std::string>& targets);

// Starts the new file of a save over host (the file the write really changes), with the
// metadata of the file it replaces when it exists. removeStale: the leftovers of interrupted
// saves of the same target go first (a batch removes them once for all its files instead).
FsError StartReplace(const std::string& host, const struct stat& st, bool exists,
                     PendingFile& pending, bool removeStale = true);

}  // namespace kelvantori::posix
