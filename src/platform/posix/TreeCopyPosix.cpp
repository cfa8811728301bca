// Copies of files, links and folder trees between host paths, and moves across file systems.
#include "platform/posix/TreeCopyPosix.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <functional>
#include <string_view>
#include <vector>

#include "platform/posix/DosAttributesPosix.h"
#include "platform/posix/HostFiles.h"
#include "platform/posix/SafeSavePosix.h"

namespace kelvantori::posix {

namespace {

std::string RealPathOr(const std::string& host) {
    char* real = ::realpath(host.c_str(), nullptr);
    if (real == nullptr)
        return host;
    std::string path(real);
    std::free(real);
    return path;
}

// Copies the bytes of in to out: in the kernel where it can, else through a buffer.
int CopyBytes(int in, int out, std::uint64_t expected) {
    std::uint64_t copied = 0;
    bool inKernel = expected > 0;
    while (inKernel) {
        const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, 1 << 30, 0);
        if (n > 0) {
            copied += static_cast<std::uint64_t>(n);
            continue;
        }
        if (n == 0 && copied >= expected)
            return 0;
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP &&
            errno != EBADF) {
            return errno;
        }
        // Not possible here, or an early end from a file system that reports sizes it cannot
        // copy this way: the rest goes through the buffer from where the kernel stopped.
        inKernel = false;
    }
    std::vector<char> buffer(256 * 1024);
    for (;;) {
        const ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n == 0)
            return 0;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (const int error = posix::WriteFully(
                out, std::string_view(buffer.data(), static_cast<std::size_t>(n)))) {
            return error;
        }
    }
}

FsError CopyLinkTo(const std::string& from, const std::string& to, bool overwrite) {
    std::vector<char> target(PATH_MAX + 1);
    const ssize_t n = ::readlink(from.c_str(), target.data(), target.size() - 1);
    if (n < 0)
        return LastError();
    target[static_cast<std::size_t>(n)] = '\0';
    struct stat st {};
    if (::lstat(to.c_str(), &st) == 0) {
        if (!overwrite)
            return FsError::Exists;
        if (S_ISDIR(st.st_mode))
            return FsError::IsADirectory;
        if (::unlink(to.c_str()) != 0)
            return LastError();
    }
    return ::symlink(target.data(), to.c_str()) == 0 ? FsError::None : LastError();
}

// Calls visit for every entry of a folder but "." and "..", until visit returns an error;
// gives that error, or the error of opening or reading the folder.
FsError ForEachChild(const std::string& folder,
                     const std::function<FsError(std::string_view name)>& visit) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr)
        return LastError();
    FsError result = FsError::None;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (entry == nullptr) {
            if (errno != 0)
                result = LastError();
            break;
        }
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        if (result = visit(name); result != FsError::None)
            break;
    }
    ::closedir(dir);
    return result;
}

// Removes a file, link or whole folder; used only for the original of a move once its copy is
// complete, and for a copy that failed half-way.
FsError RemoveTree(const std::string& host) {
    struct stat st {};
    if (::lstat(host.c_str(), &st) != 0)
        return errno == ENOENT ? FsError::None : LastError();
    if (!S_ISDIR(st.st_mode))
        return ::unlink(host.c_str()) == 0 ? FsError::None : LastError();
    const FsError result =
        ForEachChild(host, [&](std::string_view name) { return RemoveTree(JoinHost(host, name)); });
    if (result != FsError::None)
        return result;
    return ::rmdir(host.c_str()) == 0 ? FsError::None : LastError();
}

}  // namespace

bool IsInsideFolder(const std::string& to, const std::string& from) {
    const auto target = JoinHost(RealPathOr(ParentOf(to)), BaseNameOf(to));
    return IsSameOrBelow(target, RealPathOr(from));
}

FsError CopyFileTo(const std::string& from, const std::string& to) {
    FsError error = FsError::None;
    struct stat st {};
    UniqueFd in = OpenForReading(from, &error, &st);
    if (!in.Valid())
        return error;
    PendingFile out;
    if (const FsError e = out.Create(WriteTargetOf(to)); e != FsError::None)
        return e;
    out.TakeMetadataFrom(from, st, false);
    if (const int e = CopyBytes(in.Get(), out.Fd(), static_cast<std::uint64_t>(st.st_size))) {
        return FsErrorFromErrno(e);
    }
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    ::futimens(out.Fd(), times);
    return out.Commit();
}

FsError CopyTree(const std::string& from, const std::string& to, const struct stat& fromStat,
                 bool overwrite) {
    bool created = false;
    struct stat st {};
    if (::lstat(to.c_str(), &st) == 0) {
        if (!overwrite)
            return FsError::Exists;
        if (!S_ISDIR(st.st_mode))
            return FsError::NotADirectory;
    } else {
        // Private until filled; the source folder's permissions are given at the end, so a
        // read-only folder can still be filled.
        if (::mkdir(to.c_str(), 0700) != 0)
            return LastError();
        created = true;
    }
    FsError leftOut = FsError::None;
    const FsError result = ForEachChild(from, [&](std::string_view name) {
        const auto childFrom = JoinHost(from, name);
        const auto childTo = JoinHost(to, name);
        struct stat child {};
        if (::lstat(childFrom.c_str(), &child) != 0)
            return errno == ENOENT ? FsError::None : LastError();  // ENOENT: removed meanwhile
        FsError error = FsError::None;
        if (S_ISDIR(child.st_mode)) {
            error = CopyTree(childFrom, childTo, child, overwrite);
        } else if (S_ISREG(child.st_mode)) {
            struct stat target {};
            if (::lstat(childTo.c_str(), &target) == 0) {
                if (!overwrite) {
                    error = FsError::Exists;
                } else if (S_ISDIR(target.st_mode)) {
                    error = FsError::IsADirectory;
                } else if (!MayReplace(childTo, target)) {
                    error = FsError::AccessDenied;
                }
            }
            if (error == FsError::None)
                error = CopyFileTo(childFrom, childTo);
        } else if (S_ISLNK(child.st_mode)) {
            error = CopyLinkTo(childFrom, childTo, overwrite);
        } else {
            leftOut = FsError::Other;
        }
        return error;
    });
    if (result != FsError::None)
        return result;
    if (created) {
        char value[512];
        const ssize_t n = ::getxattr(from.c_str(), kDosAttributeName, value, sizeof value);
        if (n > 0)
            ::setxattr(to.c_str(), kDosAttributeName, value, static_cast<std::size_t>(n), 0);
        ::chmod(to.c_str(), fromStat.st_mode & 07777);
        // Last, since filling the folder changed its time.
        const struct timespec times[2] = {fromStat.st_atim, fromStat.st_mtim};
        ::utimensat(AT_FDCWD, to.c_str(), times, 0);
    }
    return leftOut;
}

FsError MoveAcrossDevices(const std::string& from, const std::string& to, const struct stat& st,
                          bool targetExists) {
    if (S_ISDIR(st.st_mode)) {
        // As rename(): an empty folder of that name is replaced, a filled one is not.
        if (targetExists && ::rmdir(to.c_str()) != 0)
            return LastError();
        if (const FsError error = CopyTree(from, to, st, false); error != FsError::None) {
            RemoveTree(to);
            return error;
        }
        return RemoveTree(from);
    }
    FsError error = FsError::Other;
    if (S_ISREG(st.st_mode)) {
        error = CopyFileTo(from, to);
    } else if (S_ISLNK(st.st_mode)) {
        error = CopyLinkTo(from, to, true);
    }
    if (error != FsError::None)
        return error;
    return ::unlink(from.c_str()) == 0 ? FsError::None : LastError();
}

}  // namespace kelvantori::posix
