// Host-path helpers shared by the POSIX files of the platform layer. Nothing here is seen above
// the platform layer, which speaks drive paths only.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <string>
#include <string_view>
#include <utility>

#include "platform/FileSystem.h"

namespace kelvantori::posix {

// The one translation of errno values into FsError (HostFiles.cpp).
FsError FsErrorFromErrno(int errorNumber);
// The error of the system call that just failed: FsErrorFromErrno(errno).
FsError LastError();

// Owns a file descriptor and closes it.
class UniqueFd {
  public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd() { Reset(); }
    UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) {
            Reset();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int Get() const { return fd_; }
    bool Valid() const { return fd_ >= 0; }
    void Reset();
    // Closes now and reports the errno of a failing close (0 when it closed cleanly): on some
    // file systems a write error shows only here.
    int Close();

  private:
    int fd_ = -1;
};

// Opens a regular file for reading. Folders, pipes and devices are refused: reading a pipe or
// a terminal would wait for ever.
UniqueFd OpenForReading(const std::string& host, FsError* error, struct stat* st);

// "/a/b" -> "/a"; "/a" -> "/"; "/" -> "/".
std::string ParentOf(std::string_view hostPath);
// "/a/b" -> "b"; "/" -> "".
std::string BaseNameOf(std::string_view hostPath);
std::string JoinHost(std::string_view folder, std::string_view name);
// True when path is folder or lies below it, compared by whole components.
bool IsSameOrBelow(std::string_view path, std::string_view folder);

// Creates a folder and its missing parents. 0, or the errno of the step that failed.
int MakeDirectories(const std::string& hostPath, mode_t mode);
// Writes every byte, going on after signals and short writes. 0, or the errno.
int WriteFully(int fd, std::string_view bytes);
// The user's home folder: $HOME, else the password database; "" when neither knows.
std::string HomeFolder();
// An absolute folder named by an environment variable, or "" when it is unset, empty or
// relative (the XDG rules ignore relative values).
std::string AbsoluteFolderFromEnv(const char* name);

// Moves a file or folder into the freedesktop.org trash that serves its file system
// (TrashPosix.cpp). Nothing is ever deleted: when no trash can take it, it stays and the error
// says why.
FsError MoveHostToTrash(const std::string& hostPath);

}  // namespace kelvantori::posix
